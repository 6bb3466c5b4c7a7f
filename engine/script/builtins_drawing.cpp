// MovieClip's drawing methods: beginFill, beginGradientFill,
// beginBitmapFill, lineStyle, lineGradientStyle, moveTo, lineTo, curveTo,
// endFill and clear. They translate the script's arguments (pixels, percent
// alphas, style names) into the clip's model::Drawing (twips, 8-bit alpha).
// Calls with too few arguments do nothing, as the player ignores them.
#include "script/bitmap_object.h"
#include "script/builtins.h"
#include "script/geom_values.h"

#include "script/array_object.h"
#include "script/conversions.h"
#include "script/runtime.h"

#include "model/movie_clip.h"

#include <algorithm>
#include <cmath>

namespace script {

namespace {

// Gradients keep at most this many stops, as the format's fill styles do.
constexpr size_t MaxStops = 15;

model::Drawing* drawingOf(const Value& self) {
    auto* s = dynamic_cast<StageObject*>(self.asObject());
    model::MovieClip* clip = s ? s->clip() : nullptr;
    return clip ? &clip->drawing() : nullptr;
}

uint8_t alphaFromPercent(Runtime& rt, const Value& v) {
    if (v.isUndefined())
        return 255;
    const double percent = toNumber(rt, v);
    if (!std::isfinite(percent))
        return 0;
    return uint8_t(std::lround(std::clamp(percent, 0.0, 100.0) * 2.55));
}

swf::Rgba color(Runtime& rt, const Value& rgb, const Value& alpha) {
    const auto c = uint32_t(toInt32(rt, rgb));
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), alphaFromPercent(rt, alpha)};
}

// A script matrix (pixels) as a fill matrix (into the clip's twips).
swf::Matrix toTwips(const swf::Matrix& m, double unit) {
    return {m.a * unit, m.b * unit, m.c * unit, m.d * unit, m.tx * 20.0, m.ty * 20.0};
}

bool finite(const swf::Matrix& m) {
    return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
           std::isfinite(m.tx) && std::isfinite(m.ty);
}

// (type, colors, alphas, ratios, matrix, spreadMethod, interpolationMethod,
// focalPointRatio); none when the arguments do not make a gradient.
std::optional<swf::FillStyle> readGradient(Runtime& rt, std::span<const Value> args) {
    if (args.size() < 5)
        return std::nullopt;
    const String type = toString(rt, args[0]);
    const bool linear = type.view() == u"linear";
    if (!linear && type.view() != u"radial")
        return std::nullopt;
    auto* colors = dynamic_cast<ArrayObject*>(args[1].asObject());
    auto* alphas = dynamic_cast<ArrayObject*>(args[2].asObject());
    auto* ratios = dynamic_cast<ArrayObject*>(args[3].asObject());
    const auto matrix = readGradientMatrix(rt, args[4]);
    if (!colors || !alphas || !ratios || !matrix || !finite(*matrix) || colors->length() != alphas->length() ||
        colors->length() != ratios->length() || colors->length() == 0)
        return std::nullopt;
    swf::FillStyle style;
    style.kind = linear ? swf::FillKind::LinearGradient : swf::FillKind::RadialGradient;
    style.matrix = toTwips(*matrix, 1.0);  // the gradient square is in twips already
    const size_t count = std::min(colors->length(), MaxStops);
    for (size_t i = 0; i < count; ++i) {
        const double ratio = toNumber(rt, ratios->at(i));
        swf::GradientStop stop;
        stop.ratio = uint8_t(std::isfinite(ratio) ? std::clamp(std::lround(ratio), 0L, 255L) : 0);
        stop.color = color(rt, colors->at(i), alphas->at(i));
        style.gradient.stops.push_back(stop);
    }
    if (args.size() > 5) {
        const String spread = toString(rt, args[5]);
        if (spread.view() == u"reflect")
            style.gradient.spread = swf::SpreadMode::Reflect;
        else if (spread.view() == u"repeat")
            style.gradient.spread = swf::SpreadMode::Repeat;
    }
    if (args.size() > 6 && toString(rt, args[6]).view() == u"linearRGB")
        style.gradient.interpolation = swf::InterpolationMode::LinearRgb;
    if (args.size() > 7 && !linear) {
        const double focal = toNumber(rt, args[7]);
        if (std::isfinite(focal) && focal != 0.0) {
            style.kind = swf::FillKind::FocalGradient;
            style.gradient.focalPoint = std::clamp(focal, -1.0, 1.0);
        }
    }
    return style;
}

Value beginFill(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (!d)
        return Value();
    if (arg(args, 0).isUndefined()) {
        d->endFill();
        return Value();
    }
    swf::FillStyle style;
    style.color = color(rt, args[0], arg(args, 1));
    d->beginFill(style);
    return Value();
}

Value beginGradientFill(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (!d)
        return Value();
    if (auto style = readGradient(rt, args))
        d->beginFill(*style);
    else
        d->endFill();
    return Value();
}

// beginBitmapFill(bitmap, matrix, repeat = true, smoothing = false).
Value beginBitmapFill(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    auto pixels = fillBitmapOf(arg(args, 0));
    if (!d || !pixels)
        return Value();
    swf::FillStyle style;
    style.kind = arg(args, 2).isUndefined() || toBoolean(rt, args[2]) ? swf::FillKind::RepeatingBitmap
                                                                      : swf::FillKind::ClippedBitmap;
    style.smoothed = toBoolean(rt, arg(args, 3));
    swf::Matrix m;
    if (arg(args, 1).asObject())
        m = readMatrix(rt, args[1]);
    if (!finite(m))
        return Value();
    style.matrix = toTwips(m, 20.0);  // one bitmap pixel is one pixel of the clip
    d->beginFill(style, std::move(pixels));
    return Value();
}

// lineStyle(thickness, rgb, alpha, pixelHinting, noScale, capsStyle,
// jointStyle, miterLimit); no thickness: no line.
Value lineStyle(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (!d)
        return Value();
    if (arg(args, 0).isUndefined()) {
        d->lineStyle(std::nullopt);
        return Value();
    }
    swf::LineStyle style;
    const double thickness = toNumber(rt, args[0]);
    style.width = uint16_t(std::isfinite(thickness) ? std::lround(std::clamp(thickness, 0.0, 255.0) * 20.0) : 0);
    style.color = color(rt, arg(args, 1), arg(args, 2));
    style.pixelHinting = toBoolean(rt, arg(args, 3));
    if (args.size() > 4) {
        const String scale = toString(rt, args[4]);
        style.noHScale = scale.view() == u"none" || scale.view() == u"horizontal";
        style.noVScale = scale.view() == u"none" || scale.view() == u"vertical";
    }
    if (args.size() > 5) {
        const String caps = toString(rt, args[5]);
        style.startCap = caps.view() == u"none"     ? swf::CapStyle::None
                         : caps.view() == u"square" ? swf::CapStyle::Square
                                                    : swf::CapStyle::Round;
        style.endCap = style.startCap;
    }
    if (args.size() > 6) {
        const String joints = toString(rt, args[6]);
        style.join = joints.view() == u"miter"   ? swf::JoinStyle::Miter
                     : joints.view() == u"bevel" ? swf::JoinStyle::Bevel
                                                 : swf::JoinStyle::Round;
    }
    if (args.size() > 7) {
        const double limit = toNumber(rt, args[7]);
        style.miterLimit = std::isfinite(limit) ? std::clamp(limit, 1.0, 255.0) : 3.0;
    }
    d->lineStyle(style);
    return Value();
}

Value lineGradientStyle(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (!d)
        return Value();
    if (auto style = readGradient(rt, args))
        d->lineGradientStyle(*style);
    return Value();
}

Value moveTo(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (d && args.size() >= 2)
        d->moveTo(toNumber(rt, args[0]) * 20.0, toNumber(rt, args[1]) * 20.0);
    return Value();
}

Value lineTo(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (d && args.size() >= 2)
        d->lineTo(toNumber(rt, args[0]) * 20.0, toNumber(rt, args[1]) * 20.0);
    return Value();
}

Value curveTo(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::Drawing* d = drawingOf(self);
    if (d && args.size() >= 4)
        d->curveTo(toNumber(rt, args[0]) * 20.0, toNumber(rt, args[1]) * 20.0, toNumber(rt, args[2]) * 20.0,
                   toNumber(rt, args[3]) * 20.0);
    return Value();
}

Value endFill(Runtime&, const Value& self, std::span<const Value>) {
    if (model::Drawing* d = drawingOf(self))
        d->endFill();
    return Value();
}

Value clear(Runtime&, const Value& self, std::span<const Value>) {
    if (model::Drawing* d = drawingOf(self))
        d->clear();
    return Value();
}

}  // namespace

void installDrawing(Runtime& rt) {
    const struct {
        std::u16string_view name;
        NativeFn fn;
    } methods[] = {
        {u"beginFill", beginFill},
        {u"beginGradientFill", beginGradientFill},
        {u"beginBitmapFill", beginBitmapFill},
        {u"lineStyle", lineStyle},
        {u"lineGradientStyle", lineGradientStyle},
        {u"moveTo", moveTo},
        {u"lineTo", lineTo},
        {u"curveTo", curveTo},
        {u"endFill", endFill},
        {u"clear", clear},
    };
    for (const auto& m : methods)
        rt.defineMethod(rt.protos.movieClip, m.name, m.fn);
}

}  // namespace script
