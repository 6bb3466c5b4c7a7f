// flash.net: URLRequest, URLRequestHeader, URLVariables, URLLoader, URLStream,
// navigateToURL, sendToURL, and the events of loads
// (ProgressEvent, HTTPStatusEvent, IOErrorEvent, SecurityErrorEvent).
// Loads run on the player's NetLoads (net_loads.h) and land between frames.
#include "as3/net_classes.h"
#include "as3/event_dispatch.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/movie_security.h"
#include "as3/net_loads.h"

#include "avm2/byte_array.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"

#include "net/request_headers.h"
#include "net/url_variables.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

std::u16string text(Machine& m, Value v) { return m.toString(v)->text(); }
std::string utf8(Machine& m, Value v) { return avm2::utf16ToUtf8(text(m, v)); }

constexpr const char16_t* Net = u"flash.net";
constexpr const char16_t* Events = u"flash.events";

// --- events of loads ----------------------------------------------------------

struct NetEventState final : EventState {
    double loaded = 0;
    double total = 0;
    int32_t status = 0;
};

NetEventState& netEvent(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<NetEventState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to a load's event.");
    return *s;
}

std::unique_ptr<NetEventState> eventState(Machine& m, std::span<const Value> args) {
    auto s = std::make_unique<NetEventState>();
    s->type = Value::string(m.toString(argument(args, 0)));
    s->bubbles = avm2::toBoolean(argument(args, 1));
    s->cancelable = avm2::toBoolean(argument(args, 2));
    return s;
}

Value progressInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = eventState(m, args);
    s->loaded = m.toNumber(argument(args, 3));
    s->total = m.toNumber(argument(args, 4));
    if (std::isnan(s->loaded))
        s->loaded = 0;
    if (std::isnan(s->total))
        s->total = 0;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}
Value statusInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = eventState(m, args);
    s->status = avm2::toInt32(m.toNumber(argument(args, 3)));
    self.asObject()->setNativeState(std::move(s));
    return Value();
}
Value errorInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = eventState(m, args);
    s->text = Value::string(m.toString(args.size() > 3 ? args[3] : m.string(u"")));
    s->errorId = avm2::toInt32(m.toNumber(argument(args, 4)));
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

Value getLoaded(Machine& m, Value t, std::span<const Value>) { return Value::number(netEvent(m, t).loaded); }
Value setLoaded(Machine& m, Value t, std::span<const Value> args) {
    netEvent(m, t).loaded = m.toNumber(argument(args, 0));
    return Value();
}
Value getTotal(Machine& m, Value t, std::span<const Value>) { return Value::number(netEvent(m, t).total); }
Value setTotal(Machine& m, Value t, std::span<const Value> args) {
    netEvent(m, t).total = m.toNumber(argument(args, 0));
    return Value();
}
Value getStatus(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(netEvent(m, t).status); }

template <const char16_t* ClassName>
Value cloneEvent(Machine& m, Value t, std::span<const Value>) {
    const NetEventState& s = netEvent(m, t);
    std::array<Value, 5> args = {s.type, Value::boolean(s.bubbles), Value::boolean(s.cancelable), Value(), Value()};
    if (std::u16string_view(ClassName) == u"ProgressEvent") {
        args[3] = Value::number(s.loaded);
        args[4] = Value::number(s.total);
    } else if (std::u16string_view(ClassName) == u"HTTPStatusEvent") {
        args[3] = Value::fromInt(s.status);
    } else {
        args[3] = s.text;
        args[4] = Value::fromInt(s.errorId);
    }
    return m.construct(Value::object(m.coreClass(Events, ClassName)), args);
}

constexpr char16_t ProgressName[] = u"ProgressEvent";
constexpr char16_t StatusName[] = u"HTTPStatusEvent";
constexpr char16_t IoErrorName[] = u"IOErrorEvent";
constexpr char16_t SecurityErrorName[] = u"SecurityErrorEvent";

const avm2::NativeAccessor ProgressAccessors[] = {{u"bytesLoaded", getLoaded, setLoaded},
                                                  {u"bytesTotal", getTotal, setTotal}};
const avm2::NativeMember ProgressMethods[] = {{u"clone", cloneEvent<ProgressName>}};
const avm2::NativeStringConstant ProgressTypes[] = {{u"PROGRESS", u"progress"}, {u"SOCKET_DATA", u"socketData"}};
const avm2::NativeAccessor StatusAccessors[] = {{u"status", getStatus}};
const avm2::NativeMember StatusMethods[] = {{u"clone", cloneEvent<StatusName>}};
const avm2::NativeStringConstant StatusTypes[] = {{u"HTTP_STATUS", u"httpStatus"},
                                                  {u"HTTP_RESPONSE_STATUS", u"httpResponseStatus"}};
const avm2::NativeMember IoErrorMethods[] = {{u"clone", cloneEvent<IoErrorName>}};
const avm2::NativeStringConstant IoErrorTypes[] = {{u"IO_ERROR", u"ioError"},
                                                   {u"NETWORK_ERROR", u"networkError"},
                                                   {u"DISK_ERROR", u"diskError"},
                                                   {u"VERIFY_ERROR", u"verifyError"}};
const avm2::NativeMember SecurityErrorMethods[] = {{u"clone", cloneEvent<SecurityErrorName>}};
const avm2::NativeStringConstant SecurityErrorTypes[] = {{u"SECURITY_ERROR", u"securityError"}};

// --- URLRequest, URLRequestHeader ------------------------------------------------

struct RequestState final : avm2::NativeState {
    Value url = Value::null();
    Value method;
    Value data = Value::null();
    Value contentType = Value::null();
    Value headers;  // an Array, made on first need
    void trace(avm2::Tracer& tracer) const override {
        tracer.value(url);
        tracer.value(method);
        tracer.value(data);
        tracer.value(contentType);
        tracer.value(headers);
    }
};

RequestState& requestOf(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<RequestState>() : nullptr;
    if (!s) {
        if (v.isNullish())
            m.throwError("TypeError", 2007, u"Parameter request must be non-null.");
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.net.URLRequest.");
    }
    return *s;
}

Value requestInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<RequestState>();
    if (!argument(args, 0).isNullish())
        s->url = Value::string(m.toString(args[0]));
    s->method = m.string(u"GET");
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

Value nullableText(Machine& m, Value v) { return v.isNullish() ? Value::null() : Value::string(m.toString(v)); }

Value getUrl(Machine& m, Value t, std::span<const Value>) { return requestOf(m, t).url; }
Value setUrl(Machine& m, Value t, std::span<const Value> args) {
    requestOf(m, t).url = nullableText(m, argument(args, 0));
    return Value();
}
Value getMethod(Machine& m, Value t, std::span<const Value>) { return requestOf(m, t).method; }
Value setMethod(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (v.isNullish())
        m.throwError("TypeError", 2007, u"Parameter method must be non-null.");
    const std::u16string method = text(m, v);
    if (method != u"GET" && method != u"POST")
        m.throwError("ArgumentError", 2008, u"Parameter method must be one of the accepted values.");
    requestOf(m, t).method = m.string(method);
    return Value();
}
Value getData(Machine& m, Value t, std::span<const Value>) { return requestOf(m, t).data; }
Value setData(Machine& m, Value t, std::span<const Value> args) {
    requestOf(m, t).data = argument(args, 0);
    return Value();
}
Value getContentType(Machine& m, Value t, std::span<const Value>) { return requestOf(m, t).contentType; }
Value setContentType(Machine& m, Value t, std::span<const Value> args) {
    requestOf(m, t).contentType = nullableText(m, argument(args, 0));
    return Value();
}
Value getHeaders(Machine& m, Value t, std::span<const Value>) {
    RequestState& s = requestOf(m, t);
    if (!s.headers.isObject())
        s.headers = Value::object(m.newArray());
    return s.headers;
}
Value setHeaders(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (!v.isNullish() && !dynamic_cast<avm2::ArrayObject*>(v.asObject()))
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to Array.");
    requestOf(m, t).headers = v.isNullish() ? Value() : v;
    return Value();
}

const avm2::NativeAccessor RequestAccessors[] = {
    {u"url", getUrl, setUrl},
    {u"method", getMethod, setMethod},
    {u"data", getData, setData},
    {u"contentType", getContentType, setContentType},
    {u"requestHeaders", getHeaders, setHeaders},
};
const avm2::NativeStringConstant MethodNames[] = {{u"GET", u"GET"}, {u"POST", u"POST"}};

struct HeaderState final : avm2::NativeState {
    Value name;
    Value value;
    void trace(avm2::Tracer& tracer) const override {
        tracer.value(name);
        tracer.value(value);
    }
};

HeaderState& headerOf(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<HeaderState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.net.URLRequestHeader.");
    return *s;
}
Value headerInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<HeaderState>();
    s->name = m.string(args.empty() ? u"" : text(m, args[0]));
    s->value = m.string(args.size() < 2 ? u"" : text(m, args[1]));
    self.asObject()->setNativeState(std::move(s));
    return Value();
}
Value getHeaderName(Machine& m, Value t, std::span<const Value>) { return headerOf(m, t).name; }
Value setHeaderName(Machine& m, Value t, std::span<const Value> args) {
    headerOf(m, t).name = Value::string(m.toString(argument(args, 0)));
    return Value();
}
Value getHeaderValue(Machine& m, Value t, std::span<const Value>) { return headerOf(m, t).value; }
Value setHeaderValue(Machine& m, Value t, std::span<const Value> args) {
    headerOf(m, t).value = Value::string(m.toString(argument(args, 0)));
    return Value();
}
const avm2::NativeAccessor HeaderAccessors[] = {{u"name", getHeaderName, setHeaderName},
                                                {u"value", getHeaderValue, setHeaderValue}};

bool validHeaderText(std::string_view s, bool isName) {
    for (unsigned char c : s) {
        if (c == '\r' || c == '\n' || c == 0 || (isName && (c == ':' || c <= ' ')))
            return false;
    }
    return !isName || !s.empty();
}

// --- URLVariables -------------------------------------------------------------

// Splits like the shared decoder, but a pair without '=' is an error here.
void decodeInto(Machine& m, Object* target, const std::u16string& source) {
    const std::string bytes = avm2::utf16ToUtf8(source);
    size_t start = 0;
    while (start <= bytes.size()) {
        const size_t end = std::min(bytes.find('&', start), bytes.size());
        const std::string_view pair(bytes.data() + start, end - start);
        if (!pair.empty() && pair.find('=') == std::string_view::npos)
            m.throwError("Error", 2101,
                         u"The String passed to URLVariables.decode() must be a URL-encoded query string "
                         u"containing name/value pairs.");
        start = end + 1;
    }
    // A name given more than once collects its values in an Array.
    for (const auto& [name, value] : net::decodeVariables(bytes)) {
        const std::u16string key = avm2::utf8ToUtf16(name);
        const Value v = m.string(avm2::utf8ToUtf16(value));
        const Value* had = target->findOwn(key);
        if (!had) {
            target->setOwn(key, v);
            continue;
        }
        auto* list = dynamic_cast<avm2::ArrayObject*>(had->isObject() ? had->asObject() : nullptr);
        if (!list) {
            const Value first = *had;
            list = m.newArray(std::span<const Value>(&first, 1));
            target->setOwn(key, Value::object(list));
        }
        m.resizeArray(list, list->elements().size() + 1);
        list->elements().back() = v;
    }
}

std::string encodeFrom(Machine& m, Object* source) {
    net::Variables variables;
    for (size_t i = 0; i < source->dynamicCount(); ++i) {
        if (!source->enumerableAt(i))
            continue;
        const auto& [name, v] = source->dynamicAt(i);
        const std::string key = avm2::utf16ToUtf8(name);
        if (auto* list = dynamic_cast<avm2::ArrayObject*>(v.isObject() ? v.asObject() : nullptr)) {
            for (const Value& e : list->elements())
                variables.emplace_back(key, utf8(m, e));
        } else {
            variables.emplace_back(key, utf8(m, v));
        }
    }
    return net::encodeVariables(variables);
}

Value variablesDecode(Machine& m, Value self, std::span<const Value> args) {
    decodeInto(m, self.asObject(), text(m, argument(args, 0)));
    return Value();
}
Value variablesInit(Machine& m, Value self, std::span<const Value> args) {
    if (!argument(args, 0).isNullish())
        decodeInto(m, self.asObject(), text(m, args[0]));
    return Value();
}
Value variablesToString(Machine& m, Value self, std::span<const Value>) {
    return m.string(avm2::utf8ToUtf16(encodeFrom(m, self.asObject())));
}
const avm2::NativeMember VariablesMethods[] = {{u"decode", variablesDecode}, {u"toString", variablesToString}};

bool isVariables(Machine& m, Value v) { return v.isObject() && m.isInstance(v, m.coreClass(Net, u"URLVariables")); }

// --- URLLoader ---------------------------------------------------------------

struct LoaderState final : DispatcherState, LoadClient {
    Value data;
    Value dataFormat;
    double loaded = 0;
    double total = 0;
    net::RequestId request = 0;  // while one runs
    bool opened = false;
    bool stream = false;  // a URLStream: binary data read through its own methods
    std::string url;      // as the error events name it

    void trace(avm2::Tracer& tracer) const override {
        DispatcherState::trace(tracer);
        tracer.value(data);
        tracer.value(dataFormat);
    }

    void open(Machine& m, Value self) {
        if (std::exchange(opened, true))
            return;
        Value event = makeEvent(m, u"open");
        Machine::Pin keep(m, event);
        (void)dispatch(m, self.asObject(), event);
    }

    void loadProgress(Machine& m, Value self, uint64_t bytes, uint64_t of) override {
        open(m, self);
        loaded = double(bytes);
        total = double(of);
        Value event = makeProgressEvent(m, bytes, of);
        Machine::Pin keep(m, event);
        (void)dispatch(m, self.asObject(), event);
    }

    void loadFinished(Machine& m, Value self, const FetchResult& result) override {
        request = 0;
        Object* target = self.asObject();
        if (!result) {
            const net::FetchError& error = result.error();
            if (error.kind == net::FetchError::Kind::Http) {
                Value status = makeStatusEvent(m, error.httpStatus);
                Machine::Pin keep(m, status);
                (void)dispatch(m, target, status);
            }
            const LoadFailure failure = loadFailure(error, url, false);
            dispatchErrorEvent(m, target, makeErrorEvent(m, failure.className, failure.type, failure.text, failure.id));
            return;
        }
        const std::string& body = result->body;
        if (loaded != double(body.size()) || !opened)
            loadProgress(m, self, body.size(), body.size());
        {
            Value status = makeStatusEvent(m, result->httpStatus);
            Machine::Pin keep(m, status);
            (void)dispatch(m, target, status);
        }
        const std::u16string format = stream                  ? u"binary"
                                      : dataFormat.isString() ? dataFormat.asString()->text()
                                                              : u"text";
        if (format == u"binary") {
            const Value bytes = m.construct(m.findDefinitionByName(u"flash.utils.ByteArray"), {});
            Machine::Pin keep(m, bytes);
            auto& state = *bytes.asObject()->nativeAs<avm2::ByteArrayState>();
            avm2::resizeByteArray(m, state, body.size());
            std::copy(body.begin(), body.end(), state.bytes.begin());
            data = bytes;
        } else if (format == u"variables") {
            const Value text = m.string(avm2::utf8ToUtf16(body));
            Machine::Pin keep(m, text);
            data = m.construct(Value::object(m.coreClass(Net, u"URLVariables")), std::span<const Value>(&text, 1));
        } else {
            data = m.string(avm2::utf8ToUtf16(body));
        }
        Value complete = makeEvent(m, u"complete");
        Machine::Pin keep(m, complete);
        (void)dispatch(m, target, complete);
    }
};

LoaderState& urlLoaderOf(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<LoaderState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.net.URLLoader.");
    return *s;
}

Value urlLoaderLoad(Machine& m, Value self, std::span<const Value> args) {
    LoaderState& s = urlLoaderOf(m, self);
    const RequestParts parts = requestParts(m, argument(args, 0));
    NetLoads& loads = netLoads(m);
    HeldValues& held = hostContext(m).held;
    if (s.request)
        loads.cancel(held, s.request);
    s.loaded = s.total = 0;
    s.opened = false;
    s.url = loads.resolvedUrl(parts.url);
    s.request = loads.start(held, self, parts);
    return Value();
}

Value urlLoaderInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<LoaderState>();
    s->dataFormat = m.string(u"text");
    self.asObject()->setNativeState(std::move(s));
    if (!argument(args, 0).isNullish())
        (void)urlLoaderLoad(m, self, args);
    return Value();
}

Value urlLoaderClose(Machine& m, Value self, std::span<const Value>) {
    LoaderState& s = urlLoaderOf(m, self);
    if (!s.request)
        m.throwError("flash.errors.IOError", 2029, u"This URLStream object does not have a stream opened.");
    netLoads(m).cancel(hostContext(m).held, std::exchange(s.request, 0));
    return Value();
}

Value urlLoaderData(Machine& m, Value t, std::span<const Value>) { return urlLoaderOf(m, t).data; }
Value urlLoaderSetData(Machine& m, Value t, std::span<const Value> args) {
    urlLoaderOf(m, t).data = argument(args, 0);
    return Value();
}
Value urlLoaderFormat(Machine& m, Value t, std::span<const Value>) { return urlLoaderOf(m, t).dataFormat; }
Value urlLoaderSetFormat(Machine& m, Value t, std::span<const Value> args) {
    const std::u16string format = text(m, argument(args, 0));
    if (format != u"text" && format != u"binary" && format != u"variables")
        m.throwError("ArgumentError", 2008, u"Parameter dataFormat must be one of the accepted values.");
    urlLoaderOf(m, t).dataFormat = m.string(format);
    return Value();
}
Value urlLoaderLoaded(Machine& m, Value t, std::span<const Value>) { return Value::number(urlLoaderOf(m, t).loaded); }
Value urlLoaderTotal(Machine& m, Value t, std::span<const Value>) { return Value::number(urlLoaderOf(m, t).total); }

// --- URLStream ----------------------------------------------------------------
// A URLLoader that keeps the bytes and reads them as a ByteArray does. The
// bytes are there from the complete event on (they arrive whole here).

Value streamInit(Machine& m, Value self, std::span<const Value>) {
    auto s = std::make_unique<LoaderState>();
    s->dataFormat = m.string(u"binary");
    s->stream = true;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

Value streamBytes(Machine& m, Value self) {
    const Value bytes = urlLoaderOf(m, self).data;
    if (!bytes.isObject())
        m.throwError("flash.errors.EOFError", 2030, u"End of file was encountered.");
    return bytes;
}

template <const char16_t* Name>
Value streamRead(Machine& m, Value self, std::span<const Value> args) {
    const Value bytes = streamBytes(m, self);
    Machine::Pin keep(m, bytes);
    return m.callMember(bytes, Name, args);
}

Value streamConnected(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(urlLoaderOf(m, self).request != 0);
}
Value streamAvailable(Machine& m, Value self, std::span<const Value>) {
    const Value bytes = urlLoaderOf(m, self).data;
    const auto* s = bytes.isObject() ? bytes.asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    return Value::fromUInt(s && s->position < s->bytes.size() ? uint32_t(s->bytes.size() - s->position) : 0);
}

constexpr char16_t ReadBoolean[] = u"readBoolean";
constexpr char16_t ReadByte[] = u"readByte";
constexpr char16_t ReadUnsignedByte[] = u"readUnsignedByte";
constexpr char16_t ReadShort[] = u"readShort";
constexpr char16_t ReadUnsignedShort[] = u"readUnsignedShort";
constexpr char16_t ReadInt[] = u"readInt";
constexpr char16_t ReadUnsignedInt[] = u"readUnsignedInt";
constexpr char16_t ReadFloat[] = u"readFloat";
constexpr char16_t ReadDouble[] = u"readDouble";
constexpr char16_t ReadUtf[] = u"readUTF";
constexpr char16_t ReadUtfBytes[] = u"readUTFBytes";
constexpr char16_t ReadMultiByte[] = u"readMultiByte";
constexpr char16_t ReadBytes[] = u"readBytes";
constexpr char16_t ReadObject[] = u"readObject";

const avm2::NativeMember StreamMethods[] = {
    {u"load", urlLoaderLoad},
    {u"close", urlLoaderClose},
    {ReadBoolean, streamRead<ReadBoolean>},
    {ReadByte, streamRead<ReadByte>},
    {ReadUnsignedByte, streamRead<ReadUnsignedByte>},
    {ReadShort, streamRead<ReadShort>},
    {ReadUnsignedShort, streamRead<ReadUnsignedShort>},
    {ReadInt, streamRead<ReadInt>},
    {ReadUnsignedInt, streamRead<ReadUnsignedInt>},
    {ReadFloat, streamRead<ReadFloat>},
    {ReadDouble, streamRead<ReadDouble>},
    {ReadUtf, streamRead<ReadUtf>},
    {ReadUtfBytes, streamRead<ReadUtfBytes>},
    {ReadMultiByte, streamRead<ReadMultiByte>},
    {ReadBytes, streamRead<ReadBytes>},
    {ReadObject, streamRead<ReadObject>},
};
const avm2::NativeAccessor StreamAccessors[] = {{u"connected", streamConnected}, {u"bytesAvailable", streamAvailable}};

const avm2::NativeMember UrlLoaderMethods[] = {{u"load", urlLoaderLoad}, {u"close", urlLoaderClose}};
const avm2::NativeAccessor UrlLoaderAccessors[] = {
    {u"data", urlLoaderData, urlLoaderSetData},
    {u"dataFormat", urlLoaderFormat, urlLoaderSetFormat},
    {u"bytesLoaded", urlLoaderLoaded},
    {u"bytesTotal", urlLoaderTotal},
};
const avm2::NativeStringConstant DataFormats[] = {
    {u"BINARY", u"binary"}, {u"TEXT", u"text"}, {u"VARIABLES", u"variables"}};
const avm2::NativeConstant Encodings[] = {{u"AMF0", 0}, {u"AMF3", 3}, {u"DEFAULT", 3}};

// --- package functions ---------------------------------------------------------

// A page to show: there is no browser here, so the container hears of it as
// of ActionScript 2's getURL.
Value navigateToUrl(Machine& m, Value, std::span<const Value> args) {
    const RequestParts parts = requestParts(m, argument(args, 0));
    script::UrlRequest request;
    request.url = avm2::utf8ToUtf16(parts.url);
    request.target = argument(args, 1).isNullish() ? u"_blank" : text(m, args[1]);
    request.method = parts.post ? script::UrlRequest::Method::Post : script::UrlRequest::Method::Get;
    request.kind = script::UrlRequest::Kind::Navigate;
    if (mayCallHost(m))
        hostContext(m).host.urlRequest(request);
    return Value();
}

// Sent through the sandbox like any load; the answer is not kept.
Value sendToUrl(Machine& m, Value, std::span<const Value> args) {
    const RequestParts parts = requestParts(m, argument(args, 0));
    (void)netLoads(m).start(hostContext(m).held, Value(), parts);
    return Value();
}

const avm2::CoreClassSpec Classes[] = {
    sealedClass(Events, u"ProgressEvent", u"flash.events.Event", progressInit,
                {.methods = ProgressMethods, .accessors = ProgressAccessors, .strings = ProgressTypes}),
    sealedClass(Events, u"HTTPStatusEvent", u"flash.events.Event", statusInit,
                {.methods = StatusMethods, .accessors = StatusAccessors, .strings = StatusTypes}),
    sealedClass(Events, u"IOErrorEvent", u"flash.events.ErrorEvent", errorInit,
                {.methods = IoErrorMethods, .strings = IoErrorTypes}),
    sealedClass(Events, u"SecurityErrorEvent", u"flash.events.ErrorEvent", errorInit,
                {.methods = SecurityErrorMethods, .strings = SecurityErrorTypes}),
    sealedClass(Net, u"URLRequest", u"Object", requestInit, {.accessors = RequestAccessors}, true),
    staticsClass(Net, u"URLRequestMethod", {.strings = MethodNames}),
    sealedClass(Net, u"URLRequestHeader", u"Object", headerInit, {.accessors = HeaderAccessors}, true),
    // Dynamic: the variables are its properties.
    {.name = u"URLVariables", .base = u"Object", .init = variablesInit, .package = Net, .methods = VariablesMethods},
    staticsClass(Net, u"URLLoaderDataFormat", {.strings = DataFormats}),
    sealedClass(Net, u"URLLoader", u"flash.events.EventDispatcher", urlLoaderInit,
                {.methods = UrlLoaderMethods, .accessors = UrlLoaderAccessors}),
    sealedClass(Net, u"URLStream", u"flash.events.EventDispatcher", streamInit,
                {.methods = StreamMethods, .accessors = StreamAccessors}),
    staticsClass(Net, u"ObjectEncoding", {.numbers = Encodings}),
};

const avm2::PackageFunction Functions[] = {
    {Net, u"navigateToURL", navigateToUrl},
    {Net, u"sendToURL", sendToUrl},
};

}  // namespace

RequestParts requestParts(Machine& m, Value request) {
    RequestState& s = requestOf(m, request);
    if (s.url.isNullish())
        m.throwError("TypeError", 2007, u"Parameter url must be non-null.");
    RequestParts parts;
    parts.url = utf8(m, s.url);
    parts.post = text(m, s.method) == u"POST";
    std::string data;
    const avm2::ByteArrayState* bytes =
        s.data.isObject() ? s.data.asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    if (bytes)
        data.assign(bytes->bytes.begin(), bytes->bytes.end());
    else if (isVariables(m, s.data))
        data = encodeFrom(m, s.data.asObject());
    else if (!s.data.isNullish())
        data = utf8(m, s.data);
    if (parts.post) {
        parts.body = std::move(data);
        if (!s.contentType.isNullish())
            parts.contentType = utf8(m, s.contentType);
    } else if (!data.empty() && !bytes) {
        // GET carries its variables in the query, after any already there.
        const size_t fragment = parts.url.find('#');
        std::string tail = fragment == std::string::npos ? std::string() : parts.url.substr(fragment);
        parts.url.resize(std::min(fragment, parts.url.size()));
        parts.url += (parts.url.find('?') == std::string::npos ? "?" : "&") + data + tail;
    }
    if (auto* list = dynamic_cast<avm2::ArrayObject*>(s.headers.isObject() ? s.headers.asObject() : nullptr)) {
        for (const Value& h : list->elements()) {
            const HeaderState& header = headerOf(m, h);
            const std::string name = utf8(m, header.name);
            const std::string value = utf8(m, header.value);
            if (net::headerReserved(name) || !validHeaderText(name, true) || !validHeaderText(value, false))
                m.throwError("ArgumentError", 2096,
                             u"The HTTP request header " + text(m, header.name) + u" cannot be set via ActionScript.");
            parts.headers.emplace_back(name, value);
        }
    }
    return parts;
}

std::span<const avm2::CoreClassSpec> netClasses() { return Classes; }
std::span<const avm2::PackageFunction> netFunctions() { return Functions; }

}  // namespace as3
