// Vector.<T>: a dense, typed sequence. int, uint and Number elements are
// kept unboxed so that reads and writes by index need no conversion; any
// other element type keeps values, coerced to the type on every store.
#pragma once

#include "avm2/object.h"

#include <cstdint>
#include <typeinfo>
#include <vector>

namespace avm2 {

class ClassObject;

enum class VectorKind : uint8_t { Int, UInt, Number, Any, String, Boolean, Object };

class VectorObject final : public Object {
public:
    // `type` is the specialised class (Vector.<int>); `element` the class of
    // the elements for VectorKind::Object.
    VectorObject(Object* proto, const ClassObject* type, VectorKind kind, const ClassObject* element);

    [[nodiscard]] VectorKind kind() const { return m_kind; }
    [[nodiscard]] const ClassObject* type() const { return m_type; }
    [[nodiscard]] const ClassObject* elementClass() const { return m_element; }
    [[nodiscard]] bool fixed() const { return m_fixed; }
    void setFixed(bool fixed) { m_fixed = fixed; }

    [[nodiscard]] size_t size() const;
    [[nodiscard]] Value get(size_t i) const;
    // Stores a value already coerced to the element type.
    void set(size_t i, Value v);
    // New elements take the type's default (0, false, null, undefined).
    void resize(size_t n);
    [[nodiscard]] Value defaultValue() const;
    [[nodiscard]] size_t capacity() const;
    void reserve(size_t n);
    // The unboxed storage, for the interpreter's index fast path.
    [[nodiscard]] std::vector<int32_t>& ints() { return m_ints; }
    [[nodiscard]] std::vector<uint32_t>& uints() { return m_uints; }
    [[nodiscard]] std::vector<double>& numbers() { return m_numbers; }

    void trace(Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override;

    // Bytes one element of this kind takes.
    [[nodiscard]] size_t elementBytes() const;

private:
    const ClassObject* m_type;
    const ClassObject* m_element;
    VectorKind m_kind;
    bool m_fixed = false;
    std::vector<int32_t> m_ints;
    std::vector<uint32_t> m_uints;
    std::vector<double> m_numbers;
    std::vector<Value> m_values;
};

[[nodiscard]] inline VectorObject* asVector(Value v) {
    // typeid of a final class is one comparison, far cheaper than a
    // dynamic_cast on the index fast path.
    if (!v.isObject())
        return nullptr;
    Object* o = v.asObject();
    return typeid(*o) == typeid(VectorObject) ? static_cast<VectorObject*>(o) : nullptr;
}

class Machine;

// The class Vector.<param> (param null for Vector.<*>), made once per
// parameter; `generic` must be __AS3__.vec::Vector. Throws TypeError 1127
// when `generic` is not a parameterised type.
[[nodiscard]] ClassObject* applyVectorType(Machine& m, Value generic, Value param);
// A new empty Vector.<element>, for natives that hand vectors out.
[[nodiscard]] Value newVectorOf(Machine& m, ClassObject* element);
// Converts a value to the vector's element type (TypeError 1034 when an
// object is not of the element class).
[[nodiscard]] Value coerceElement(Machine& m, const VectorObject& v, Value x);
// Grows or shrinks the storage, charged to the heap; RangeError 1126 when
// the vector is fixed and the length would change.
void resizeVector(Machine& m, VectorObject* v, size_t length);
[[noreturn]] void vectorIndexOutOfRange(Machine& m, double index, size_t size);

}  // namespace avm2
