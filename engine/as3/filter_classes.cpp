#include "as3/filter_classes.h"

#include "as3/bitmap_classes.h"
#include "as3/geom_values.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"
#include "avm2/object.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

// The kind of a filter instance, and the one setting held off the
// instance's properties because its setter checks it (a displacement's mode).
struct FilterKindState final : avm2::NativeState {
    swf::FilterKind kind = swf::FilterKind::Blur;
    std::u16string mode;
};

constexpr double Degrees = 180.0 / std::numbers::pi;

enum class Kind : uint8_t { Number, Flag, Text, Array, Bitmap, Point, Mode };

// One constructor parameter: its property and default.
struct Parameter {
    const char16_t* name;
    double number = 0;  // the default of numbers and flags
    Kind kind = Kind::Number;
    const char16_t* text = nullptr;  // the default of strings and modes
};

constexpr Parameter flagOf(const char16_t* name, bool on) { return {name, on ? 1.0 : 0.0, Kind::Flag}; }
constexpr Parameter textOf(const char16_t* name, const char16_t* text) { return {name, 0, Kind::Text, text}; }
constexpr Parameter arrayOf(const char16_t* name) { return {name, 0, Kind::Array}; }

constexpr Parameter BlurParameters[] = {{u"blurX", 4}, {u"blurY", 4}, {u"quality", 1}};
constexpr Parameter GlowParameters[] = {
    {u"color", 0xFF0000}, {u"alpha", 1},   {u"blurX", 6},           {u"blurY", 6},
    {u"strength", 2},     {u"quality", 1}, flagOf(u"inner", false), flagOf(u"knockout", false)};
constexpr Parameter ShadowParameters[] = {{u"distance", 4},
                                          {u"angle", 45},
                                          {u"color", 0},
                                          {u"alpha", 1},
                                          {u"blurX", 4},
                                          {u"blurY", 4},
                                          {u"strength", 1},
                                          {u"quality", 1},
                                          flagOf(u"inner", false),
                                          flagOf(u"knockout", false),
                                          flagOf(u"hideObject", false)};
constexpr Parameter BevelParameters[] = {{u"distance", 4},
                                         {u"angle", 45},
                                         {u"highlightColor", 0xFFFFFF},
                                         {u"highlightAlpha", 1},
                                         {u"shadowColor", 0},
                                         {u"shadowAlpha", 1},
                                         {u"blurX", 4},
                                         {u"blurY", 4},
                                         {u"strength", 1},
                                         {u"quality", 1},
                                         textOf(u"type", u"inner"),
                                         flagOf(u"knockout", false)};
constexpr Parameter GradientParameters[] = {{u"distance", 4},
                                            {u"angle", 45},
                                            arrayOf(u"colors"),
                                            arrayOf(u"alphas"),
                                            arrayOf(u"ratios"),
                                            {u"blurX", 4},
                                            {u"blurY", 4},
                                            {u"strength", 1},
                                            {u"quality", 1},
                                            textOf(u"type", u"inner"),
                                            flagOf(u"knockout", false)};
constexpr Parameter ConvolutionParameters[] = {{u"matrixX", 0},        {u"matrixY", 0}, arrayOf(u"matrix"),
                                               {u"divisor", 1},        {u"bias", 0},    flagOf(u"preserveAlpha", true),
                                               flagOf(u"clamp", true), {u"color", 0},   {u"alpha", 0}};
constexpr Parameter DisplacementParameters[] = {{u"mapBitmap", 0, Kind::Bitmap},
                                                {u"mapPoint", 0, Kind::Point},
                                                {u"componentX", 0},
                                                {u"componentY", 0},
                                                {u"scaleX", 0},
                                                {u"scaleY", 0},
                                                {u"mode", 0, Kind::Mode, u"wrap"},
                                                {u"color", 0},
                                                {u"alpha", 0}};

// DisplacementMapFilterMode, in swf::DisplacementMode's order.
constexpr const char16_t* DisplacementModes[] = {u"wrap", u"clamp", u"ignore", u"color"};

// The filter classes made from parameter tables (ColorMatrixFilter's one
// array is built apart).
struct FilterClass {
    const char16_t* name;
    swf::FilterKind kind;
    std::span<const Parameter> parameters;
};

constexpr FilterClass TableClasses[] = {
    {u"BlurFilter", swf::FilterKind::Blur, BlurParameters},
    {u"GlowFilter", swf::FilterKind::Glow, GlowParameters},
    {u"DropShadowFilter", swf::FilterKind::DropShadow, ShadowParameters},
    {u"BevelFilter", swf::FilterKind::Bevel, BevelParameters},
    {u"GradientGlowFilter", swf::FilterKind::GradientGlow, GradientParameters},
    {u"GradientBevelFilter", swf::FilterKind::GradientBevel, GradientParameters},
    {u"ConvolutionFilter", swf::FilterKind::Convolution, ConvolutionParameters},
    {u"DisplacementMapFilter", swf::FilterKind::DisplacementMap, DisplacementParameters},
};

// Gradient stops and convolution sides past these are not drawn.
constexpr size_t MaxGradientStops = 16;
constexpr double MaxConvolutionSide = 15;

FilterKindState& kindState(Machine& m, Value t) {
    auto* state = t.isObject() ? t.asObject()->nativeAs<FilterKindState>() : nullptr;
    if (!state)
        m.throwError("TypeError", 1034, u"Type Coercion failed: the receiver is no filter.");
    return *state;
}

std::u16string checkedMode(Machine& m, Value v, const char16_t* name) {
    const std::u16string text = m.toString(v)->text();
    if (std::find(std::begin(DisplacementModes), std::end(DisplacementModes), text) == std::end(DisplacementModes))
        m.throwError("ArgumentError", 2008,
                     u"Parameter " + std::u16string(name) + u" must be one of the accepted values.");
    return text;
}

Value checkedBitmap(Machine& m, Value v) {
    if (v.isNullish())
        return Value::null();
    if (!isBitmapData(v))
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.display.BitmapData.");
    return v;
}

template <size_t I>
Value tableInit(Machine& m, Value t, std::span<const Value> args) {
    const FilterClass& c = TableClasses[I];
    avm2::Object* o = t.asObject();
    auto state = std::make_unique<FilterKindState>();
    state->kind = c.kind;
    for (size_t i = 0; i < c.parameters.size(); ++i) {
        const Parameter& p = c.parameters[i];
        const bool given = i < args.size() && !args[i].isUndefined();
        Value v;
        switch (p.kind) {
        case Kind::Number:
            v = Value::number(given ? m.toNumber(args[i]) : p.number);
            break;
        case Kind::Flag:
            v = Value::boolean(given ? avm2::toBoolean(args[i]) : p.number != 0);
            break;
        case Kind::Text:
            v = given ? Value::string(m.toString(args[i])) : m.string(p.text);
            break;
        case Kind::Array:
            v = given ? args[i] : Value::null();
            break;
        case Kind::Bitmap:
            v = given ? checkedBitmap(m, args[i]) : Value::null();
            break;
        case Kind::Point:
            v = given && !args[i].isNullish() ? newPoint(m, numberOf(m, args[i], u"x"), numberOf(m, args[i], u"y"))
                                              : Value::null();
            break;
        case Kind::Mode:
            state->mode = given ? checkedMode(m, args[i], p.name) : std::u16string(p.text);
            continue;  // kept in the state, read through its accessor
        }
        o->setOwn(p.name, v);
    }
    o->setNativeState(std::move(state));
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

Value modeGet(Machine& m, Value t, std::span<const Value>) { return m.string(kindState(m, t).mode); }
Value modeSet(Machine& m, Value t, std::span<const Value> args) {
    kindState(m, t).mode = checkedMode(m, argument(args, 0), u"mode");
    return Value();
}

const avm2::NativeAccessor DisplacementAccessors[] = {{u"mode", modeGet, modeSet}};

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

const avm2::NativeStringConstant DisplacementModeNames[] = {
    {u"WRAP", u"wrap"}, {u"CLAMP", u"clamp"}, {u"IGNORE", u"ignore"}, {u"COLOR", u"color"}};

template <size_t... I>
std::vector<avm2::CoreClassSpec> makeClasses(std::index_sequence<I...>) {
    constexpr const char16_t* Base = u"flash.filters.BitmapFilter";
    std::vector<avm2::CoreClassSpec> classes{
        {.name = u"BitmapFilter", .base = u"Object", .package = Filters, .methods = FilterMethods}};
    (classes.push_back({.name = TableClasses[I].name,
                        .base = Base,
                        .init = tableInit<I>,
                        .package = Filters,
                        .accessors = TableClasses[I].kind == swf::FilterKind::DisplacementMap
                                         ? std::span<const avm2::NativeAccessor>(DisplacementAccessors)
                                         : std::span<const avm2::NativeAccessor>()}),
     ...);
    classes.push_back({.name = u"ColorMatrixFilter", .base = Base, .init = colorMatrixInit, .package = Filters});
    classes.push_back(staticsClass(Filters, u"BitmapFilterQuality", {.numbers = FilterQualities}));
    classes.push_back(staticsClass(Filters, u"BitmapFilterType", {.strings = FilterTypes}));
    classes.push_back(staticsClass(Filters, u"DisplacementMapFilterMode", {.strings = DisplacementModeNames}));
    return classes;
}

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
    case swf::FilterKind::DisplacementMap: {
        const Value* map = o.asObject()->find(u"mapBitmap");
        f.map = map ? fillBitmapOf(*map) : nullptr;
        const Value* point = o.asObject()->find(u"mapPoint");
        if (point && point->isObject()) {
            f.mapX = number(m, *point, u"x", 0);
            f.mapY = number(m, *point, u"y", 0);
        }
        f.componentX = uint8_t(avm2::toUInt32(number(m, o, u"componentX", 0)) & 0xFF);
        f.componentY = uint8_t(avm2::toUInt32(number(m, o, u"componentY", 0)) & 0xFF);
        f.scaleX = number(m, o, u"scaleX", 0);
        f.scaleY = number(m, o, u"scaleY", 0);
        const auto* mode = std::find(std::begin(DisplacementModes), std::end(DisplacementModes), state->mode);
        f.mode = mode == std::end(DisplacementModes) ? swf::DisplacementMode::Wrap
                                                     : swf::DisplacementMode(mode - std::begin(DisplacementModes));
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
    case swf::FilterKind::DisplacementMap: {
        const Value args[] = {f.map ? sharedBitmapData(m, f.map) : Value::null(),
                              newPoint(m, f.mapX, f.mapY),
                              num(f.componentX),
                              num(f.componentY),
                              num(f.scaleX),
                              num(f.scaleY),
                              m.string(DisplacementModes[size_t(f.mode) % std::size(DisplacementModes)]),
                              rgb(f.color),
                              alpha(f.color)};
        return construct(m, u"DisplacementMapFilter", args);
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

std::span<const avm2::CoreClassSpec> filterClasses() {
    static const std::vector<avm2::CoreClassSpec> classes =
        makeClasses(std::make_index_sequence<std::size(TableClasses)>());
    return classes;
}

}  // namespace as3
