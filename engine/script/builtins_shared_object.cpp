// SharedObject: data a movie keeps between runs, one file per movie and
// name (see amf/shared_object_store.h). getLocal reads the file once per
// movie run and hands out the same object afterwards; flush writes it.
//
// With no one to ask for more room, a flush over the size limit fails at
// once: flush returns false and onStatus hears "SharedObject.Flush.Failed".
// A success returns true. A file that does not decode starts empty.
#include "script/builtins.h"

#include "script/amf_bridge.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include "amf/shared_object_store.h"
#include "amf/sol_file.h"
#include "net/location.h"

#include <filesystem>

namespace script {

namespace {

class SharedObjectObject final : public Object {
public:
    SharedObjectObject(const ObjectInit& init, std::string name, std::filesystem::path file)
        : Object(init), m_name(std::move(name)), m_file(std::move(file)) {}
    [[nodiscard]] const std::string& name() const { return m_name; }
    [[nodiscard]] const std::filesystem::path& file() const { return m_file; }

private:
    std::string m_name;
    std::filesystem::path m_file;
};

SharedObjectObject* thisSharedObject(const Value& self) { return dynamic_cast<SharedObjectObject*>(self.asObject()); }

amf::SharedObjectStore store() { return amf::SharedObjectStore::fromEnvironment(); }

// The movie's host and path as the store names them.
std::optional<std::pair<std::string, std::string>> movieOrigin(Runtime& rt) {
    auto location = net::parseLocation(utf16ToUtf8(rt.movieUrl()));
    if (!location)
        return std::nullopt;
    return std::make_pair(location->isLocal() ? std::string("localhost") : location->host, location->path);
}

Object* cacheOf(Runtime& rt, Object* constructor) {
    Value cache = getMember(rt, Value(constructor), u"__cache");
    if (Object* object = cache.asObject())
        return object;
    Object* object = rt.newObject();
    rt.defineValue(constructor, u"__cache", Value(object), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return object;
}

Value getLocal(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* constructor = self.asObject();
    if (!constructor || arg(args, 0).isNullish())
        return Value::null();
    const std::string name = toString(rt, arg(args, 0)).utf8();
    std::optional<std::string> localPath;
    if (!arg(args, 1).isNullish())
        localPath = toString(rt, arg(args, 1)).utf8();
    const auto origin = movieOrigin(rt);
    if (!origin)
        return Value::null();
    const auto shared = store();
    auto file = shared.pathFor(origin->first, origin->second, name,
                               localPath ? std::optional<std::string_view>(*localPath) : std::nullopt);
    if (!file)
        return Value::null();

    Object* cache = cacheOf(rt, constructor);
    const std::u16string key = utf8ToUtf16(file->string());
    if (const Property* cached = cache->properties().find(key))
        return cached->value;

    Value prototype = getMember(rt, Value(constructor), u"prototype");
    auto* object = rt.heap.make<SharedObjectObject>(prototype.asObject(), name, *file);
    Object* data = rt.newObject();
    rt.defineValue(object, u"data", Value(data), PropertyFlag::DontDelete);
    if (auto bytes = shared.read(*file); bytes && !bytes->empty()) {
        if (auto decoded = amf::decodeSol(*bytes))
            membersFromAmf(rt, decoded->graph, decoded->members, data);
    }
    putOwn(rt, cache, key, Value(object));
    return Value(object);
}

// The file's bytes for the object's data now, or why there are none.
std::optional<std::string> encoded(Runtime& rt, SharedObjectObject* object, std::string& reason) {
    amf::SolFile file;
    file.name = object->name();
    Object* data = getMember(rt, Value(object), u"data").asObject();
    if (data) {
        auto members = membersToAmf(rt, data, file.graph, reason);
        if (!members)
            return std::nullopt;
        file.members = std::move(*members);
    }
    auto bytes = amf::encodeSol(file);
    if (!bytes) {
        reason = bytes.error();
        return std::nullopt;
    }
    return std::move(*bytes);
}

void status(Runtime& rt, Object* object, std::u16string_view code, std::u16string_view level) {
    Object* info = rt.newObject();
    putOwn(rt, info, u"code", Value(String(code)));
    putOwn(rt, info, u"level", Value(String(level)));
    const Value handler = getMember(rt, Value(object), u"onStatus");
    if (handler.asObject() && handler.asObject()->isCallable()) {
        const Value argument(info);
        (void)callFunction(rt, handler, Value(object), std::span<const Value>(&argument, 1));
    }
}

Value flush(Runtime& rt, const Value& self, std::span<const Value>) {
    SharedObjectObject* object = thisSharedObject(self);
    if (!object)
        return Value();
    std::string reason;
    auto bytes = encoded(rt, object, reason);
    bool written = false;
    if (bytes)
        written = store().write(object->file(), *bytes).has_value();
    if (!written)
        status(rt, object, u"SharedObject.Flush.Failed", u"error");
    return Value::fromBool(written);
}

Value clear(Runtime& rt, const Value& self, std::span<const Value>) {
    SharedObjectObject* object = thisSharedObject(self);
    if (!object)
        return Value();
    (void)store().remove(object->file());
    if (Object* data = getMember(rt, Value(object), u"data").asObject())
        data->properties().clear();
    return Value();
}

Value getSize(Runtime& rt, const Value& self, std::span<const Value>) {
    SharedObjectObject* object = thisSharedObject(self);
    if (!object)
        return Value(0);
    std::string reason;
    const auto bytes = encoded(rt, object, reason);
    return Value(bytes ? double(bytes->size()) : 0.0);
}

// Shared objects come from getLocal only.
Value noConstructor(Runtime&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void installSharedObject(Runtime& rt) {
    Object* prototype = rt.newObject();
    rt.defineMethod(prototype, u"flush", flush);
    rt.defineMethod(prototype, u"clear", clear);
    rt.defineMethod(prototype, u"getSize", getSize);
    NativeFunction* constructor = rt.newNative(noConstructor);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineMethod(constructor, u"getLocal", getLocal);
    rt.defineValue(rt.global, u"SharedObject", Value(constructor));
}

}  // namespace script
