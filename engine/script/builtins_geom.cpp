// flash.geom: Matrix, Point, Rectangle, ColorTransform and Transform. The
// first four are plain objects with number members that their methods read
// and write, as the player's own classes are; Transform reads and writes
// the clip it was made for.
#include "script/builtins.h"
#include "script/geom_values.h"

#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace script {

namespace {

constexpr double GradientSide = 1638.4;  // the gradient square in pixels

double num(Runtime& rt, const Value& object, std::u16string_view name) {
    return toNumber(rt, getMember(rt, object, name));
}

double numArg(Runtime& rt, std::span<const Value> args, size_t i, double fallback) {
    return i < args.size() && !args[i].isUndefined() ? toNumber(rt, args[i]) : fallback;
}

void put(Runtime& rt, const Value& object, std::u16string_view name, double v) {
    setMember(rt, object, name, Value(v));
}

Object* made(Runtime& rt, Object* proto) {
    Object* o = rt.newObject();
    o->setProto(proto);
    return o;
}

void writeMatrix(Runtime& rt, const Value& o, const swf::Matrix& m) {
    put(rt, o, u"a", m.a);
    put(rt, o, u"b", m.b);
    put(rt, o, u"c", m.c);
    put(rt, o, u"d", m.d);
    put(rt, o, u"tx", m.tx);
    put(rt, o, u"ty", m.ty);
}

void writeColorTransform(Runtime& rt, const Value& o, const ScriptColorTransform& c) {
    put(rt, o, u"redMultiplier", c.redMultiplier);
    put(rt, o, u"greenMultiplier", c.greenMultiplier);
    put(rt, o, u"blueMultiplier", c.blueMultiplier);
    put(rt, o, u"alphaMultiplier", c.alphaMultiplier);
    put(rt, o, u"redOffset", c.redOffset);
    put(rt, o, u"greenOffset", c.greenOffset);
    put(rt, o, u"blueOffset", c.blueOffset);
    put(rt, o, u"alphaOffset", c.alphaOffset);
}

// "(name=value, ...)" as the classes print themselves.
Value describe(Runtime& rt, const Value& self, std::initializer_list<std::u16string_view> names) {
    std::u16string out = u"(";
    bool first = true;
    for (std::u16string_view name : names) {
        if (!first)
            out += u", ";
        first = false;
        out += name;
        out += u'=';
        out += toString(rt, getMember(rt, self, name)).view();
    }
    out += u')';
    return Value(rt.makeString(out));
}

Object* install(Runtime& rt, Object* package, std::u16string_view name, NativeFn ctor, Object*& proto) {
    proto = rt.newObject();
    NativeFunction* constructor = rt.newNative(ctor);
    rt.defineValue(constructor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(constructor));
    rt.defineValue(package, name, Value(constructor), 0);
    return constructor;
}

// --- Matrix -------------------------------------------------------------------

Value matrixCtor(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (self.asObject())
        writeMatrix(rt, self,
                    {numArg(rt, args, 0, 1), numArg(rt, args, 1, 0), numArg(rt, args, 2, 0), numArg(rt, args, 3, 1),
                     numArg(rt, args, 4, 0), numArg(rt, args, 5, 0)});
    return Value();
}

Value matrixClone(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value(newMatrix(rt, readMatrix(rt, self)));
}

Value matrixConcat(Runtime& rt, const Value& self, std::span<const Value> args) {
    // This matrix, then the argument.
    writeMatrix(rt, self, model::multiply(readMatrix(rt, arg(args, 0)), readMatrix(rt, self)));
    return Value();
}

Value matrixIdentity(Runtime& rt, const Value& self, std::span<const Value>) {
    writeMatrix(rt, self, {});
    return Value();
}

Value matrixInvert(Runtime& rt, const Value& self, std::span<const Value>) {
    const swf::Matrix m = readMatrix(rt, self);
    // A matrix that cannot be inverted keeps only the inverted translation's
    // absence: the player leaves an identity.
    writeMatrix(rt, self, model::invert(m).value_or(swf::Matrix{}));
    return Value();
}

Value matrixRotate(Runtime& rt, const Value& self, std::span<const Value> args) {
    const double r = toNumber(rt, arg(args, 0));
    const swf::Matrix rot{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
    writeMatrix(rt, self, model::multiply(rot, readMatrix(rt, self)));
    return Value();
}

Value matrixScale(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Matrix s{toNumber(rt, arg(args, 0)), 0, 0, toNumber(rt, arg(args, 1)), 0, 0};
    writeMatrix(rt, self, model::multiply(s, readMatrix(rt, self)));
    return Value();
}

Value matrixTranslate(Runtime& rt, const Value& self, std::span<const Value> args) {
    swf::Matrix m = readMatrix(rt, self);
    m.tx += toNumber(rt, arg(args, 0));
    m.ty += toNumber(rt, arg(args, 1));
    writeMatrix(rt, self, m);
    return Value();
}

swf::Matrix box(Runtime& rt, std::span<const Value> args) {
    const double sx = numArg(rt, args, 0, 1);
    const double sy = numArg(rt, args, 1, 1);
    const double r = numArg(rt, args, 2, 0);
    return {std::cos(r) * sx, std::sin(r) * sy,       -std::sin(r) * sx,
            std::cos(r) * sy, numArg(rt, args, 3, 0), numArg(rt, args, 4, 0)};
}

Value matrixCreateBox(Runtime& rt, const Value& self, std::span<const Value> args) {
    writeMatrix(rt, self, box(rt, args));
    return Value();
}

Value matrixCreateGradientBox(Runtime& rt, const Value& self, std::span<const Value> args) {
    writeMatrix(rt, self,
                gradientBox(numArg(rt, args, 0, 0), numArg(rt, args, 1, 0), numArg(rt, args, 2, 0),
                            numArg(rt, args, 3, 0), numArg(rt, args, 4, 0)));
    return Value();
}

Value matrixTransformPoint(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = model::apply(readMatrix(rt, self), readPoint(rt, arg(args, 0)));
    return Value(newPoint(rt, p.x, p.y));
}

Value matrixDeltaTransformPoint(Runtime& rt, const Value& self, std::span<const Value> args) {
    swf::Matrix m = readMatrix(rt, self);
    m.tx = m.ty = 0;
    const swf::Point p = model::apply(m, readPoint(rt, arg(args, 0)));
    return Value(newPoint(rt, p.x, p.y));
}

Value matrixToString(Runtime& rt, const Value& self, std::span<const Value>) {
    return describe(rt, self, {u"a", u"b", u"c", u"d", u"tx", u"ty"});
}

// --- Point --------------------------------------------------------------------

Value pointCtor(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (self.asObject()) {
        put(rt, self, u"x", numArg(rt, args, 0, 0));
        put(rt, self, u"y", numArg(rt, args, 1, 0));
    }
    return Value();
}

Value pointLength(Runtime& rt, const Value& self, std::span<const Value>) {
    const swf::Point p = readPoint(rt, self);
    return Value(std::hypot(p.x, p.y));
}

Value pointAdd(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point a = readPoint(rt, self);
    const swf::Point b = readPoint(rt, arg(args, 0));
    return Value(newPoint(rt, a.x + b.x, a.y + b.y));
}

Value pointSubtract(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point a = readPoint(rt, self);
    const swf::Point b = readPoint(rt, arg(args, 0));
    return Value(newPoint(rt, a.x - b.x, a.y - b.y));
}

Value pointClone(Runtime& rt, const Value& self, std::span<const Value>) {
    const swf::Point a = readPoint(rt, self);
    return Value(newPoint(rt, a.x, a.y));
}

Value pointEquals(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!arg(args, 0).asObject())
        return Value::fromBool(false);
    const swf::Point a = readPoint(rt, self);
    const swf::Point b = readPoint(rt, arg(args, 0));
    return Value::fromBool(a.x == b.x && a.y == b.y);
}

Value pointNormalize(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, self);
    const double length = std::hypot(p.x, p.y);
    if (length > 0) {
        const double k = toNumber(rt, arg(args, 0)) / length;
        put(rt, self, u"x", p.x * k);
        put(rt, self, u"y", p.y * k);
    }
    return Value();
}

Value pointOffset(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, self);
    put(rt, self, u"x", p.x + toNumber(rt, arg(args, 0)));
    put(rt, self, u"y", p.y + toNumber(rt, arg(args, 1)));
    return Value();
}

Value pointToString(Runtime& rt, const Value& self, std::span<const Value>) { return describe(rt, self, {u"x", u"y"}); }

Value pointDistance(Runtime& rt, const Value&, std::span<const Value> args) {
    const swf::Point a = readPoint(rt, arg(args, 0));
    const swf::Point b = readPoint(rt, arg(args, 1));
    return Value(std::hypot(a.x - b.x, a.y - b.y));
}

// interpolate(p1, p2, f): p1 at f = 1, p2 at f = 0.
Value pointInterpolate(Runtime& rt, const Value&, std::span<const Value> args) {
    const swf::Point a = readPoint(rt, arg(args, 0));
    const swf::Point b = readPoint(rt, arg(args, 1));
    const double f = toNumber(rt, arg(args, 2));
    return Value(newPoint(rt, b.x + (a.x - b.x) * f, b.y + (a.y - b.y) * f));
}

Value pointPolar(Runtime& rt, const Value&, std::span<const Value> args) {
    const double length = toNumber(rt, arg(args, 0));
    const double angle = toNumber(rt, arg(args, 1));
    return Value(newPoint(rt, length * std::cos(angle), length * std::sin(angle)));
}

// --- Rectangle ----------------------------------------------------------------

struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
    [[nodiscard]] bool empty() const { return !(width > 0 && height > 0); }
};

Rect readRect(Runtime& rt, const Value& v) {
    return {num(rt, v, u"x"), num(rt, v, u"y"), num(rt, v, u"width"), num(rt, v, u"height")};
}

void writeRect(Runtime& rt, const Value& o, const Rect& r) {
    put(rt, o, u"x", r.x);
    put(rt, o, u"y", r.y);
    put(rt, o, u"width", r.width);
    put(rt, o, u"height", r.height);
}

Value rectangleCtor(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (self.asObject())
        writeRect(rt, self,
                  {numArg(rt, args, 0, 0), numArg(rt, args, 1, 0), numArg(rt, args, 2, 0), numArg(rt, args, 3, 0)});
    return Value();
}

Value rectLeft(Runtime& rt, const Value& self, std::span<const Value>) { return Value(num(rt, self, u"x")); }
Value rectTop(Runtime& rt, const Value& self, std::span<const Value>) { return Value(num(rt, self, u"y")); }
Value rectRight(Runtime& rt, const Value& self, std::span<const Value>) {
    const Rect r = readRect(rt, self);
    return Value(r.x + r.width);
}
Value rectBottom(Runtime& rt, const Value& self, std::span<const Value>) {
    const Rect r = readRect(rt, self);
    return Value(r.y + r.height);
}
// Moving an edge keeps the opposite one.
Value setRectLeft(Runtime& rt, const Value& self, std::span<const Value> args) {
    Rect r = readRect(rt, self);
    const double left = toNumber(rt, arg(args, 0));
    r.width += r.x - left;
    r.x = left;
    writeRect(rt, self, r);
    return Value();
}
Value setRectTop(Runtime& rt, const Value& self, std::span<const Value> args) {
    Rect r = readRect(rt, self);
    const double top = toNumber(rt, arg(args, 0));
    r.height += r.y - top;
    r.y = top;
    writeRect(rt, self, r);
    return Value();
}
Value setRectRight(Runtime& rt, const Value& self, std::span<const Value> args) {
    Rect r = readRect(rt, self);
    r.width = toNumber(rt, arg(args, 0)) - r.x;
    writeRect(rt, self, r);
    return Value();
}
Value setRectBottom(Runtime& rt, const Value& self, std::span<const Value> args) {
    Rect r = readRect(rt, self);
    r.height = toNumber(rt, arg(args, 0)) - r.y;
    writeRect(rt, self, r);
    return Value();
}
Value rectSize(Runtime& rt, const Value& self, std::span<const Value>) {
    const Rect r = readRect(rt, self);
    return Value(newPoint(rt, r.width, r.height));
}
Value setRectSize(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, arg(args, 0));
    put(rt, self, u"width", p.x);
    put(rt, self, u"height", p.y);
    return Value();
}
Value rectTopLeft(Runtime& rt, const Value& self, std::span<const Value>) {
    const Rect r = readRect(rt, self);
    return Value(newPoint(rt, r.x, r.y));
}
Value setRectTopLeft(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, arg(args, 0));
    Rect r = readRect(rt, self);
    r.width += r.x - p.x;
    r.height += r.y - p.y;
    r.x = p.x;
    r.y = p.y;
    writeRect(rt, self, r);
    return Value();
}
Value rectBottomRight(Runtime& rt, const Value& self, std::span<const Value>) {
    const Rect r = readRect(rt, self);
    return Value(newPoint(rt, r.x + r.width, r.y + r.height));
}
Value setRectBottomRight(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, arg(args, 0));
    Rect r = readRect(rt, self);
    r.width = p.x - r.x;
    r.height = p.y - r.y;
    writeRect(rt, self, r);
    return Value();
}

Value rectClone(Runtime& rt, const Value& self, std::span<const Value>) {
    const Rect r = readRect(rt, self);
    return Value(newRectangle(rt, r.x, r.y, r.width, r.height));
}

bool containsPoint(const Rect& r, double x, double y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

Value rectContains(Runtime& rt, const Value& self, std::span<const Value> args) {
    return Value::fromBool(containsPoint(readRect(rt, self), toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1))));
}

Value rectContainsPoint(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, arg(args, 0));
    return Value::fromBool(containsPoint(readRect(rt, self), p.x, p.y));
}

Value rectContainsRectangle(Runtime& rt, const Value& self, std::span<const Value> args) {
    const Rect a = readRect(rt, self);
    const Rect b = readRect(rt, arg(args, 0));
    return Value::fromBool(!b.empty() && b.x >= a.x && b.y >= a.y && b.x + b.width <= a.x + a.width &&
                           b.y + b.height <= a.y + a.height);
}

Value rectEquals(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!arg(args, 0).asObject())
        return Value::fromBool(false);
    const Rect a = readRect(rt, self);
    const Rect b = readRect(rt, arg(args, 0));
    return Value::fromBool(a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height);
}

Value rectInflate(Runtime& rt, const Value& self, std::span<const Value> args) {
    Rect r = readRect(rt, self);
    const double dx = toNumber(rt, arg(args, 0));
    const double dy = toNumber(rt, arg(args, 1));
    writeRect(rt, self, {r.x - dx, r.y - dy, r.width + 2 * dx, r.height + 2 * dy});
    return Value();
}

Value rectInflatePoint(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, arg(args, 0));
    const Rect r = readRect(rt, self);
    writeRect(rt, self, {r.x - p.x, r.y - p.y, r.width + 2 * p.x, r.height + 2 * p.y});
    return Value();
}

Rect intersection(const Rect& a, const Rect& b) {
    const double left = std::max(a.x, b.x);
    const double top = std::max(a.y, b.y);
    const double right = std::min(a.x + a.width, b.x + b.width);
    const double bottom = std::min(a.y + a.height, b.y + b.height);
    if (a.empty() || b.empty() || !(right > left && bottom > top))
        return {};
    return {left, top, right - left, bottom - top};
}

Value rectIntersection(Runtime& rt, const Value& self, std::span<const Value> args) {
    const Rect r = intersection(readRect(rt, self), readRect(rt, arg(args, 0)));
    return Value(newRectangle(rt, r.x, r.y, r.width, r.height));
}

Value rectIntersects(Runtime& rt, const Value& self, std::span<const Value> args) {
    return Value::fromBool(!intersection(readRect(rt, self), readRect(rt, arg(args, 0))).empty());
}

Value rectIsEmpty(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value::fromBool(readRect(rt, self).empty());
}

Value rectOffset(Runtime& rt, const Value& self, std::span<const Value> args) {
    Rect r = readRect(rt, self);
    r.x += toNumber(rt, arg(args, 0));
    r.y += toNumber(rt, arg(args, 1));
    writeRect(rt, self, r);
    return Value();
}

Value rectOffsetPoint(Runtime& rt, const Value& self, std::span<const Value> args) {
    const swf::Point p = readPoint(rt, arg(args, 0));
    Rect r = readRect(rt, self);
    r.x += p.x;
    r.y += p.y;
    writeRect(rt, self, r);
    return Value();
}

Value rectSetEmpty(Runtime& rt, const Value& self, std::span<const Value>) {
    writeRect(rt, self, {});
    return Value();
}

Value rectUnion(Runtime& rt, const Value& self, std::span<const Value> args) {
    const Rect a = readRect(rt, self);
    const Rect b = readRect(rt, arg(args, 0));
    Rect r;
    if (a.empty())
        r = b;
    else if (b.empty())
        r = a;
    else {
        const double left = std::min(a.x, b.x);
        const double top = std::min(a.y, b.y);
        r = {left, top, std::max(a.x + a.width, b.x + b.width) - left, std::max(a.y + a.height, b.y + b.height) - top};
    }
    return Value(newRectangle(rt, r.x, r.y, r.width, r.height));
}

Value rectToString(Runtime& rt, const Value& self, std::span<const Value>) {
    std::u16string out = u"(x=";
    out += toString(rt, getMember(rt, self, u"x")).view();
    out += u", y=";
    out += toString(rt, getMember(rt, self, u"y")).view();
    out += u", w=";
    out += toString(rt, getMember(rt, self, u"width")).view();
    out += u", h=";
    out += toString(rt, getMember(rt, self, u"height")).view();
    out += u')';
    return Value(rt.makeString(out));
}

// --- ColorTransform -------------------------------------------------------------

Value colorTransformCtor(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (self.asObject())
        writeColorTransform(
            rt, self,
            {numArg(rt, args, 0, 1), numArg(rt, args, 1, 1), numArg(rt, args, 2, 1), numArg(rt, args, 3, 1),
             numArg(rt, args, 4, 0), numArg(rt, args, 5, 0), numArg(rt, args, 6, 0), numArg(rt, args, 7, 0)});
    return Value();
}

Value colorTransformRgb(Runtime& rt, const Value& self, std::span<const Value>) {
    const ScriptColorTransform c = readColorTransform(rt, self);
    auto channel = [](double v) { return std::isfinite(v) ? uint32_t(int64_t(v) & 0xFF) : 0u; };
    return Value(double(channel(c.redOffset) << 16 | channel(c.greenOffset) << 8 | channel(c.blueOffset)));
}

// Setting rgb makes the colour solid: multipliers 0, offsets the colour.
Value setColorTransformRgb(Runtime& rt, const Value& self, std::span<const Value> args) {
    const uint32_t rgb = uint32_t(toInt32(rt, arg(args, 0)));
    ScriptColorTransform c = readColorTransform(rt, self);
    c.redMultiplier = c.greenMultiplier = c.blueMultiplier = 0;
    c.redOffset = (rgb >> 16) & 0xFF;
    c.greenOffset = (rgb >> 8) & 0xFF;
    c.blueOffset = rgb & 0xFF;
    writeColorTransform(rt, self, c);
    return Value();
}

// concat(second): the result applies `second` first, then this one.
Value colorTransformConcat(Runtime& rt, const Value& self, std::span<const Value> args) {
    const ScriptColorTransform a = readColorTransform(rt, self);
    const ScriptColorTransform b = readColorTransform(rt, arg(args, 0));
    ScriptColorTransform c;
    c.redOffset = a.redOffset + a.redMultiplier * b.redOffset;
    c.greenOffset = a.greenOffset + a.greenMultiplier * b.greenOffset;
    c.blueOffset = a.blueOffset + a.blueMultiplier * b.blueOffset;
    c.alphaOffset = a.alphaOffset + a.alphaMultiplier * b.alphaOffset;
    c.redMultiplier = a.redMultiplier * b.redMultiplier;
    c.greenMultiplier = a.greenMultiplier * b.greenMultiplier;
    c.blueMultiplier = a.blueMultiplier * b.blueMultiplier;
    c.alphaMultiplier = a.alphaMultiplier * b.alphaMultiplier;
    writeColorTransform(rt, self, c);
    return Value();
}

Value colorTransformToString(Runtime& rt, const Value& self, std::span<const Value>) {
    return describe(rt, self,
                    {u"redMultiplier", u"greenMultiplier", u"blueMultiplier", u"alphaMultiplier", u"redOffset",
                     u"greenOffset", u"blueOffset", u"alphaOffset"});
}

// --- Transform -----------------------------------------------------------------

constexpr std::u16string_view ClipMember = u"__clip";

model::DisplayObject* transformTarget(Runtime& rt, const Value& self) {
    auto* s = dynamic_cast<StageObject*>(getMember(rt, self, ClipMember).asObject());
    return s ? s->display() : nullptr;
}

swf::Matrix toPixels(swf::Matrix m) {
    m.tx /= 20.0;
    m.ty /= 20.0;
    return m;
}

Value transformCtor(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* o = self.asObject();
    if (o && dynamic_cast<StageObject*>(arg(args, 0).asObject()))
        putOwn(rt, o, ClipMember, args[0], PropertyFlag::DontEnum);
    return Value();
}

Value transformMatrix(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = transformTarget(rt, self);
    return d ? Value(newMatrix(rt, toPixels(d->matrix()))) : Value();
}

Value setTransformMatrix(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::DisplayObject* d = transformTarget(rt, self);
    if (!d || !arg(args, 0).asObject())
        return Value();
    swf::Matrix m = readMatrix(rt, args[0]);
    if (!std::isfinite(m.a) || !std::isfinite(m.b) || !std::isfinite(m.c) || !std::isfinite(m.d) ||
        !std::isfinite(m.tx) || !std::isfinite(m.ty))
        return Value();
    m.tx = std::clamp(m.tx * 20.0, -swf::CoordinateLimit, swf::CoordinateLimit);
    m.ty = std::clamp(m.ty * 20.0, -swf::CoordinateLimit, swf::CoordinateLimit);
    d->setMatrix(m);
    d->setScriptTransformed(true);
    return Value();
}

Value transformConcatenatedMatrix(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = transformTarget(rt, self);
    return d ? Value(newMatrix(rt, toPixels(d->concatenatedMatrix()))) : Value();
}

Value transformColorTransform(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = transformTarget(rt, self);
    return d ? Value(newColorTransform(rt, ScriptColorTransform::from(d->colorTransform()))) : Value();
}

Value setTransformColorTransform(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::DisplayObject* d = transformTarget(rt, self);
    if (d && arg(args, 0).asObject()) {
        d->setColorTransform(readColorTransform(rt, args[0]).toModel());
        d->setScriptTransformed(true);
    }
    return Value();
}

Value transformConcatenatedColorTransform(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = transformTarget(rt, self);
    return d ? Value(newColorTransform(rt, ScriptColorTransform::from(d->concatenatedColorTransform()))) : Value();
}

// The stage pixels the object covers.
Value transformPixelBounds(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = transformTarget(rt, self);
    if (!d)
        return Value();
    const swf::Bounds b = d->stageBounds();
    if (b.empty)
        return Value(newRectangle(rt, 0, 0, 0, 0));
    const double left = std::floor(b.xMin / 20.0);
    const double top = std::floor(b.yMin / 20.0);
    return Value(newRectangle(rt, left, top, std::ceil(b.xMax / 20.0) - left, std::ceil(b.yMax / 20.0) - top));
}

}  // namespace

void defineAccessor(Runtime& rt, Object* on, std::u16string_view name, NativeFn get, NativeFn set) {
    Property& p = on->properties().add(rt.makeString(name), Value(), PropertyFlag::DontEnum);
    p.getter = rt.newNative(get);
    p.setter = set ? rt.newNative(set) : nullptr;
}

ScriptColorTransform ScriptColorTransform::from(const swf::ColorTransform& cx) {
    return {cx.rMult / 256.0, cx.gMult / 256.0, cx.bMult / 256.0, cx.aMult / 256.0,
            double(cx.rAdd),  double(cx.gAdd),  double(cx.bAdd),  double(cx.aAdd)};
}

swf::ColorTransform ScriptColorTransform::toModel() const {
    auto mult = [](double v) {
        return std::isfinite(v) ? int16_t(std::clamp(std::lround(v * 256.0), -32768L, 32767L)) : int16_t(0);
    };
    auto offset = [](double v) {
        return std::isfinite(v) ? int16_t(std::clamp(std::lround(v), -32768L, 32767L)) : int16_t(0);
    };
    return {mult(redMultiplier), mult(greenMultiplier), mult(blueMultiplier), mult(alphaMultiplier),
            offset(redOffset),   offset(greenOffset),   offset(blueOffset),   offset(alphaOffset)};
}

swf::Matrix readMatrix(Runtime& rt, const Value& v) {
    return {num(rt, v, u"a"), num(rt, v, u"b"),  num(rt, v, u"c"),
            num(rt, v, u"d"), num(rt, v, u"tx"), num(rt, v, u"ty")};
}

std::optional<swf::Matrix> readGradientMatrix(Runtime& rt, const Value& v) {
    if (!v.asObject())
        return std::nullopt;
    const Value type = getMember(rt, v, u"matrixType");
    if (!type.isUndefined() && toString(rt, type).view() == u"box")
        return gradientBox(num(rt, v, u"w"), num(rt, v, u"h"), num(rt, v, u"r"), num(rt, v, u"x"), num(rt, v, u"y"));
    if (!getMember(rt, v, u"g").isUndefined() || !getMember(rt, v, u"e").isUndefined())
        return swf::Matrix{num(rt, v, u"a"), num(rt, v, u"b"), num(rt, v, u"d"),
                           num(rt, v, u"e"), num(rt, v, u"g"), num(rt, v, u"h")};
    return readMatrix(rt, v);
}

ScriptColorTransform readColorTransform(Runtime& rt, const Value& v) {
    return {num(rt, v, u"redMultiplier"),   num(rt, v, u"greenMultiplier"), num(rt, v, u"blueMultiplier"),
            num(rt, v, u"alphaMultiplier"), num(rt, v, u"redOffset"),       num(rt, v, u"greenOffset"),
            num(rt, v, u"blueOffset"),      num(rt, v, u"alphaOffset")};
}

swf::Point readPoint(Runtime& rt, const Value& v) { return {num(rt, v, u"x"), num(rt, v, u"y")}; }

Object* newMatrix(Runtime& rt, const swf::Matrix& m) {
    Object* o = made(rt, rt.protos.matrix);
    writeMatrix(rt, Value(o), m);
    return o;
}

Object* newPoint(Runtime& rt, double x, double y) {
    Object* o = made(rt, rt.protos.point);
    put(rt, Value(o), u"x", x);
    put(rt, Value(o), u"y", y);
    return o;
}

Object* newRectangle(Runtime& rt, double x, double y, double width, double height) {
    Object* o = made(rt, rt.protos.rectangle);
    writeRect(rt, Value(o), {x, y, width, height});
    return o;
}

Object* newColorTransform(Runtime& rt, const ScriptColorTransform& cx) {
    Object* o = made(rt, rt.protos.colorTransform);
    writeColorTransform(rt, Value(o), cx);
    return o;
}

swf::Matrix gradientBox(double width, double height, double rotation, double tx, double ty) {
    const double c = std::cos(rotation);
    const double s = std::sin(rotation);
    return {c * width / GradientSide,
            s * height / GradientSide,
            -s * width / GradientSide,
            c * height / GradientSide,
            tx + width / 2,
            ty + height / 2};
}

Object* packageObject(Runtime& rt, std::u16string_view path) {
    Value at(rt.global);
    size_t start = 0;
    while (start <= path.size()) {
        size_t dot = path.find(u'.', start);
        if (dot == std::u16string_view::npos)
            dot = path.size();
        const std::u16string_view name = path.substr(start, dot - start);
        Value next = getMember(rt, at, name);
        if (!next.asObject()) {
            next = Value(rt.newObject());
            rt.defineValue(at.asObject(), name, next, 0);
        }
        at = next;
        start = dot + 1;
    }
    return at.asObject();
}

void installGeom(Runtime& rt) {
    Object* geom = packageObject(rt, u"flash.geom");
    struct Method {
        std::u16string_view name;
        NativeFn fn;
    };
    auto methods = [&rt](Object* proto, std::initializer_list<Method> list) {
        for (const Method& m : list)
            rt.defineMethod(proto, m.name, m.fn);
    };

    install(rt, geom, u"Matrix", matrixCtor, rt.protos.matrix);
    methods(rt.protos.matrix, {{u"clone", matrixClone},
                               {u"concat", matrixConcat},
                               {u"createBox", matrixCreateBox},
                               {u"createGradientBox", matrixCreateGradientBox},
                               {u"deltaTransformPoint", matrixDeltaTransformPoint},
                               {u"identity", matrixIdentity},
                               {u"invert", matrixInvert},
                               {u"rotate", matrixRotate},
                               {u"scale", matrixScale},
                               {u"transformPoint", matrixTransformPoint},
                               {u"translate", matrixTranslate},
                               {u"toString", matrixToString}});

    Object* point = install(rt, geom, u"Point", pointCtor, rt.protos.point);
    methods(rt.protos.point, {{u"add", pointAdd},
                              {u"subtract", pointSubtract},
                              {u"clone", pointClone},
                              {u"equals", pointEquals},
                              {u"normalize", pointNormalize},
                              {u"offset", pointOffset},
                              {u"toString", pointToString}});
    defineAccessor(rt, rt.protos.point, u"length", pointLength);
    methods(point, {{u"distance", pointDistance}, {u"interpolate", pointInterpolate}, {u"polar", pointPolar}});

    install(rt, geom, u"Rectangle", rectangleCtor, rt.protos.rectangle);
    methods(rt.protos.rectangle, {{u"clone", rectClone},
                                  {u"contains", rectContains},
                                  {u"containsPoint", rectContainsPoint},
                                  {u"containsRectangle", rectContainsRectangle},
                                  {u"equals", rectEquals},
                                  {u"inflate", rectInflate},
                                  {u"inflatePoint", rectInflatePoint},
                                  {u"intersection", rectIntersection},
                                  {u"intersects", rectIntersects},
                                  {u"isEmpty", rectIsEmpty},
                                  {u"offset", rectOffset},
                                  {u"offsetPoint", rectOffsetPoint},
                                  {u"setEmpty", rectSetEmpty},
                                  {u"union", rectUnion},
                                  {u"toString", rectToString}});
    defineAccessor(rt, rt.protos.rectangle, u"left", rectLeft, setRectLeft);
    defineAccessor(rt, rt.protos.rectangle, u"top", rectTop, setRectTop);
    defineAccessor(rt, rt.protos.rectangle, u"right", rectRight, setRectRight);
    defineAccessor(rt, rt.protos.rectangle, u"bottom", rectBottom, setRectBottom);
    defineAccessor(rt, rt.protos.rectangle, u"size", rectSize, setRectSize);
    defineAccessor(rt, rt.protos.rectangle, u"topLeft", rectTopLeft, setRectTopLeft);
    defineAccessor(rt, rt.protos.rectangle, u"bottomRight", rectBottomRight, setRectBottomRight);

    install(rt, geom, u"ColorTransform", colorTransformCtor, rt.protos.colorTransform);
    methods(rt.protos.colorTransform, {{u"concat", colorTransformConcat}, {u"toString", colorTransformToString}});
    defineAccessor(rt, rt.protos.colorTransform, u"rgb", colorTransformRgb, setColorTransformRgb);

    install(rt, geom, u"Transform", transformCtor, rt.protos.transform);
    defineAccessor(rt, rt.protos.transform, u"matrix", transformMatrix, setTransformMatrix);
    defineAccessor(rt, rt.protos.transform, u"colorTransform", transformColorTransform, setTransformColorTransform);
    defineAccessor(rt, rt.protos.transform, u"concatenatedMatrix", transformConcatenatedMatrix);
    defineAccessor(rt, rt.protos.transform, u"concatenatedColorTransform", transformConcatenatedColorTransform);
    defineAccessor(rt, rt.protos.transform, u"pixelBounds", transformPixelBounds);
}

}  // namespace script
