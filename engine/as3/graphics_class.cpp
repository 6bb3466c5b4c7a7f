#include "as3/bitmap_classes.h"
#include "as3/display_state.h"
#include "as3/geom_values.h"
#include "as3/graphics_paths.h"
#include "as3/graphics_state.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"
#include "avm2/object.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct GraphicsState final : avm2::NativeState {
    Value owner;
    void trace(avm2::Tracer& tracer) const override { tracer.value(owner); }
};

model::Drawing& drawingOf(Machine& m, Value t) {
    auto* state = t.asObject()->nativeAs<GraphicsState>();
    model::MovieClip* clip = state ? displayOf(m, state->owner).clip() : nullptr;
    if (!clip)
        m.throwError("ArgumentError", 2012, u"Graphics$ class cannot be instantiated.");
    return clip->drawing();
}

double numberArg(Machine& m, std::span<const Value> args, size_t i, double otherwise) {
    return i < args.size() && !args[i].isUndefined() ? m.toNumber(args[i]) : otherwise;
}
double twipsArg(Machine& m, std::span<const Value> args, size_t i) { return numberArg(m, args, i, 0) * 20.0; }

swf::Rgba color(Machine& m, Value rgb, double alpha) {
    const uint32_t c = avm2::toUInt32(m.toNumber(rgb));
    const double a = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(std::lround(a * 255.0))};
}

const avm2::ArrayObject* arrayArg(std::span<const Value> args, size_t i) {
    return i < args.size() && args[i].isObject() ? dynamic_cast<const avm2::ArrayObject*>(args[i].asObject()) : nullptr;
}

// (type, colors, alphas, ratios, matrix, spreadMethod, interpolationMethod,
// focalPointRatio); none when the arguments make no gradient.
std::optional<swf::FillStyle> readGradient(Machine& m, std::span<const Value> args) {
    const std::u16string type = m.toString(argument(args, 0))->text();
    const bool linear = type == u"linear";
    if (!linear && type != u"radial")
        m.throwError("ArgumentError", 2008, u"Parameter type must be one of the accepted values.");
    const auto* colors = arrayArg(args, 1);
    const auto* alphas = arrayArg(args, 2);
    const auto* ratios = arrayArg(args, 3);
    if (!colors || !alphas || !ratios || colors->elements().empty())
        return std::nullopt;
    swf::FillStyle style;
    style.kind = linear ? swf::FillKind::LinearGradient : swf::FillKind::RadialGradient;
    // Without a matrix the gradient spans the square from 0, 0 to 100, 100.
    swf::Matrix box{100 / 1638.4, 0, 0, 100 / 1638.4, 50, 50};
    if (args.size() > 4 && args[4].isObject())
        box = readMatrix(m, args[4]);
    style.matrix = toTwips(box);
    if (!std::isfinite(style.matrix.a + style.matrix.b + style.matrix.c + style.matrix.d + style.matrix.tx +
                       style.matrix.ty))
        return std::nullopt;
    const size_t count =
        std::min({colors->elements().size(), alphas->elements().size(), ratios->elements().size(), size_t(15)});
    for (size_t i = 0; i < count; ++i) {
        const double ratio = m.toNumber(ratios->elements()[i]);
        swf::GradientStop stop;
        stop.ratio = uint8_t(std::isfinite(ratio) ? std::clamp(std::lround(ratio), 0L, 255L) : 0);
        stop.color = color(m, colors->elements()[i], m.toNumber(alphas->elements()[i]));
        style.gradient.stops.push_back(stop);
    }
    if (args.size() > 5) {
        const std::u16string spread = m.toString(args[5])->text();
        if (spread == u"reflect")
            style.gradient.spread = swf::SpreadMode::Reflect;
        else if (spread == u"repeat")
            style.gradient.spread = swf::SpreadMode::Repeat;
    }
    if (args.size() > 6 && m.toString(args[6])->text() == u"linearRGB")
        style.gradient.interpolation = swf::InterpolationMode::LinearRgb;
    const double focal = numberArg(m, args, 7, 0);
    if (!linear && std::isfinite(focal) && focal != 0.0) {
        style.kind = swf::FillKind::FocalGradient;
        style.gradient.focalPoint = std::clamp(focal, -1.0, 1.0);
    }
    return style;
}

Value beginFill(Machine& m, Value t, std::span<const Value> args) {
    swf::FillStyle style;
    style.color = color(m, argument(args, 0), numberArg(m, args, 1, 1));
    drawingOf(m, t).beginFill(style);
    return Value();
}
// (bitmap, matrix = null, repeat = true, smooth = false) of beginBitmapFill
// and lineBitmapStyle: one bitmap pixel is one pixel of the object unless
// the matrix says otherwise. None for a matrix that is not finite.
std::optional<swf::FillStyle> bitmapStyle(Machine& m, std::span<const Value> args,
                                          std::shared_ptr<const model::FillBitmap>& pixels) {
    if (argument(args, 0).isNullish())
        m.throwError("TypeError", 2007, u"Parameter bitmap must be non-null.");
    pixels = fillBitmapOf(args[0]);
    if (!pixels)
        m.throwError("ArgumentError", 2015, u"Invalid BitmapData.");
    swf::FillStyle style;
    style.kind = args.size() < 3 || args[2].isUndefined() || avm2::toBoolean(args[2]) ? swf::FillKind::RepeatingBitmap
                                                                                      : swf::FillKind::ClippedBitmap;
    style.smoothed = args.size() > 3 && avm2::toBoolean(args[3]);
    const swf::Matrix given = args.size() > 1 && args[1].isObject() ? readMatrix(m, args[1]) : swf::Matrix{};
    style.matrix = {given.a * 20, given.b * 20, given.c * 20, given.d * 20, given.tx * 20, given.ty * 20};
    if (!std::isfinite(style.matrix.a + style.matrix.b + style.matrix.c + style.matrix.d + style.matrix.tx +
                       style.matrix.ty))
        return std::nullopt;
    return style;
}

Value beginBitmapFill(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    std::shared_ptr<const model::FillBitmap> pixels;
    if (auto style = bitmapStyle(m, args, pixels))
        d.beginFill(*style, std::move(pixels));
    else
        d.endFill();
    return Value();
}

// lineBitmapStyle: the current line painted with the bitmap.
Value lineBitmapStyle(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    std::shared_ptr<const model::FillBitmap> pixels;
    if (auto style = bitmapStyle(m, args, pixels))
        d.lineGradientStyle(*style, std::move(pixels));
    return Value();
}

Value beginGradientFill(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    if (auto style = readGradient(m, args))
        d.beginFill(*style);
    else
        d.endFill();
    return Value();
}

// lineStyle(thickness = NaN, color = 0, alpha = 1, pixelHinting, scaleMode,
// caps, joints, miterLimit): a thickness that is no number draws no line.
Value lineStyle(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    const double thickness = numberArg(m, args, 0, std::nan(""));
    if (std::isnan(thickness)) {
        d.lineStyle(std::nullopt);
        return Value();
    }
    swf::LineStyle style;
    style.width = uint16_t(std::lround(std::clamp(thickness, 0.0, 255.0) * 20.0));
    style.color = color(m, argument(args, 1), numberArg(m, args, 2, 1));
    style.pixelHinting = avm2::toBoolean(argument(args, 3));
    if (args.size() > 4 && !args[4].isNullish()) {
        const std::u16string scale = m.toString(args[4])->text();
        style.noHScale = scale == u"none" || scale == u"horizontal";
        style.noVScale = scale == u"none" || scale == u"vertical";
    }
    if (args.size() > 5 && !args[5].isNullish()) {
        const std::u16string caps = m.toString(args[5])->text();
        style.startCap = caps == u"none"     ? swf::CapStyle::None
                         : caps == u"square" ? swf::CapStyle::Square
                                             : swf::CapStyle::Round;
        style.endCap = style.startCap;
    }
    if (args.size() > 6 && !args[6].isNullish()) {
        const std::u16string joints = m.toString(args[6])->text();
        style.join = joints == u"miter"   ? swf::JoinStyle::Miter
                     : joints == u"bevel" ? swf::JoinStyle::Bevel
                                          : swf::JoinStyle::Round;
    }
    const double limit = numberArg(m, args, 7, 3);
    style.miterLimit = std::isfinite(limit) ? std::clamp(limit, 1.0, 255.0) : 3.0;
    d.lineStyle(style);
    return Value();
}
Value lineGradientStyle(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    if (auto style = readGradient(m, args))
        d.lineGradientStyle(*style);
    return Value();
}

Value moveTo(Machine& m, Value t, std::span<const Value> args) {
    drawingOf(m, t).moveTo(twipsArg(m, args, 0), twipsArg(m, args, 1));
    return Value();
}
Value lineTo(Machine& m, Value t, std::span<const Value> args) {
    drawingOf(m, t).lineTo(twipsArg(m, args, 0), twipsArg(m, args, 1));
    return Value();
}
Value curveTo(Machine& m, Value t, std::span<const Value> args) {
    drawingOf(m, t).curveTo(twipsArg(m, args, 0), twipsArg(m, args, 1), twipsArg(m, args, 2), twipsArg(m, args, 3));
    return Value();
}
Value endFill(Machine& m, Value t, std::span<const Value>) {
    drawingOf(m, t).endFill();
    return Value();
}
Value clear(Machine& m, Value t, std::span<const Value>) {
    drawingOf(m, t).clear();
    return Value();
}

Value drawRect(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    const double x = twipsArg(m, args, 0), y = twipsArg(m, args, 1);
    const double w = twipsArg(m, args, 2), h = twipsArg(m, args, 3);
    d.moveTo(x, y);
    d.lineTo(x + w, y);
    d.lineTo(x + w, y + h);
    d.lineTo(x, y + h);
    d.lineTo(x, y);
    return Value();
}

// A quarter of an ellipse around (cx, cy) with radii rx, ry from angle a0 on,
// in two quadratic curves (close enough at a tenth of a percent).
void arc(model::Drawing& d, double cx, double cy, double rx, double ry, double a0) {
    constexpr double Step = std::numbers::pi / 4;
    const double k = 1.0 / std::cos(Step / 2);
    for (int i = 0; i < 2; ++i) {
        const double a = a0 + Step * i, mid = a + Step / 2, end = a + Step;
        d.curveTo(cx + rx * k * std::cos(mid), cy + ry * k * std::sin(mid), cx + rx * std::cos(end),
                  cy + ry * std::sin(end));
    }
}

void ellipse(model::Drawing& d, double cx, double cy, double rx, double ry) {
    d.moveTo(cx + rx, cy);
    for (int q = 0; q < 4; ++q)
        arc(d, cx, cy, rx, ry, q * std::numbers::pi / 2);
}

Value drawCircle(Machine& m, Value t, std::span<const Value> args) {
    const double r = twipsArg(m, args, 2);
    ellipse(drawingOf(m, t), twipsArg(m, args, 0), twipsArg(m, args, 1), r, r);
    return Value();
}
Value drawEllipse(Machine& m, Value t, std::span<const Value> args) {
    const double w = twipsArg(m, args, 2), h = twipsArg(m, args, 3);
    ellipse(drawingOf(m, t), twipsArg(m, args, 0) + w / 2, twipsArg(m, args, 1) + h / 2, w / 2, h / 2);
    return Value();
}
// drawRoundRect(x, y, width, height, ellipseWidth, ellipseHeight = ellipseWidth).
Value drawRoundRect(Machine& m, Value t, std::span<const Value> args) {
    model::Drawing& d = drawingOf(m, t);
    const double x = twipsArg(m, args, 0), y = twipsArg(m, args, 1);
    const double w = twipsArg(m, args, 2), h = twipsArg(m, args, 3);
    const double ew = twipsArg(m, args, 4);
    const double eh = numberArg(m, args, 5, std::nan("")) * 20.0;
    const double rx = std::clamp(std::abs(ew) / 2, 0.0, std::abs(w) / 2);
    const double ry = std::clamp(std::isnan(eh) ? std::abs(ew) / 2 : std::abs(eh) / 2, 0.0, std::abs(h) / 2);
    if (!(rx > 0) || !(ry > 0))
        return drawRect(m, t, args);
    constexpr double Quarter = std::numbers::pi / 2;
    d.moveTo(x + w, y + h - ry);
    arc(d, x + w - rx, y + h - ry, rx, ry, 0);
    d.lineTo(x + rx, y + h);
    arc(d, x + rx, y + h - ry, rx, ry, Quarter);
    d.lineTo(x, y + ry);
    arc(d, x + rx, y + ry, rx, ry, 2 * Quarter);
    d.lineTo(x + w - rx, y);
    arc(d, x + w - rx, y + ry, rx, ry, 3 * Quarter);
    d.lineTo(x + w, y + h - ry);
    return Value();
}

// Only graphicsOf() makes them.
Value graphicsInit(Machine& m, Value t, std::span<const Value>) {
    HostContext& ctx = hostContext(m);
    if (!ctx.graphicsOwner.isObject())
        m.throwError("ArgumentError", 2012, u"Graphics$ class cannot be instantiated.");
    auto state = std::make_unique<GraphicsState>();
    state->owner = ctx.graphicsOwner;
    ctx.graphicsOwner = Value();
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

const avm2::NativeMember OwnMethods[] = {
    {u"beginFill", beginFill},
    {u"beginBitmapFill", beginBitmapFill},
    {u"beginGradientFill", beginGradientFill},
    {u"lineStyle", lineStyle},
    {u"lineGradientStyle", lineGradientStyle},
    {u"lineBitmapStyle", lineBitmapStyle},
    {u"moveTo", moveTo},
    {u"lineTo", lineTo},
    {u"curveTo", curveTo},
    {u"endFill", endFill},
    {u"clear", clear},
    {u"drawRect", drawRect},
    {u"drawRoundRect", drawRoundRect},
    {u"drawCircle", drawCircle},
    {u"drawEllipse", drawEllipse},
};

// One table for the class: these and the path members.
const std::vector<avm2::NativeMember> Methods = joinedTables<avm2::NativeMember>({OwnMethods, graphicsPathMethods()});

const avm2::CoreClassSpec Classes[] = {
    sealedClass(u"flash.display", u"Graphics", u"Object", graphicsInit, {.methods = Methods}, true),
};

}  // namespace

model::Drawing& graphicsDrawing(Machine& m, Value graphics) {
    if (!graphics.isObject())
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    return drawingOf(m, graphics);
}

Value graphicsOf(Machine& m, Value displayObject) {
    DisplayState& d = displayOf(m, displayObject);
    if (!d.graphics.isObject()) {
        hostContext(m).graphicsOwner = displayObject;
        const Value g = m.construct(Value::object(m.coreClass(u"flash.display", u"Graphics")), {});
        displayOf(m, displayObject).graphics = g;
    }
    return displayOf(m, displayObject).graphics;
}

std::span<const avm2::CoreClassSpec> graphicsClasses() { return Classes; }

}  // namespace as3
