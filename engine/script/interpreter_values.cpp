// Actions on values: arithmetic, comparisons, logic, strings, bits and
// conversions, in their SWF 4 (numbers only) and SWF 5+ (typed) forms.
#include "script/interpreter.h"

#include "script/conversions.h"
#include "script/number_format.h"
#include "script/runtime.h"

#include <cmath>

namespace script {

namespace {

// Code units from `index` (1-based, clamped) for `count` (negative: to the end).
std::u16string_view extract(std::u16string_view s, double index, double count) {
    if (std::isnan(index))
        index = 1;
    if (std::isnan(count))
        count = 0;
    double start = std::max(1.0, std::trunc(index)) - 1;
    if (start >= double(s.size()))
        return {};
    size_t from = size_t(start);
    size_t n = count < 0 ? s.size() - from : size_t(std::min(std::trunc(count), double(s.size() - from)));
    return s.substr(from, n);
}

uint32_t codePointAt(std::u16string_view s) {
    if (s.empty())
        return 0;
    uint32_t c = s[0];
    if (c >= 0xD800 && c <= 0xDBFF && s.size() > 1 && s[1] >= 0xDC00 && s[1] <= 0xDFFF)
        return 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00);
    return c;
}

std::u16string fromCodePoint(uint32_t c) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
        c -= 0x10000;
        return {char16_t(0xD800 + (c >> 10)), char16_t(0xDC00 + (c & 0x3FF))};
    }
    return {char16_t(c & 0xFFFF)};
}

}  // namespace

bool Interpreter::doArithmetic(Frame& f, uint8_t code) {
    Runtime& rt = m_rt;
    switch (code) {
    case 0x0A:    // Add
    case 0x0B:    // Subtract
    case 0x0C:    // Multiply
    case 0x0D:    // Divide
    case 0x3F: {  // Modulo
        double b = popNumber(f);
        double a = popNumber(f);
        double r = 0;
        switch (code) {
        case 0x0A:
            r = a + b;
            break;
        case 0x0B:
            r = a - b;
            break;
        case 0x0C:
            r = a * b;
            break;
        case 0x0D:
            if (b == 0 && rt.version <= 4) {
                push(Value(String(u"#ERROR#")));
                return true;
            }
            r = a / b;
            break;
        default:
            r = std::fmod(a, b);
            break;
        }
        push(Value(r));
        return true;
    }
    case 0x0E: {  // Equals (numeric)
        double b = popNumber(f);
        double a = popNumber(f);
        push(boolResult(a == b));
        return true;
    }
    case 0x0F: {  // Less (numeric)
        double b = popNumber(f);
        double a = popNumber(f);
        push(boolResult(a < b));
        return true;
    }
    case 0x10:    // And
    case 0x11: {  // Or
        bool b = toBoolean(rt, pop(f));
        bool a = toBoolean(rt, pop(f));
        push(boolResult(code == 0x10 ? (a && b) : (a || b)));
        return true;
    }
    case 0x12:  // Not
        push(boolResult(!toBoolean(rt, pop(f))));
        return true;
    case 0x13: {  // StringEquals
        String b = popString(f);
        String a = popString(f);
        push(boolResult(a == b));
        return true;
    }
    case 0x29: {  // StringLess
        String b = popString(f);
        String a = popString(f);
        push(boolResult(a.view() < b.view()));
        return true;
    }
    case 0x68: {  // StringGreater
        String b = popString(f);
        String a = popString(f);
        push(Value::fromBool(a.view() > b.view()));
        return true;
    }
    case 0x14:  // StringLength
    case 0x31:  // MBStringLength
        push(Value(double(popString(f).size())));
        return true;
    case 0x15:    // StringExtract
    case 0x35: {  // MBStringExtract
        double count = popNumber(f);
        double index = popNumber(f);
        String s = popString(f);
        push(Value(rt.makeString(extract(s.view(), index, count))));
        return true;
    }
    case 0x21: {  // StringAdd
        String b = popString(f);
        String a = popString(f);
        std::u16string joined(a.view());
        joined.append(b.view());
        push(Value(rt.makeString(joined)));
        return true;
    }
    case 0x18: {  // ToInteger
        double n = popNumber(f);
        push(Value(std::isnan(n) ? 0.0 : double(script::toInt32(n))));
        return true;
    }
    case 0x32: {  // CharToAscii
        String s = popString(f);
        push(Value(s.empty() ? 0.0 : double(s[0])));
        return true;
    }
    case 0x36:  // MBCharToAscii
        push(Value(double(codePointAt(popString(f).view()))));
        return true;
    case 0x33: {  // AsciiToChar
        double n = popNumber(f);
        char16_t c = char16_t(script::toUint32(n) & 0xFFFF);
        push(Value(c ? rt.makeString(std::u16string_view(&c, 1)) : String()));
        return true;
    }
    case 0x37: {  // MBAsciiToChar
        uint32_t c = script::toUint32(popNumber(f));
        push(Value(c ? rt.makeString(fromCodePoint(c)) : String()));
        return true;
    }
    case 0x47: {  // Add2
        Value b = pop(f);
        Value a = pop(f);
        push(addValues(rt, a, b));
        return true;
    }
    case 0x48: {  // Less2
        Value b = pop(f);
        Value a = pop(f);
        push(lessThan(rt, a, b));
        return true;
    }
    case 0x67: {  // Greater
        Value b = pop(f);
        Value a = pop(f);
        Value r = lessThan(rt, b, a);
        push(r.isUndefined() ? Value::fromBool(false) : r);
        return true;
    }
    case 0x49: {  // Equals2
        Value b = pop(f);
        Value a = pop(f);
        push(Value::fromBool(looseEquals(rt, a, b)));
        return true;
    }
    case 0x66: {  // StrictEquals
        Value b = pop(f);
        Value a = pop(f);
        push(Value::fromBool(strictEquals(a, b)));
        return true;
    }
    case 0x4A:  // ToNumber
        push(Value(popNumber(f)));
        return true;
    case 0x4B:  // ToString
        push(Value(popString(f)));
        return true;
    case 0x44: {  // TypeOf
        Value v = pop(f);
        push(Value(String(typeOf(v))));
        return true;
    }
    case 0x50:  // Increment
        push(Value(popNumber(f) + 1));
        return true;
    case 0x51:  // Decrement
        push(Value(popNumber(f) - 1));
        return true;
    case 0x60:    // BitAnd
    case 0x61:    // BitOr
    case 0x62:    // BitXor
    case 0x63:    // BitLShift
    case 0x64:    // BitRShift
    case 0x65: {  // BitURShift
        int32_t b = toInt32(rt, pop(f));
        int32_t a = toInt32(rt, pop(f));
        double r = 0;
        switch (code) {
        case 0x60:
            r = double(a & b);
            break;
        case 0x61:
            r = double(a | b);
            break;
        case 0x62:
            r = double(a ^ b);
            break;
        case 0x63:
            r = double(int32_t(uint32_t(a) << (b & 31)));
            break;
        case 0x64:
            r = double(a >> (b & 31));
            break;
        default:
            r = double(uint32_t(a) >> (b & 31));
            break;
        }
        push(Value(r));
        return true;
    }
    default:
        return false;
    }
}

}  // namespace script
