// A value of the machine: undefined, null, a boolean, a number (kept as int,
// uint or double: the language's int and uint are numbers whose value fits,
// so the tag is a representation, not a type), a string, a namespace or an
// object. Sixteen bytes, copied freely; strings, namespaces and objects live
// on the Heap and are kept alive by being reachable from the machine's roots.
#pragma once

#include <cmath>
#include <cstdint>

namespace avm2 {

class Cell;
class Object;
class String;
class Namespace;

enum class Tag : uint8_t { Undefined, Null, Boolean, Int, UInt, Number, String, Namespace, Object };

class Value {
public:
    Value() = default;

    [[nodiscard]] static Value null() { return Value(Tag::Null); }
    [[nodiscard]] static Value boolean(bool b) {
        Value v(Tag::Boolean);
        v.m_u.b = b;
        return v;
    }
    [[nodiscard]] static Value fromInt(int32_t i) {
        Value v(Tag::Int);
        v.m_u.i = i;
        return v;
    }
    [[nodiscard]] static Value fromUInt(uint32_t u) {
        Value v(Tag::UInt);
        v.m_u.u = u;
        return v;
    }
    // A double; integral values that fit an int are kept as one, so that
    // results of Number arithmetic meet the fast int paths again.
    [[nodiscard]] static Value number(double d) {
        if (d >= -2147483648.0 && d <= 2147483647.0) {
            const auto i = int32_t(d);
            if (double(i) == d && !(i == 0 && std::signbit(d)))
                return fromInt(i);
        }
        Value v(Tag::Number);
        v.m_u.d = d;
        return v;
    }
    // The cell kinds are templates so that the conversion to Cell happens
    // where the class is complete.
    template <typename S = String>
    [[nodiscard]] static Value string(S* s) {
        return cell(Tag::String, s);
    }
    template <typename N = Namespace>
    [[nodiscard]] static Value ns(N* n) {
        return cell(Tag::Namespace, n);
    }
    // A null pointer makes null.
    template <typename O = Object>
    [[nodiscard]] static Value object(O* o) {
        return o ? cell(Tag::Object, o) : null();
    }

    [[nodiscard]] Tag tag() const { return m_tag; }
    [[nodiscard]] bool isUndefined() const { return m_tag == Tag::Undefined; }
    [[nodiscard]] bool isNull() const { return m_tag == Tag::Null; }
    [[nodiscard]] bool isNullish() const { return m_tag <= Tag::Null; }
    [[nodiscard]] bool isBoolean() const { return m_tag == Tag::Boolean; }
    [[nodiscard]] bool isInt() const { return m_tag == Tag::Int; }
    [[nodiscard]] bool isNumeric() const { return m_tag >= Tag::Int && m_tag <= Tag::Number; }
    [[nodiscard]] bool isString() const { return m_tag == Tag::String; }
    [[nodiscard]] bool isNamespace() const { return m_tag == Tag::Namespace; }
    [[nodiscard]] bool isObject() const { return m_tag == Tag::Object; }
    // Strings, namespaces and objects: the collector follows these.
    [[nodiscard]] bool isCell() const { return m_tag >= Tag::String; }

    [[nodiscard]] bool asBoolean() const { return m_u.b; }
    [[nodiscard]] int32_t asInt() const { return m_u.i; }
    [[nodiscard]] uint32_t asUInt() const { return m_u.u; }
    [[nodiscard]] double asDouble() const { return m_u.d; }
    // Any numeric tag as a double.
    [[nodiscard]] double numeric() const {
        return m_tag == Tag::Int ? double(m_u.i) : m_tag == Tag::UInt ? double(m_u.u) : m_u.d;
    }
    template <typename S = String>
    [[nodiscard]] S* asString() const {
        return static_cast<S*>(m_u.cell);
    }
    template <typename N = Namespace>
    [[nodiscard]] N* asNamespace() const {
        return static_cast<N*>(m_u.cell);
    }
    template <typename O = Object>
    [[nodiscard]] O* asObject() const {
        return static_cast<O*>(m_u.cell);
    }
    [[nodiscard]] Cell* asCell() const { return m_u.cell; }

private:
    explicit Value(Tag tag) : m_tag(tag) {}
    static Value cell(Tag tag, Cell* c) {
        Value v(tag);
        v.m_u.cell = c;
        return v;
    }

    Tag m_tag = Tag::Undefined;
    union {
        bool b;
        int32_t i;
        uint32_t u;
        double d;
        Cell* cell;
    } m_u{};
};

static_assert(sizeof(Value) == 16);

}  // namespace avm2
