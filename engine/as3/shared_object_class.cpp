// flash.net.SharedObject: data a movie keeps between runs, in the same
// store and file form ActionScript 2 uses (amf/shared_object_store.h), so
// both machines read each other's files. getLocal hands out one object per
// file for the movie's run. objectEncoding is reported (AMF3 by default)
// but the file keeps AMF0, the form the store's files have.
//
// With no one to ask for more room, a flush over the size limit fails at
// once with Error #2130; the file on disk stays as it was.
#include "as3/event_dispatch.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/net_classes.h"

#include "avm2/amf_values.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"

#include "amf/shared_object_store.h"
#include "amf/sol_file.h"
#include "net/location.h"

#include <filesystem>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct SharedState final : DispatcherState {
    std::string name;
    std::filesystem::path file;  // empty for one a script made with new
    Value data;
    uint32_t encoding = 3;

    void trace(avm2::Tracer& tracer) const override {
        DispatcherState::trace(tracer);
        tracer.value(data);
    }
};

SharedState& sharedOf(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<SharedState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.net.SharedObject.");
    return *s;
}

// SharedObject.defaultObjectEncoding, kept on the class.
struct EncodingDefault final : avm2::NativeState {
    uint32_t encoding = 3;
};

EncodingDefault& encodingDefault(Machine& m) {
    avm2::ClassObject* c = m.coreClass(u"flash.net", u"SharedObject");
    if (!c->nativeAs<EncodingDefault>())
        c->setNativeState(std::make_unique<EncodingDefault>());
    return *c->nativeAs<EncodingDefault>();
}

amf::SharedObjectStore store() { return amf::SharedObjectStore::fromEnvironment(); }

Value sharedInit(Machine& m, Value self, std::span<const Value>) {
    auto s = std::make_unique<SharedState>();
    s->data = Value::object(m.newObject());
    s->encoding = encodingDefault(m).encoding;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

[[noreturn]] void cannotCreate(Machine& m) { m.throwError("Error", 2134, u"Cannot create SharedObject."); }

Value getLocal(Machine& m, Value, std::span<const Value> args) {
    if (argument(args, 0).isNullish())
        cannotCreate(m);
    HostContext& ctx = hostContext(m);
    const std::string name = avm2::utf16ToUtf8(m.toString(args[0])->text());
    std::optional<std::string> localPath;
    if (!argument(args, 1).isNullish())
        localPath = avm2::utf16ToUtf8(m.toString(args[1])->text());
    auto location = net::parseLocation(avm2::utf16ToUtf8(ctx.url));
    if (!location)
        cannotCreate(m);
    const auto shared = store();
    auto file = shared.pathFor(location->isLocal() ? std::string("localhost") : location->host, location->path, name,
                               localPath ? std::optional<std::string_view>(*localPath) : std::nullopt);
    if (!file)
        cannotCreate(m);
    const std::string key = file->string();
    if (auto it = ctx.held.sharedObjects.find(key); it != ctx.held.sharedObjects.end())
        return it->second;
    const Value object = m.construct(Value::object(m.coreClass(u"flash.net", u"SharedObject")), {});
    Machine::Pin keep(m, object);
    SharedState& s = sharedOf(m, object);
    s.name = name;
    s.file = *file;
    // A file that does not decode starts empty.
    if (auto bytes = shared.read(*file); bytes && !bytes->empty()) {
        if (auto decoded = amf::decodeSol(*bytes))
            avm2::membersFromAmf(m, decoded->graph, decoded->members, s.data.asObject());
    }
    ctx.held.sharedObjects[key] = object;
    return object;
}

// The file's bytes for the data now.
std::string encoded(Machine& m, SharedState& s) {
    amf::SolFile file;
    file.name = s.name;
    file.members = avm2::membersToAmf(m, s.data.asObject(), file.graph);
    auto bytes = amf::encodeSol(file);
    if (!bytes)
        m.throwError("Error", 2130, u"Unable to flush SharedObject (" + avm2::utf8ToUtf16(bytes.error()) + u").");
    return std::move(*bytes);
}

Value flush(Machine& m, Value self, std::span<const Value>) {
    SharedState& s = sharedOf(m, self);
    if (s.file.empty())
        m.throwError("Error", 2130, u"Unable to flush SharedObject.");
    const std::string bytes = encoded(m, s);
    if (auto written = store().write(s.file, bytes); !written)
        m.throwError("Error", 2130, u"Unable to flush SharedObject (" + avm2::utf8ToUtf16(written.error()) + u").");
    return m.string(u"flushed");
}

Value clear(Machine& m, Value self, std::span<const Value>) {
    SharedState& s = sharedOf(m, self);
    if (!s.file.empty())
        (void)store().remove(s.file);
    avm2::Object* data = s.data.asObject();
    while (data->dynamicCount() > 0)
        (void)data->deleteOwn(std::u16string(data->dynamicAt(data->dynamicCount() - 1).first));
    return Value();
}

Value size(Machine& m, Value self, std::span<const Value>) {
    SharedState& s = sharedOf(m, self);
    // An empty object stores nothing.
    if (s.data.asObject()->dynamicCount() == 0)
        return Value::fromInt(0);
    return Value::number(double(encoded(m, s).size()));
}

Value setProperty(Machine& m, Value self, std::span<const Value> args) {
    SharedState& s = sharedOf(m, self);
    s.data.asObject()->setOwn(m.toString(argument(args, 0))->text(), args.size() > 1 ? args[1] : Value::null());
    return Value();
}

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }
Value getData(Machine& m, Value self, std::span<const Value>) { return sharedOf(m, self).data; }
Value getEncoding(Machine& m, Value self, std::span<const Value>) {
    return Value::fromUInt(sharedOf(m, self).encoding);
}

uint32_t encodingArgument(Machine& m, std::span<const Value> args) {
    const uint32_t e = avm2::toUInt32(m.toNumber(argument(args, 0)));
    if (e != 0 && e != 3)
        m.throwError("ArgumentError", 2008, u"Parameter objectEncoding must be one of the accepted values.");
    return e;
}
Value setEncoding(Machine& m, Value self, std::span<const Value> args) {
    sharedOf(m, self).encoding = encodingArgument(m, args);
    return Value();
}

Value getDefaultEncoding(Machine& m, Value, std::span<const Value>) {
    return Value::fromUInt(encodingDefault(m).encoding);
}
Value setDefaultEncoding(Machine& m, Value, std::span<const Value> args) {
    encodingDefault(m).encoding = encodingArgument(m, args);
    return Value();
}

const avm2::NativeMember Methods[] = {
    {u"flush", flush}, {u"clear", clear}, {u"setProperty", setProperty}, {u"close", nothing}, {u"setDirty", nothing},
};
const avm2::NativeAccessor Accessors[] = {
    {u"data", getData},
    {u"size", size},
    {u"objectEncoding", getEncoding, setEncoding},
};
const avm2::NativeMember Statics[] = {{u"getLocal", getLocal}};
const avm2::NativeAccessor StaticAccessors[] = {{u"defaultObjectEncoding", getDefaultEncoding, setDefaultEncoding}};
const avm2::NativeStringConstant FlushStatus[] = {{u"FLUSHED", u"flushed"}, {u"PENDING", u"pending"}};

const avm2::CoreClassSpec Classes[] = {
    sealedClass(u"flash.net", u"SharedObject", u"flash.events.EventDispatcher", sharedInit,
                {.methods = Methods, .accessors = Accessors, .statics = Statics, .staticAccessors = StaticAccessors}),
    staticsClass(u"flash.net", u"SharedObjectFlushStatus", {.strings = FlushStatus}),
};

}  // namespace

std::span<const avm2::CoreClassSpec> sharedObjectClasses() { return Classes; }

}  // namespace as3
