// LocalConnection: connect, send, close, domain (see local_connections.h).
// A name without a leading '_' belongs to the movie's domain ("localhost"
// for local files), so movies of different sites do not meet by accident.
#include "script/builtins.h"

#include "script/amf_bridge.h"
#include "script/conversions.h"
#include "script/local_connections.h"
#include "script/member_access.h"
#include "script/net_session.h"
#include "script/runtime.h"

#include "net/location.h"

#include <algorithm>

namespace script {

namespace {

std::string movieDomain(Runtime& rt) {
    auto location = net::parseLocation(utf16ToUtf8(rt.movieUrl()));
    if (!location || location->isLocal())
        return "localhost";
    return location->host;
}

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return text;
}

// The full name: "_name" as it is, "domain:name" as it is, else qualified.
std::string fullName(const std::string& domain, const std::string& name) {
    if (name.starts_with('_') || name.find(':') != std::string::npos)
        return lowerAscii(name);
    return lowerAscii(domain + ":" + name);
}

Value initialise(Runtime&, const Value&, std::span<const Value>) { return Value(); }

Value connect(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object || arg(args, 0).isNullish())
        return Value::fromBool(false);
    const std::string name = toString(rt, args[0]).utf8();
    if (name.empty() || name.find(':') != std::string::npos)
        return Value::fromBool(false);
    const std::string domain = movieDomain(rt);
    return Value::fromBool(netSession(rt).localConnections().connect(fullName(domain, name), object, domain));
}

Value close(Runtime& rt, const Value& self, std::span<const Value>) {
    if (Object* object = self.asObject(); object && rt.net)
        rt.net->localConnections().close(object);
    return Value();
}

Value domain(Runtime& rt, const Value&, std::span<const Value>) { return Value(rt.makeStringUtf8(movieDomain(rt))); }

// send(name, method, arguments...): queued for the next frame boundary;
// false for a bad name or method, arguments too large, or a full queue.
Value send(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object || args.size() < 2 || args[0].isNullish() || args[1].isNullish())
        return Value::fromBool(false);
    const std::string name = toString(rt, args[0]).utf8();
    const std::string method = toString(rt, args[1]).utf8();
    static constexpr std::string_view Reserved[] = {
        "send", "connect", "close", "domain", "allowDomain", "onStatus", "allowInsecureDomain"};
    if (name.empty() || method.empty() ||
        std::find(std::begin(Reserved), std::end(Reserved), method) != std::end(Reserved))
        return Value::fromBool(false);
    Object* holder = rt.newObject();
    for (size_t i = 2; i < args.size(); ++i)
        putOwn(rt, holder, utf8ToUtf16(std::to_string(i - 2)), args[i]);
    amf::Graph graph;
    std::string reason;
    auto members = membersToAmf(rt, holder, graph, reason);
    if (!members)
        return Value::fromBool(false);
    std::string encoded;
    amf::Encoder encoder(graph, encoded);
    for (const auto& [key, value] : *members) {
        if (!encoder.value(value) || encoded.size() > LocalConnections::MaxArgumentBytes)
            return Value::fromBool(false);
    }
    const std::string domain = movieDomain(rt);
    return Value::fromBool(netSession(rt).localConnections().send(object, domain, fullName(domain, name), method,
                                                                  std::move(graph), std::move(*members)));
}

}  // namespace

void installLocalConnection(Runtime& rt) {
    Object* prototype = rt.newObject();
    rt.defineMethod(prototype, u"connect", connect);
    rt.defineMethod(prototype, u"send", send);
    rt.defineMethod(prototype, u"close", close);
    rt.defineMethod(prototype, u"domain", domain);
    NativeFunction* constructor = rt.newNative(initialise);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, u"LocalConnection", Value(constructor));
}

}  // namespace script
