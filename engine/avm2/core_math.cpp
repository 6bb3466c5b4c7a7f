// Math and the global functions (isNaN, isFinite, parseInt, parseFloat,
// trace).
#include "avm2/conversions.h"
#include "avm2/core_library.h"

#include <cmath>
#include <limits>

namespace avm2 {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

double arg(Machine& m, std::span<const Value> args, size_t i) { return i < args.size() ? m.toNumber(args[i]) : NaN; }

template <double (*F)(double)>
Value unary(Machine& m, Value, std::span<const Value> args) {
    return Value::number(F(arg(m, args, 0)));
}

double roundHalfUp(double d) { return std::isfinite(d) ? std::floor(d + 0.5) : d; }

Value mathAtan2(Machine& m, Value, std::span<const Value> args) {
    return Value::number(std::atan2(arg(m, args, 0), arg(m, args, 1)));
}

Value mathPow(Machine& m, Value, std::span<const Value> args) {
    const double x = arg(m, args, 0), y = arg(m, args, 1);
    // 1 to the power NaN or infinity is NaN in the language, 1 in C.
    if (std::isnan(y) || (std::fabs(x) == 1 && std::isinf(y)))
        return Value::number(NaN);
    return Value::number(std::pow(x, y));
}

template <bool Max>
Value mathExtreme(Machine& m, Value, std::span<const Value> args) {
    double best = Max ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    for (const Value& v : args) {
        const double d = m.toNumber(v);
        if (std::isnan(d))
            return Value::number(NaN);
        if (Max ? (d > best || (d == 0 && best == 0 && !std::signbit(d)))
                : (d < best || (d == 0 && best == 0 && std::signbit(d))))
            best = d;
    }
    return Value::number(best);
}

Value mathRandom(Machine& m, Value, std::span<const Value>) { return Value::number(m.random()); }

const NativeMember MathStatics[] = {
    {u"abs", unary<std::fabs>},  {u"acos", unary<std::acos>}, {u"asin", unary<std::asin>},
    {u"atan", unary<std::atan>}, {u"atan2", mathAtan2},       {u"ceil", unary<std::ceil>},
    {u"cos", unary<std::cos>},   {u"exp", unary<std::exp>},   {u"floor", unary<std::floor>},
    {u"log", unary<std::log>},   {u"max", mathExtreme<true>}, {u"min", mathExtreme<false>},
    {u"pow", mathPow},           {u"random", mathRandom},     {u"round", unary<roundHalfUp>},
    {u"sin", unary<std::sin>},   {u"sqrt", unary<std::sqrt>}, {u"tan", unary<std::tan>}};

const NativeConstant MathConstants[] = {{u"E", 2.718281828459045},        {u"LN10", 2.302585092994046},
                                        {u"LN2", 0.6931471805599453},     {u"LOG10E", 0.4342944819032518},
                                        {u"LOG2E", 1.4426950408889634},   {u"PI", 3.141592653589793},
                                        {u"SQRT1_2", 0.7071067811865476}, {u"SQRT2", 1.4142135623730951}};

const CoreClassSpec Classes[] = {
    {.name = u"Math", .base = u"Object", .sealed = true, .statics = MathStatics, .constants = MathConstants}};

// --- global functions -------------------------------------------------------

bool isSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0xA0 || c == 0xFEFF ||
           c == 0x2028 || c == 0x2029;
}

Value globalIsNaN(Machine& m, Value, std::span<const Value> args) {
    return Value::boolean(std::isnan(arg(m, args, 0)));
}

Value globalIsFinite(Machine& m, Value, std::span<const Value> args) {
    return Value::boolean(std::isfinite(arg(m, args, 0)));
}

Value globalParseInt(Machine& m, Value, std::span<const Value> args) {
    const std::u16string s = m.toString(argument(args, 0))->text();
    size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    int radix = args.size() > 1 ? toInt32(m.toNumber(args[1])) : 0;
    if (radix != 0 && (radix < 2 || radix > 36))
        return Value::number(NaN);
    if ((radix == 0 || radix == 16) && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        i += 2;
        radix = 16;
    }
    if (radix == 0)
        radix = 10;
    double value = 0;
    bool any = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'z' ? c - 'a' + 10
                          : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                                 : 99;
        if (digit >= radix)
            break;
        value = value * radix + digit;
        any = true;
    }
    if (!any)
        return Value::number(NaN);
    return Value::number(negative ? -value : value);
}

Value globalParseFloat(Machine& m, Value, std::span<const Value> args) {
    const std::u16string s = m.toString(argument(args, 0))->text();
    size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    // The longest prefix that reads as a number.
    double best = NaN;
    for (size_t end = s.size(); end > i; --end) {
        const std::u16string_view candidate(s.data() + i, end - i);
        if (candidate.back() == u'.' || candidate.back() == u'e' || candidate.back() == u'E')
            continue;
        const double d = stringToNumber(candidate);
        if (!std::isnan(d) && !(candidate.size() > 1 && (candidate[1] == u'x' || candidate[1] == u'X'))) {
            best = d;
            break;
        }
    }
    return Value::number(best);
}

Value globalTrace(Machine& m, Value, std::span<const Value> args) {
    std::u16string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i)
            line += u' ';
        line += m.toString(args[i])->text();
    }
    m.trace(line);
    return Value();
}

const NativeMember Globals[] = {{u"isNaN", globalIsNaN},
                                {u"isFinite", globalIsFinite},
                                {u"parseInt", globalParseInt},
                                {u"parseFloat", globalParseFloat},
                                {u"trace", globalTrace}};

}  // namespace

std::span<const CoreClassSpec> mathClasses() { return Classes; }
std::span<const NativeMember> globalFunctions() { return Globals; }

}  // namespace avm2
