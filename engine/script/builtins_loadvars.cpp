// LoadVars: variables in URL encoding loaded from, and sent to, a URL.
// Loading is asynchronous (see net_session.h); send() would open a browser
// window, which is reported to the host as a URL request like getURL.
#include "script/builtins.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/net_session.h"
#include "script/runtime.h"

#include "net/loaded_text.h"
#include "net/url_variables.h"

namespace script {

namespace {

constexpr std::u16string_view HeadersMember = u"_customHeaders";

// new LoadVars(): its loaded flag and content type live on the object.
Value initialise(Runtime& rt, const Value& self, std::span<const Value>) {
    Object* object = self.asObject();
    if (!object)
        return Value();
    putOwn(rt, object, u"loaded", Value::fromBool(false), PropertyFlag::DontEnum);
    putOwn(rt, object, u"contentType", Value(String(u"application/x-www-form-urlencoded")), PropertyFlag::DontEnum);
    return Value();
}

// The enumerable variables, newest first as the player lists them.
net::Variables variablesOf(Runtime& rt, Object* object) {
    net::Variables out;
    for (const String& name : enumerableNames(rt, object)) {
        const Value value = getMember(rt, Value(object), name.view());
        out.emplace_back(name.utf8(), toString(rt, value).utf8());
    }
    return out;
}

Value sendAndLoad(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    Object* target = arg(args, 1).asObject();
    if (!object || !target || arg(args, 0).isNullish())
        return Value::fromBool(false);
    const bool get = !arg(args, 2).isUndefined() && equalsFolded(toString(rt, args[2]).view(), u"GET");
    std::string url = toString(rt, args[0]).utf8();
    const std::string body = net::encodeVariables(variablesOf(rt, object));
    std::optional<std::string> post;
    if (get)
        url += (url.find('?') == std::string::npos ? "?" : "&") + body;
    else
        post = body;
    putOwn(rt, target, u"loaded", Value::fromBool(false), PropertyFlag::DontEnum);
    const auto id =
        netSession(rt).start(target, LoadKind::LoadVars, url, std::move(post),
                             toString(rt, getMember(rt, self, u"contentType")).utf8(), requestHeadersOf(rt, object));
    return Value::fromBool(id.has_value());
}

Value send(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object || arg(args, 0).isNullish())
        return Value::fromBool(false);
    UrlRequest request;
    request.url = hostRequestUrl(rt, toString(rt, args[0]).view());
    request.target = arg(args, 1).isUndefined() ? std::u16string() : std::u16string(toString(rt, args[1]).view());
    const bool get = !arg(args, 2).isUndefined() && equalsFolded(toString(rt, args[2]).view(), u"GET");
    request.method = get ? UrlRequest::Method::Get : UrlRequest::Method::Post;
    rt.host.urlRequest(request);
    return Value::fromBool(true);
}

Value decode(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!self.asObject())
        return Value();
    std::string text = toString(rt, arg(args, 0)).utf8();
    if (usesCodepage(rt))
        text = net::codepageEscapesToUtf8(text);
    const auto variables = net::decodeVariables(text);
    rt.chargeWork(variables.size());
    for (const auto& [name, value] : variables)
        setMember(rt, self, utf8ToUtf16(name), Value(rt.makeStringUtf8(value)));
    return Value();
}

Value toStringMethod(Runtime& rt, const Value& self, std::span<const Value>) {
    Object* object = self.asObject();
    if (!object)
        return Value(String());
    return Value(rt.makeStringUtf8(net::encodeVariables(variablesOf(rt, object))));
}

// The default onData: variables from the text, then onLoad(success).
Value onData(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!self.asObject())
        return Value();
    const bool success = !arg(args, 0).isUndefined();
    if (success) {
        const Value text = args[0];
        (void)callMethod(rt, self, u"decode", std::span<const Value>(&text, 1));
    }
    putOwn(rt, self.asObject(), u"loaded", Value::fromBool(success), PropertyFlag::DontEnum);
    const Value flag = Value::fromBool(success);
    (void)callMethod(rt, self, u"onLoad", std::span<const Value>(&flag, 1));
    return Value();
}

Value onLoad(Runtime&, const Value&, std::span<const Value>) { return Value(); }

Value bytesLoaded(Runtime& rt, const Value& self, std::span<const Value>) {
    return getMember(rt, self, u"_bytesLoaded");
}

Value bytesTotal(Runtime& rt, const Value& self, std::span<const Value>) { return getMember(rt, self, u"_bytesTotal"); }

// addRequestHeader("name", "value") or addRequestHeader(["n1", "v1", ...]).
Value addRequestHeader(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object)
        return Value();
    auto* list = dynamic_cast<ArrayObject*>(getMember(rt, self, HeadersMember).asObject());
    if (!list) {
        list = rt.newArray();
        putOwn(rt, object, HeadersMember, Value(list), PropertyFlag::DontEnum);
    }
    if (auto* pairs = dynamic_cast<ArrayObject*>(arg(args, 0).asObject())) {
        for (size_t i = 0; i + 1 < pairs->length(); i += 2) {
            list->push(pairs->at(i), rt.limits.maxArrayLength);
            list->push(pairs->at(i + 1), rt.limits.maxArrayLength);
        }
    } else if (args.size() >= 2) {
        list->push(Value(toString(rt, args[0])), rt.limits.maxArrayLength);
        list->push(Value(toString(rt, args[1])), rt.limits.maxArrayLength);
    }
    return Value();
}

}  // namespace

Value loadDocument(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object || arg(args, 0).isNullish())
        return Value::fromBool(false);
    putOwn(rt, object, u"loaded", Value::fromBool(false), PropertyFlag::DontEnum);
    const auto id = netSession(rt).start(object, LoadKind::LoadVars, toString(rt, args[0]).utf8(), std::nullopt, {},
                                         requestHeadersOf(rt, object));
    return Value::fromBool(id.has_value());
}

void installLoadVars(Runtime& rt) {
    Object* prototype = rt.newObject();
    const struct {
        std::u16string_view name;
        NativeFn fn;
    } methods[] = {
        {u"load", loadDocument},
        {u"send", send},
        {u"sendAndLoad", sendAndLoad},
        {u"decode", decode},
        {u"toString", toStringMethod},
        {u"onData", onData},
        {u"onLoad", onLoad},
        {u"getBytesLoaded", bytesLoaded},
        {u"getBytesTotal", bytesTotal},
        {u"addRequestHeader", addRequestHeader},
    };
    for (const auto& method : methods)
        rt.defineMethod(prototype, method.name, method.fn);
    NativeFunction* constructor = rt.newNative(initialise);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, u"LoadVars", Value(constructor));
}

}  // namespace script
