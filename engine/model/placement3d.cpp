#include "model/placement3d.h"

#include "model/display_object.h"
#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace model {

Matrix3D multiply3D(const Matrix3D& a, const Matrix3D& b) {
    Matrix3D r{};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[c * 4 + k];
            r[c * 4 + row] = sum;
        }
    }
    return r;
}

std::optional<Matrix3D> rotation3D(double degrees, double ax, double ay, double az) {
    const double length = std::sqrt(ax * ax + ay * ay + az * az);
    if (!(length > 0) || !std::isfinite(length) || !std::isfinite(degrees))
        return std::nullopt;
    const double x = ax / length, y = ay / length, z = az / length;
    const double angle = degrees * std::numbers::pi / 180, c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    // Columns of the rotation: x toward y for a positive angle about z.
    return Matrix3D{t * x * x + c,
                    t * x * y + s * z,
                    t * x * z - s * y,
                    0,  //
                    t * x * y - s * z,
                    t * y * y + c,
                    t * y * z + s * x,
                    0,  //
                    t * x * z + s * y,
                    t * y * z - s * x,
                    t * z * z + c,
                    0,  //
                    0,
                    0,
                    0,
                    1};
}

Matrix3D compose3D(double x, double y, double z, double scaleX, double scaleY, double scaleZ, double rotationX,
                   double rotationY, double rotationZ) {
    Matrix3D m = identity3D();
    m[0] = scaleX;
    m[5] = scaleY;
    m[10] = scaleZ;
    const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double angles[3] = {rotationX, rotationY, rotationZ};
    for (int i = 0; i < 3; ++i) {
        if (angles[i] == 0)
            continue;
        if (const auto r = rotation3D(angles[i], axes[i][0], axes[i][1], axes[i][2]))
            m = multiply3D(*r, m);
    }
    m[12] += x;
    m[13] += y;
    m[14] += z;
    return m;
}

namespace {

// The 3x3 minor without row `skipRow` and column `skipColumn`.
double minor(const Matrix3D& m, int skipRow, int skipColumn) {
    double v[9];
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        if (c == skipColumn)
            continue;
        for (int r = 0; r < 4; ++r) {
            if (r != skipRow)
                v[n++] = m[c * 4 + r];
        }
    }
    return v[0] * (v[4] * v[8] - v[7] * v[5]) - v[3] * (v[1] * v[8] - v[7] * v[2]) + v[6] * (v[1] * v[5] - v[4] * v[2]);
}

}  // namespace

double determinant3D(const Matrix3D& m) {
    double d = 0;
    for (int c = 0; c < 4; ++c)
        d += ((c & 1) ? -1 : 1) * m[c * 4] * minor(m, 0, c);
    return d;
}

std::optional<Matrix3D> invert3D(const Matrix3D& m) {
    const double d = determinant3D(m);
    if (!(std::abs(d) > 1e-300) || !std::isfinite(d))
        return std::nullopt;
    Matrix3D r{};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row)
            r[c * 4 + row] = (((row + c) & 1) ? -1 : 1) * minor(m, c, row) / d;
    }
    return r;
}

namespace {

using Quaternion = std::array<double, 4>;

// Element (row r, column c).
double& at(Matrix3D& m, int r, int c) { return m[size_t(c * 4 + r)]; }

Quaternion normalized(Quaternion q) {
    const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(n > 0))
        return {0, 0, 0, 1};
    for (double& v : q)
        v /= n;
    return q;
}

}  // namespace

std::optional<Parts3D> decompose3D(const Matrix3D& source) {
    Matrix3D m = source;
    Parts3D p;
    p.move = {m[12], m[13], m[14]};
    for (int c = 0; c < 3; ++c)
        p.scale[size_t(c)] =
            std::sqrt(at(m, 0, c) * at(m, 0, c) + at(m, 1, c) * at(m, 1, c) + at(m, 2, c) * at(m, 2, c));
    // A mirrored matrix keeps a proper rotation by turning z's scale.
    const double handedness = at(m, 0, 0) * (at(m, 1, 1) * at(m, 2, 2) - at(m, 2, 1) * at(m, 1, 2)) -
                              at(m, 0, 1) * (at(m, 1, 0) * at(m, 2, 2) - at(m, 2, 0) * at(m, 1, 2)) +
                              at(m, 0, 2) * (at(m, 1, 0) * at(m, 2, 1) - at(m, 2, 0) * at(m, 1, 1));
    if (handedness < 0)
        p.scale[2] = -p.scale[2];
    for (int c = 0; c < 3; ++c) {
        const double s = p.scale[size_t(c)];
        if (!(std::abs(s) > 1e-12) || !std::isfinite(s))
            return std::nullopt;
        for (int r = 0; r < 3; ++r)
            at(m, r, c) /= s;
    }
    const double trace = at(m, 0, 0) + at(m, 1, 1) + at(m, 2, 2);
    Quaternion q;
    if (trace > 0) {
        const double s = std::sqrt(trace + 1) * 2;
        q = {(at(m, 2, 1) - at(m, 1, 2)) / s, (at(m, 0, 2) - at(m, 2, 0)) / s, (at(m, 1, 0) - at(m, 0, 1)) / s, s / 4};
    } else if (at(m, 0, 0) > at(m, 1, 1) && at(m, 0, 0) > at(m, 2, 2)) {
        const double s = std::sqrt(1 + at(m, 0, 0) - at(m, 1, 1) - at(m, 2, 2)) * 2;
        q = {s / 4, (at(m, 0, 1) + at(m, 1, 0)) / s, (at(m, 0, 2) + at(m, 2, 0)) / s, (at(m, 2, 1) - at(m, 1, 2)) / s};
    } else if (at(m, 1, 1) > at(m, 2, 2)) {
        const double s = std::sqrt(1 + at(m, 1, 1) - at(m, 0, 0) - at(m, 2, 2)) * 2;
        q = {(at(m, 0, 1) + at(m, 1, 0)) / s, s / 4, (at(m, 1, 2) + at(m, 2, 1)) / s, (at(m, 0, 2) - at(m, 2, 0)) / s};
    } else {
        const double s = std::sqrt(1 + at(m, 2, 2) - at(m, 0, 0) - at(m, 1, 1)) * 2;
        q = {(at(m, 0, 2) + at(m, 2, 0)) / s, (at(m, 1, 2) + at(m, 2, 1)) / s, s / 4, (at(m, 1, 0) - at(m, 0, 1)) / s};
    }
    p.rotation = normalized(q);
    return p;
}

Matrix3D recompose3D(const Parts3D& p) {
    const auto [x, y, z, w] = normalized(p.rotation);
    Matrix3D m = identity3D();
    const double rotation[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                                   {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                                   {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            at(m, r, c) = rotation[r][c] * p.scale[size_t(c)];
    }
    m[12] = p.move[0];
    m[13] = p.move[1];
    m[14] = p.move[2];
    return m;
}

std::array<double, 4> quaternionFromEuler(double x, double y, double z) {
    const double cx = std::cos(x / 2), sx = std::sin(x / 2), cy = std::cos(y / 2), sy = std::sin(y / 2);
    const double cz = std::cos(z / 2), sz = std::sin(z / 2);
    // z * y * x: x turns first.
    return {sx * cy * cz - cx * sy * sz, cx * sy * cz + sx * cy * sz, cx * cy * sz - sx * sy * cz,
            cx * cy * cz + sx * sy * sz};
}

std::array<double, 3> eulerFromQuaternion(const std::array<double, 4>& q) {
    const Matrix3D m = recompose3D({.rotation = q});
    const double r20 = std::clamp(m[2], -1.0, 1.0);
    const double y = std::asin(-r20);
    if (std::abs(r20) > 1 - 1e-12)  // x and z turn about one axis: all of it on z
        return {0, y, std::atan2(-m[4], m[5])};
    return {std::atan2(m[6], m[10]), y, std::atan2(m[1], m[0])};
}

Parts3D interpolate3D(const Parts3D& a, const Parts3D& b, double t) {
    Parts3D r;
    for (size_t i = 0; i < 3; ++i) {
        r.move[i] = a.move[i] + (b.move[i] - a.move[i]) * t;
        r.scale[i] = a.scale[i] + (b.scale[i] - a.scale[i]) * t;
    }
    Quaternion q = b.rotation;
    double cosine = a.rotation[0] * q[0] + a.rotation[1] * q[1] + a.rotation[2] * q[2] + a.rotation[3] * q[3];
    if (cosine < 0) {  // the short way round
        cosine = -cosine;
        for (double& v : q)
            v = -v;
    }
    double wa = 1 - t, wb = t;
    if (cosine < 1 - 1e-9) {
        const double angle = std::acos(cosine), s = std::sin(angle);
        wa = std::sin((1 - t) * angle) / s;
        wb = std::sin(t * angle) / s;
    }
    for (size_t i = 0; i < 4; ++i)
        r.rotation[i] = a.rotation[i] * wa + q[i] * wb;
    r.rotation = normalized(r.rotation);
    return r;
}

Matrix3D placementMatrix(const DisplayObject& o, const Placement3D& place) {
    if (place.matrix) {
        // x, y and z stay the matrix's move, so setting them moves the object.
        Matrix3D m = *place.matrix;
        m[12] = o.x();
        m[13] = o.y();
        m[14] = place.z;
        return m;
    }
    return compose3D(o.x(), o.y(), place.z, o.xScale() / 100, o.yScale() / 100, place.scaleZ, place.rotationX,
                     place.rotationY, o.rotation());
}

double nearDepth(const Placement3D& place) { return place.focalLength / 32; }

std::vector<swf::Point> clipToNear(const Placement3D& place, const Matrix3D& m,
                                   const std::vector<swf::Point>& polygon) {
    if (!(place.focalLength > 0))
        return polygon;
    const double limit = nearDepth(place);
    auto depth = [&](swf::Point p) { return place.focalLength + m[2] * p.x + m[6] * p.y + m[14] - limit; };
    std::vector<swf::Point> out;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const swf::Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        const double da = depth(a), db = depth(b);
        if (da >= 0)
            out.push_back(a);
        if ((da >= 0) != (db >= 0)) {
            const double t = da / (da - db);
            out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        }
    }
    return out;
}

std::optional<swf::Point> perspective(const Placement3D& place, swf::Point stage, double z) {
    if (!(place.focalLength > 0))
        return stage;
    const double depth = place.focalLength + z;
    // Points cut at the near depth stay shown despite rounding.
    if (!(depth > nearDepth(place) * (1 - 1e-9)))
        return std::nullopt;
    const double k = place.focalLength / depth;
    return swf::Point{(place.center.x + (stage.x / 20 - place.center.x) * k) * 20,
                      (place.center.y + (stage.y / 20 - place.center.y) * k) * 20};
}

namespace {

// From the coordinates the object is placed in (its parent's content, which
// the parent's scroll window moves) to the stage.
swf::Matrix parentToStage(const DisplayObject& o) {
    const DisplayObject* parent = o.parent();
    return parent ? multiply(parent->concatenatedMatrix(), parent->contentMatrix()) : swf::Matrix{};
}

}  // namespace

std::optional<swf::Point> projectToStage(const DisplayObject& o, double x, double y, double z) {
    if (!o.placement3D())
        return std::nullopt;
    const Matrix3D m = placementMatrix(o, *o.placement3D());
    const swf::Point flat = apply(parentToStage(o), {(m[0] * x + m[4] * y + m[8] * z + m[12]) * 20,
                                                     (m[1] * x + m[5] * y + m[9] * z + m[13]) * 20});
    return perspective(*o.placement3D(), flat, m[2] * x + m[6] * y + m[10] * z + m[14]);
}

std::optional<swf::Point> unprojectFromStage(const DisplayObject& o, swf::Point stage) {
    if (!o.placement3D())
        return std::nullopt;
    const Placement3D& place = *o.placement3D();
    const Matrix3D m = placementMatrix(o, place);
    // The flat image of local (x, y) is e + x * a + y * b (stage pixels).
    const swf::Matrix parent = parentToStage(o);
    auto flat = [&](double x, double y) {
        const swf::Point p = apply(parent, {(m[0] * x + m[4] * y + m[12]) * 20, (m[1] * x + m[5] * y + m[13]) * 20});
        return swf::Point{p.x / 20, p.y / 20};
    };
    const swf::Point e = flat(0, 0), ax = flat(1, 0), by = flat(0, 1);
    const swf::Point a{ax.x - e.x, ax.y - e.y}, b{by.x - e.x, by.y - e.y};
    const double f = place.focalLength, sx = stage.x / 20, sy = stage.y / 20;
    // Shown at s: (s - c) * (f + z(x, y)) = f * (flat(x, y) - c), linear in x, y.
    double p, q, r, s, u, v;
    if (f > 0) {
        const double dx = sx - place.center.x, dy = sy - place.center.y;
        p = f * a.x - dx * m[2];
        q = f * b.x - dx * m[6];
        u = dx * (f + m[14]) - f * (e.x - place.center.x);
        r = f * a.y - dy * m[2];
        s = f * b.y - dy * m[6];
        v = dy * (f + m[14]) - f * (e.y - place.center.y);
    } else {
        p = a.x, q = b.x, u = sx - e.x, r = a.y, s = b.y, v = sy - e.y;
    }
    const double det = p * s - q * r;
    if (!(std::abs(det) > 1e-12))
        return std::nullopt;
    const double x = (u * s - q * v) / det, y = (p * v - u * r) / det;
    if (!std::isfinite(x) || !std::isfinite(y) || (f > 0 && !(f + m[2] * x + m[6] * y + m[14] > nearDepth(place))))
        return std::nullopt;
    return swf::Point{x, y};
}

std::optional<swf::Point> flatStagePoint(const DisplayObject& object, swf::Point stage) {
    std::vector<const DisplayObject*> placed;
    for (const DisplayObject* o = &object; o && placed.size() < 256; o = o->parent()) {
        if (o->placement3D())
            placed.push_back(o);
    }
    // Outermost first: each inner projection works in the flat drawing of the outer.
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
        const auto local = unprojectFromStage(**it, stage);
        if (!local)
            return std::nullopt;
        stage = apply((*it)->concatenatedMatrix(), {local->x * 20, local->y * 20});
    }
    return stage;
}

std::optional<swf::Point> shownOnStage(const DisplayObject& object, swf::Point local) {
    const DisplayObject* at = &object;
    for (int steps = 0; at && steps < 256; ++steps) {
        const DisplayObject* placed = at;
        while (placed && !placed->placement3D())
            placed = placed->parent();
        if (!placed)
            return apply(at->concatenatedMatrix(), local);
        if (placed != at) {
            const auto inverse = invert(placed->concatenatedMatrix());
            if (!inverse)
                return std::nullopt;
            local = apply(*inverse, apply(at->concatenatedMatrix(), local));
        }
        const auto shown = projectToStage(*placed, local.x / 20, local.y / 20, 0);
        at = placed->parent();
        if (!shown || !at)
            return shown;
        const auto inverse = invert(at->concatenatedMatrix());
        if (!inverse)
            return std::nullopt;
        local = apply(*inverse, *shown);
    }
    return std::nullopt;
}

namespace {

bool isAncestorOrSelf(const DisplayObject* ancestor, const DisplayObject& object) {
    const DisplayObject* o = &object;
    for (int steps = 0; o && steps < 4096; o = o->parent(), ++steps) {
        if (o == ancestor)
            return true;
    }
    return false;
}

// From the object's coordinates to those of an ancestor (the stage when
// null), scroll windows included, as concatenatedMatrix() composes them.
swf::Matrix matrixUpTo(const DisplayObject& from, const DisplayObject* ancestor) {
    swf::Matrix m{};
    for (const DisplayObject* o = &from; o && o != ancestor; o = o->parent()) {
        m = multiply(o->matrix(), m);
        if (const DisplayObject* parent = o->parent(); parent && parent->scrollRect())
            m = multiply(parent->contentMatrix(), m);
    }
    return m;
}

template <typename Map>
swf::Bounds boxOfCorners(const swf::Bounds& b, Map&& map) {
    swf::Bounds out;
    if (b.empty)
        return out;
    for (const swf::Point corner : {swf::Point{b.xMin, b.yMin}, swf::Point{b.xMax, b.yMin}, swf::Point{b.xMin, b.yMax},
                                    swf::Point{b.xMax, b.yMax}}) {
        if (const std::optional<swf::Point> p = map(corner))
            out.add(*p);
    }
    return out;
}

// Box `local` of a 3D-placed object projected into its parent's content
// coordinates: the part of it nearer than the near depth is cut off.
swf::Bounds projectBox(const DisplayObject& o, const swf::Bounds& local) {
    const auto back = invert(parentToStage(o));
    swf::Bounds out;
    if (!back || local.empty || !o.placement3D())
        return out;
    const Matrix3D m = placementMatrix(o, *o.placement3D());
    const std::vector<swf::Point> corners{{local.xMin / 20, local.yMin / 20},
                                          {local.xMax / 20, local.yMin / 20},
                                          {local.xMax / 20, local.yMax / 20},
                                          {local.xMin / 20, local.yMax / 20}};
    for (const swf::Point p : clipToNear(*o.placement3D(), m, corners)) {
        if (const auto shown = projectToStage(o, p.x, p.y, 0))
            out.add(apply(*back, *shown));
    }
    return out;
}

}  // namespace

swf::Bounds projectedInParent(const DisplayObject& object) { return projectBox(object, object.localBounds()); }

swf::Bounds boundsInSpace(const DisplayObject& object, const DisplayObject* space) {
    const DisplayObject* stop = isAncestorOrSelf(space, object) ? space : nullptr;
    // Up from the object: `box` is in the coordinates of `at` (the stage when
    // null) once a projection was crossed; before, the content is still
    // boxed through one matrix for the tightest box.
    const DisplayObject* at = &object;
    swf::Bounds box;
    bool crossed = false;
    for (int steps = 0; at != stop && steps < 256; ++steps) {
        const DisplayObject* placed = at;
        while (placed && placed != stop && !placed->placement3D())
            placed = placed->parent();
        if (!placed || placed == stop)
            break;
        const swf::Matrix inPlaced = matrixUpTo(*at, placed);
        box = crossed ? transformBounds(inPlaced, box) : object.boundsThrough(inPlaced);
        box = projectBox(*placed, box);
        crossed = true;
        at = placed->parent();
        if (at && at->scrollRect())
            box = transformBounds(at->contentMatrix(), box);
    }
    if (stop) {
        // The space is above with no projection left on the way.
        if (at == space)
            return crossed ? box : object.localBounds();
        const swf::Matrix m = matrixUpTo(*at, space);
        return crossed ? transformBounds(m, box) : object.boundsThrough(m);
    }
    const swf::Matrix toStage = at ? matrixUpTo(*at, nullptr) : swf::Matrix{};
    bool flatSpace = true;
    for (const DisplayObject* o = space; o && flatSpace; o = o->parent())
        flatSpace = !o->placement3D();
    if (flatSpace) {
        const auto back = space ? invert(space->concatenatedMatrix()) : std::optional(swf::Matrix{});
        if (!back)
            return {};
        const swf::Matrix m = multiply(*back, toStage);
        return crossed ? transformBounds(m, box) : object.boundsThrough(m);
    }
    // A space seen through projections: each corner taken back onto its plane.
    const auto back = invert(space->concatenatedMatrix());
    if (!back)
        return {};
    if (!crossed)
        box = object.localBounds();
    return boxOfCorners(box, [&](swf::Point p) -> std::optional<swf::Point> {
        const auto flat = flatStagePoint(*space, apply(toStage, p));
        return flat ? std::optional(apply(*back, *flat)) : std::nullopt;
    });
}

}  // namespace model
