#include "as3/filter_classes.h"

#include "as3/geom_values.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"
#include "avm2/object.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct FilterKindState final : avm2::NativeState {
    swf::FilterKind kind = swf::FilterKind::Blur;
};

constexpr double Degrees = 180.0 / std::numbers::pi;

// One constructor parameter: its property and default.
struct Parameter {
    const char16_t* name;
    double number;                   // the default of numbers and flags
    const char16_t* text = nullptr;  // the default of strings
    bool flag = false;
    bool array = false;  // an Array kept as given (null by default)
};

constexpr Parameter BlurParameters[] = {{u"blurX", 4}, {u"blurY", 4}, {u"quality", 1}};
constexpr Parameter GlowParameters[] = {{u"color", 0xFF0000},
                                        {u"alpha", 1},
                                        {u"blurX", 6},
                                        {u"blurY", 6},
                                        {u"strength", 2},
                                        {u"quality", 1},
                                        {u"inner", 0, nullptr, true},
                                        {u"knockout", 0, nullptr, true}};
constexpr Parameter ShadowParameters[] = {{u"distance", 4},
                                          {u"angle", 45},
                                          {u"color", 0},
                                          {u"alpha", 1},
                                          {u"blurX", 4},
                                          {u"blurY", 4},
                                          {u"strength", 1},
                                          {u"quality", 1},
                                          {u"inner", 0, nullptr, true},
                                          {u"knockout", 0, nullptr, true},
                                          {u"hideObject", 0, nullptr, true}};
constexpr Parameter BevelParameters[] = {
    {u"distance", 4},       {u"angle", 45},         {u"highlightColor", 0xFFFFFF},
    {u"highlightAlpha", 1}, {u"shadowColor", 0},    {u"shadowAlpha", 1},
    {u"blurX", 4},          {u"blurY", 4},          {u"strength", 1},
    {u"quality", 1},        {u"type", 0, u"inner"}, {u"knockout", 0, nullptr, true}};

constexpr Parameter GradientParameters[] = {{u"distance", 4},
                                            {u"angle", 45},
                                            {u"colors", 0, nullptr, false, true},
                                            {u"alphas", 0, nullptr, false, true},
                                            {u"ratios", 0, nullptr, false, true},
                                            {u"blurX", 4},
                                            {u"blurY", 4},
                                            {u"strength", 1},
                                            {u"quality", 1},
                                            {u"type", 0, u"inner"},
                                            {u"knockout", 0, nullptr, true}};
constexpr Parameter ConvolutionParameters[] = {{u"matrixX", 0},
                                               {u"matrixY", 0},
                                               {u"matrix", 0, nullptr, false, true},
                                               {u"divisor", 1},
                                               {u"bias", 0},
                                               {u"preserveAlpha", 1, nullptr, true},
                                               {u"clamp", 1, nullptr, true},
                                               {u"color", 0},
                                               {u"alpha", 0}};

// Gradient stops and convolution sides past these are not drawn.
constexpr size_t MaxGradientStops = 16;
constexpr double MaxConvolutionSide = 15;

void initParameters(Machine& m, Value t, std::span<const Value> args, std::span<const Parameter> parameters,
                    swf::FilterKind kind) {
    avm2::Object* o = t.asObject();
    for (size_t i = 0; i < parameters.size(); ++i) {
        const Parameter& p = parameters[i];
        const bool given = i < args.size() && !args[i].isUndefined();
        Value v;
        if (p.text)
            v = given ? Value::string(m.toString(args[i])) : m.string(p.text);
        else if (p.array)
            v = given ? args[i] : Value::null();
        else if (p.flag)
            v = Value::boolean(given ? avm2::toBoolean(args[i]) : p.number != 0);
        else
            v = Value::number(given ? m.toNumber(args[i]) : p.number);
        o->setOwn(p.name, v);
    }
    auto state = std::make_unique<FilterKindState>();
    state->kind = kind;
    o->setNativeState(std::move(state));
}

Value blurInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, BlurParameters, swf::FilterKind::Blur);
    return Value();
}
Value glowInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, GlowParameters, swf::FilterKind::Glow);
    return Value();
}
Value shadowInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, ShadowParameters, swf::FilterKind::DropShadow);
    return Value();
}
Value bevelInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, BevelParameters, swf::FilterKind::Bevel);
    return Value();
}
Value gradientGlowInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, GradientParameters, swf::FilterKind::GradientGlow);
    return Value();
}
Value gradientBevelInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, GradientParameters, swf::FilterKind::GradientBevel);
    return Value();
}
Value convolutionInit(Machine& m, Value t, std::span<const Value> args) {
    initParameters(m, t, args, ConvolutionParameters, swf::FilterKind::Convolution);
    return Value();
}
// ColorMatrixFilter(matrix = identity): 20 numbers, row by row.
Value colorMatrixInit(Machine& m, Value t, std::span<const Value> args) {
    std::vector<Value> numbers;
    const auto* given = argument(args, 0).isObject() ? dynamic_cast<avm2::ArrayObject*>(args[0].asObject()) : nullptr;
    for (size_t i = 0; i < 20; ++i) {
        const bool identity = i % 6 == 0 && i < 19;
        numbers.push_back(given && i < given->elements().size() ? Value::number(m.toNumber(given->elements()[i]))
                                                                : Value::number(identity ? 1 : 0));
    }
    t.asObject()->setOwn(u"matrix", Value::object(m.newArray(numbers)));
    auto state = std::make_unique<FilterKindState>();
    state->kind = swf::FilterKind::ColorMatrix;
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

double number(Machine& m, Value o, const char16_t* name, double otherwise) {
    const double v = numberOf(m, o, name);
    return std::isfinite(v) ? v : otherwise;
}
bool flag(Value o, const char16_t* name) {
    const Value* v = o.asObject()->find(name);
    return v && avm2::toBoolean(*v);
}
swf::Rgba rgba(Machine& m, Value o, const char16_t* color, const char16_t* alpha) {
    const uint32_t c = avm2::toUInt32(number(m, o, color, 0));
    const double a = std::clamp(number(m, o, alpha, 1), 0.0, 1.0);
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(std::lround(a * 255.0))};
}
void readBlur(Machine& m, Value o, swf::Filter& f) {
    f.blurX = std::clamp(number(m, o, u"blurX", 4), 0.0, 255.0);
    f.blurY = std::clamp(number(m, o, u"blurY", 4), 0.0, 255.0);
    f.passes = uint8_t(std::clamp(number(m, o, u"quality", 1), 0.0, 15.0));
}
void readPlacement(Machine& m, Value o, swf::Filter& f) {
    f.distance = std::clamp(number(m, o, u"distance", 4), -32768.0, 32767.0);
    f.angle = number(m, o, u"angle", 45) / Degrees;
}

// The numbers of an Array property, at most `limit`; none for anything else.
std::vector<double> numbers(Machine& m, Value o, const char16_t* name, size_t limit) {
    std::vector<double> out;
    const Value* v = o.asObject()->find(name);
    const auto* array = v && v->isObject() ? dynamic_cast<avm2::ArrayObject*>(v->asObject()) : nullptr;
    for (size_t i = 0; array && i < std::min(limit, array->elements().size()); ++i)
        out.push_back(m.toNumber(array->elements()[i]));
    return out;
}
void readGradient(Machine& m, Value o, swf::Filter& f) {
    const auto colors = numbers(m, o, u"colors", MaxGradientStops);
    const auto alphas = numbers(m, o, u"alphas", MaxGradientStops);
    const auto ratios = numbers(m, o, u"ratios", MaxGradientStops);
    const size_t n = std::min({colors.size(), alphas.size(), ratios.size()});
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = avm2::toUInt32(std::isfinite(colors[i]) ? colors[i] : 0);
        const double a = std::isfinite(alphas[i]) ? std::clamp(alphas[i], 0.0, 1.0) : 0.0;
        f.gradientColors.push_back({uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(std::lround(a * 255))});
        f.gradientRatios.push_back(uint8_t(std::isfinite(ratios[i]) ? std::clamp(ratios[i], 0.0, 255.0) : 0.0));
    }
}
void readType(Machine& m, Value o, swf::Filter& f) {
    const Value* type = o.asObject()->find(u"type");
    const std::u16string kind = type ? m.toString(*type)->text() : u"inner";
    f.inner = kind == u"inner";
    f.onTop = kind == u"full";
}

Value filterClone(Machine& m, Value t, std::span<const Value>) {
    const auto filter = readFilter(m, t);
    return filter ? newFilter(m, *filter) : Value::null();
}

const avm2::NativeMember FilterMethods[] = {{u"clone", filterClone}};

constexpr const char16_t* Filters = u"flash.filters";

const avm2::NativeConstant FilterQualities[] = {{u"LOW", 1}, {u"MEDIUM", 2}, {u"HIGH", 3}};
const avm2::NativeStringConstant FilterTypes[] = {{u"INNER", u"inner"}, {u"OUTER", u"outer"}, {u"FULL", u"full"}};

const avm2::CoreClassSpec Classes[] = {
    {.name = u"BitmapFilter", .base = u"Object", .package = Filters, .methods = FilterMethods},
    {.name = u"BlurFilter", .base = u"flash.filters.BitmapFilter", .init = blurInit, .package = Filters},
    {.name = u"GlowFilter", .base = u"flash.filters.BitmapFilter", .init = glowInit, .package = Filters},
    {.name = u"DropShadowFilter", .base = u"flash.filters.BitmapFilter", .init = shadowInit, .package = Filters},
    {.name = u"BevelFilter", .base = u"flash.filters.BitmapFilter", .init = bevelInit, .package = Filters},
    {.name = u"ColorMatrixFilter", .base = u"flash.filters.BitmapFilter", .init = colorMatrixInit, .package = Filters},
    {.name = u"GradientGlowFilter",
     .base = u"flash.filters.BitmapFilter",
     .init = gradientGlowInit,
     .package = Filters},
    {.name = u"GradientBevelFilter",
     .base = u"flash.filters.BitmapFilter",
     .init = gradientBevelInit,
     .package = Filters},
    {.name = u"ConvolutionFilter", .base = u"flash.filters.BitmapFilter", .init = convolutionInit, .package = Filters},
    staticsClass(Filters, u"BitmapFilterQuality", {.numbers = FilterQualities}),
    staticsClass(Filters, u"BitmapFilterType", {.strings = FilterTypes}),
};

Value construct(Machine& m, const char16_t* name, std::span<const Value> args) {
    return m.construct(Value::object(m.coreClass(Filters, name)), args);
}
Value rgb(swf::Rgba c) { return Value::number(double(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b)); }
Value alpha(swf::Rgba c) { return Value::number(c.a / 255.0); }
Value typeName(Machine& m, const swf::Filter& f) { return m.string(f.onTop ? u"full" : f.inner ? u"inner" : u"outer"); }

}  // namespace

std::optional<swf::Filter> readFilter(Machine& m, Value o) {
    const auto* state = o.isObject() ? o.asObject()->nativeAs<FilterKindState>() : nullptr;
    if (!state)
        return std::nullopt;
    swf::Filter f;
    f.kind = state->kind;
    f.compositeSource = true;
    f.strength = std::clamp(number(m, o, u"strength", 1), 0.0, 255.0);
    f.knockout = flag(o, u"knockout");
    switch (f.kind) {
    case swf::FilterKind::Blur:
        readBlur(m, o, f);
        break;
    case swf::FilterKind::Glow:
        f.color = rgba(m, o, u"color", u"alpha");
        readBlur(m, o, f);
        f.inner = flag(o, u"inner");
        break;
    case swf::FilterKind::DropShadow:
        readPlacement(m, o, f);
        f.color = rgba(m, o, u"color", u"alpha");
        readBlur(m, o, f);
        f.inner = flag(o, u"inner");
        f.compositeSource = !flag(o, u"hideObject");
        break;
    case swf::FilterKind::Bevel: {
        readPlacement(m, o, f);
        f.highlightColor = rgba(m, o, u"highlightColor", u"highlightAlpha");
        f.color = rgba(m, o, u"shadowColor", u"shadowAlpha");
        readBlur(m, o, f);
        readType(m, o, f);
        break;
    }
    case swf::FilterKind::GradientGlow:
    case swf::FilterKind::GradientBevel:
        readPlacement(m, o, f);
        readBlur(m, o, f);
        readType(m, o, f);
        readGradient(m, o, f);
        break;
    case swf::FilterKind::Convolution: {
        f.matrixX = uint8_t(std::clamp(number(m, o, u"matrixX", 0), 0.0, MaxConvolutionSide));
        f.matrixY = uint8_t(std::clamp(number(m, o, u"matrixY", 0), 0.0, MaxConvolutionSide));
        f.matrix.assign(size_t(f.matrixX) * f.matrixY, 0.0f);
        const auto given = numbers(m, o, u"matrix", f.matrix.size());
        for (size_t i = 0; i < given.size(); ++i)
            f.matrix[i] = std::isfinite(given[i]) ? float(given[i]) : 0.0f;
        f.divisor = float(number(m, o, u"divisor", 1));
        f.bias = float(number(m, o, u"bias", 0));
        f.preserveAlpha = flag(o, u"preserveAlpha");
        f.clamp = flag(o, u"clamp");
        f.color = rgba(m, o, u"color", u"alpha");
        break;
    }
    case swf::FilterKind::ColorMatrix: {
        f.matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
        const Value* matrix = o.asObject()->find(u"matrix");
        const auto* numbers =
            matrix && matrix->isObject() ? dynamic_cast<avm2::ArrayObject*>(matrix->asObject()) : nullptr;
        for (size_t i = 0; numbers && i < std::min<size_t>(20, numbers->elements().size()); ++i) {
            const double v = m.toNumber(numbers->elements()[i]);
            f.matrix[i] = std::isfinite(v) ? float(v) : 0.0f;
        }
        break;
    }
    default:
        return std::nullopt;
    }
    return f;
}

Value newFilter(Machine& m, const swf::Filter& f) {
    const auto num = [](double v) { return Value::number(v); };
    switch (f.kind) {
    case swf::FilterKind::Blur: {
        const Value args[] = {num(f.blurX), num(f.blurY), num(f.passes)};
        return construct(m, u"BlurFilter", args);
    }
    case swf::FilterKind::Glow: {
        const Value args[] = {rgb(f.color),
                              alpha(f.color),
                              num(f.blurX),
                              num(f.blurY),
                              num(f.strength),
                              num(f.passes),
                              Value::boolean(f.inner),
                              Value::boolean(f.knockout)};
        return construct(m, u"GlowFilter", args);
    }
    case swf::FilterKind::DropShadow: {
        const Value args[] = {num(f.distance),
                              num(f.angle * Degrees),
                              rgb(f.color),
                              alpha(f.color),
                              num(f.blurX),
                              num(f.blurY),
                              num(f.strength),
                              num(f.passes),
                              Value::boolean(f.inner),
                              Value::boolean(f.knockout),
                              Value::boolean(!f.compositeSource)};
        return construct(m, u"DropShadowFilter", args);
    }
    case swf::FilterKind::Bevel: {
        const Value args[] = {
            num(f.distance), num(f.angle * Degrees), rgb(f.highlightColor), alpha(f.highlightColor),
            rgb(f.color),    alpha(f.color),         num(f.blurX),          num(f.blurY),
            num(f.strength), num(f.passes),          typeName(m, f),        Value::boolean(f.knockout)};
        return construct(m, u"BevelFilter", args);
    }
    case swf::FilterKind::GradientGlow:
    case swf::FilterKind::GradientBevel: {
        std::vector<Value> colors;
        std::vector<Value> alphas;
        std::vector<Value> ratios;
        for (size_t i = 0; i < f.gradientColors.size(); ++i) {
            colors.push_back(rgb(f.gradientColors[i]));
            alphas.push_back(alpha(f.gradientColors[i]));
            ratios.push_back(num(i < f.gradientRatios.size() ? f.gradientRatios[i] : 0));
        }
        const Value args[] = {num(f.distance),
                              num(f.angle * Degrees),
                              Value::object(m.newArray(colors)),
                              Value::object(m.newArray(alphas)),
                              Value::object(m.newArray(ratios)),
                              num(f.blurX),
                              num(f.blurY),
                              num(f.strength),
                              num(f.passes),
                              typeName(m, f),
                              Value::boolean(f.knockout)};
        return construct(m, f.kind == swf::FilterKind::GradientGlow ? u"GradientGlowFilter" : u"GradientBevelFilter",
                         args);
    }
    case swf::FilterKind::Convolution: {
        std::vector<Value> matrix;
        for (float v : f.matrix)
            matrix.push_back(num(v));
        const Value args[] = {num(f.matrixX),          num(f.matrixY), Value::object(m.newArray(matrix)),
                              num(f.divisor),          num(f.bias),    Value::boolean(f.preserveAlpha),
                              Value::boolean(f.clamp), rgb(f.color),   alpha(f.color)};
        return construct(m, u"ConvolutionFilter", args);
    }
    case swf::FilterKind::ColorMatrix: {
        std::vector<Value> numbers;
        for (float v : f.matrix)
            numbers.push_back(num(v));
        const Value args[] = {Value::object(m.newArray(numbers))};
        return construct(m, u"ColorMatrixFilter", args);
    }
    default:
        return Value();
    }
}

std::span<const avm2::CoreClassSpec> filterClasses() { return Classes; }

}  // namespace as3
