// A morph shape at a ratio, as an ordinary shape.
#include "swf/geometry.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

struct Lerp {
    double t = 0.0;

    double operator()(double a, double b) const { return a + (b - a) * t; }
    uint8_t byte(uint8_t a, uint8_t b) const { return uint8_t(std::lround((*this)(a, b))); }
    uint16_t u16(uint16_t a, uint16_t b) const { return uint16_t(std::lround((*this)(a, b))); }
    int32_t i32(int64_t a, int64_t b) const {
        double v = std::clamp((*this)(double(a), double(b)), -CoordinateLimit, CoordinateLimit);
        return int32_t(std::lround(v));
    }
    Rgba color(Rgba a, Rgba b) const { return {byte(a.r, b.r), byte(a.g, b.g), byte(a.b, b.b), byte(a.a, b.a)}; }
    Matrix matrix(const Matrix& a, const Matrix& b) const {
        return {(*this)(a.a, b.a), (*this)(a.b, b.b),   (*this)(a.c, b.c),
                (*this)(a.d, b.d), (*this)(a.tx, b.tx), (*this)(a.ty, b.ty)};
    }
    Rect rect(const Rect& a, const Rect& b) const {
        return {i32(a.xMin, b.xMin), i32(a.xMax, b.xMax), i32(a.yMin, b.yMin), i32(a.yMax, b.yMax)};
    }
};

FillStyle blendFill(const MorphFillStyle& m, const Lerp& lerp) {
    FillStyle f;
    f.kind = m.kind;
    f.color = lerp.color(m.startColor, m.endColor);
    f.matrix = lerp.matrix(m.startMatrix, m.endMatrix);
    f.gradient.spread = m.gradient.spread;
    f.gradient.interpolation = m.gradient.interpolation;
    for (const MorphGradientStop& s : m.gradient.stops)
        f.gradient.stops.push_back({lerp.byte(s.startRatio, s.endRatio), lerp.color(s.startColor, s.endColor)});
    f.bitmapId = m.bitmapId;
    f.smoothed = m.smoothed;
    return f;
}

LineStyle blendLine(const MorphLineStyle& m, const Lerp& lerp) {
    LineStyle l;
    l.width = lerp.u16(m.startWidth, m.endWidth);
    l.color = lerp.color(m.startColor, m.endColor);
    l.startCap = m.startCap;
    l.endCap = m.endCap;
    l.join = m.join;
    l.miterLimit = m.miterLimit;
    l.noHScale = m.noHScale;
    l.noVScale = m.noVScale;
    l.pixelHinting = m.pixelHinting;
    l.noClose = m.noClose;
    l.hasFill = m.hasFill;
    if (m.hasFill)
        l.fill = blendFill(m.fill, lerp);
    return l;
}

struct Pos {
    int64_t x = 0;
    int64_t y = 0;
};

// An edge with absolute points; a straight edge gets its midpoint as control
// so that it can pair with a curve.
struct AbsEdge {
    bool curved = false;
    Pos control;
    Pos anchor;
};

int64_t clampCoordinate(int64_t v) {
    const auto limit = int64_t(CoordinateLimit);
    return std::clamp(v, -limit, limit);
}

AbsEdge advance(Pos& pen, const Edge& e) {
    AbsEdge a;
    a.curved = e.curved;
    if (e.curved) {
        a.control = {clampCoordinate(pen.x + e.controlDx), clampCoordinate(pen.y + e.controlDy)};
        a.anchor = {clampCoordinate(a.control.x + e.anchorDx), clampCoordinate(a.control.y + e.anchorDy)};
    } else {
        a.anchor = {clampCoordinate(pen.x + e.anchorDx), clampCoordinate(pen.y + e.anchorDy)};
        a.control = {(pen.x + a.anchor.x) / 2, (pen.y + a.anchor.y) / 2};
    }
    pen = a.anchor;
    return a;
}

}  // namespace

Shape morphShapeAt(const MorphShape& morph, uint16_t ratio) {
    const Lerp lerp{ratio / 65535.0};
    Shape shape;
    shape.version = morph.version >= 2 ? 4 : 3;
    shape.bounds = lerp.rect(morph.startBounds, morph.endBounds);
    shape.edgeBounds = lerp.rect(morph.startEdgeBounds, morph.endEdgeBounds);
    shape.usesNonScalingStrokes = morph.usesNonScalingStrokes;
    shape.usesScalingStrokes = morph.usesScalingStrokes;
    for (const MorphFillStyle& f : morph.fillStyles)
        shape.fillStyles.push_back(blendFill(f, lerp));
    for (const MorphLineStyle& l : morph.lineStyles)
        shape.lineStyles.push_back(blendLine(l, lerp));

    Pos startPen;
    Pos endPen;
    Pos outPen;  // rounded interpolated pen: deltas are taken from it so nothing drifts
    size_t j = 0;
    const auto& ends = morph.endRecords;
    shape.records.reserve(morph.startRecords.size());

    // Applies end-side moves up to the next edge (or only the first move when `oneMove`).
    auto consumeEndMoves = [&](bool oneMove) {
        while (j < ends.size()) {
            const auto* sc = std::get_if<StyleChange>(&ends[j]);
            if (!sc)
                return;
            ++j;
            if (sc->hasMove) {
                endPen = {clampCoordinate(sc->moveX), clampCoordinate(sc->moveY)};
                if (oneMove)
                    return;
            }
        }
    };

    for (const ShapeRecord& record : morph.startRecords) {
        if (const auto* sc = std::get_if<StyleChange>(&record)) {
            StyleChange out = *sc;
            out.newStyles = false;  // morph shapes have one style group
            if (sc->hasMove) {
                startPen = {clampCoordinate(sc->moveX), clampCoordinate(sc->moveY)};
                consumeEndMoves(true);
                outPen = {lerp.i32(startPen.x, endPen.x), lerp.i32(startPen.y, endPen.y)};
                out.moveX = int32_t(outPen.x);
                out.moveY = int32_t(outPen.y);
            }
            shape.records.emplace_back(out);
            continue;
        }
        AbsEdge s = advance(startPen, std::get<Edge>(record));
        consumeEndMoves(false);
        AbsEdge e;
        if (j < ends.size()) {
            e = advance(endPen, std::get<Edge>(ends[j]));
            ++j;
        } else {
            e.control = e.anchor = endPen;  // end edges ran out: collapse onto the end pen
        }
        Edge out;
        out.curved = s.curved || e.curved;
        Pos anchor{lerp.i32(s.anchor.x, e.anchor.x), lerp.i32(s.anchor.y, e.anchor.y)};
        if (out.curved) {
            Pos control{lerp.i32(s.control.x, e.control.x), lerp.i32(s.control.y, e.control.y)};
            out.controlDx = int32_t(control.x - outPen.x);
            out.controlDy = int32_t(control.y - outPen.y);
            out.anchorDx = int32_t(anchor.x - control.x);
            out.anchorDy = int32_t(anchor.y - control.y);
        } else {
            out.anchorDx = int32_t(anchor.x - outPen.x);
            out.anchorDy = int32_t(anchor.y - outPen.y);
        }
        outPen = anchor;
        shape.records.emplace_back(out);
    }
    return shape;
}

}  // namespace swf
