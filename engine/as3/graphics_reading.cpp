// Graphics.readGraphicsData: the drawing back as IGraphicsData, one group per
// painted path in paint order, so that drawGraphicsData of the list draws the
// same: a fill path as its fill, a GraphicsPath and a GraphicsEndFill; a line
// path as its GraphicsStroke, a GraphicsPath and a stroke without thickness
// (no line). Closing edges become LINE_TO back to the contour's start. A
// bitmap fill gives a new BitmapData with a copy of the pixels.
#include "as3/graphics_paths.h"

#include "as3/geom_values.h"

#include "avm2/conversions.h"
#include "avm2/vector.h"

#include <cmath>

namespace as3 {

using avm2::Machine;
using avm2::Value;

namespace {

constexpr const char16_t* Display = u"flash.display";

Value make(Machine& m, const char16_t* name, std::initializer_list<Value> args) {
    return m.construct(Value::object(m.coreClass(Display, name)), std::span<const Value>(args.begin(), args.size()));
}

Value typedVector(Machine& m, const char16_t* package, const char16_t* element) {
    return avm2::newVectorOf(m, m.coreClass(package, element));
}

Value array(Machine& m, const std::vector<Value>& items) { return Value::object(m.newArray(items)); }

uint32_t rgb(const swf::Rgba& c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

// The pixels, unpremultiplied, in a BitmapData of their own; null when gone.
Value bitmapCopy(Machine& m, const model::FillBitmap* pixels) {
    if (!pixels || !pixels->pixels() || pixels->width() <= 0 || pixels->height() <= 0)
        return Value::null();
    const int32_t w = pixels->width(), h = pixels->height();
    const Value bitmap = m.construct(
        Value::object(m.coreClass(Display, u"BitmapData")),
        std::initializer_list<Value>{Value::fromInt(w), Value::fromInt(h), Value::boolean(true), Value::fromUInt(0)});
    Machine::Pin keepBitmap(m, bitmap);
    const Value values = typedVector(m, u"", u"uint");
    Machine::Pin keepValues(m, values);
    avm2::VectorObject* v = avm2::asVector(values);
    const size_t count = size_t(w) * size_t(h);
    avm2::resizeVector(m, v, count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = pixels->pixels()[i], a = p >> 24;
        auto channel = [&](int shift) { return a ? std::min(255u, ((p >> shift & 0xFF) * 255 + a / 2) / a) : 0u; };
        v->set(i, Value::fromUInt(a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0)));
    }
    const Value rect = newRectangle(m, 0, 0, w, h);
    Machine::Pin keepRect(m, rect);
    const Value args[] = {rect, values};
    (void)m.callMember(bitmap, u"setVector", args);
    return bitmap;
}

Value fillData(Machine& m, const swf::FillStyle& style, const model::FillBitmap* pixels) {
    switch (style.kind) {
    case swf::FillKind::Solid:
        return make(m, u"GraphicsSolidFill", {Value::fromUInt(rgb(style.color)), Value::number(style.color.a / 255.0)});
    case swf::FillKind::RepeatingBitmap:
    case swf::FillKind::ClippedBitmap: {
        const swf::Matrix& t = style.matrix;
        const Value matrix = newMatrix(m, {t.a / 20, t.b / 20, t.c / 20, t.d / 20, t.tx / 20, t.ty / 20});
        Machine::Pin keep(m, matrix);
        const Value bitmap = bitmapCopy(m, pixels);
        Machine::Pin keepBitmap(m, bitmap);
        return make(m, u"GraphicsBitmapFill",
                    {bitmap, matrix, Value::boolean(style.kind == swf::FillKind::RepeatingBitmap),
                     Value::boolean(style.smoothed)});
    }
    default:
        break;
    }
    std::vector<Value> colors, alphas, ratios;
    for (const swf::GradientStop& s : style.gradient.stops) {
        colors.push_back(Value::fromUInt(rgb(s.color)));
        alphas.push_back(Value::number(s.color.a / 255.0));
        ratios.push_back(Value::fromInt(s.ratio));
    }
    const Value parts[] = {array(m, colors), array(m, alphas), array(m, ratios), newMatrix(m, toPixels(style.matrix))};
    Machine::Pin keep0(m, parts[0]), keep1(m, parts[1]), keep2(m, parts[2]), keep3(m, parts[3]);
    const auto spread = style.gradient.spread;
    return make(m, u"GraphicsGradientFill",
                {m.string(style.kind == swf::FillKind::LinearGradient ? u"linear" : u"radial"), parts[0], parts[1],
                 parts[2], parts[3],
                 m.string(spread == swf::SpreadMode::Reflect  ? u"reflect"
                          : spread == swf::SpreadMode::Repeat ? u"repeat"
                                                              : u"pad"),
                 m.string(style.gradient.interpolation == swf::InterpolationMode::LinearRgb ? u"linearRGB" : u"rgb"),
                 Value::number(style.kind == swf::FillKind::FocalGradient ? style.gradient.focalPoint : 0)});
}

Value strokeData(Machine& m, const swf::LineStyle& line, const model::FillBitmap* pixels) {
    swf::FillStyle solid;
    solid.color = line.color;
    const Value fill = fillData(m, line.hasFill ? line.fill : solid, pixels);
    Machine::Pin keep(m, fill);
    const char16_t* scale = line.noHScale && line.noVScale ? u"none"
                            : line.noHScale                ? u"vertical"
                            : line.noVScale                ? u"horizontal"
                                                           : u"normal";
    const char16_t* caps = line.startCap == swf::CapStyle::None     ? u"none"
                           : line.startCap == swf::CapStyle::Square ? u"square"
                                                                    : u"round";
    const char16_t* joints = line.join == swf::JoinStyle::Bevel   ? u"bevel"
                             : line.join == swf::JoinStyle::Miter ? u"miter"
                                                                  : u"round";
    return make(m, u"GraphicsStroke",
                {Value::number(line.width / 20.0), Value::boolean(line.pixelHinting), m.string(scale), m.string(caps),
                 m.string(joints), Value::number(line.miterLimit), fill});
}

Value pathData(Machine& m, const swf::ShapePath& path) {
    const Value commandsValue = typedVector(m, u"", u"int");
    Machine::Pin keepCommands(m, commandsValue);
    const Value dataValue = typedVector(m, u"", u"Number");
    Machine::Pin keepData(m, dataValue);
    std::vector<int32_t> commands;
    std::vector<double> data;
    swf::Point start;
    for (const swf::PathCommand& c : path.path) {
        switch (c.verb) {
        case swf::PathVerb::MoveTo:
            start = c.to;
            commands.push_back(1);
            data.insert(data.end(), {c.to.x / 20, c.to.y / 20});
            break;
        case swf::PathVerb::LineTo:
            commands.push_back(2);
            data.insert(data.end(), {c.to.x / 20, c.to.y / 20});
            break;
        case swf::PathVerb::QuadTo:
            commands.push_back(3);
            data.insert(data.end(), {c.control.x / 20, c.control.y / 20, c.to.x / 20, c.to.y / 20});
            break;
        case swf::PathVerb::Close:
            commands.push_back(2);
            data.insert(data.end(), {start.x / 20, start.y / 20});
            break;
        }
    }
    avm2::VectorObject* cv = avm2::asVector(commandsValue);
    avm2::resizeVector(m, cv, commands.size());
    for (size_t i = 0; i < commands.size(); ++i)
        cv->set(i, Value::fromInt(commands[i]));
    avm2::VectorObject* dv = avm2::asVector(dataValue);
    avm2::resizeVector(m, dv, data.size());
    for (size_t i = 0; i < data.size(); ++i)
        dv->set(i, Value::number(data[i]));
    const bool nonZero = path.kind == swf::PaintKind::Fill && path.nonZeroWinding;
    return make(m, u"GraphicsPath", {commandsValue, dataValue, m.string(nonZero ? u"nonZero" : u"evenOdd")});
}

}  // namespace

// readGraphicsData(recurse = true): this drawing's; children are not looked
// at (a Graphics knows no children).
Value readGraphicsData(Machine& m, Value t, std::span<const Value>) {
    const model::Drawing& d = graphicsDrawing(m, t);
    const Value list = typedVector(m, Display, u"IGraphicsData");
    Machine::Pin keep(m, list);
    for (const swf::ShapePath& path : d.geometry().paths) {
        const bool fill = path.kind == swf::PaintKind::Fill;
        const auto& styles = d.styles();
        if (fill ? path.style >= styles.fillStyles.size() : path.style >= styles.lineStyles.size())
            continue;
        const Value style = fill ? fillData(m, styles.fillStyles[path.style], d.bitmapOf(path.style))
                                 : strokeData(m, styles.lineStyles[path.style], d.lineBitmapOf(path.style));
        Machine::Pin keepStyle(m, style);
        const Value shape = pathData(m, path);
        Machine::Pin keepShape(m, shape);
        const Value end = fill ? make(m, u"GraphicsEndFill", {}) : make(m, u"GraphicsStroke", {});
        Machine::Pin keepEnd(m, end);
        avm2::VectorObject* v = avm2::asVector(list);
        const size_t at = v->size();
        avm2::resizeVector(m, v, at + 3);
        v->set(at, style);
        v->set(at + 1, shape);
        v->set(at + 2, end);
    }
    return list;
}

}  // namespace as3
