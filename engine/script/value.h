// A script value: undefined, null, boolean, number, string or object (which
// includes functions and the script side of movie clips).
//
// Objects are owned by the Heap; a Value only points at one. Values are
// never kept by anything the collector cannot see across the end of an
// entry point (see heap.h).
#pragma once

#include "script/string.h"

#include <cstdint>

namespace script {

class Object;

enum class ValueType : uint8_t { Undefined, Null, Boolean, Number, String, Object };

class Value {
public:
    Value() = default;
    Value(double n) : m_type(ValueType::Number) { m_u.number = n; }
    Value(int n) : m_type(ValueType::Number) { m_u.number = n; }
    Value(String s) : m_type(ValueType::String), m_string(std::move(s)) {}
    // A null pointer makes the null value.
    Value(Object* o) : m_type(o ? ValueType::Object : ValueType::Null) { m_u.object = o; }
    Value(bool) = delete;  // use fromBool: pointers and literals convert to bool too easily

    [[nodiscard]] static Value null() {
        Value v;
        v.m_type = ValueType::Null;
        return v;
    }
    [[nodiscard]] static Value fromBool(bool b) {
        Value v;
        v.m_type = ValueType::Boolean;
        v.m_u.boolean = b;
        return v;
    }

    [[nodiscard]] ValueType type() const { return m_type; }
    [[nodiscard]] bool isUndefined() const { return m_type == ValueType::Undefined; }
    [[nodiscard]] bool isNull() const { return m_type == ValueType::Null; }
    [[nodiscard]] bool isNullish() const { return m_type == ValueType::Undefined || m_type == ValueType::Null; }
    [[nodiscard]] bool isBoolean() const { return m_type == ValueType::Boolean; }
    [[nodiscard]] bool isNumber() const { return m_type == ValueType::Number; }
    [[nodiscard]] bool isString() const { return m_type == ValueType::String; }
    [[nodiscard]] bool isObject() const { return m_type == ValueType::Object; }

    [[nodiscard]] bool asBool() const { return m_u.boolean; }
    [[nodiscard]] double asNumber() const { return m_u.number; }
    [[nodiscard]] const String& asString() const { return m_string; }
    [[nodiscard]] Object* asObject() const { return m_type == ValueType::Object ? m_u.object : nullptr; }

private:
    ValueType m_type = ValueType::Undefined;
    union {
        bool boolean;
        double number;
        Object* object;
    } m_u{};
    String m_string;
};

}  // namespace script
