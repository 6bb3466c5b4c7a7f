// flash.geom: Point, Rectangle, Matrix, ColorTransform, Transform.
#include "as3/display_binding.h"
#include "as3/geom3d.h"
#include "as3/geom_values.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"

#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

double numberOf(Machine& m, Value object, const char16_t* name) {
    if (!object.isObject())
        return std::nan("");
    const Value* v = object.asObject()->find(name);
    return v ? m.toNumber(*v) : std::nan("");
}

namespace {

void put(Machine&, Value o, const char16_t* name, double v) { o.asObject()->setOwn(name, Value::number(v)); }

Value make(Machine& m, const char16_t* name, std::span<const Value> args) {
    return m.construct(Value::object(m.coreClass(u"flash.geom", name)), args);
}

double numberArg(Machine& m, std::span<const Value> args, size_t i, double otherwise) {
    return i < args.size() && !args[i].isUndefined() ? m.toNumber(args[i]) : otherwise;
}

void requireObject(Machine& m, Value v) {
    if (!v.isObject())
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
}

std::u16string num(double d) { return avm2::numberToString(d); }

// --- Point ----------------------------------------------------------------

Value pointInit(Machine& m, Value t, std::span<const Value> args) {
    put(m, t, u"x", numberArg(m, args, 0, 0));
    put(m, t, u"y", numberArg(m, args, 1, 0));
    return Value();
}
Value pointLength(Machine& m, Value t, std::span<const Value>) {
    return Value::number(std::hypot(numberOf(m, t, u"x"), numberOf(m, t, u"y")));
}
Value pointAdd(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    return newPoint(m, numberOf(m, t, u"x") + p.x, numberOf(m, t, u"y") + p.y);
}
Value pointSubtract(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    return newPoint(m, numberOf(m, t, u"x") - p.x, numberOf(m, t, u"y") - p.y);
}
Value pointClone(Machine& m, Value t, std::span<const Value>) {
    return newPoint(m, numberOf(m, t, u"x"), numberOf(m, t, u"y"));
}
Value pointEquals(Machine& m, Value t, std::span<const Value> args) {
    const Value o = argument(args, 0);
    return Value::boolean(o.isObject() && numberOf(m, t, u"x") == numberOf(m, o, u"x") &&
                          numberOf(m, t, u"y") == numberOf(m, o, u"y"));
}
Value pointOffset(Machine& m, Value t, std::span<const Value> args) {
    put(m, t, u"x", numberOf(m, t, u"x") + numberArg(m, args, 0, 0));
    put(m, t, u"y", numberOf(m, t, u"y") + numberArg(m, args, 1, 0));
    return Value();
}
Value pointNormalize(Machine& m, Value t, std::span<const Value> args) {
    const double x = numberOf(m, t, u"x"), y = numberOf(m, t, u"y"), length = std::hypot(x, y);
    if (length > 0) {
        const double k = numberArg(m, args, 0, 0) / length;
        put(m, t, u"x", x * k);
        put(m, t, u"y", y * k);
    }
    return Value();
}
Value pointToString(Machine& m, Value t, std::span<const Value>) {
    return m.string(u"(x=" + num(numberOf(m, t, u"x")) + u", y=" + num(numberOf(m, t, u"y")) + u")");
}
Value pointDistance(Machine& m, Value, std::span<const Value> args) {
    const swf::Point a = readPoint(m, argument(args, 0)), b = readPoint(m, argument(args, 1));
    return Value::number(std::hypot(a.x - b.x, a.y - b.y));
}
Value pointInterpolate(Machine& m, Value, std::span<const Value> args) {
    const swf::Point a = readPoint(m, argument(args, 0)), b = readPoint(m, argument(args, 1));
    const double f = numberArg(m, args, 2, 0);
    return newPoint(m, b.x + (a.x - b.x) * f, b.y + (a.y - b.y) * f);
}
Value pointPolar(Machine& m, Value, std::span<const Value> args) {
    const double length = numberArg(m, args, 0, 0), angle = numberArg(m, args, 1, 0);
    return newPoint(m, length * std::cos(angle), length * std::sin(angle));
}

const avm2::NativeMember PointMethods[] = {
    {u"add", pointAdd},       {u"subtract", pointSubtract},   {u"clone", pointClone},       {u"equals", pointEquals},
    {u"offset", pointOffset}, {u"normalize", pointNormalize}, {u"toString", pointToString},
};
const avm2::NativeMember PointStatics[] = {
    {u"distance", pointDistance}, {u"interpolate", pointInterpolate}, {u"polar", pointPolar}};
const avm2::NativeAccessor PointAccessors[] = {{u"length", pointLength}};

// --- Rectangle --------------------------------------------------------------

struct Box {
    double x, y, width, height;
    [[nodiscard]] double right() const { return x + width; }
    [[nodiscard]] double bottom() const { return y + height; }
    [[nodiscard]] bool isEmpty() const { return !(width > 0) || !(height > 0); }
};

Box boxOf(Machine& m, Value v) {
    requireObject(m, v);
    return {numberOf(m, v, u"x"), numberOf(m, v, u"y"), numberOf(m, v, u"width"), numberOf(m, v, u"height")};
}
void setBox(Machine& m, Value t, const Box& b) {
    put(m, t, u"x", b.x);
    put(m, t, u"y", b.y);
    put(m, t, u"width", b.width);
    put(m, t, u"height", b.height);
}
Value newBox(Machine& m, const Box& b) { return newRectangle(m, b.x, b.y, b.width, b.height); }

Value rectInit(Machine& m, Value t, std::span<const Value> args) {
    setBox(m, t,
           {numberArg(m, args, 0, 0), numberArg(m, args, 1, 0), numberArg(m, args, 2, 0), numberArg(m, args, 3, 0)});
    return Value();
}
Value rectLeft(Machine& m, Value t, std::span<const Value>) { return Value::number(boxOf(m, t).x); }
Value rectTop(Machine& m, Value t, std::span<const Value>) { return Value::number(boxOf(m, t).y); }
Value rectRight(Machine& m, Value t, std::span<const Value>) { return Value::number(boxOf(m, t).right()); }
Value rectBottom(Machine& m, Value t, std::span<const Value>) { return Value::number(boxOf(m, t).bottom()); }
// Moving an edge keeps the opposite one.
Value rectSetLeft(Machine& m, Value t, std::span<const Value> args) {
    Box b = boxOf(m, t);
    const double v = numberArg(m, args, 0, 0);
    b.width += b.x - v;
    b.x = v;
    setBox(m, t, b);
    return Value();
}
Value rectSetTop(Machine& m, Value t, std::span<const Value> args) {
    Box b = boxOf(m, t);
    const double v = numberArg(m, args, 0, 0);
    b.height += b.y - v;
    b.y = v;
    setBox(m, t, b);
    return Value();
}
Value rectSetRight(Machine& m, Value t, std::span<const Value> args) {
    Box b = boxOf(m, t);
    b.width = numberArg(m, args, 0, 0) - b.x;
    setBox(m, t, b);
    return Value();
}
Value rectSetBottom(Machine& m, Value t, std::span<const Value> args) {
    Box b = boxOf(m, t);
    b.height = numberArg(m, args, 0, 0) - b.y;
    setBox(m, t, b);
    return Value();
}
Value rectTopLeft(Machine& m, Value t, std::span<const Value>) {
    const Box b = boxOf(m, t);
    return newPoint(m, b.x, b.y);
}
Value rectBottomRight(Machine& m, Value t, std::span<const Value>) {
    const Box b = boxOf(m, t);
    return newPoint(m, b.right(), b.bottom());
}
Value rectSize(Machine& m, Value t, std::span<const Value>) {
    const Box b = boxOf(m, t);
    return newPoint(m, b.width, b.height);
}
Value rectClone(Machine& m, Value t, std::span<const Value>) { return newBox(m, boxOf(m, t)); }
Value rectIsEmpty(Machine& m, Value t, std::span<const Value>) { return Value::boolean(boxOf(m, t).isEmpty()); }
Value rectSetEmpty(Machine& m, Value t, std::span<const Value>) {
    setBox(m, t, {0, 0, 0, 0});
    return Value();
}
bool inside(const Box& b, double x, double y) { return x >= b.x && x < b.right() && y >= b.y && y < b.bottom(); }
Value rectContains(Machine& m, Value t, std::span<const Value> args) {
    return Value::boolean(inside(boxOf(m, t), numberArg(m, args, 0, 0), numberArg(m, args, 1, 0)));
}
Value rectContainsPoint(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    return Value::boolean(inside(boxOf(m, t), p.x, p.y));
}
Value rectContainsRect(Machine& m, Value t, std::span<const Value> args) {
    const Box a = boxOf(m, t), b = boxOf(m, argument(args, 0));
    return Value::boolean(!b.isEmpty() && b.x >= a.x && b.y >= a.y && b.right() <= a.right() &&
                          b.bottom() <= a.bottom());
}
Box intersection(const Box& a, const Box& b) {
    const double x = std::max(a.x, b.x), y = std::max(a.y, b.y);
    const double r = std::min(a.right(), b.right()), btm = std::min(a.bottom(), b.bottom());
    if (a.isEmpty() || b.isEmpty() || !(r > x) || !(btm > y))
        return {0, 0, 0, 0};
    return {x, y, r - x, btm - y};
}
Value rectIntersection(Machine& m, Value t, std::span<const Value> args) {
    return newBox(m, intersection(boxOf(m, t), boxOf(m, argument(args, 0))));
}
Value rectIntersects(Machine& m, Value t, std::span<const Value> args) {
    return Value::boolean(!intersection(boxOf(m, t), boxOf(m, argument(args, 0))).isEmpty());
}
Value rectUnion(Machine& m, Value t, std::span<const Value> args) {
    const Box a = boxOf(m, t), b = boxOf(m, argument(args, 0));
    if (a.isEmpty())
        return newBox(m, b);
    if (b.isEmpty())
        return newBox(m, a);
    const double x = std::min(a.x, b.x), y = std::min(a.y, b.y);
    return newBox(m, {x, y, std::max(a.right(), b.right()) - x, std::max(a.bottom(), b.bottom()) - y});
}
Value rectEquals(Machine& m, Value t, std::span<const Value> args) {
    const Value o = argument(args, 0);
    if (!o.isObject())
        return Value::boolean(false);
    const Box a = boxOf(m, t), b = boxOf(m, o);
    return Value::boolean(a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height);
}
Value rectOffset(Machine& m, Value t, std::span<const Value> args) {
    Box b = boxOf(m, t);
    b.x += numberArg(m, args, 0, 0);
    b.y += numberArg(m, args, 1, 0);
    setBox(m, t, b);
    return Value();
}
Value rectOffsetPoint(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    const Value moved[2] = {Value::number(p.x), Value::number(p.y)};
    return rectOffset(m, t, moved);
}
Value rectInflate(Machine& m, Value t, std::span<const Value> args) {
    Box b = boxOf(m, t);
    const double dx = numberArg(m, args, 0, 0), dy = numberArg(m, args, 1, 0);
    setBox(m, t, {b.x - dx, b.y - dy, b.width + 2 * dx, b.height + 2 * dy});
    return Value();
}
Value rectInflatePoint(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    const Value by[2] = {Value::number(p.x), Value::number(p.y)};
    return rectInflate(m, t, by);
}
Value rectToString(Machine& m, Value t, std::span<const Value>) {
    const Box b = boxOf(m, t);
    return m.string(u"(x=" + num(b.x) + u", y=" + num(b.y) + u", w=" + num(b.width) + u", h=" + num(b.height) + u")");
}

const avm2::NativeMember RectMethods[] = {
    {u"clone", rectClone},
    {u"isEmpty", rectIsEmpty},
    {u"setEmpty", rectSetEmpty},
    {u"contains", rectContains},
    {u"containsPoint", rectContainsPoint},
    {u"containsRect", rectContainsRect},
    {u"intersection", rectIntersection},
    {u"intersects", rectIntersects},
    {u"union", rectUnion},
    {u"equals", rectEquals},
    {u"offset", rectOffset},
    {u"offsetPoint", rectOffsetPoint},
    {u"inflate", rectInflate},
    {u"inflatePoint", rectInflatePoint},
    {u"toString", rectToString},
};
const avm2::NativeAccessor RectAccessors[] = {
    {u"left", rectLeft, rectSetLeft},
    {u"top", rectTop, rectSetTop},
    {u"right", rectRight, rectSetRight},
    {u"bottom", rectBottom, rectSetBottom},
    {u"topLeft", rectTopLeft},
    {u"bottomRight", rectBottomRight},
    {u"size", rectSize},
};

// --- Matrix -----------------------------------------------------------------

void setMatrix(Machine& m, Value t, const swf::Matrix& x) {
    put(m, t, u"a", x.a);
    put(m, t, u"b", x.b);
    put(m, t, u"c", x.c);
    put(m, t, u"d", x.d);
    put(m, t, u"tx", x.tx);
    put(m, t, u"ty", x.ty);
}

Value matrixInit(Machine& m, Value t, std::span<const Value> args) {
    setMatrix(m, t,
              {numberArg(m, args, 0, 1), numberArg(m, args, 1, 0), numberArg(m, args, 2, 0), numberArg(m, args, 3, 1),
               numberArg(m, args, 4, 0), numberArg(m, args, 5, 0)});
    return Value();
}
// Each operation applies after what the matrix already does.
void then(Machine& m, Value t, const swf::Matrix& next) { setMatrix(m, t, model::multiply(next, readMatrix(m, t))); }

Value matrixIdentity(Machine& m, Value t, std::span<const Value>) {
    setMatrix(m, t, {});
    return Value();
}
Value matrixTranslate(Machine& m, Value t, std::span<const Value> args) {
    then(m, t, swf::Matrix::translation(numberArg(m, args, 0, 0), numberArg(m, args, 1, 0)));
    return Value();
}
Value matrixScale(Machine& m, Value t, std::span<const Value> args) {
    then(m, t, {numberArg(m, args, 0, 1), 0, 0, numberArg(m, args, 1, 1), 0, 0});
    return Value();
}
swf::Matrix rotation(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c, s, -s, c, 0, 0};
}
Value matrixRotate(Machine& m, Value t, std::span<const Value> args) {
    then(m, t, rotation(numberArg(m, args, 0, 0)));
    return Value();
}
Value matrixConcat(Machine& m, Value t, std::span<const Value> args) {
    then(m, t, readMatrix(m, argument(args, 0)));
    return Value();
}
Value matrixInvert(Machine& m, Value t, std::span<const Value>) {
    // A singular matrix inverts to one that maps everything to the origin.
    setMatrix(m, t, model::invert(readMatrix(m, t)).value_or(swf::Matrix{0, 0, 0, 0, 0, 0}));
    return Value();
}
Value matrixCreateBox(Machine& m, Value t, std::span<const Value> args) {
    swf::Matrix x = rotation(numberArg(m, args, 2, 0));
    x = model::multiply(x, {numberArg(m, args, 0, 1), 0, 0, numberArg(m, args, 1, 1), 0, 0});
    x.tx = numberArg(m, args, 3, 0);
    x.ty = numberArg(m, args, 4, 0);
    setMatrix(m, t, x);
    return Value();
}
// The gradient square is 1638.4 pixels wide, centred on the origin.
Value matrixCreateGradientBox(Machine& m, Value t, std::span<const Value> args) {
    const double w = numberArg(m, args, 0, 0), h = numberArg(m, args, 1, 0);
    swf::Matrix x = model::multiply(rotation(numberArg(m, args, 2, 0)), {w / 1638.4, 0, 0, h / 1638.4, 0, 0});
    x.tx = numberArg(m, args, 3, 0) + w / 2;
    x.ty = numberArg(m, args, 4, 0) + h / 2;
    setMatrix(m, t, x);
    return Value();
}
Value matrixTransformPoint(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = model::apply(readMatrix(m, t), readPoint(m, argument(args, 0)));
    return newPoint(m, p.x, p.y);
}
Value matrixDeltaTransformPoint(Machine& m, Value t, std::span<const Value> args) {
    swf::Matrix x = readMatrix(m, t);
    x.tx = x.ty = 0;
    const swf::Point p = model::apply(x, readPoint(m, argument(args, 0)));
    return newPoint(m, p.x, p.y);
}
Value matrixClone(Machine& m, Value t, std::span<const Value>) { return newMatrix(m, readMatrix(m, t)); }
Value matrixToString(Machine& m, Value t, std::span<const Value>) {
    const swf::Matrix x = readMatrix(m, t);
    return m.string(u"(a=" + num(x.a) + u", b=" + num(x.b) + u", c=" + num(x.c) + u", d=" + num(x.d) + u", tx=" +
                    num(x.tx) + u", ty=" + num(x.ty) + u")");
}

const avm2::NativeMember MatrixMethods[] = {
    {u"identity", matrixIdentity},
    {u"translate", matrixTranslate},
    {u"scale", matrixScale},
    {u"rotate", matrixRotate},
    {u"concat", matrixConcat},
    {u"invert", matrixInvert},
    {u"createBox", matrixCreateBox},
    {u"createGradientBox", matrixCreateGradientBox},
    {u"transformPoint", matrixTransformPoint},
    {u"deltaTransformPoint", matrixDeltaTransformPoint},
    {u"clone", matrixClone},
    {u"toString", matrixToString},
};

// --- ColorTransform -----------------------------------------------------------

constexpr const char16_t* ColorNames[8] = {u"redMultiplier", u"greenMultiplier", u"blueMultiplier", u"alphaMultiplier",
                                           u"redOffset",     u"greenOffset",     u"blueOffset",     u"alphaOffset"};

Value colorInit(Machine& m, Value t, std::span<const Value> args) {
    for (size_t i = 0; i < 8; ++i)
        put(m, t, ColorNames[i], numberArg(m, args, i, i < 4 ? 1 : 0));
    return Value();
}
// color: the offsets of a solid colour, the multipliers 0.
Value colorGet(Machine& m, Value t, std::span<const Value>) {
    auto channel = [&](const char16_t* name) { return uint32_t(std::clamp(numberOf(m, t, name), 0.0, 255.0)) & 0xFF; };
    return Value::number(double(channel(u"redOffset") << 16 | channel(u"greenOffset") << 8 | channel(u"blueOffset")));
}
Value colorSet(Machine& m, Value t, std::span<const Value> args) {
    const uint32_t rgb = avm2::toUInt32(m.toNumber(argument(args, 0)));
    for (size_t i = 0; i < 3; ++i)
        put(m, t, ColorNames[i], 0);
    put(m, t, u"redOffset", double(rgb >> 16 & 0xFF));
    put(m, t, u"greenOffset", double(rgb >> 8 & 0xFF));
    put(m, t, u"blueOffset", double(rgb & 0xFF));
    return Value();
}
Value colorConcat(Machine& m, Value t, std::span<const Value> args) {
    const Value o = argument(args, 0);
    requireObject(m, o);
    for (size_t i = 0; i < 4; ++i) {
        const double mt = numberOf(m, t, ColorNames[i]);
        put(m, t, ColorNames[i + 4], numberOf(m, t, ColorNames[i + 4]) + mt * numberOf(m, o, ColorNames[i + 4]));
        put(m, t, ColorNames[i], mt * numberOf(m, o, ColorNames[i]));
    }
    return Value();
}
Value colorToString(Machine& m, Value t, std::span<const Value>) {
    std::u16string out = u"(";
    for (size_t i = 0; i < 8; ++i)
        out += std::u16string(i ? u", " : u"") + ColorNames[i] + u"=" + num(numberOf(m, t, ColorNames[i]));
    return m.string(out + u")");
}

const avm2::NativeMember ColorMethods[] = {{u"concat", colorConcat}, {u"toString", colorToString}};
const avm2::NativeAccessor ColorAccessors[] = {{u"color", colorGet, colorSet}};

// --- Transform --------------------------------------------------------------
// Reads and writes the display object's model transform; values given are copies.

struct TransformState final : avm2::NativeState {
    Value owner;
    void trace(avm2::Tracer& tracer) const override { tracer.value(owner); }
};

model::DisplayObject* ownerModel(Machine& m, Value t) {
    auto* state = t.asObject()->nativeAs<TransformState>();
    if (!state)
        m.throwError("ArgumentError", 2007, u"Parameter displayObject must be non-null.");
    return displayOf(m, state->owner).object.get();
}

Value transformInit(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<TransformState>();
    state->owner = argument(args, 0);
    (void)displayOf(m, state->owner);
    t.asObject()->setNativeState(std::move(state));
    return Value();
}
// Null while the object is placed in 3D; a flat matrix set makes it flat.
Value transformMatrix(Machine& m, Value t, std::span<const Value>) {
    model::DisplayObject* o = ownerModel(m, t);
    if (o && o->placement3D())
        return Value::null();
    return newMatrix(m, toPixels(o ? o->matrix() : swf::Matrix{}));
}
Value transformSetMatrix(Machine& m, Value t, std::span<const Value> args) {
    const swf::Matrix x = toTwips(readMatrix(m, argument(args, 0)));
    if (model::DisplayObject* o = ownerModel(m, t); o && std::isfinite(x.a + x.b + x.c + x.d + x.tx + x.ty)) {
        o->setPlacement3D(std::nullopt);
        o->setMatrix(x);
        o->setScriptTransformed(true);
    }
    return Value();
}
Value transformConcatenated(Machine& m, Value t, std::span<const Value>) {
    model::DisplayObject* o = ownerModel(m, t);
    return newMatrix(m, toPixels(o ? o->concatenatedMatrix() : swf::Matrix{}));
}
Value transformColor(Machine& m, Value t, std::span<const Value>) {
    model::DisplayObject* o = ownerModel(m, t);
    return newColorTransform(m, o ? o->colorTransform() : swf::ColorTransform{});
}
Value transformSetColor(Machine& m, Value t, std::span<const Value> args) {
    const swf::ColorTransform cx = readColorTransform(m, argument(args, 0));
    if (model::DisplayObject* o = ownerModel(m, t)) {
        o->setColorTransform(cx);
        o->setScriptTransformed(true);
    }
    return Value();
}
Value transformConcatenatedColor(Machine& m, Value t, std::span<const Value>) {
    model::DisplayObject* o = ownerModel(m, t);
    return newColorTransform(m, o ? o->concatenatedColorTransform() : swf::ColorTransform{});
}
Value transformPixelBounds(Machine& m, Value t, std::span<const Value>) {
    model::DisplayObject* o = ownerModel(m, t);
    const swf::Bounds b = o ? o->stageBounds() : swf::Bounds{};
    if (b.empty)
        return newRectangle(m, 0, 0, 0, 0);
    const double x = std::floor(b.xMin / 20), y = std::floor(b.yMin / 20);
    return newRectangle(m, x, y, std::ceil(b.xMax / 20) - x, std::ceil(b.yMax / 20) - y);
}

const avm2::NativeAccessor FlatTransformAccessors[] = {
    {u"matrix", transformMatrix, transformSetMatrix},
    {u"concatenatedMatrix", transformConcatenated},
    {u"colorTransform", transformColor, transformSetColor},
    {u"concatenatedColorTransform", transformConcatenatedColor},
    {u"pixelBounds", transformPixelBounds},
};
const std::vector<avm2::NativeAccessor> TransformAccessors =
    joinedTables<avm2::NativeAccessor>({FlatTransformAccessors, transform3DAccessors()});

constexpr const char16_t* Geom = u"flash.geom";

const avm2::CoreClassSpec Classes[] = {
    {.name = u"Point",
     .base = u"Object",
     .init = pointInit,
     .statics = PointStatics,
     .package = Geom,
     .methods = PointMethods,
     .accessors = PointAccessors},
    {.name = u"Rectangle",
     .base = u"Object",
     .init = rectInit,
     .package = Geom,
     .methods = RectMethods,
     .accessors = RectAccessors},
    {.name = u"Matrix", .base = u"Object", .init = matrixInit, .package = Geom, .methods = MatrixMethods},
    {.name = u"ColorTransform",
     .base = u"Object",
     .init = colorInit,
     .package = Geom,
     .methods = ColorMethods,
     .accessors = ColorAccessors},
    sealedClass(Geom, u"Transform", u"Object", transformInit,
                {.methods = transform3DMethods(), .accessors = TransformAccessors}),
};

}  // namespace

Value newPoint(Machine& m, double x, double y) {
    const Value args[2] = {Value::number(x), Value::number(y)};
    return make(m, u"Point", args);
}
Value newRectangle(Machine& m, double x, double y, double width, double height) {
    const Value args[4] = {Value::number(x), Value::number(y), Value::number(width), Value::number(height)};
    return make(m, u"Rectangle", args);
}
Value newMatrix(Machine& m, const swf::Matrix& x) {
    const Value args[6] = {Value::number(x.a), Value::number(x.b),  Value::number(x.c),
                           Value::number(x.d), Value::number(x.tx), Value::number(x.ty)};
    return make(m, u"Matrix", args);
}
Value newColorTransform(Machine& m, const swf::ColorTransform& cx) {
    const Value args[8] = {Value::number(cx.rMult / 256.0), Value::number(cx.gMult / 256.0),
                           Value::number(cx.bMult / 256.0), Value::number(cx.aMult / 256.0),
                           Value::number(cx.rAdd),          Value::number(cx.gAdd),
                           Value::number(cx.bAdd),          Value::number(cx.aAdd)};
    return make(m, u"ColorTransform", args);
}
swf::Point readPoint(Machine& m, Value v) {
    requireObject(m, v);
    return {numberOf(m, v, u"x"), numberOf(m, v, u"y")};
}
swf::Matrix readMatrix(Machine& m, Value v) {
    requireObject(m, v);
    return {numberOf(m, v, u"a"), numberOf(m, v, u"b"),  numberOf(m, v, u"c"),
            numberOf(m, v, u"d"), numberOf(m, v, u"tx"), numberOf(m, v, u"ty")};
}
std::optional<swf::Bounds> readBounds(Machine& m, Value v) {
    if (v.isNullish())
        return std::nullopt;
    auto twips = [](double pixels) {
        return std::isfinite(pixels) ? std::clamp(pixels * 20, -swf::CoordinateLimit, swf::CoordinateLimit) : 0.0;
    };
    const double x = numberOf(m, v, u"x"), y = numberOf(m, v, u"y");
    swf::Bounds b;
    b.add(swf::Point{twips(x), twips(y)});
    b.add(swf::Point{twips(x + numberOf(m, v, u"width")), twips(y + numberOf(m, v, u"height"))});
    return b;
}

swf::ColorTransform readColorTransform(Machine& m, Value v) {
    requireObject(m, v);
    auto mult = [&](const char16_t* name) {
        const double x = numberOf(m, v, name) * 256;
        return int16_t(std::isfinite(x) ? std::clamp(x, -32768.0, 32767.0) : 256);
    };
    auto add = [&](const char16_t* name) {
        const double x = numberOf(m, v, name);
        return int16_t(std::isfinite(x) ? std::clamp(x, -32768.0, 32767.0) : 0);
    };
    return {mult(ColorNames[0]), mult(ColorNames[1]), mult(ColorNames[2]), mult(ColorNames[3]),
            add(ColorNames[4]),  add(ColorNames[5]),  add(ColorNames[6]),  add(ColorNames[7])};
}
Value transformOwner(Value transform) {
    const auto* state = transform.isObject() ? transform.asObject()->nativeAs<TransformState>() : nullptr;
    return state ? state->owner : Value();
}
swf::Matrix toTwips(const swf::Matrix& p) { return {p.a, p.b, p.c, p.d, p.tx * 20, p.ty * 20}; }
swf::Matrix toPixels(const swf::Matrix& t) { return {t.a, t.b, t.c, t.d, t.tx / 20, t.ty / 20}; }

std::span<const avm2::CoreClassSpec> geomClasses() { return Classes; }

}  // namespace as3
