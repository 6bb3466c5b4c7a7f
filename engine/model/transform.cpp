// Matrix, colour transform and rectangle arithmetic.
#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace model {

swf::Matrix multiply(const swf::Matrix& o, const swf::Matrix& i) {
    return {o.a * i.a + o.c * i.b, o.b * i.a + o.d * i.b,          o.a * i.c + o.c * i.d,
            o.b * i.c + o.d * i.d, o.a * i.tx + o.c * i.ty + o.tx, o.b * i.tx + o.d * i.ty + o.ty};
}

swf::Point apply(const swf::Matrix& m, swf::Point p) {
    return {m.a * p.x + m.c * p.y + m.tx, m.b * p.x + m.d * p.y + m.ty};
}

std::optional<swf::Matrix> invert(const swf::Matrix& m) {
    double det = m.a * m.d - m.b * m.c;
    if (det == 0.0 || !std::isfinite(det))
        return std::nullopt;
    swf::Matrix r;
    r.a = m.d / det;
    r.b = -m.b / det;
    r.c = -m.c / det;
    r.d = m.a / det;
    r.tx = -(r.a * m.tx + r.c * m.ty);
    r.ty = -(r.b * m.tx + r.d * m.ty);
    return r;
}

swf::Bounds transformBounds(const swf::Matrix& m, const swf::Bounds& b) {
    swf::Bounds out;
    if (b.empty)
        return out;
    out.add(apply(m, {b.xMin, b.yMin}));
    out.add(apply(m, {b.xMax, b.yMin}));
    out.add(apply(m, {b.xMin, b.yMax}));
    out.add(apply(m, {b.xMax, b.yMax}));
    return out;
}

swf::Bounds intersect(const swf::Bounds& a, const swf::Bounds& b) {
    swf::Bounds out;
    if (a.empty || b.empty)
        return out;
    double x0 = std::max(a.xMin, b.xMin);
    double y0 = std::max(a.yMin, b.yMin);
    double x1 = std::min(a.xMax, b.xMax);
    double y1 = std::min(a.yMax, b.yMax);
    if (x1 < x0 || y1 < y0)
        return out;
    out.add(swf::Point{x0, y0});
    out.add(swf::Point{x1, y1});
    return out;
}

namespace {

int16_t saturate16(int64_t v) {
    return int16_t(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

void concatChannel(int16_t om, int16_t oa, int16_t im, int16_t ia, int16_t& mult, int16_t& add) {
    mult = saturate16(int64_t(om) * im / 256);
    add = saturate16(int64_t(om) * ia / 256 + oa);
}

int32_t saturate32(double v) {
    if (std::isnan(v))
        return 0;
    return int32_t(
        std::clamp(v, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max())));
}

}  // namespace

swf::ColorTransform concat(const swf::ColorTransform& o, const swf::ColorTransform& i) {
    swf::ColorTransform r;
    concatChannel(o.rMult, o.rAdd, i.rMult, i.rAdd, r.rMult, r.rAdd);
    concatChannel(o.gMult, o.gAdd, i.gMult, i.gAdd, r.gMult, r.gAdd);
    concatChannel(o.bMult, o.bAdd, i.bMult, i.bAdd, r.bMult, r.bAdd);
    concatChannel(o.aMult, o.aAdd, i.aMult, i.aAdd, r.aMult, r.aAdd);
    return r;
}

swf::Rect coveringRect(const swf::Bounds& b) {
    if (b.empty)
        return {};
    swf::Rect r;
    r.xMin = saturate32(std::floor(b.xMin));
    r.yMin = saturate32(std::floor(b.yMin));
    r.xMax = saturate32(std::ceil(b.xMax));
    r.yMax = saturate32(std::ceil(b.yMax));
    // A point (zero-size box) still covers the twip it lies in.
    if (r.xMax == r.xMin && r.xMax < std::numeric_limits<int32_t>::max())
        ++r.xMax;
    if (r.yMax == r.yMin && r.yMax < std::numeric_limits<int32_t>::max())
        ++r.yMax;
    return r;
}

swf::Bounds toBounds(const swf::Rect& r) {
    swf::Bounds b;
    if (r.isEmpty())
        return b;
    b.add(swf::Point{double(r.xMin), double(r.yMin)});
    b.add(swf::Point{double(r.xMax), double(r.yMax)});
    return b;
}

}  // namespace model
