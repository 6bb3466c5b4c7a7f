// Objects of the machine. Every object has a prototype (or none), a fixed
// array of slots laid out by its class's traits, and, when its class is
// dynamic, properties added at run time. Dynamic properties are always in
// the public namespace, so they are keyed by their local name alone.
//
// Functions are objects too: a FunctionObject is a method of a loaded file
// closed over the scope chain it was made in.
#pragma once

#include "avm2/heap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace avm2 {

struct Traits;

// What a native class keeps beside an instance's slots (a display object's
// model object, a dispatcher's listeners). Made by the class's native
// initialiser, also for instances of script classes that extend it.
class NativeState {
public:
    virtual ~NativeState() = default;
    virtual void trace(Tracer&) const {}
    [[nodiscard]] virtual size_t extraBytes() const { return 0; }
};

class Object : public Cell {
public:
    Object(Object* proto, size_t slotCount, bool dynamic = true)
        : m_proto(proto), m_slots(slotCount), m_dynamic(dynamic) {}
    // An object laid out by traits; `keeper` is the cell that owns them (its
    // class), kept alive as long as the object is.
    Object(Object* proto, const Traits* traits, const Cell* keeper, bool dynamic);

    [[nodiscard]] const Traits* traits() const { return m_traits; }

    [[nodiscard]] Object* proto() const { return m_proto; }
    void setProto(Object* proto) { m_proto = proto; }

    // Slot ids count from 1, as the byte code names them; a wrong id is the
    // caller's to report.
    [[nodiscard]] bool hasSlot(uint32_t id) const { return id >= 1 && id <= m_slots.size(); }
    [[nodiscard]] const Value& slot(uint32_t id) const { return m_slots[id - 1]; }
    void setSlot(uint32_t id, Value v) { m_slots[id - 1] = v; }
    [[nodiscard]] size_t slotCount() const { return m_slots.size(); }

    [[nodiscard]] bool isDynamic() const { return m_dynamic; }
    // Own dynamic properties (in the public namespace), in the order they
    // were added. These ignore whether the class is dynamic: the caller
    // decides whether a script may add one.
    [[nodiscard]] const Value* findOwn(const std::u16string& name) const;
    void setOwn(const std::u16string& name, Value v);
    bool deleteOwn(const std::u16string& name);
    [[nodiscard]] size_t dynamicCount() const { return m_properties.size(); }
    [[nodiscard]] const std::pair<std::u16string, Value>& dynamicAt(size_t i) const { return m_properties[i]; }
    // for-in skips a property made not enumerable (setPropertyIsEnumerable).
    void setEnumerable(const std::u16string& name, bool enumerable);
    [[nodiscard]] bool enumerableAt(size_t i) const {
        return m_hidden.empty() || !m_hidden.contains(m_properties[i].first);
    }
    // The value along the prototype chain, or null when no object has it.
    [[nodiscard]] const Value* find(const std::u16string& name) const;

    [[nodiscard]] NativeState* nativeState() const { return m_native.get(); }
    template <typename T>
    [[nodiscard]] T* nativeAs() const {
        return dynamic_cast<T*>(m_native.get());
    }
    void setNativeState(std::unique_ptr<NativeState> state) { m_native = std::move(state); }

    void trace(Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override;

private:
    Object* m_proto = nullptr;
    std::unique_ptr<NativeState> m_native;
    const Traits* m_traits = nullptr;
    const Cell* m_keeper = nullptr;
    std::vector<Value> m_slots;
    bool m_dynamic = true;
    // Insertion order matters to for-in, so the names live in a vector with
    // an index beside it.
    std::vector<std::pair<std::u16string, Value>> m_properties;
    std::unordered_map<std::u16string, size_t> m_index;
    std::unordered_set<std::u16string> m_hidden;
};

// An Array: elements stored densely by index, with the ordinary object
// parts for anything else a script sets on it.
class ArrayObject final : public Object {
public:
    explicit ArrayObject(Object* proto) : Object(proto, 0) {}
    // An array with Array's traits (its methods in the AS3 namespace).
    ArrayObject(Object* proto, const Traits* traits, const Cell* keeper) : Object(proto, traits, keeper, true) {}
    [[nodiscard]] std::vector<Value>& elements() { return m_elements; }
    [[nodiscard]] const std::vector<Value>& elements() const { return m_elements; }
    void trace(Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override {
        return Object::extraBytes() + m_elements.capacity() * sizeof(Value);
    }

private:
    std::vector<Value> m_elements;
};

// The index a property name denotes when it is one ("0", "17", not "01"
// or "-1"), as arrays store those apart.
[[nodiscard]] bool arrayIndex(std::u16string_view name, uint32_t& index);

struct LoadedAbc;

class FunctionObject : public Object {
public:
    FunctionObject(Object* proto, const LoadedAbc& file, uint32_t method, std::vector<Value> scope)
        : Object(proto, 0), m_file(&file), m_method(method), m_scope(std::move(scope)) {}

    [[nodiscard]] const LoadedAbc& file() const { return *m_file; }
    [[nodiscard]] uint32_t method() const { return m_method; }
    // The scope chain captured where the function was made, outermost first.
    [[nodiscard]] const std::vector<Value>& scope() const { return m_scope; }

    void trace(Tracer& tracer) const override;

private:
    const LoadedAbc* m_file;
    uint32_t m_method;
    std::vector<Value> m_scope;
};

}  // namespace avm2
