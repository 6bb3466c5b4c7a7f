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

// --- SWF 4: numbers, strings and logic -----------------------------------------

template <class Fn>
void Interpreter::numberOperation(Frame& f, Fn fn) {
    double b = popNumber(f);
    double a = popNumber(f);
    push(fn(a, b));
}

template <class Fn>
void Interpreter::stringComparison(Frame& f, Fn fn) {
    String b = popString(f);
    String a = popString(f);
    push(fn(a, b));
}

// Operands as 32-bit integers; shifts count modulo 32.
template <class Fn>
void Interpreter::bitOperation(Frame& f, Fn fn) {
    int32_t b = toInt32(m_rt, pop(f));
    int32_t a = toInt32(m_rt, pop(f));
    push(Value(double(fn(a, b))));
}

void Interpreter::opAdd(Frame& f, Step& /*s*/) {
    numberOperation(f, [](double a, double b) { return Value(a + b); });
}

void Interpreter::opSubtract(Frame& f, Step& /*s*/) {
    numberOperation(f, [](double a, double b) { return Value(a - b); });
}

void Interpreter::opMultiply(Frame& f, Step& /*s*/) {
    numberOperation(f, [](double a, double b) { return Value(a * b); });
}

// SWF 4 answers a division by zero with a string.
void Interpreter::opDivide(Frame& f, Step& /*s*/) {
    const bool swf4 = m_rt.version <= 4;
    numberOperation(f,
                    [swf4](double a, double b) { return b == 0 && swf4 ? Value(String(u"#ERROR#")) : Value(a / b); });
}

void Interpreter::opModulo(Frame& f, Step& /*s*/) {
    numberOperation(f, [](double a, double b) { return Value(std::fmod(a, b)); });
}

void Interpreter::opEquals(Frame& f, Step& /*s*/) {
    numberOperation(f, [this](double a, double b) { return boolResult(a == b); });
}

void Interpreter::opLess(Frame& f, Step& /*s*/) {
    numberOperation(f, [this](double a, double b) { return boolResult(a < b); });
}

void Interpreter::opAnd(Frame& f, Step& /*s*/) {
    bool b = toBoolean(m_rt, pop(f));
    bool a = toBoolean(m_rt, pop(f));
    push(boolResult(a && b));
}

void Interpreter::opOr(Frame& f, Step& /*s*/) {
    bool b = toBoolean(m_rt, pop(f));
    bool a = toBoolean(m_rt, pop(f));
    push(boolResult(a || b));
}

void Interpreter::opNot(Frame& f, Step& /*s*/) { push(boolResult(!toBoolean(m_rt, pop(f)))); }

void Interpreter::opStringEquals(Frame& f, Step& /*s*/) {
    stringComparison(f, [this](const String& a, const String& b) { return boolResult(a == b); });
}

void Interpreter::opStringLess(Frame& f, Step& /*s*/) {
    stringComparison(f, [this](const String& a, const String& b) { return boolResult(a.view() < b.view()); });
}

void Interpreter::opStringGreater(Frame& f, Step& /*s*/) {
    stringComparison(f, [](const String& a, const String& b) { return Value::fromBool(a.view() > b.view()); });
}

// Also MBStringLength: strings are UTF-16 already.
void Interpreter::opStringLength(Frame& f, Step& /*s*/) { push(Value(double(popString(f).size()))); }

// Also MBStringExtract.
void Interpreter::opStringExtract(Frame& f, Step& /*s*/) {
    double count = popNumber(f);
    double index = popNumber(f);
    String s = popString(f);
    push(Value(m_rt.makeString(extract(s.view(), index, count))));
}

void Interpreter::opStringAdd(Frame& f, Step& /*s*/) {
    String b = popString(f);
    String a = popString(f);
    std::u16string joined(a.view());
    joined.append(b.view());
    push(Value(m_rt.makeString(joined)));
}

void Interpreter::opToInteger(Frame& f, Step& /*s*/) {
    double n = popNumber(f);
    push(Value(std::isnan(n) ? 0.0 : double(script::toInt32(n))));
}

void Interpreter::opCharToAscii(Frame& f, Step& /*s*/) {
    String s = popString(f);
    push(Value(s.empty() ? 0.0 : double(s[0])));
}

void Interpreter::opMbCharToAscii(Frame& f, Step& /*s*/) { push(Value(double(codePointAt(popString(f).view())))); }

void Interpreter::opAsciiToChar(Frame& f, Step& /*s*/) {
    char16_t c = char16_t(script::toUint32(popNumber(f)) & 0xFFFF);
    push(Value(c ? m_rt.makeString(std::u16string_view(&c, 1)) : String()));
}

void Interpreter::opMbAsciiToChar(Frame& f, Step& /*s*/) {
    uint32_t c = script::toUint32(popNumber(f));
    push(Value(c ? m_rt.makeString(fromCodePoint(c)) : String()));
}

// --- SWF 5 on: typed values --------------------------------------------------------

void Interpreter::opAdd2(Frame& f, Step& /*s*/) {
    Value b = pop(f);
    Value a = pop(f);
    push(addValues(m_rt, a, b));
}

void Interpreter::opLess2(Frame& f, Step& /*s*/) {
    Value b = pop(f);
    Value a = pop(f);
    push(lessThan(m_rt, a, b));
}

void Interpreter::opGreater(Frame& f, Step& /*s*/) {
    Value b = pop(f);
    Value a = pop(f);
    Value r = lessThan(m_rt, b, a);
    push(r.isUndefined() ? Value::fromBool(false) : r);
}

void Interpreter::opEquals2(Frame& f, Step& /*s*/) {
    Value b = pop(f);
    Value a = pop(f);
    push(Value::fromBool(looseEquals(m_rt, a, b)));
}

void Interpreter::opStrictEquals(Frame& f, Step& /*s*/) {
    Value b = pop(f);
    Value a = pop(f);
    push(Value::fromBool(strictEquals(a, b)));
}

void Interpreter::opToNumber(Frame& f, Step& /*s*/) { push(Value(popNumber(f))); }

void Interpreter::opToString(Frame& f, Step& /*s*/) { push(Value(popString(f))); }

void Interpreter::opTypeOf(Frame& f, Step& /*s*/) {
    Value v = pop(f);
    push(Value(String(typeOf(v))));
}

void Interpreter::opIncrement(Frame& f, Step& /*s*/) { push(Value(popNumber(f) + 1)); }

void Interpreter::opDecrement(Frame& f, Step& /*s*/) { push(Value(popNumber(f) - 1)); }

void Interpreter::opBitAnd(Frame& f, Step& /*s*/) {
    bitOperation(f, [](int32_t a, int32_t b) { return a & b; });
}

void Interpreter::opBitOr(Frame& f, Step& /*s*/) {
    bitOperation(f, [](int32_t a, int32_t b) { return a | b; });
}

void Interpreter::opBitXor(Frame& f, Step& /*s*/) {
    bitOperation(f, [](int32_t a, int32_t b) { return a ^ b; });
}

void Interpreter::opBitLShift(Frame& f, Step& /*s*/) {
    bitOperation(f, [](int32_t a, int32_t b) { return int32_t(uint32_t(a) << (b & 31)); });
}

void Interpreter::opBitRShift(Frame& f, Step& /*s*/) {
    bitOperation(f, [](int32_t a, int32_t b) { return a >> (b & 31); });
}

// The one result read as unsigned.
void Interpreter::opBitURShift(Frame& f, Step& /*s*/) {
    bitOperation(f, [](int32_t a, int32_t b) { return uint32_t(a) >> (b & 31); });
}

}  // namespace script
