// The interpreter's helpers: what an instruction does when it is more than
// a few lines. The arithmetic and comparisons are here, inline, for the
// loop; the object model's operations (names, properties, classes, types)
// are in interpreter_objects.cpp.
#pragma once

#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/e4x.h"
#include "avm2/machine.h"

#include <cmath>
#include <string>

namespace avm2 {

// A multiname read by an instruction, its runtime parts popped. It may point
// into itself (a runtime namespace), so it is filled in place, never copied.
struct RuntimeName {
    Multiname mn;
    Namespace* single = nullptr;
    std::u16string scratch;
    RuntimeName() = default;
    RuntimeName(const RuntimeName&) = delete;
    RuntimeName& operator=(const RuntimeName&) = delete;
};

// A type an instruction names: one of the primitive types the language
// converts to, or a class.
struct TypeRef {
    enum class Builtin : uint8_t { None, Any, Void, Int, UInt, Number, String, Boolean };
    Builtin builtin = Builtin::None;
    const ClassObject* cls = nullptr;
};

class Interpreter {
public:
    explicit Interpreter(Machine& m) : m_m(m) {}

    Value add(Value a, Value b) {
        if (a.isInt() && b.isInt())
            return Value::number(double(a.asInt()) + double(b.asInt()));
        if (a.isNumeric() && b.isNumeric())
            return Value::number(a.numeric() + b.numeric());
        if (isE4x(a) && isE4x(b))
            return xmlConcat(m_m, a, b);
        Machine::Pin pinA(m_m, a), pinB(m_m, b);
        // Without a hint a Date reads as its text ("at " + date).
        Value pa = m_m.toPrimitive(a, a.isObject() && isDateObject(a.asObject()));
        Machine::Pin pinPa(m_m, pa);
        Value pb = m_m.toPrimitive(b, b.isObject() && isDateObject(b.asObject()));
        if (pa.isString() || pb.isString()) {
            Machine::Pin pinPb(m_m, pb);
            std::u16string text = m_m.toString(pa)->text();
            text += m_m.toString(pb)->text();
            return m_m.string(std::move(text));
        }
        return Value::number(primitiveToNumber(pa) + primitiveToNumber(pb));
    }

    double number(Value v) { return v.isNumeric() ? v.numeric() : m_m.toNumber(v); }
    int32_t int32(Value v) { return v.isInt() ? v.asInt() : toInt32(number(v)); }
    uint32_t uint32(Value v) { return v.tag() == Tag::UInt ? v.asUInt() : toUInt32(number(v)); }

    // The abstract relational comparison: 1 true, 0 false, -1 undefined (NaN).
    int less(Value a, Value b) {
        if (a.isInt() && b.isInt())
            return a.asInt() < b.asInt();
        Machine::Pin pinA(m_m, a), pinB(m_m, b);
        // Without a hint a Date reads as its text ("at " + date).
        Value pa = m_m.toPrimitive(a, a.isObject() && isDateObject(a.asObject()));
        Machine::Pin pinPa(m_m, pa);
        Value pb = m_m.toPrimitive(b, b.isObject() && isDateObject(b.asObject()));
        if (pa.isString() && pb.isString())
            return pa.asString()->text() < pb.asString()->text();
        const double x = primitiveToNumber(pa), y = primitiveToNumber(pb);
        if (std::isnan(x) || std::isnan(y))
            return -1;
        return x < y;
    }

    static bool strictEquals(Value a, Value b) {
        if (a.isNumeric() && b.isNumeric())
            return a.numeric() == b.numeric();
        if (a.tag() != b.tag())
            return false;
        switch (a.tag()) {
        case Tag::Undefined:
        case Tag::Null:
            return true;
        case Tag::Boolean:
            return a.asBoolean() == b.asBoolean();
        case Tag::String:
            return a.asString() == b.asString() || a.asString()->text() == b.asString()->text();
        default:
            return a.asCell() == b.asCell();
        }
    }

    bool equals(Value a, Value b) {
        if (a.isNumeric() && b.isNumeric())
            return a.numeric() == b.numeric();
        if (isE4x(a) || isE4x(b))
            return xmlEquals(m_m, a, b);
        if (a.tag() == b.tag())
            return strictEquals(a, b);
        if (a.isNullish() && b.isNullish())
            return true;
        if (a.isNullish() || b.isNullish())
            return false;
        if (a.isObject() || b.isObject()) {
            Machine::Pin pinA(m_m, a), pinB(m_m, b);
            Value pa = a.isObject() ? m_m.toPrimitive(a, false) : a;
            Machine::Pin pinPa(m_m, pa);
            Value pb = b.isObject() ? m_m.toPrimitive(b, false) : b;
            return equals(pa, pb);
        }
        return primitiveToNumber(a) == primitiveToNumber(b);
    }

    Value typeOf(Value v) {
        switch (v.tag()) {
        case Tag::Undefined:
            return m_m.string(u"undefined");
        case Tag::Boolean:
            return m_m.string(u"boolean");
        case Tag::Int:
        case Tag::UInt:
        case Tag::Number:
            return m_m.string(u"number");
        case Tag::String:
            return m_m.string(u"string");
        case Tag::Object:
            if (dynamic_cast<FunctionObject*>(v.asObject()) || dynamic_cast<NativeFunction*>(v.asObject()))
                return m_m.string(u"function");
            if (isE4x(v))
                return m_m.string(u"xml");
            return m_m.string(u"object");
        default:
            return m_m.string(u"object");
        }
    }

    void readName(const LoadedAbc& file, uint32_t index, Value*& sp, RuntimeName& out);
    [[noreturn]] void nullReceiver(Value v);
    [[nodiscard]] std::u16string describeName(const Multiname& mn) const;
    [[nodiscard]] std::u16string className(Value v);
    // A Proxy's trap in the flash_proxy namespace, and the QName it is given.
    Value proxyTrap(Value target, const char16_t* trap, std::span<const Value> args);
    Value proxyName(const Multiname& mn);
    // The class a TypeName names (Vector.<int>) given its generic class.
    ClassObject* applyTypeName(const LoadedAbc& file, const MultinameInfo& info, ClassObject* generic);

    Value getProperty(Value target, const Multiname& mn);
    void setProperty(Value target, const Multiname& mn, Value v, bool init);
    bool deleteProperty(Value target, const Multiname& mn);
    bool hasProperty(Value target, const Multiname& mn);
    Value callProperty(Value receiver, const Multiname& mn, std::span<const Value> args, bool lex);
    // callmethod: the receiver's method with a dispatch id.
    Value callMethod(Value receiver, uint32_t dispatchId, std::span<const Value> args);
    Value findProperty(const Machine::Frame& frame, Value* scopeTop, const Multiname& mn, bool strict);

    // `super` of the running method's class.
    const ClassObject* superClass(const Machine::Frame& frame);
    Value getSuper(const Machine::Frame& frame, Value receiver, const Multiname& mn);
    void setSuper(const Machine::Frame& frame, Value receiver, const Multiname& mn, Value v);
    Value callSuper(const Machine::Frame& frame, Value receiver, const Multiname& mn, std::span<const Value> args);
    void constructSuper(const Machine::Frame& frame, Value receiver, std::span<const Value> args);

    Value newObject(Value* pairs, uint32_t count);
    Value restObject(const Value* args, uint32_t from, uint32_t argc);
    Value newFunction(const LoadedAbc& file, uint32_t method, const Machine::Frame& frame, Value* scopeTop);
    Value newActivation(const LoadedAbc& file, uint32_t method);
    Value newClass(const LoadedAbc& file, uint32_t index, Value base, const Machine::Frame& frame, Value* scopeTop);

    TypeRef resolveType(const LoadedAbc& file, uint32_t multiname);
    TypeRef typeOfValue(Value type);  // istypelate and astypelate
    bool isType(Value v, const TypeRef& type);
    Value coerce(Value v, const TypeRef& type);
    bool instanceOf(Value v, Value type);

    Object* slotHolder(Value v, uint32_t id);
    Object* globalObject(const Machine::Frame& frame);
    bool handlerMatches(const LoadedAbc& file, const Handler& h);
    // for-in over an object's own dynamic properties.
    int32_t nextIndex(Value object, int32_t index);
    Value nameAt(Value object, int32_t index);
    Value valueAt(Value object, int32_t index);

    Value newCatch(const LoadedAbc& file, uint32_t method, uint32_t handler);
    Value escapeXml(Value v, bool attribute);
    // Domain memory: the bytes [address, address + size) or a RangeError.
    uint8_t* memory(Value address, size_t size);

    [[noreturn]] void unsupported(Op op);

private:
    Value readBinding(Value receiver, const Binding& b, const Multiname& mn);
    void writeBinding(Value receiver, Object* o, const Binding& b, const Multiname& mn, Value v, bool init);

    Machine& m_m;
};

}  // namespace avm2
