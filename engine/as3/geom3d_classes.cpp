// Version 10's 2.5D: Vector3D, Matrix3D, PerspectiveProjection, the display
// object's z, rotationX/Y/Z and scaleZ, and Transform's matrix3D and
// perspectiveProjection, kept on the model's 3D placement (placement3d.h)
// that the renderer draws in perspective.
#include "as3/geom3d.h"

#include "as3/display_state.h"
#include "as3/geom_values.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"
#include "avm2/vector.h"

#include "model/display_object.h"
#include "model/placement3d.h"
#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;
using model::Matrix3D;

namespace {

constexpr const char16_t* Geom = u"flash.geom";

double numberArg(Machine& m, std::span<const Value> args, size_t i, double otherwise) {
    return i < args.size() && !args[i].isUndefined() ? m.toNumber(args[i]) : otherwise;
}

void put(Value o, const char16_t* name, double v) { o.asObject()->setOwn(name, Value::number(v)); }

// --- Vector3D ---------------------------------------------------------------

struct V4 {
    double x = 0, y = 0, z = 0, w = 0;
};

V4 readV4(Machine& m, Value v) {
    if (!v.isObject())
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    return {numberOf(m, v, u"x"), numberOf(m, v, u"y"), numberOf(m, v, u"z"), numberOf(m, v, u"w")};
}

Value newVector3D(Machine& m, V4 v) {
    const Value args[] = {Value::number(v.x), Value::number(v.y), Value::number(v.z), Value::number(v.w)};
    return m.construct(Value::object(m.coreClass(Geom, u"Vector3D")), args);
}

Value vectorInit(Machine& m, Value t, std::span<const Value> args) {
    put(t, u"x", numberArg(m, args, 0, 0));
    put(t, u"y", numberArg(m, args, 1, 0));
    put(t, u"z", numberArg(m, args, 2, 0));
    put(t, u"w", numberArg(m, args, 3, 0));
    return Value();
}

double length(const V4& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Value vectorLength(Machine& m, Value t, std::span<const Value>) { return Value::number(length(readV4(m, t))); }
Value vectorLengthSquared(Machine& m, Value t, std::span<const Value>) {
    const V4 v = readV4(m, t);
    return Value::number(v.x * v.x + v.y * v.y + v.z * v.z);
}
Value vectorAdd(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    return newVector3D(m, {a.x + b.x, a.y + b.y, a.z + b.z, 0});
}
Value vectorSubtract(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    return newVector3D(m, {a.x - b.x, a.y - b.y, a.z - b.z, 0});
}
Value vectorCross(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    return newVector3D(m, {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 1});
}
Value vectorDot(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    return Value::number(a.x * b.x + a.y * b.y + a.z * b.z);
}
// Makes the vector a unit one; its former length back.
Value vectorNormalize(Machine& m, Value t, std::span<const Value>) {
    const V4 v = readV4(m, t);
    const double n = length(v);
    if (n > 0) {
        put(t, u"x", v.x / n);
        put(t, u"y", v.y / n);
        put(t, u"z", v.z / n);
    }
    return Value::number(n);
}
Value vectorScaleBy(Machine& m, Value t, std::span<const Value> args) {
    const V4 v = readV4(m, t);
    const double k = numberArg(m, args, 0, 0);
    put(t, u"x", v.x * k);
    put(t, u"y", v.y * k);
    put(t, u"z", v.z * k);
    return Value();
}
template <int Sign>
Value vectorIncrement(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    put(t, u"x", a.x + Sign * b.x);
    put(t, u"y", a.y + Sign * b.y);
    put(t, u"z", a.z + Sign * b.z);
    return Value();
}
Value vectorNegate(Machine& m, Value t, std::span<const Value>) {
    const V4 v = readV4(m, t);
    put(t, u"x", -v.x);
    put(t, u"y", -v.y);
    put(t, u"z", -v.z);
    return Value();
}
Value vectorProject(Machine& m, Value t, std::span<const Value>) {
    const V4 v = readV4(m, t);
    put(t, u"x", v.x / v.w);
    put(t, u"y", v.y / v.w);
    put(t, u"z", v.z / v.w);
    return Value();
}
Value vectorClone(Machine& m, Value t, std::span<const Value>) { return newVector3D(m, readV4(m, t)); }
Value vectorEquals(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    const bool all = avm2::toBoolean(argument(args, 1));
    return Value::boolean(a.x == b.x && a.y == b.y && a.z == b.z && (!all || a.w == b.w));
}
Value vectorNearEquals(Machine& m, Value t, std::span<const Value> args) {
    const V4 a = readV4(m, t), b = readV4(m, argument(args, 0));
    const double tolerance = numberArg(m, args, 1, 0);
    const bool all = avm2::toBoolean(argument(args, 2));
    auto near = [&](double p, double q) { return std::abs(p - q) < tolerance; };
    return Value::boolean(near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z) && (!all || near(a.w, b.w)));
}
Value vectorToString(Machine& m, Value t, std::span<const Value>) {
    const V4 v = readV4(m, t);
    auto n = [](double d) { return avm2::numberToString(d); };
    return m.string(u"Vector3D(" + n(v.x) + u", " + n(v.y) + u", " + n(v.z) + u")");
}
Value vectorDistance(Machine& m, Value, std::span<const Value> args) {
    const V4 a = readV4(m, argument(args, 0)), b = readV4(m, argument(args, 1));
    return Value::number(length({a.x - b.x, a.y - b.y, a.z - b.z, 0}));
}
Value vectorAngleBetween(Machine& m, Value, std::span<const Value> args) {
    const V4 a = readV4(m, argument(args, 0)), b = readV4(m, argument(args, 1));
    const double cosine = (a.x * b.x + a.y * b.y + a.z * b.z) / (length(a) * length(b));
    return Value::number(std::acos(std::clamp(cosine, -1.0, 1.0)));
}
Value vectorCopyFrom(Machine& m, Value t, std::span<const Value> args) {
    const V4 v = readV4(m, argument(args, 0));
    put(t, u"x", v.x);
    put(t, u"y", v.y);
    put(t, u"z", v.z);
    return Value();
}
Value vectorSetTo(Machine& m, Value t, std::span<const Value> args) {
    put(t, u"x", numberArg(m, args, 0, 0));
    put(t, u"y", numberArg(m, args, 1, 0));
    put(t, u"z", numberArg(m, args, 2, 0));
    return Value();
}
template <int Axis>
Value vectorAxis(Machine& m, Value, std::span<const Value>) {
    return newVector3D(m, {Axis == 0 ? 1.0 : 0.0, Axis == 1 ? 1.0 : 0.0, Axis == 2 ? 1.0 : 0.0, 0});
}

const avm2::NativeMember VectorMethods[] = {
    {u"add", vectorAdd},
    {u"subtract", vectorSubtract},
    {u"crossProduct", vectorCross},
    {u"dotProduct", vectorDot},
    {u"normalize", vectorNormalize},
    {u"scaleBy", vectorScaleBy},
    {u"incrementBy", vectorIncrement<1>},
    {u"decrementBy", vectorIncrement<-1>},
    {u"negate", vectorNegate},
    {u"project", vectorProject},
    {u"clone", vectorClone},
    {u"equals", vectorEquals},
    {u"nearEquals", vectorNearEquals},
    {u"toString", vectorToString},
    {u"copyFrom", vectorCopyFrom},
    {u"setTo", vectorSetTo},
};
const avm2::NativeMember VectorStatics[] = {{u"distance", vectorDistance}, {u"angleBetween", vectorAngleBetween}};
const avm2::NativeAccessor VectorAccessors[] = {{u"length", vectorLength}, {u"lengthSquared", vectorLengthSquared}};
const avm2::NativeAccessor VectorStaticAccessors[] = {
    {u"X_AXIS", vectorAxis<0>}, {u"Y_AXIS", vectorAxis<1>}, {u"Z_AXIS", vectorAxis<2>}};

// --- Matrix3D ---------------------------------------------------------------

struct MatrixState final : avm2::NativeState {
    Matrix3D raw = model::identity3D();
};

Matrix3D& rawOf(Machine& m, Value t) {
    auto* state = t.isObject() ? t.asObject()->nativeAs<MatrixState>() : nullptr;
    if (!state)
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    return state->raw;
}

Value newMatrix3D(Machine& m, const Matrix3D& raw) {
    const Value made = m.construct(Value::object(m.coreClass(Geom, u"Matrix3D")), {});
    rawOf(m, made) = raw;
    return made;
}

// Sixteen numbers of a Vector (or Array); false when there are fewer.
bool readRaw(Machine& m, Value v, Matrix3D& out) {
    if (const auto* vector = avm2::asVector(v)) {
        if (vector->size() < 16)
            return false;
        for (size_t i = 0; i < 16; ++i)
            out[i] = m.toNumber(vector->get(i));
        return true;
    }
    if (const auto* array = v.isObject() ? dynamic_cast<const avm2::ArrayObject*>(v.asObject()) : nullptr) {
        if (array->elements().size() < 16)
            return false;
        for (size_t i = 0; i < 16; ++i)
            out[i] = m.toNumber(array->elements()[i]);
        return true;
    }
    return false;
}

Value matrixInit(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<MatrixState>();
    if (!argument(args, 0).isNullish())
        (void)readRaw(m, argument(args, 0), state->raw);
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

Value matrixRawData(Machine& m, Value t, std::span<const Value>) {
    const Matrix3D raw = rawOf(m, t);
    const Value made = avm2::newVectorOf(m, m.coreClass(u"Number"));
    Machine::Pin keep(m, made);
    avm2::VectorObject* v = avm2::asVector(made);
    avm2::resizeVector(m, v, 16);
    for (size_t i = 0; i < 16; ++i)
        v->set(i, Value::number(raw[i]));
    return made;
}
Value matrixSetRawData(Machine& m, Value t, std::span<const Value> args) {
    Matrix3D raw = rawOf(m, t);
    if (!readRaw(m, argument(args, 0), raw))
        m.throwError("ArgumentError", 2004, u"One of the parameters is invalid.");
    rawOf(m, t) = raw;
    return Value();
}
Value matrixPosition(Machine& m, Value t, std::span<const Value>) {
    const Matrix3D& r = rawOf(m, t);
    return newVector3D(m, {r[12], r[13], r[14], 0});
}
Value matrixSetPosition(Machine& m, Value t, std::span<const Value> args) {
    const V4 v = readV4(m, argument(args, 0));
    Matrix3D& r = rawOf(m, t);
    r[12] = v.x;
    r[13] = v.y;
    r[14] = v.z;
    return Value();
}
Value matrixDeterminant(Machine& m, Value t, std::span<const Value>) {
    return Value::number(model::determinant3D(rawOf(m, t)));
}

Value matrixIdentity(Machine& m, Value t, std::span<const Value>) {
    rawOf(m, t) = model::identity3D();
    return Value();
}
Value matrixClone(Machine& m, Value t, std::span<const Value>) { return newMatrix3D(m, rawOf(m, t)); }
Value matrixCopyFrom(Machine& m, Value t, std::span<const Value> args) {
    rawOf(m, t) = rawOf(m, argument(args, 0));
    return Value();
}
// append(lhs): lhs applies after this matrix; prepend(rhs) before.
template <bool Append>
void combine(Machine& m, Value t, const Matrix3D& other) {
    Matrix3D& r = rawOf(m, t);
    r = Append ? model::multiply3D(other, r) : model::multiply3D(r, other);
}
template <bool Append>
Value matrixCombine(Machine& m, Value t, std::span<const Value> args) {
    combine<Append>(m, t, rawOf(m, argument(args, 0)));
    return Value();
}
template <bool Append>
Value matrixTranslation(Machine& m, Value t, std::span<const Value> args) {
    Matrix3D move = model::identity3D();
    move[12] = numberArg(m, args, 0, 0);
    move[13] = numberArg(m, args, 1, 0);
    move[14] = numberArg(m, args, 2, 0);
    combine<Append>(m, t, move);
    return Value();
}
template <bool Append>
Value matrixScale(Machine& m, Value t, std::span<const Value> args) {
    Matrix3D scale = model::identity3D();
    scale[0] = numberArg(m, args, 0, 1);
    scale[5] = numberArg(m, args, 1, 1);
    scale[10] = numberArg(m, args, 2, 1);
    combine<Append>(m, t, scale);
    return Value();
}
// (degrees, axis, pivotPoint = null): about the axis through the pivot.
template <bool Append>
Value matrixRotation(Machine& m, Value t, std::span<const Value> args) {
    const V4 axis = readV4(m, argument(args, 1));
    auto rotation = model::rotation3D(numberArg(m, args, 0, 0), axis.x, axis.y, axis.z);
    if (!rotation)
        return Value();
    if (const Value pivot = argument(args, 2); pivot.isObject()) {
        const V4 p = readV4(m, pivot);
        Matrix3D to = model::identity3D(), back = model::identity3D();
        to[12] = -p.x;
        to[13] = -p.y;
        to[14] = -p.z;
        back[12] = p.x;
        back[13] = p.y;
        back[14] = p.z;
        rotation = model::multiply3D(back, model::multiply3D(*rotation, to));
    }
    combine<Append>(m, t, *rotation);
    return Value();
}
Value matrixInvert(Machine& m, Value t, std::span<const Value>) {
    const auto inverse = model::invert3D(rawOf(m, t));
    if (inverse)
        rawOf(m, t) = *inverse;
    return Value::boolean(inverse.has_value());
}
Value matrixTranspose(Machine& m, Value t, std::span<const Value>) {
    Matrix3D& r = rawOf(m, t);
    for (int c = 0; c < 4; ++c) {
        for (int row = c + 1; row < 4; ++row)
            std::swap(r[size_t(c * 4 + row)], r[size_t(row * 4 + c)]);
    }
    return Value();
}
V4 apply(const Matrix3D& r, const V4& v, bool move) {
    const double w = move ? 1 : 0;
    return {r[0] * v.x + r[4] * v.y + r[8] * v.z + r[12] * w, r[1] * v.x + r[5] * v.y + r[9] * v.z + r[13] * w,
            r[2] * v.x + r[6] * v.y + r[10] * v.z + r[14] * w, r[3] * v.x + r[7] * v.y + r[11] * v.z + r[15] * w};
}
Value matrixTransformVector(Machine& m, Value t, std::span<const Value> args) {
    return newVector3D(m, apply(rawOf(m, t), readV4(m, argument(args, 0)), true));
}
Value matrixDeltaTransformVector(Machine& m, Value t, std::span<const Value> args) {
    V4 v = apply(rawOf(m, t), readV4(m, argument(args, 0)), false);
    v.w = 0;
    return newVector3D(m, v);
}
// transformVectors(vin, vout): x, y, z triples; vout grows to vin's length.
Value matrixTransformVectors(Machine& m, Value t, std::span<const Value> args) {
    const avm2::VectorObject* in = avm2::asVector(argument(args, 0));
    avm2::VectorObject* out = avm2::asVector(argument(args, 1));
    if (!in || !out)
        m.throwError("TypeError", 2007, u"Parameter vin must be non-null.");
    const Matrix3D r = rawOf(m, t);
    const size_t n = in->size() / 3 * 3;
    if (out->size() < n)
        avm2::resizeVector(m, out, n);
    for (size_t i = 0; i < n; i += 3) {
        const V4 p =
            apply(r, {m.toNumber(in->get(i)), m.toNumber(in->get(i + 1)), m.toNumber(in->get(i + 2)), 1}, true);
        out->set(i, avm2::coerceElement(m, *out, Value::number(p.x)));
        out->set(i + 1, avm2::coerceElement(m, *out, Value::number(p.y)));
        out->set(i + 2, avm2::coerceElement(m, *out, Value::number(p.z)));
    }
    return Value();
}

// --- Matrix3D: parts, orientation, rows and columns -------------------------

constexpr const char16_t* EulerAngles = u"eulerAngles";
constexpr const char16_t* AxisAngle = u"axisAngle";
constexpr const char16_t* QuaternionStyle = u"quaternion";

enum class Orientation { Euler, Axis, Quaternion };

Orientation orientationArg(Machine& m, std::span<const Value> args, size_t i) {
    if (i >= args.size() || args[i].isNullish())
        return Orientation::Euler;
    const std::u16string style = m.toString(args[i])->text();
    if (style == EulerAngles)
        return Orientation::Euler;
    if (style == AxisAngle)
        return Orientation::Axis;
    if (style == QuaternionStyle)
        return Orientation::Quaternion;
    m.throwError("Error", 2187, u"Invalid orientation style " + style + u".");
}

V4 orientationOf(const model::Parts3D& p, Orientation style) {
    const auto& q = p.rotation;
    switch (style) {
    case Orientation::Quaternion:
        return {q[0], q[1], q[2], q[3]};
    case Orientation::Axis: {
        const double half = std::acos(std::clamp(q[3], -1.0, 1.0)), s = std::sin(half);
        if (!(std::abs(s) > 1e-12))
            return {0, 0, 0, 0};
        return {q[0] / s, q[1] / s, q[2] / s, half * 2};
    }
    case Orientation::Euler:
        break;
    }
    const auto e = model::eulerFromQuaternion(q);
    return {e[0], e[1], e[2], 0};
}

std::array<double, 4> quaternionOf(const V4& v, Orientation style) {
    switch (style) {
    case Orientation::Quaternion:
        return {v.x, v.y, v.z, v.w};
    case Orientation::Axis: {
        const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        if (!(n > 0))
            return {0, 0, 0, 1};
        const double s = std::sin(v.w / 2) / n;
        return {v.x * s, v.y * s, v.z * s, std::cos(v.w / 2)};
    }
    case Orientation::Euler:
        break;
    }
    return model::quaternionFromEuler(v.x, v.y, v.z);
}

// A matrix with a zero scale has no parts; it decomposes as the identity's.
model::Parts3D partsOf(const Matrix3D& raw) { return model::decompose3D(raw).value_or(model::Parts3D{}); }

// decompose(style = "eulerAngles"): Vector.<Vector3D> of move, rotation, scale.
Value matrixDecompose(Machine& m, Value t, std::span<const Value> args) {
    const Orientation style = orientationArg(m, args, 0);
    const auto parts = model::decompose3D(rawOf(m, t));
    const model::Parts3D p = parts.value_or(model::Parts3D{.scale = {0, 0, 0}});
    const Value made = avm2::newVectorOf(m, m.coreClass(Geom, u"Vector3D"));
    Machine::Pin keep(m, made);
    avm2::VectorObject* v = avm2::asVector(made);
    avm2::resizeVector(m, v, 3);
    v->set(0, newVector3D(m, {p.move[0], p.move[1], p.move[2], 0}));
    v->set(1, newVector3D(m, orientationOf(p, style)));
    v->set(2, newVector3D(m, {p.scale[0], p.scale[1], p.scale[2], 0}));
    return made;
}

// recompose(components, style): false (matrix kept) for fewer than three
// parts or a zero scale.
Value matrixRecompose(Machine& m, Value t, std::span<const Value> args) {
    const Orientation style = orientationArg(m, args, 1);
    const avm2::VectorObject* v = avm2::asVector(argument(args, 0));
    if (!v || v->size() < 3)
        return Value::boolean(false);
    const V4 move = readV4(m, v->get(0)), turn = readV4(m, v->get(1)), scale = readV4(m, v->get(2));
    if (scale.x == 0 || scale.y == 0 || scale.z == 0)
        return Value::boolean(false);
    model::Parts3D p{
        .move = {move.x, move.y, move.z}, .rotation = quaternionOf(turn, style), .scale = {scale.x, scale.y, scale.z}};
    const Matrix3D made = model::recompose3D(p);
    for (double d : made) {
        if (!std::isfinite(d))
            return Value::boolean(false);
    }
    rawOf(m, t) = made;
    return Value::boolean(true);
}

Matrix3D interpolated(const Matrix3D& from, const Matrix3D& to, double percent) {
    return model::recompose3D(model::interpolate3D(partsOf(from), partsOf(to), percent));
}
Value matrixInterpolate(Machine& m, Value, std::span<const Value> args) {
    return newMatrix3D(
        m, interpolated(rawOf(m, argument(args, 0)), rawOf(m, argument(args, 1)), numberArg(m, args, 2, 0)));
}
Value matrixInterpolateTo(Machine& m, Value t, std::span<const Value> args) {
    Matrix3D& r = rawOf(m, t);
    r = interpolated(r, rawOf(m, argument(args, 0)), numberArg(m, args, 1, 0));
    return Value();
}

V4 unit(V4 v) {
    const double n = length(v);
    return n > 0 ? V4{v.x / n, v.y / n, v.z / n, 0} : V4{};
}
V4 cross(const V4& a, const V4& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0}; }
double dot(const V4& a, const V4& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The matrix turned so that its `at` axis points to `pos` with `up` kept as
// near the world's up as may be; move and scale stay. Unchanged when the
// direction or the up are undefined.
Matrix3D pointedAt(const Matrix3D& raw, V4 pos, V4 at, V4 up) {
    model::Parts3D p = partsOf(raw);
    const V4 d = unit({pos.x - p.move[0], pos.y - p.move[1], pos.z - p.move[2], 0});
    const V4 a = unit(at);
    const V4 worldUp = unit({up.x - dot(up, d) * d.x, up.y - dot(up, d) * d.y, up.z - dot(up, d) * d.z, 0});
    const V4 localUp = unit({up.x - dot(up, a) * a.x, up.y - dot(up, a) * a.y, up.z - dot(up, a) * a.z, 0});
    if (length(d) == 0 || length(a) == 0 || length(worldUp) == 0 || length(localUp) == 0)
        return raw;
    // rotation = world frame * local frame transposed (orthonormal frames).
    const V4 world[3] = {d, worldUp, cross(d, worldUp)};
    const V4 local[3] = {a, localUp, cross(a, localUp)};
    Matrix3D turn = model::identity3D();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 3; ++k) {
                const double wr = r == 0 ? world[k].x : r == 1 ? world[k].y : world[k].z;
                const double lc = c == 0 ? local[k].x : c == 1 ? local[k].y : local[k].z;
                sum += wr * lc;
            }
            turn[size_t(c * 4 + r)] = sum;
        }
    }
    p.rotation = partsOf(turn).rotation;
    return model::recompose3D(p);
}
V4 optionalV4(Machine& m, std::span<const Value> args, size_t i, V4 otherwise) {
    return i < args.size() && args[i].isObject() ? readV4(m, args[i]) : otherwise;
}
constexpr V4 DefaultAt{0, 0, -1, 0}, DefaultUp{0, -1, 0, 0};

Value matrixPointAt(Machine& m, Value t, std::span<const Value> args) {
    Matrix3D& r = rawOf(m, t);
    r = pointedAt(r, readV4(m, argument(args, 0)), optionalV4(m, args, 1, DefaultAt),
                  optionalV4(m, args, 2, DefaultUp));
    return Value();
}

size_t rowOrColumn(Machine& m, std::span<const Value> args) {
    const double i = numberArg(m, args, 0, -1);
    if (!(i >= 0 && i <= 3))
        m.throwError("ArgumentError", 2004, u"One of the parameters is invalid.");
    return size_t(i);
}
// Row r: elements [r], [4 + r], [8 + r], [12 + r]; column c: [4c .. 4c + 3].
template <bool Row>
Value matrixCopyLineTo(Machine& m, Value t, std::span<const Value> args) {
    const size_t i = rowOrColumn(m, args);
    const Value out = argument(args, 1);
    (void)readV4(m, out);
    const Matrix3D& r = rawOf(m, t);
    const size_t first = Row ? i : i * 4, step = Row ? 4 : 1;
    put(out, u"x", r[first]);
    put(out, u"y", r[first + step]);
    put(out, u"z", r[first + 2 * step]);
    put(out, u"w", r[first + 3 * step]);
    return Value();
}
template <bool Row>
Value matrixCopyLineFrom(Machine& m, Value t, std::span<const Value> args) {
    const size_t i = rowOrColumn(m, args);
    const V4 v = readV4(m, argument(args, 1));
    Matrix3D& r = rawOf(m, t);
    const size_t first = Row ? i : i * 4, step = Row ? 4 : 1;
    r[first] = v.x;
    r[first + step] = v.y;
    r[first + 2 * step] = v.z;
    r[first + 3 * step] = v.w;
    return Value();
}
// copyRawDataTo(vector, index = 0, transpose = false): the vector grows.
Value matrixCopyRawDataTo(Machine& m, Value t, std::span<const Value> args) {
    avm2::VectorObject* out = avm2::asVector(argument(args, 0));
    if (!out)
        m.throwError("TypeError", 2007, u"Parameter vector must be non-null.");
    const double index = numberArg(m, args, 1, 0);
    // From inside the vector or its end: no far growth.
    if (!(index >= 0 && index <= double(out->size())))
        m.throwError("RangeError", 1125, u"The index is out of range.");
    const bool transposed = avm2::toBoolean(argument(args, 2));
    const Matrix3D r = rawOf(m, t);
    const size_t at = size_t(index);
    if (out->size() < at + 16)
        avm2::resizeVector(m, out, at + 16);
    for (size_t i = 0; i < 16; ++i) {
        const size_t from = transposed ? (i % 4) * 4 + i / 4 : i;
        out->set(at + i, avm2::coerceElement(m, *out, Value::number(r[from])));
    }
    return Value();
}
Value matrixCopyRawDataFrom(Machine& m, Value t, std::span<const Value> args) {
    const avm2::VectorObject* in = avm2::asVector(argument(args, 0));
    if (!in)
        m.throwError("TypeError", 2007, u"Parameter vector must be non-null.");
    const double index = numberArg(m, args, 1, 0);
    if (!(index >= 0 && index + 16 <= double(in->size())))
        m.throwError("RangeError", 1125, u"The index is out of range.");
    const bool transposed = avm2::toBoolean(argument(args, 2));
    Matrix3D r{};
    for (size_t i = 0; i < 16; ++i)
        r[transposed ? (i % 4) * 4 + i / 4 : i] = m.toNumber(in->get(size_t(index) + i));
    rawOf(m, t) = r;
    return Value();
}
Value matrixCopyToMatrix3D(Machine& m, Value t, std::span<const Value> args) {
    rawOf(m, argument(args, 0)) = rawOf(m, t);
    return Value();
}

const avm2::NativeMember MatrixMethods[] = {
    {u"identity", matrixIdentity},
    {u"clone", matrixClone},
    {u"copyFrom", matrixCopyFrom},
    {u"append", matrixCombine<true>},
    {u"prepend", matrixCombine<false>},
    {u"appendTranslation", matrixTranslation<true>},
    {u"prependTranslation", matrixTranslation<false>},
    {u"appendScale", matrixScale<true>},
    {u"prependScale", matrixScale<false>},
    {u"appendRotation", matrixRotation<true>},
    {u"prependRotation", matrixRotation<false>},
    {u"invert", matrixInvert},
    {u"transpose", matrixTranspose},
    {u"transformVector", matrixTransformVector},
    {u"deltaTransformVector", matrixDeltaTransformVector},
    {u"transformVectors", matrixTransformVectors},
    {u"decompose", matrixDecompose},
    {u"recompose", matrixRecompose},
    {u"interpolateTo", matrixInterpolateTo},
    {u"pointAt", matrixPointAt},
    {u"copyRowTo", matrixCopyLineTo<true>},
    {u"copyColumnTo", matrixCopyLineTo<false>},
    {u"copyRowFrom", matrixCopyLineFrom<true>},
    {u"copyColumnFrom", matrixCopyLineFrom<false>},
    {u"copyRawDataTo", matrixCopyRawDataTo},
    {u"copyRawDataFrom", matrixCopyRawDataFrom},
    {u"copyToMatrix3D", matrixCopyToMatrix3D},
};
const avm2::NativeMember MatrixStatics[] = {{u"interpolate", matrixInterpolate}};

// --- Utils3D and Orientation3D ----------------------------------------------

// projectVector(m, v): through the matrix, then x, y and z divided by w.
Value utilsProjectVector(Machine& m, Value, std::span<const Value> args) {
    V4 p = apply(rawOf(m, argument(args, 0)), readV4(m, argument(args, 1)), true);
    if (p.w != 0) {
        p.x /= p.w;
        p.y /= p.w;
        p.z /= p.w;
    }
    return newVector3D(m, p);
}
// projectVectors(m, verts, projected, uvts): x, y, z triples to x, y pairs;
// every third uvt (t) becomes 1 / w for perspective-right textures.
Value utilsProjectVectors(Machine& m, Value, std::span<const Value> args) {
    const Matrix3D r = rawOf(m, argument(args, 0));
    const avm2::VectorObject* in = avm2::asVector(argument(args, 1));
    avm2::VectorObject* out = avm2::asVector(argument(args, 2));
    avm2::VectorObject* uvts = avm2::asVector(argument(args, 3));
    if (!in || !out || !uvts)
        m.throwError("TypeError", 2007, u"Parameter must be non-null.");
    const size_t n = in->size() / 3;
    if (out->size() < n * 2)
        avm2::resizeVector(m, out, n * 2);
    if (uvts->size() < n * 3)
        avm2::resizeVector(m, uvts, n * 3);
    for (size_t i = 0; i < n; ++i) {
        const V4 p = apply(
            r, {m.toNumber(in->get(i * 3)), m.toNumber(in->get(i * 3 + 1)), m.toNumber(in->get(i * 3 + 2)), 1}, true);
        out->set(i * 2, avm2::coerceElement(m, *out, Value::number(p.x / p.w)));
        out->set(i * 2 + 1, avm2::coerceElement(m, *out, Value::number(p.y / p.w)));
        uvts->set(i * 3 + 2, avm2::coerceElement(m, *uvts, Value::number(1 / p.w)));
    }
    return Value();
}
// pointTowards(percent, m, pos, at = null, up = null): m turned that share
// of the way to pointing at pos.
Value utilsPointTowards(Machine& m, Value, std::span<const Value> args) {
    const Matrix3D from = rawOf(m, argument(args, 1));
    const Matrix3D to = pointedAt(from, readV4(m, argument(args, 2)), optionalV4(m, args, 3, DefaultAt),
                                  optionalV4(m, args, 4, DefaultUp));
    return newMatrix3D(m, interpolated(from, to, numberArg(m, args, 0, 0)));
}
const avm2::NativeMember UtilsStatics[] = {
    {u"projectVector", utilsProjectVector},
    {u"projectVectors", utilsProjectVectors},
    {u"pointTowards", utilsPointTowards},
};
const avm2::NativeStringConstant OrientationConstants[] = {
    {u"EULER_ANGLES", EulerAngles}, {u"AXIS_ANGLE", AxisAngle}, {u"QUATERNION", QuaternionStyle}};
const avm2::NativeAccessor MatrixAccessors[] = {
    {u"rawData", matrixRawData, matrixSetRawData},
    {u"position", matrixPosition, matrixSetPosition},
    {u"determinant", matrixDeterminant},
};

// --- PerspectiveProjection --------------------------------------------------
// One belongs to a display object (what transform.perspectiveProjection
// gives: changing it changes the object's) or stands alone (new).

constexpr double DefaultFieldOfView = 55;

struct ProjectionState final : avm2::NativeState {
    Value owner;
    double fieldOfView = DefaultFieldOfView;
    swf::Point center;  // pixels, in the owner's coordinates
    void trace(avm2::Tracer& tracer) const override { tracer.value(owner); }
};

double stageWidth(Machine& m) { return double(hostContext(m).stage.widthTwips()) / 20; }

ProjectionState& projectionOf(Machine& m, Value t) {
    auto* state = t.isObject() ? t.asObject()->nativeAs<ProjectionState>() : nullptr;
    if (!state)
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    return *state;
}

double focalLength(Machine& m, double fieldOfView) {
    return stageWidth(m) / 2 / std::tan(fieldOfView * std::numbers::pi / 360);
}

void refreshProjections(Machine& m);

// An owner's projection: what its script set, or the stage's defaults.
ProjectionState projectionFor(Machine& m, Value owner) {
    ProjectionState p;
    p.center = {stageWidth(m) / 2, double(hostContext(m).stage.heightTwips()) / 40};
    if (!owner.isObject())
        return p;
    const auto& stored = displayOf(m, owner).stored;
    if (auto it = stored.find(u"fieldOfView"); it != stored.end())
        p.fieldOfView = m.toNumber(it->second);
    if (auto it = stored.find(u"projectionCenterX"); it != stored.end())
        p.center.x = m.toNumber(it->second);
    if (auto it = stored.find(u"projectionCenterY"); it != stored.end())
        p.center.y = m.toNumber(it->second);
    return p;
}

void storeProjection(Machine& m, const ProjectionState& p) {
    if (!p.owner.isObject())
        return;
    auto& stored = displayOf(m, p.owner).stored;
    stored[u"fieldOfView"] = Value::number(p.fieldOfView);
    stored[u"projectionCenterX"] = Value::number(p.center.x);
    stored[u"projectionCenterY"] = Value::number(p.center.y);
    refreshProjections(m);
}

Value newProjection(Machine& m, Value owner) {
    const Value made = m.construct(Value::object(m.coreClass(Geom, u"PerspectiveProjection")), {});
    ProjectionState& state = projectionOf(m, made);
    const ProjectionState p = projectionFor(m, owner);
    state.owner = owner;
    state.fieldOfView = p.fieldOfView;
    state.center = p.center;
    return made;
}

Value projectionInit(Machine& m, Value t, std::span<const Value>) {
    auto state = std::make_unique<ProjectionState>();
    state->center = {stageWidth(m) / 2, double(hostContext(m).stage.heightTwips()) / 40};
    t.asObject()->setNativeState(std::move(state));
    return Value();
}
Value projectionFieldOfView(Machine& m, Value t, std::span<const Value>) {
    return Value::number(projectionOf(m, t).fieldOfView);
}
// Between 0 and 180 degrees, both left out.
Value projectionSetFieldOfView(Machine& m, Value t, std::span<const Value> args) {
    const double fov = numberArg(m, args, 0, DefaultFieldOfView);
    if (!(fov > 0 && fov < 180))
        m.throwError("ArgumentError", 2004, u"One of the parameters is invalid.");
    ProjectionState& p = projectionOf(m, t);
    p.fieldOfView = fov;
    storeProjection(m, p);
    return Value();
}
Value projectionFocalLength(Machine& m, Value t, std::span<const Value>) {
    return Value::number(focalLength(m, projectionOf(m, t).fieldOfView));
}
Value projectionSetFocalLength(Machine& m, Value t, std::span<const Value> args) {
    const double f = numberArg(m, args, 0, 0);
    if (!(f > 0) || !std::isfinite(f))
        m.throwError("ArgumentError", 2004, u"One of the parameters is invalid.");
    ProjectionState& p = projectionOf(m, t);
    p.fieldOfView = std::atan(stageWidth(m) / 2 / f) * 360 / std::numbers::pi;
    storeProjection(m, p);
    return Value();
}
Value projectionCenter(Machine& m, Value t, std::span<const Value>) {
    const ProjectionState& p = projectionOf(m, t);
    return newPoint(m, p.center.x, p.center.y);
}
Value projectionSetCenter(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point c = readPoint(m, argument(args, 0));
    if (!std::isfinite(c.x) || !std::isfinite(c.y))
        return Value();
    ProjectionState& p = projectionOf(m, t);
    p.center = c;
    storeProjection(m, p);
    return Value();
}
Value projectionToMatrix3D(Machine& m, Value t, std::span<const Value>) {
    const double f = focalLength(m, projectionOf(m, t).fieldOfView);
    Matrix3D r{};
    r[0] = f;
    r[5] = f;
    r[10] = 1;
    r[11] = 1;
    return newMatrix3D(m, r);
}

const avm2::NativeAccessor ProjectionAccessors[] = {
    {u"fieldOfView", projectionFieldOfView, projectionSetFieldOfView},
    {u"focalLength", projectionFocalLength, projectionSetFocalLength},
    {u"projectionCenter", projectionCenter, projectionSetCenter},
};
const avm2::NativeMember ProjectionMethods[] = {{u"toMatrix3D", projectionToMatrix3D}};

// --- The display object's 3D placement --------------------------------------

model::DisplayObject* modelOf(Machine& m, Value t) { return displayOf(m, t).object.get(); }

// The projection that applies to the object: the nearest ancestor's that a
// script set, else the root's (defaults when none was set); centre in stage
// pixels.
void project(Machine& m, Value object, model::Placement3D& place) {
    Value owner = hostContext(m).root ? Value::object(hostContext(m).root) : Value();
    size_t steps = 0;
    for (avm2::Object* o = displayOf(m, object).parentObject; o && steps < 1000; ++steps) {
        const DisplayState& d = displayOf(m, Value::object(o));
        if (d.stored.contains(u"fieldOfView")) {
            owner = Value::object(o);
            break;
        }
        o = d.parentObject;
    }
    const ProjectionState p = projectionFor(m, owner);
    place.focalLength = focalLength(m, p.fieldOfView);
    place.center = p.center;
    if (const model::DisplayObject* o = owner.isObject() ? modelOf(m, owner) : nullptr) {
        const swf::Point at = model::apply(o->concatenatedMatrix(), {p.center.x * 20, p.center.y * 20});
        place.center = {at.x / 20, at.y / 20};
    }
}

// A flat object's placement goes back to none, so it draws as before.
void setPlacement(Machine& m, Value t, model::Placement3D place) {
    model::DisplayObject* o = modelOf(m, t);
    if (!o)
        return;
    if (!place.matrix && place.z == 0 && place.rotationX == 0 && place.rotationY == 0 && place.scaleZ == 1) {
        o->setPlacement3D(std::nullopt);
        return;
    }
    project(m, t, place);
    o->setPlacement3D(place);
}

void refreshTree(Machine& m, avm2::Object* top) {
    std::vector<avm2::Object*> pending{top};
    while (!pending.empty() && pending.size() < 100000) {
        avm2::Object* o = pending.back();
        pending.pop_back();
        const DisplayState& d = displayOf(m, Value::object(o));
        if (d.object && d.object->placement3D())
            setPlacement(m, Value::object(o), *d.object->placement3D());
        for (const Value& c : d.children)
            pending.push_back(c.asObject());
    }
}

void refreshProjections(Machine& m) {
    if (const Value stage = hostContext(m).held.stage; stage.isObject())
        refreshTree(m, stage.asObject());
}

template <double model::Placement3D::*Field, double Otherwise>
Value placementGet(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return Value::number(o && o->placement3D() ? (*o->placement3D()).*Field : Otherwise);
}
// A placement given by a whole matrix taken back to its parts, so that one
// of them can change: flat scale and rotation on the object, the rest in
// the placement. Left whole when a scale is zero.
void intoParts(model::DisplayObject& o, model::Placement3D& place) {
    const auto parts = place.matrix ? model::decompose3D(model::placementMatrix(o, place)) : std::nullopt;
    if (!parts)
        return;
    const auto turns = model::eulerFromQuaternion(parts->rotation);
    constexpr double Degrees = 180 / std::numbers::pi;
    place.rotationX = turns[0] * Degrees;
    place.rotationY = turns[1] * Degrees;
    place.scaleZ = parts->scale[2];
    place.z = parts->move[2];
    place.matrix.reset();
    o.setRotation(turns[2] * Degrees);
    o.setXScale(parts->scale[0] * 100);
    o.setYScale(parts->scale[1] * 100);
}

template <double model::Placement3D::*Field, double Otherwise>
Value placementSet(Machine& m, Value t, std::span<const Value> args) {
    const double v = numberArg(m, args, 0, Otherwise);
    model::DisplayObject* o = modelOf(m, t);
    if (!o || !std::isfinite(v))
        return Value();
    model::Placement3D place = o->placement3D() ? *o->placement3D() : model::Placement3D{};
    const bool whole = place.matrix.has_value();
    if (Field != &model::Placement3D::z)
        intoParts(*o, place);
    place.*Field = v;
    if (whole) {  // put together again: placed by matrix3D until transform.matrix is set
        place.matrix = model::placementMatrix(*o, place);
        project(m, t, place);
        o->setPlacement3D(place);
    } else {
        setPlacement(m, t, place);
    }
    return Value();
}

// rotationZ is the flat rotation.
Value rotationZ(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return Value::number(o ? o->rotation() : 0);
}
Value setRotationZ(Machine& m, Value t, std::span<const Value> args) {
    const double v = numberArg(m, args, 0, 0);
    model::DisplayObject* o = modelOf(m, t);
    if (!o || !std::isfinite(v))
        return Value();
    changeFlatPart(*o, [&] { o->setRotation(v); });
    return Value();
}

const avm2::NativeAccessor DisplayAccessors[] = {
    {u"z", placementGet<&model::Placement3D::z, 0.0>, placementSet<&model::Placement3D::z, 0.0>},
    {u"rotationX", placementGet<&model::Placement3D::rotationX, 0.0>,
     placementSet<&model::Placement3D::rotationX, 0.0>},
    {u"rotationY", placementGet<&model::Placement3D::rotationY, 0.0>,
     placementSet<&model::Placement3D::rotationY, 0.0>},
    {u"scaleZ", placementGet<&model::Placement3D::scaleZ, 1.0>, placementSet<&model::Placement3D::scaleZ, 1.0>},
    {u"rotationZ", rotationZ, setRotationZ},
};

// Transform.matrix3D: the object's whole 3D matrix, null for a flat one.
Value transformMatrix3D(Machine& m, Value t, std::span<const Value>) {
    const Value owner = transformOwner(t);
    const model::DisplayObject* o = owner.isObject() ? modelOf(m, owner) : nullptr;
    if (!o || !o->placement3D())
        return Value::null();
    return newMatrix3D(m, model::placementMatrix(*o, *o->placement3D()));
}
// A matrix makes the object 3D, placed by it alone (its x and y follow the
// matrix's move); null makes it flat again.
Value transformSetMatrix3D(Machine& m, Value t, std::span<const Value> args) {
    const Value owner = transformOwner(t);
    model::DisplayObject* o = owner.isObject() ? modelOf(m, owner) : nullptr;
    if (!o)
        return Value();
    const Value given = argument(args, 0);
    if (given.isNullish()) {
        o->setPlacement3D(std::nullopt);
        return Value();
    }
    const Matrix3D raw = rawOf(m, given);
    for (double v : raw) {
        if (!std::isfinite(v))
            return Value();
    }
    model::Placement3D place;
    place.matrix = raw;
    place.z = raw[14];
    o->setX(raw[12]);
    o->setY(raw[13]);
    // Scale and rotation getters read the matrix's parts; the matrix itself
    // still draws, as parts lose any shear it holds.
    intoParts(*o, place);
    place.matrix = raw;
    project(m, owner, place);
    o->setPlacement3D(place);
    return Value();
}
Value transformProjection(Machine& m, Value t, std::span<const Value>) {
    const Value owner = transformOwner(t);
    if (!owner.isObject())
        return Value::null();
    const DisplayState& d = displayOf(m, owner);
    if (!d.stored.contains(u"fieldOfView") && owner.asObject() != hostContext(m).root)
        return Value::null();
    return newProjection(m, owner);
}
Value transformSetProjection(Machine& m, Value t, std::span<const Value> args) {
    const Value owner = transformOwner(t);
    if (!owner.isObject())
        return Value();
    const Value given = argument(args, 0);
    if (given.isNullish()) {
        auto& stored = displayOf(m, owner).stored;
        stored.erase(u"fieldOfView");
        stored.erase(u"projectionCenterX");
        stored.erase(u"projectionCenterY");
        refreshProjections(m);
        return Value();
    }
    ProjectionState p = projectionOf(m, given);
    p.owner = owner;
    storeProjection(m, p);
    return Value();
}

// The object's matrix to the stage's space: each level's 3D matrix, or its
// flat one for a flat level, and the scroll of each window on the way.
Matrix3D concatenated3D(const model::DisplayObject& object) {
    Matrix3D all = model::identity3D();
    size_t steps = 0;
    for (const model::DisplayObject* o = &object; o && steps < 1000; o = o->parent(), ++steps) {
        Matrix3D own = model::identity3D();
        if (o->placement3D()) {
            own = model::placementMatrix(*o, *o->placement3D());
        } else {
            const swf::Matrix& f = o->matrix();
            own[0] = f.a;
            own[1] = f.b;
            own[4] = f.c;
            own[5] = f.d;
            own[12] = f.tx / 20;
            own[13] = f.ty / 20;
        }
        // Children sit in the parent's content, which its scroll window moves.
        if (const model::DisplayObject* parent = o->parent(); parent && parent->scrollRect()) {
            const swf::Matrix scroll = parent->contentMatrix();
            own[12] += scroll.tx / 20;
            own[13] += scroll.ty / 20;
        }
        all = model::multiply3D(own, all);
    }
    return all;
}

// getRelativeMatrix3D(relativeTo): this object's space in relativeTo's;
// null when relativeTo's cannot be inverted.
Value transformRelativeMatrix3D(Machine& m, Value t, std::span<const Value> args) {
    const Value owner = transformOwner(t);
    const model::DisplayObject* o = owner.isObject() ? modelOf(m, owner) : nullptr;
    const Value other = argument(args, 0);
    const model::DisplayObject* to = other.isObject() ? modelOf(m, other) : nullptr;
    if (!o || !to)
        return Value::null();
    const auto back = model::invert3D(concatenated3D(*to));
    return back ? newMatrix3D(m, model::multiply3D(*back, concatenated3D(*o))) : Value::null();
}

// local3DToGlobal(v): where the stage shows the object's 3D point; a flat
// object's z goes through the projection that applies to it.
Value local3DToGlobal(Machine& m, Value t, std::span<const Value> args) {
    const V4 v = readV4(m, argument(args, 0));
    const model::DisplayObject* o = modelOf(m, t);
    std::optional<swf::Point> shown;
    if (o && o->placement3D()) {
        shown = model::projectToStage(*o, v.x, v.y, v.z);
        const auto back = o->parent() ? model::invert(o->parent()->concatenatedMatrix()) : std::nullopt;
        if (shown && back)
            shown = model::shownOnStage(*o->parent(), model::apply(*back, *shown));
    } else if (o) {
        shown = model::shownOnStage(*o, {v.x * 20, v.y * 20});
        model::Placement3D place;
        project(m, t, place);
        if (shown && v.z != 0)
            shown = model::perspective(place, *shown, v.z);
    }
    return shown ? newPoint(m, shown->x / 20, shown->y / 20) : newPoint(m, 0, 0);
}
// globalToLocal3D(point): the point of the object's z = 0 plane shown there.
Value globalToLocal3D(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    const model::DisplayObject* o = modelOf(m, t);
    const auto flat = o ? model::flatStagePoint(*o, {p.x * 20, p.y * 20}) : std::nullopt;
    const auto back = o ? model::invert(o->concatenatedMatrix()) : std::nullopt;
    if (!flat || !back)
        return newVector3D(m, {0, 0, 0, 0});
    const swf::Point local = model::apply(*back, *flat);
    return newVector3D(m, {local.x / 20, local.y / 20, 0, 0});
}

const avm2::NativeMember DisplayMethods[] = {{u"local3DToGlobal", local3DToGlobal},
                                             {u"globalToLocal3D", globalToLocal3D}};
const avm2::NativeMember TransformMethods[] = {{u"getRelativeMatrix3D", transformRelativeMatrix3D}};

const avm2::NativeAccessor TransformAccessors[] = {
    {u"matrix3D", transformMatrix3D, transformSetMatrix3D},
    {u"perspectiveProjection", transformProjection, transformSetProjection},
};

const avm2::CoreClassSpec Classes[] = {
    {.name = u"Vector3D",
     .base = u"Object",
     .init = vectorInit,
     .statics = VectorStatics,
     .package = Geom,
     .methods = VectorMethods,
     .accessors = VectorAccessors,
     .staticAccessors = VectorStaticAccessors},
    sealedClass(Geom, u"Matrix3D", u"Object", matrixInit,
                {.methods = MatrixMethods, .accessors = MatrixAccessors, .statics = MatrixStatics}),
    sealedClass(Geom, u"PerspectiveProjection", u"Object", projectionInit,
                {.methods = ProjectionMethods, .accessors = ProjectionAccessors}),
    staticsClass(Geom, u"Utils3D", {.statics = UtilsStatics}),
    staticsClass(Geom, u"Orientation3D", {.strings = OrientationConstants}),
};

}  // namespace

void changeFlatPart(model::DisplayObject& object, const std::function<void()>& change) {
    if (!object.placement3D() || !object.placement3D()->matrix) {
        change();
        return;
    }
    model::Placement3D place = *object.placement3D();
    intoParts(object, place);
    object.setPlacement3D(place);
    change();
    // Put together again: placed by a whole matrix until transform.matrix is set.
    place = *object.placement3D();
    place.matrix = model::placementMatrix(object, place);
    object.setPlacement3D(place);
}

void placeLike(Machine& m, Value target, const std::optional<model::Placement3D>& placement) {
    model::DisplayObject* o = modelOf(m, target);
    if (o && !placement)
        o->setPlacement3D(std::nullopt);
    else if (o)
        setPlacement(m, target, *placement);  // under the target's own projection
}

std::span<const avm2::CoreClassSpec> geom3DClasses() { return Classes; }
std::span<const avm2::NativeAccessor> display3DAccessors() { return DisplayAccessors; }
std::span<const avm2::NativeAccessor> transform3DAccessors() { return TransformAccessors; }
std::span<const avm2::NativeMember> display3DMethods() { return DisplayMethods; }
std::span<const avm2::NativeMember> transform3DMethods() { return TransformMethods; }

}  // namespace as3
