// Script objects: own properties, a prototype (__proto__), and hooks for the
// built-in properties some kinds keep outside the property map. The generic
// algorithms (lookup along the prototype chain, getters and setters) live in
// the Runtime, which can call script code; an Object is only data.
#pragma once

#include "script/memory_meter.h"
#include "script/property_map.h"
#include "script/value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace script {

class Runtime;

enum class ObjectClass : uint8_t {
    Plain,
    Function,
    Array,
    StringWrapper,
    NumberWrapper,
    BooleanWrapper,
    Date,
    Stage,  // a movie clip, button or text field (stage_object.h)
    Super,  // the `super` of a method call
};

// What the heap gives every new object.
struct ObjectInit {
    Object* proto = nullptr;
    MemoryMeter* meter = nullptr;
    const bool* caseSensitive = nullptr;  // the running code's rule
};

class Object {
public:
    Object(ObjectClass cls, const ObjectInit& init)
        : m_class(cls), m_proto(init.proto), m_properties(init.meter, init.caseSensitive), m_meter(init.meter) {}
    explicit Object(const ObjectInit& init) : Object(ObjectClass::Plain, init) {}
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    [[nodiscard]] ObjectClass objectClass() const { return m_class; }
    [[nodiscard]] Object* proto() const { return m_proto; }
    void setProto(Object* proto) { m_proto = proto; }
    [[nodiscard]] PropertyMap& properties() { return m_properties; }
    [[nodiscard]] const PropertyMap& properties() const { return m_properties; }
    [[nodiscard]] bool caseSensitive() const { return m_properties.caseSensitive(); }

    [[nodiscard]] virtual bool isCallable() const { return false; }

    // Built-in own properties outside the map (an array's length and
    // elements, a clip's _x): the value when the name is one. They are
    // found before the map's properties.
    virtual std::optional<Value> getBuiltin(Runtime& rt, std::u16string_view name) { return std::nullopt; }
    // Names found after the map's properties but before the prototype's (a
    // clip's child instances).
    virtual std::optional<Value> getLate(Runtime& rt, std::u16string_view name) { return std::nullopt; }
    // true when the name is one (the value was stored, converted or refused).
    virtual bool setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) { return false; }
    // true when the name is one and it was removed.
    virtual bool deleteBuiltin(Runtime& rt, std::u16string_view name) { return false; }
    // Enumerable built-in names, in the order enumeration should list them
    // before the map's (array indices).
    virtual void builtinKeys(Runtime& rt, std::vector<String>& out) {}

    // Objects this one keeps alive, for the collector.
    virtual void traceRefs(std::vector<Object*>& out) const;
    // Called once when the collector frees the object (or the heap closes).
    virtual void finalize() {}

    // Interfaces declared with ImplementsOp (on a constructor's prototype).
    [[nodiscard]] const std::vector<Object*>* interfaces() const { return m_interfaces.get(); }
    void setInterfaces(std::vector<Object*> list);

protected:
    [[nodiscard]] MemoryMeter* meter() const { return m_meter; }

private:
    friend class Heap;

    ObjectClass m_class = ObjectClass::Plain;
    Object* m_proto = nullptr;
    PropertyMap m_properties;
    MemoryMeter* m_meter = nullptr;
    std::unique_ptr<std::vector<Object*>> m_interfaces;
    size_t m_charged = 0;
    bool m_marked = false;
};

// Wrapper objects of primitives (new String("x"), new Number(1), new Boolean(true)).
class PrimitiveObject final : public Object {
public:
    PrimitiveObject(const ObjectInit& init, ObjectClass cls, Value primitive)
        : Object(cls, init), m_primitive(std::move(primitive)) {}
    [[nodiscard]] const Value& primitive() const { return m_primitive; }
    void setPrimitive(Value v) { m_primitive = std::move(v); }
    // String wrappers answer `length`.
    std::optional<Value> getBuiltin(Runtime& rt, std::u16string_view name) override;

private:
    Value m_primitive;
};

// Date objects: milliseconds since 1970-01-01 UTC (NaN for an invalid date).
class DateObject final : public Object {
public:
    DateObject(const ObjectInit& init, double time) : Object(ObjectClass::Date, init), m_time(time) {}
    [[nodiscard]] double time() const { return m_time; }
    void setTime(double t) { m_time = t; }

private:
    double m_time = 0;
};

// `super` inside a method: member lookups start above `home` (the prototype
// the running method came from); calling it runs the superclass constructor.
class SuperObject final : public Object {
public:
    SuperObject(const ObjectInit& init, Object* self, Object* home)
        : Object(ObjectClass::Super, init), m_self(self), m_home(home) {}
    [[nodiscard]] Object* self() const { return m_self; }
    [[nodiscard]] Object* home() const { return m_home; }
    void traceRefs(std::vector<Object*>& out) const override;

private:
    Object* m_self = nullptr;
    Object* m_home = nullptr;
};

}  // namespace script
