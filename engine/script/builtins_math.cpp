// Math. Math.random draws from the engine's seeded source.
#include "script/builtins.h"

#include "script/conversions.h"
#include "script/runtime.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace script {

namespace {

double n0(Runtime& rt, std::span<const Value> args) { return toNumber(rt, arg(args, 0)); }

template <double (*F)(double)>
Value unary(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value(F(n0(rt, args)));
}

double roundHalfUp(double x) { return std::floor(x + 0.5); }

Value mathAtan2(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value(std::atan2(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1))));
}

Value mathPow(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value(std::pow(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1))));
}

Value mathMax(Runtime& rt, const Value&, std::span<const Value> args) {
    double r = -std::numeric_limits<double>::infinity();
    for (const Value& v : args) {
        double n = toNumber(rt, v);
        if (std::isnan(n))
            return Value(n);
        r = std::max(r, n);
    }
    return Value(r);
}

Value mathMin(Runtime& rt, const Value&, std::span<const Value> args) {
    double r = std::numeric_limits<double>::infinity();
    for (const Value& v : args) {
        double n = toNumber(rt, v);
        if (std::isnan(n))
            return Value(n);
        r = std::min(r, n);
    }
    return Value(r);
}

Value mathRandom(Runtime& rt, const Value&, std::span<const Value>) { return Value(rt.random.unit()); }

double absolute(double x) { return std::fabs(x); }
double arcCos(double x) { return std::acos(x); }
double arcSin(double x) { return std::asin(x); }
double arcTan(double x) { return std::atan(x); }
double ceiling(double x) { return std::ceil(x); }
double cosine(double x) { return std::cos(x); }
double exponent(double x) { return std::exp(x); }
double flooring(double x) { return std::floor(x); }
double logarithm(double x) { return std::log(x); }
double sine(double x) { return std::sin(x); }
double squareRoot(double x) { return std::sqrt(x); }
double tangent(double x) { return std::tan(x); }

}  // namespace

void installMath(Runtime& rt) {
    Object* math = rt.newObject();
    rt.defineMethod(math, u"abs", unary<absolute>);
    rt.defineMethod(math, u"acos", unary<arcCos>);
    rt.defineMethod(math, u"asin", unary<arcSin>);
    rt.defineMethod(math, u"atan", unary<arcTan>);
    rt.defineMethod(math, u"atan2", mathAtan2);
    rt.defineMethod(math, u"ceil", unary<ceiling>);
    rt.defineMethod(math, u"cos", unary<cosine>);
    rt.defineMethod(math, u"exp", unary<exponent>);
    rt.defineMethod(math, u"floor", unary<flooring>);
    rt.defineMethod(math, u"log", unary<logarithm>);
    rt.defineMethod(math, u"max", mathMax);
    rt.defineMethod(math, u"min", mathMin);
    rt.defineMethod(math, u"pow", mathPow);
    rt.defineMethod(math, u"random", mathRandom);
    rt.defineMethod(math, u"round", unary<roundHalfUp>);
    rt.defineMethod(math, u"sin", unary<sine>);
    rt.defineMethod(math, u"sqrt", unary<squareRoot>);
    rt.defineMethod(math, u"tan", unary<tangent>);
    const uint8_t constant = PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    rt.defineValue(math, u"E", Value(std::numbers::e), constant);
    rt.defineValue(math, u"LN10", Value(std::numbers::ln10), constant);
    rt.defineValue(math, u"LN2", Value(std::numbers::ln2), constant);
    rt.defineValue(math, u"LOG10E", Value(std::numbers::log10e), constant);
    rt.defineValue(math, u"LOG2E", Value(std::numbers::log2e), constant);
    rt.defineValue(math, u"PI", Value(std::numbers::pi), constant);
    rt.defineValue(math, u"SQRT1_2", Value(1.0 / std::numbers::sqrt2), constant);
    rt.defineValue(math, u"SQRT2", Value(std::numbers::sqrt2), constant);
    rt.defineValue(rt.global, u"Math", Value(math));
}

}  // namespace script
