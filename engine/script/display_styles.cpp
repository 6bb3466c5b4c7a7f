// Flash 8 display properties and the flash.filters classes.
#include "script/display_styles.h"

#include "script/array_object.h"
#include "script/builtins.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/geom_values.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace script {

namespace {

constexpr std::u16string_view BlendNames[] = {u"normal", u"layer",      u"multiply", u"screen",   u"lighten",
                                              u"darken", u"difference", u"add",      u"subtract", u"invert",
                                              u"alpha",  u"erase",      u"overlay",  u"hardlight"};

// The filter classes in the file's numbering of filter kinds.
constexpr std::u16string_view FilterNames[] = {u"DropShadowFilter",  u"BlurFilter",         u"GlowFilter",
                                               u"BevelFilter",       u"GradientGlowFilter", u"ConvolutionFilter",
                                               u"ColorMatrixFilter", u"GradientBevelFilter"};

std::array<Object*, 8>& filterProtos(Runtime& rt) { return rt.protos.filters; }

constexpr double Degrees = 180.0 / std::numbers::pi;
constexpr size_t MaxGradientStops = 16;
constexpr size_t MaxConvolutionSide = 15;

double num(Runtime& rt, const Value& o, std::u16string_view name, double fallback) {
    const Value v = getMember(rt, o, name);
    if (v.isUndefined())
        return fallback;
    const double d = toNumber(rt, v);
    return std::isfinite(d) ? d : fallback;
}

bool flag(Runtime& rt, const Value& o, std::u16string_view name) { return toBoolean(rt, getMember(rt, o, name)); }

void put(Runtime& rt, const Value& o, std::u16string_view name, const Value& v) { setMember(rt, o, name, v); }

swf::Rgba rgba(Runtime& rt, const Value& o, std::u16string_view color, std::u16string_view alpha, double alphaDefault) {
    const auto c = uint32_t(toInt32(rt, getMember(rt, o, color)));
    const double a = std::clamp(num(rt, o, alpha, alphaDefault), 0.0, 1.0);
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(std::lround(a * 255.0))};
}

Value rgbValue(swf::Rgba c) { return Value(double(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b)); }

Value numberArray(Runtime& rt, const std::vector<double>& values) {
    std::vector<Value> out;
    out.reserve(values.size());
    for (double v : values)
        out.emplace_back(v);
    return Value(rt.newArray(std::move(out)));
}

std::vector<double> readNumbers(Runtime& rt, const Value& v, size_t max) {
    std::vector<double> out;
    auto* list = dynamic_cast<ArrayObject*>(v.asObject());
    if (!list)
        return out;
    for (size_t i = 0; i < std::min(list->length(), max); ++i)
        out.push_back(toNumber(rt, list->at(i)));
    return out;
}

// The member layout of each class, shared by reading and writing.
void readBlur(Runtime& rt, const Value& o, swf::Filter& f, double blur) {
    f.blurX = std::clamp(num(rt, o, u"blurX", blur), 0.0, 255.0);
    f.blurY = std::clamp(num(rt, o, u"blurY", blur), 0.0, 255.0);
    f.passes = uint8_t(std::clamp(num(rt, o, u"quality", 1), 0.0, 15.0));
}

void readShadowPlacement(Runtime& rt, const Value& o, swf::Filter& f) {
    f.distance = num(rt, o, u"distance", 4);
    f.angle = num(rt, o, u"angle", 45) / Degrees;
}

// Bevels and gradient filters: "inner", "outer" or "full".
void readType(Runtime& rt, const Value& o, swf::Filter& f) {
    const String type = toString(rt, getMember(rt, o, u"type"));
    f.inner = type.view() == u"inner" || getMember(rt, o, u"type").isUndefined();
    f.onTop = type.view() == u"full";
}

void readGradient(Runtime& rt, const Value& o, swf::Filter& f) {
    const auto colors = readNumbers(rt, getMember(rt, o, u"colors"), MaxGradientStops);
    const auto alphas = readNumbers(rt, getMember(rt, o, u"alphas"), MaxGradientStops);
    const auto ratios = readNumbers(rt, getMember(rt, o, u"ratios"), MaxGradientStops);
    const size_t n = std::min({colors.size(), alphas.size(), ratios.size()});
    for (size_t i = 0; i < n; ++i) {
        const auto c = std::isfinite(colors[i]) ? uint32_t(int64_t(colors[i])) : 0u;
        const double a = std::isfinite(alphas[i]) ? std::clamp(alphas[i], 0.0, 1.0) : 0.0;
        f.gradientColors.push_back({uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(std::lround(a * 255))});
        f.gradientRatios.push_back(uint8_t(std::isfinite(ratios[i]) ? std::clamp(ratios[i], 0.0, 255.0) : 0.0));
    }
}

void writeGradient(Runtime& rt, const Value& o, const swf::Filter& f) {
    std::vector<double> colors;
    std::vector<double> alphas;
    std::vector<double> ratios;
    for (size_t i = 0; i < f.gradientColors.size(); ++i) {
        const swf::Rgba c = f.gradientColors[i];
        colors.push_back(double(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b));
        alphas.push_back(c.a / 255.0);
        ratios.push_back(i < f.gradientRatios.size() ? f.gradientRatios[i] : 0);
    }
    put(rt, o, u"colors", numberArray(rt, colors));
    put(rt, o, u"alphas", numberArray(rt, alphas));
    put(rt, o, u"ratios", numberArray(rt, ratios));
}

Value typeName(Runtime& rt, const swf::Filter& f) {
    return Value(rt.makeString(f.onTop ? u"full" : f.inner ? u"inner" : u"outer"));
}

// Writes every member of the filter onto `o`.
void writeFilter(Runtime& rt, const Value& o, const swf::Filter& f) {
    auto n = [&](std::u16string_view name, double v) { put(rt, o, name, Value(v)); };
    auto b = [&](std::u16string_view name, bool v) { put(rt, o, name, Value::fromBool(v)); };
    auto blur = [&] {
        n(u"blurX", f.blurX);
        n(u"blurY", f.blurY);
        n(u"quality", f.passes);
    };
    switch (f.kind) {
    case swf::FilterKind::DropShadow:
        n(u"distance", f.distance);
        n(u"angle", f.angle * Degrees);
        put(rt, o, u"color", rgbValue(f.color));
        n(u"alpha", f.color.a / 255.0);
        blur();
        n(u"strength", f.strength);
        b(u"inner", f.inner);
        b(u"knockout", f.knockout);
        b(u"hideObject", !f.compositeSource);
        return;
    case swf::FilterKind::Blur:
        blur();
        return;
    case swf::FilterKind::Glow:
        put(rt, o, u"color", rgbValue(f.color));
        n(u"alpha", f.color.a / 255.0);
        blur();
        n(u"strength", f.strength);
        b(u"inner", f.inner);
        b(u"knockout", f.knockout);
        return;
    case swf::FilterKind::Bevel:
        n(u"distance", f.distance);
        n(u"angle", f.angle * Degrees);
        put(rt, o, u"highlightColor", rgbValue(f.highlightColor));
        n(u"highlightAlpha", f.highlightColor.a / 255.0);
        put(rt, o, u"shadowColor", rgbValue(f.color));
        n(u"shadowAlpha", f.color.a / 255.0);
        blur();
        n(u"strength", f.strength);
        put(rt, o, u"type", typeName(rt, f));
        b(u"knockout", f.knockout);
        return;
    case swf::FilterKind::GradientGlow:
    case swf::FilterKind::GradientBevel:
        n(u"distance", f.distance);
        n(u"angle", f.angle * Degrees);
        writeGradient(rt, o, f);
        blur();
        n(u"strength", f.strength);
        put(rt, o, u"type", typeName(rt, f));
        b(u"knockout", f.knockout);
        return;
    case swf::FilterKind::Convolution: {
        n(u"matrixX", f.matrixX);
        n(u"matrixY", f.matrixY);
        put(rt, o, u"matrix", numberArray(rt, std::vector<double>(f.matrix.begin(), f.matrix.end())));
        n(u"divisor", f.divisor);
        n(u"bias", f.bias);
        b(u"preserveAlpha", f.preserveAlpha);
        b(u"clamp", f.clamp);
        put(rt, o, u"color", rgbValue(f.color));
        n(u"alpha", f.color.a / 255.0);
        return;
    }
    case swf::FilterKind::ColorMatrix:
        put(rt, o, u"matrix", numberArray(rt, std::vector<double>(f.matrix.begin(), f.matrix.end())));
        return;
    }
}

std::optional<swf::FilterKind> kindOf(Runtime& rt, const Value& v) {
    Object* o = v.asObject();
    if (!o)
        return std::nullopt;
    const auto& protos = filterProtos(rt);
    int hops = 0;
    for (Object* p = o->proto(); p && hops < 64; p = p->proto(), ++hops) {
        for (size_t k = 0; k < protos.size(); ++k) {
            if (protos[k] == p)
                return swf::FilterKind(k);
        }
    }
    return std::nullopt;
}

// new XFilter(args...): the arguments in the class's member order.
template <swf::FilterKind Kind>
Value filterCtor(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!self.asObject())
        return Value();
    // Default members first, then what was given, in constructor order.
    swf::Filter f;
    f.kind = Kind;
    f.compositeSource = true;
    f.passes = 1;
    f.blurX = f.blurY = Kind == swf::FilterKind::Glow ? 6 : 4;
    f.strength = Kind == swf::FilterKind::Glow ? 2 : 1;
    f.distance = 4;
    f.angle = 45 / Degrees;
    f.color = Kind == swf::FilterKind::Glow ? swf::Rgba{255, 0, 0, 255} : swf::Rgba{0, 0, 0, 255};
    f.highlightColor = {255, 255, 255, 255};
    f.inner = Kind == swf::FilterKind::Bevel || Kind == swf::FilterKind::GradientGlow ||
              Kind == swf::FilterKind::GradientBevel;
    if (Kind == swf::FilterKind::GradientGlow)
        f.inner = false;  // gradient glows default to outer
    if (Kind == swf::FilterKind::ColorMatrix)
        f.matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    if (Kind == swf::FilterKind::Convolution) {
        f.preserveAlpha = true;
        f.clamp = true;
        f.color = {0, 0, 0, 0};
    }
    writeFilter(rt, self, f);
    static constexpr std::u16string_view DropShadow[] = {u"distance", u"angle",    u"color",     u"alpha",
                                                         u"blurX",    u"blurY",    u"strength",  u"quality",
                                                         u"inner",    u"knockout", u"hideObject"};
    static constexpr std::u16string_view Blur[] = {u"blurX", u"blurY", u"quality"};
    static constexpr std::u16string_view Glow[] = {u"color",    u"alpha",   u"blurX", u"blurY",
                                                   u"strength", u"quality", u"inner", u"knockout"};
    static constexpr std::u16string_view Bevel[] = {
        u"distance", u"angle", u"highlightColor", u"highlightAlpha", u"shadowColor", u"shadowAlpha",
        u"blurX",    u"blurY", u"strength",       u"quality",        u"type",        u"knockout"};
    static constexpr std::u16string_view Gradient[] = {u"distance", u"angle", u"colors",  u"alphas",
                                                       u"ratios",   u"blurX", u"blurY",   u"strength",
                                                       u"quality",  u"type",  u"knockout"};
    static constexpr std::u16string_view Convolution[] = {u"matrixX",       u"matrixY", u"matrix", u"divisor", u"bias",
                                                          u"preserveAlpha", u"clamp",   u"color",  u"alpha"};
    static constexpr std::u16string_view ColorMatrix[] = {u"matrix"};
    std::span<const std::u16string_view> names;
    switch (Kind) {
    case swf::FilterKind::DropShadow:
        names = DropShadow;
        break;
    case swf::FilterKind::Blur:
        names = Blur;
        break;
    case swf::FilterKind::Glow:
        names = Glow;
        break;
    case swf::FilterKind::Bevel:
        names = Bevel;
        break;
    case swf::FilterKind::GradientGlow:
    case swf::FilterKind::GradientBevel:
        names = Gradient;
        break;
    case swf::FilterKind::Convolution:
        names = Convolution;
        break;
    case swf::FilterKind::ColorMatrix:
        names = ColorMatrix;
        break;
    }
    for (size_t i = 0; i < names.size() && i < args.size(); ++i) {
        if (!args[i].isUndefined())
            put(rt, self, names[i], args[i]);
    }
    return Value();
}

Value filterClone(Runtime& rt, const Value& self, std::span<const Value>) {
    const auto f = readFilter(rt, self);
    return f ? newFilter(rt, *f) : Value();
}

// --- the properties -------------------------------------------------------------

Value filtersValue(Runtime& rt, const model::DisplayObject& d) {
    std::vector<Value> out;
    if (const auto* filters = d.filters()) {
        for (const swf::Filter& f : *filters)
            out.push_back(newFilter(rt, f));
    }
    return Value(rt.newArray(std::move(out)));
}

void setFilters(Runtime& rt, model::DisplayObject& d, const Value& v) {
    std::vector<swf::Filter> filters;
    if (auto* list = dynamic_cast<ArrayObject*>(v.asObject())) {
        rt.chargeWork(list->length());
        for (size_t i = 0; i < list->length() && filters.size() < 64; ++i) {
            if (auto f = readFilter(rt, list->at(i)))
                filters.push_back(std::move(*f));
        }
    }
    d.setOwnFilters(std::move(filters));
}

// A Rectangle (any object with x, y, width and height) in twips; none for
// undefined, null, or a rectangle with members that are not finite.
std::optional<swf::Bounds> readWindow(Runtime& rt, const Value& v) {
    if (!v.asObject())
        return std::nullopt;
    const double x = toNumber(rt, getMember(rt, v, u"x"));
    const double y = toNumber(rt, getMember(rt, v, u"y"));
    const double w = toNumber(rt, getMember(rt, v, u"width"));
    const double h = toNumber(rt, getMember(rt, v, u"height"));
    // Past about 100 million pixels twips stop being exact; such a window is nonsense.
    constexpr double Limit = 1e8;
    for (double d : {x, y, w, h}) {
        if (!std::isfinite(d) || std::fabs(d) > Limit)
            return std::nullopt;
    }
    swf::Bounds b;
    b.add(swf::Point{x * 20.0, y * 20.0});
    b.add(swf::Point{(x + std::max(w, 0.0)) * 20.0, (y + std::max(h, 0.0)) * 20.0});
    return b;
}

Value windowValue(Runtime& rt, const std::optional<swf::Bounds>& b) {
    if (!b)
        return Value();
    return Value(
        newRectangle(rt, b->xMin / 20.0, b->yMin / 20.0, (b->xMax - b->xMin) / 20.0, (b->yMax - b->yMin) / 20.0));
}

}  // namespace

swf::BlendMode blendModeFromValue(Runtime& rt, const Value& v) {
    if (v.isNumber()) {
        const double n = v.asNumber();
        return n >= 1 && n <= 14 ? swf::BlendMode(int(n)) : swf::BlendMode::Normal;
    }
    const String name = toString(rt, v);
    for (size_t i = 0; i < std::size(BlendNames); ++i) {
        if (name.view() == BlendNames[i])
            return swf::BlendMode(i + 1);
    }
    return swf::BlendMode::Normal;
}

std::u16string_view blendModeName(swf::BlendMode mode) {
    const auto i = size_t(mode);
    return i >= 1 && i <= std::size(BlendNames) ? BlendNames[i - 1] : BlendNames[0];
}

std::optional<swf::Filter> readFilter(Runtime& rt, const Value& o) {
    const auto kind = kindOf(rt, o);
    if (!kind)
        return std::nullopt;
    swf::Filter f;
    f.kind = *kind;
    f.compositeSource = true;
    f.strength = std::clamp(num(rt, o, u"strength", 1), 0.0, 255.0);
    f.knockout = flag(rt, o, u"knockout");
    switch (*kind) {
    case swf::FilterKind::DropShadow:
        readShadowPlacement(rt, o, f);
        f.color = rgba(rt, o, u"color", u"alpha", 1);
        readBlur(rt, o, f, 4);
        f.inner = flag(rt, o, u"inner");
        f.compositeSource = !flag(rt, o, u"hideObject");
        break;
    case swf::FilterKind::Blur:
        readBlur(rt, o, f, 4);
        break;
    case swf::FilterKind::Glow:
        f.color = rgba(rt, o, u"color", u"alpha", 1);
        readBlur(rt, o, f, 6);
        f.inner = flag(rt, o, u"inner");
        break;
    case swf::FilterKind::Bevel:
        readShadowPlacement(rt, o, f);
        f.highlightColor = rgba(rt, o, u"highlightColor", u"highlightAlpha", 1);
        f.color = rgba(rt, o, u"shadowColor", u"shadowAlpha", 1);
        readBlur(rt, o, f, 4);
        readType(rt, o, f);
        break;
    case swf::FilterKind::GradientGlow:
    case swf::FilterKind::GradientBevel:
        readShadowPlacement(rt, o, f);
        readGradient(rt, o, f);
        readBlur(rt, o, f, 4);
        readType(rt, o, f);
        break;
    case swf::FilterKind::Convolution: {
        f.matrixX = uint8_t(std::clamp(num(rt, o, u"matrixX", 0), 0.0, double(MaxConvolutionSide)));
        f.matrixY = uint8_t(std::clamp(num(rt, o, u"matrixY", 0), 0.0, double(MaxConvolutionSide)));
        const auto m = readNumbers(rt, getMember(rt, o, u"matrix"), size_t(f.matrixX) * f.matrixY);
        f.matrix.assign(size_t(f.matrixX) * f.matrixY, 0.0f);
        for (size_t i = 0; i < m.size(); ++i)
            f.matrix[i] = std::isfinite(m[i]) ? float(m[i]) : 0.0f;
        f.divisor = float(num(rt, o, u"divisor", 1));
        f.bias = float(num(rt, o, u"bias", 0));
        f.preserveAlpha = flag(rt, o, u"preserveAlpha");
        f.clamp = flag(rt, o, u"clamp");
        f.color = rgba(rt, o, u"color", u"alpha", 0);
        break;
    }
    case swf::FilterKind::ColorMatrix: {
        const auto m = readNumbers(rt, getMember(rt, o, u"matrix"), 20);
        f.matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
        for (size_t i = 0; i < m.size(); ++i)
            f.matrix[i] = std::isfinite(m[i]) ? float(m[i]) : 0.0f;
        break;
    }
    }
    return f;
}

Value newFilter(Runtime& rt, const swf::Filter& filter) {
    Object* o = rt.newObject();
    o->setProto(filterProtos(rt)[size_t(filter.kind)]);
    writeFilter(rt, Value(o), filter);
    return Value(o);
}

std::optional<Value> getDisplayStyle(Runtime& rt, StageObject& object, std::u16string_view name) {
    model::DisplayObject* d = object.display();
    // Older movies may use these names for their own members.
    if (!d || rt.version < 8)
        return std::nullopt;
    if (name == u"filters")
        return filtersValue(rt, *d);
    if (name == u"blendMode")
        return Value(rt.makeString(blendModeName(d->blendMode())));
    if (name == u"cacheAsBitmap")
        return Value::fromBool(d->cacheAsBitmap());
    if (name == u"scale9Grid")
        return windowValue(rt, d->scaleGrid());
    if (name == u"scrollRect")
        return windowValue(rt, d->scrollRect());
    if (name == u"opaqueBackground") {
        const auto c = d->opaqueBackground();
        return c ? rgbValue(*c) : Value();
    }
    if (name == u"transform") {
        const Value self(&object);
        return construct(rt, getMember(rt, Value(rt.protos.transform), u"constructor"),
                         std::span<const Value>(&self, 1));
    }
    return std::nullopt;
}

bool setDisplayStyle(Runtime& rt, StageObject& object, std::u16string_view name, const Value& value) {
    model::DisplayObject* d = object.display();
    if (!d || rt.version < 8)
        return false;
    if (name == u"filters") {
        setFilters(rt, *d, value);
        return true;
    }
    if (name == u"blendMode") {
        d->setBlendMode(blendModeFromValue(rt, value));
        return true;
    }
    if (name == u"cacheAsBitmap") {
        d->setCacheAsBitmap(toBoolean(rt, value));
        return true;
    }
    if (name == u"scale9Grid") {
        // A grid without area turns slicing off, as none would.
        auto grid = readWindow(rt, value);
        if (grid && (grid->xMax <= grid->xMin || grid->yMax <= grid->yMin))
            grid.reset();
        d->setScaleGrid(grid);
        return true;
    }
    if (name == u"scrollRect") {
        d->setScrollRect(readWindow(rt, value));
        return true;
    }
    if (name == u"opaqueBackground") {
        std::optional<swf::Rgba> color;
        if (!value.isNullish()) {
            const auto c = uint32_t(toInt32(rt, value));
            color = swf::Rgba{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
        }
        d->setOpaqueBackground(color);
        return true;
    }
    if (name == u"transform") {
        // Assigning a Transform copies its matrix and colour transform.
        if (value.asObject()) {
            const Value matrix = getMember(rt, value, u"matrix");
            const Value color = getMember(rt, value, u"colorTransform");
            const Value self(&object);
            const Value mine = construct(rt, getMember(rt, Value(rt.protos.transform), u"constructor"),
                                         std::span<const Value>(&self, 1));
            if (matrix.asObject())
                setMember(rt, mine, u"matrix", matrix);
            if (color.asObject())
                setMember(rt, mine, u"colorTransform", color);
        }
        return true;
    }
    return false;
}

void installFilters(Runtime& rt) {
    Object* package = packageObject(rt, u"flash.filters");
    Object* base = rt.newObject();
    rt.defineMethod(base, u"clone", filterClone);
    NativeFn ctors[] = {filterCtor<swf::FilterKind::DropShadow>,   filterCtor<swf::FilterKind::Blur>,
                        filterCtor<swf::FilterKind::Glow>,         filterCtor<swf::FilterKind::Bevel>,
                        filterCtor<swf::FilterKind::GradientGlow>, filterCtor<swf::FilterKind::Convolution>,
                        filterCtor<swf::FilterKind::ColorMatrix>,  filterCtor<swf::FilterKind::GradientBevel>};
    auto& protos = filterProtos(rt);
    for (size_t k = 0; k < std::size(FilterNames); ++k) {
        Object* proto = rt.newObject();
        proto->setProto(base);
        NativeFunction* ctor = rt.newNative(ctors[k]);
        rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        rt.defineValue(proto, u"constructor", Value(ctor));
        rt.defineValue(package, FilterNames[k], Value(ctor), 0);
        protos[k] = proto;
    }
}

}  // namespace script
