// Flash 8 display properties and the flash.filters classes.
#include "script/display_styles.h"

#include "script/array_object.h"
#include "script/bitmap_object.h"
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

// The filter classes in the file's numbering of filter kinds, then the
// scripts' own.
constexpr std::u16string_view FilterNames[] = {u"DropShadowFilter",  u"BlurFilter",          u"GlowFilter",
                                               u"BevelFilter",       u"GradientGlowFilter",  u"ConvolutionFilter",
                                               u"ColorMatrixFilter", u"GradientBevelFilter", u"DisplacementMapFilter"};

std::array<Object*, std::size(FilterNames)>& filterProtos(Runtime& rt) { return rt.protos.filters; }

// DisplacementMapFilter's modes, in swf::DisplacementMode's order.
constexpr std::u16string_view DisplacementModes[] = {u"wrap", u"clamp", u"ignore", u"color"};

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

// The members of the filter classes. Each class lists its own in
// constructor order; reading, writing and the constructors all go by that
// one list. A colour is read with its alpha, a gradient's colours with its
// alphas and ratios.
enum class Member : uint8_t {
    Distance,
    Angle,
    Color,
    Alpha,
    HighlightColor,
    HighlightAlpha,
    ShadowColor,
    ShadowAlpha,
    BlurX,
    BlurY,
    Strength,
    Quality,
    Inner,
    Knockout,
    HideObject,
    Type,
    Colors,
    Alphas,
    Ratios,
    MatrixX,
    MatrixY,
    Matrix,
    Divisor,
    Bias,
    PreserveAlpha,
    Clamp,
    MapBitmap,
    MapPoint,
    ComponentX,
    ComponentY,
    ScaleX,
    ScaleY,
    Mode,
};

constexpr std::u16string_view MemberNames[] = {
    u"distance",      u"angle",       u"color",      u"alpha",    u"highlightColor", u"highlightAlpha",
    u"shadowColor",   u"shadowAlpha", u"blurX",      u"blurY",    u"strength",       u"quality",
    u"inner",         u"knockout",    u"hideObject", u"type",     u"colors",         u"alphas",
    u"ratios",        u"matrixX",     u"matrixY",    u"matrix",   u"divisor",        u"bias",
    u"preserveAlpha", u"clamp",       u"mapBitmap",  u"mapPoint", u"componentX",     u"componentY",
    u"scaleX",        u"scaleY",      u"mode"};

std::u16string_view nameOf(Member m) { return MemberNames[size_t(m)]; }

using M = Member;
constexpr Member DropShadowLayout[] = {M::Distance, M::Angle,   M::Color, M::Alpha,    M::BlurX,     M::BlurY,
                                       M::Strength, M::Quality, M::Inner, M::Knockout, M::HideObject};
constexpr Member BlurLayout[] = {M::BlurX, M::BlurY, M::Quality};
constexpr Member GlowLayout[] = {M::Color,    M::Alpha,   M::BlurX, M::BlurY,
                                 M::Strength, M::Quality, M::Inner, M::Knockout};
constexpr Member BevelLayout[] = {M::Distance,    M::Angle,       M::HighlightColor, M::HighlightAlpha,
                                  M::ShadowColor, M::ShadowAlpha, M::BlurX,          M::BlurY,
                                  M::Strength,    M::Quality,     M::Type,           M::Knockout};
constexpr Member GradientLayout[] = {M::Distance, M::Angle,    M::Colors,  M::Alphas, M::Ratios,  M::BlurX,
                                     M::BlurY,    M::Strength, M::Quality, M::Type,   M::Knockout};
constexpr Member ConvolutionLayout[] = {M::MatrixX,       M::MatrixY, M::Matrix, M::Divisor, M::Bias,
                                        M::PreserveAlpha, M::Clamp,   M::Color,  M::Alpha};
constexpr Member ColorMatrixLayout[] = {M::Matrix};
constexpr Member DisplacementLayout[] = {M::MapBitmap, M::MapPoint, M::ComponentX, M::ComponentY, M::ScaleX,
                                         M::ScaleY,    M::Mode,     M::Color,      M::Alpha};

std::span<const Member> layoutOf(swf::FilterKind kind) {
    switch (kind) {
    case swf::FilterKind::DropShadow:
        return DropShadowLayout;
    case swf::FilterKind::Blur:
        return BlurLayout;
    case swf::FilterKind::Glow:
        return GlowLayout;
    case swf::FilterKind::Bevel:
        return BevelLayout;
    case swf::FilterKind::GradientGlow:
    case swf::FilterKind::GradientBevel:
        return GradientLayout;
    case swf::FilterKind::Convolution:
        return ConvolutionLayout;
    case swf::FilterKind::DisplacementMap:
        return DisplacementLayout;
    case swf::FilterKind::ColorMatrix:
        break;
    }
    return ColorMatrixLayout;
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

// Reads one member into `f`, held to the range the player keeps it in.
void readMember(Runtime& rt, const Value& o, Member m, swf::Filter& f) {
    const double blur = f.kind == swf::FilterKind::Glow ? 6 : 4;
    switch (m) {
    case M::Distance:
        f.distance = num(rt, o, u"distance", 4);
        return;
    case M::Angle:
        f.angle = num(rt, o, u"angle", 45) / Degrees;
        return;
    case M::Color:
        f.color = rgba(rt, o, u"color", u"alpha",
                       f.kind == swf::FilterKind::Convolution || f.kind == swf::FilterKind::DisplacementMap ? 0 : 1);
        return;
    case M::HighlightColor:
        f.highlightColor = rgba(rt, o, u"highlightColor", u"highlightAlpha", 1);
        return;
    case M::ShadowColor:
        f.color = rgba(rt, o, u"shadowColor", u"shadowAlpha", 1);
        return;
    case M::BlurX:
        f.blurX = std::clamp(num(rt, o, u"blurX", blur), 0.0, 255.0);
        return;
    case M::BlurY:
        f.blurY = std::clamp(num(rt, o, u"blurY", blur), 0.0, 255.0);
        return;
    case M::Strength:
        f.strength = std::clamp(num(rt, o, u"strength", 1), 0.0, 255.0);
        return;
    case M::Quality:
        f.passes = uint8_t(std::clamp(num(rt, o, u"quality", 1), 0.0, 15.0));
        return;
    case M::Inner:
        f.inner = flag(rt, o, u"inner");
        return;
    case M::Knockout:
        f.knockout = flag(rt, o, u"knockout");
        return;
    case M::HideObject:
        f.compositeSource = !flag(rt, o, u"hideObject");
        return;
    case M::Type:
        readType(rt, o, f);
        return;
    case M::Colors:
        readGradient(rt, o, f);
        return;
    case M::MatrixX:
        f.matrixX = uint8_t(std::clamp(num(rt, o, u"matrixX", 0), 0.0, double(MaxConvolutionSide)));
        return;
    case M::MatrixY:
        f.matrixY = uint8_t(std::clamp(num(rt, o, u"matrixY", 0), 0.0, double(MaxConvolutionSide)));
        return;
    case M::Matrix: {
        // A colour matrix starts from the identity; a convolution from zeros of its size.
        const bool convolution = f.kind == swf::FilterKind::Convolution;
        const size_t size = convolution ? size_t(f.matrixX) * f.matrixY : 20;
        if (convolution)
            f.matrix.assign(size, 0.0f);
        else
            f.matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
        const auto values = readNumbers(rt, getMember(rt, o, u"matrix"), size);
        for (size_t i = 0; i < values.size(); ++i)
            f.matrix[i] = std::isfinite(values[i]) ? float(values[i]) : 0.0f;
        return;
    }
    case M::Divisor:
        f.divisor = float(num(rt, o, u"divisor", 1));
        return;
    case M::Bias:
        f.bias = float(num(rt, o, u"bias", 0));
        return;
    case M::PreserveAlpha:
        f.preserveAlpha = flag(rt, o, u"preserveAlpha");
        return;
    case M::Clamp:
        f.clamp = flag(rt, o, u"clamp");
        return;
    case M::MapBitmap:
        f.map = fillBitmapOf(getMember(rt, o, u"mapBitmap"));
        return;
    case M::MapPoint:
        if (const Value p = getMember(rt, o, u"mapPoint"); p.asObject()) {
            const swf::Point at = readPoint(rt, p);
            f.mapX = std::isfinite(at.x) ? at.x : 0.0;
            f.mapY = std::isfinite(at.y) ? at.y : 0.0;
        }
        return;
    case M::ComponentX:
        f.componentX = uint8_t(toInt32(rt, getMember(rt, o, u"componentX")));
        return;
    case M::ComponentY:
        f.componentY = uint8_t(toInt32(rt, getMember(rt, o, u"componentY")));
        return;
    case M::ScaleX:
        f.scaleX = num(rt, o, u"scaleX", 0);
        return;
    case M::ScaleY:
        f.scaleY = num(rt, o, u"scaleY", 0);
        return;
    case M::Mode: {
        // An unknown mode wraps, as the default does.
        const String mode = toString(rt, getMember(rt, o, u"mode"));
        const auto* found = std::find(std::begin(DisplacementModes), std::end(DisplacementModes), mode.view());
        f.mode = found == std::end(DisplacementModes) ? swf::DisplacementMode::Wrap
                                                      : swf::DisplacementMode(found - std::begin(DisplacementModes));
        return;
    }
    case M::Alpha:
    case M::HighlightAlpha:
    case M::ShadowAlpha:
    case M::Alphas:
    case M::Ratios:
        return;  // read with their colours
    }
}

Value memberValue(Runtime& rt, Member m, const swf::Filter& f) {
    switch (m) {
    case M::Distance:
        return Value(f.distance);
    case M::Angle:
        return Value(f.angle * Degrees);
    case M::Color:
    case M::ShadowColor:
        return rgbValue(f.color);
    case M::Alpha:
    case M::ShadowAlpha:
        return Value(f.color.a / 255.0);
    case M::HighlightColor:
        return rgbValue(f.highlightColor);
    case M::HighlightAlpha:
        return Value(f.highlightColor.a / 255.0);
    case M::BlurX:
        return Value(f.blurX);
    case M::BlurY:
        return Value(f.blurY);
    case M::Strength:
        return Value(f.strength);
    case M::Quality:
        return Value(double(f.passes));
    case M::Inner:
        return Value::fromBool(f.inner);
    case M::Knockout:
        return Value::fromBool(f.knockout);
    case M::HideObject:
        return Value::fromBool(!f.compositeSource);
    case M::Type:
        return typeName(rt, f);
    case M::MatrixX:
        return Value(double(f.matrixX));
    case M::MatrixY:
        return Value(double(f.matrixY));
    case M::Matrix:
        return numberArray(rt, std::vector<double>(f.matrix.begin(), f.matrix.end()));
    case M::Divisor:
        return Value(double(f.divisor));
    case M::Bias:
        return Value(double(f.bias));
    case M::PreserveAlpha:
        return Value::fromBool(f.preserveAlpha);
    case M::Clamp:
        return Value::fromBool(f.clamp);
    case M::MapBitmap:
        return sharedBitmap(rt, f.map);
    case M::MapPoint:
        return Value(newPoint(rt, f.mapX, f.mapY));
    case M::ComponentX:
        return Value(double(f.componentX));
    case M::ComponentY:
        return Value(double(f.componentY));
    case M::ScaleX:
        return Value(f.scaleX);
    case M::ScaleY:
        return Value(f.scaleY);
    case M::Mode:
        return Value(rt.makeString(DisplacementModes[size_t(f.mode) % std::size(DisplacementModes)]));
    case M::Colors:
    case M::Alphas:
    case M::Ratios:
        break;  // written together by writeGradient
    }
    return Value();
}

// Writes every member of the filter onto `o`.
void writeFilter(Runtime& rt, const Value& o, const swf::Filter& f) {
    for (const Member m : layoutOf(f.kind)) {
        if (m == M::Colors)
            writeGradient(rt, o, f);
        else if (m != M::Alphas && m != M::Ratios)
            put(rt, o, nameOf(m), memberValue(rt, m, f));
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
    if (Kind == swf::FilterKind::DisplacementMap)
        f.color = {0, 0, 0, 0};
    writeFilter(rt, self, f);
    const std::span<const Member> names = layoutOf(Kind);
    for (size_t i = 0; i < names.size() && i < args.size(); ++i) {
        if (!args[i].isUndefined())
            put(rt, self, nameOf(names[i]), args[i]);
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
    f.strength = 1;
    for (const Member m : layoutOf(*kind))
        readMember(rt, o, m, f);
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
    NativeFn ctors[] = {filterCtor<swf::FilterKind::DropShadow>,     filterCtor<swf::FilterKind::Blur>,
                        filterCtor<swf::FilterKind::Glow>,           filterCtor<swf::FilterKind::Bevel>,
                        filterCtor<swf::FilterKind::GradientGlow>,   filterCtor<swf::FilterKind::Convolution>,
                        filterCtor<swf::FilterKind::ColorMatrix>,    filterCtor<swf::FilterKind::GradientBevel>,
                        filterCtor<swf::FilterKind::DisplacementMap>};
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
