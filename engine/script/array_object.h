// Arrays: elements 0..length-1 in a vector, `length` and the index names
// answered from it; other names are ordinary properties. An index at or
// beyond the engine's array limit is an ordinary property too (it does not
// stretch the array).
//
// Every element slot is charged to the MemoryMeter.
#pragma once

#include "script/object.h"

#include <optional>
#include <span>
#include <vector>

namespace script {

class ArrayObject final : public Object {
public:
    explicit ArrayObject(const ObjectInit& init) : Object(ObjectClass::Array, init) {}
    ~ArrayObject() override;

    [[nodiscard]] size_t length() const { return m_elements.size(); }
    [[nodiscard]] const Value& at(size_t i) const { return m_elements[i]; }
    [[nodiscard]] const std::vector<Value>& elements() const { return m_elements; }
    // Growth is charged first (ScriptAbort at the memory limit) and checked
    // against `maxLength` (ScriptAbort MemoryLimit past it).
    void resize(size_t n, size_t maxLength);
    void set(size_t i, Value v, size_t maxLength);
    void push(Value v, size_t maxLength);
    void insert(size_t at, std::span<const Value> values, size_t maxLength);
    void erase(size_t from, size_t count);
    void assign(std::vector<Value> values, size_t maxLength);

    std::optional<Value> getBuiltin(Runtime& rt, std::u16string_view name) override;
    bool setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) override;
    bool deleteBuiltin(Runtime& rt, std::u16string_view name) override;
    void builtinKeys(Runtime& rt, std::vector<String>& out) override;
    void traceRefs(std::vector<Object*>& out) const override;

    // "0", "17" ... (no sign, no leading zeros, below 2^32 - 1).
    [[nodiscard]] static std::optional<uint32_t> parseIndex(std::u16string_view name);

private:
    void charge(size_t newSize, size_t maxLength);

    std::vector<Value> m_elements;
};

}  // namespace script
