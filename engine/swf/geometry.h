// Shape geometry: the file's edge model turned into paths a renderer can fill
// and stroke directly. No drawing library is involved.
//
// Fills: every edge goes to the fill style on its left as stored and,
// reversed, to the style on its right, then each style's edges are linked end
// to start into closed contours. All contours of one style therefore have the
// fill on the same side; holes run the other way. Fill them with the shape's
// fill rule (even-odd unless DefineShape4 asks for non-zero; both agree on
// well-formed shapes).
// Strokes: per line style, connected edges in record order form polylines; a
// polyline that comes back to its start point ends with Close.
//
// Coordinates are twips, clamped to +-CoordinateLimit. Curves stay quadratic.
#pragma once

#include "swf/font.h"
#include "swf/morph_shape.h"
#include "swf/shape.h"

#include <cstdint>
#include <vector>

namespace swf {

// 2^25 twips is about 1.6 million pixels: far beyond any stage, small enough
// that renderer arithmetic in doubles or 24.8 fixed point stays safe.
inline constexpr double CoordinateLimit = 33554432.0;

struct Point {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const Point&, const Point&) = default;
};

enum class PathVerb : uint8_t { MoveTo, LineTo, QuadTo, Close };

struct PathCommand {
    PathVerb verb = PathVerb::MoveTo;
    Point to;       // MoveTo/LineTo/QuadTo end point; unused for Close
    Point control;  // QuadTo only

    friend bool operator==(const PathCommand&, const PathCommand&) = default;
};

// A list of subpaths, each starting with MoveTo.
using Path = std::vector<PathCommand>;

struct Bounds {
    double xMin = 0.0;
    double yMin = 0.0;
    double xMax = 0.0;
    double yMax = 0.0;
    bool empty = true;

    void add(Point p);
    void add(const Bounds& other);
};

enum class PaintKind : uint8_t { Fill, Stroke };

// One thing to paint: a fill path (closed contours) or a stroke path.
// `style` indexes Shape::fillStyles (Fill) or Shape::lineStyles (Stroke), 0-based.
struct ShapePath {
    PaintKind kind = PaintKind::Fill;
    uint32_t style = 0;
    Path path;
    // A fill a script drew with the non-zero rule (drawPath, drawTriangles),
    // whatever rule the rest of the shape uses.
    bool nonZeroWinding = false;
};

struct ShapeGeometry {
    bool nonZeroWinding = false;
    std::vector<ShapePath> paths;  // in paint order: per style group, fills by style, then strokes
    // Covers every point and control point, strokes widened by half their
    // width (at least one pixel), in twips. Empty for a shape with no paths.
    Bounds bounds;
};

[[nodiscard]] ShapeGeometry buildGeometry(const Shape& shape);

// The outline of a glyph as closed contours (fill index 1 on either side
// counts as inside), in font units.
[[nodiscard]] Path buildGlyphPath(const Glyph& glyph);

// The morph shape at ratio 0 (start) .. 65535 (end): edges, colours,
// matrices, gradients and line widths interpolated linearly. The result is an
// ordinary shape with one style group, ready for buildGeometry().
[[nodiscard]] Shape morphShapeAt(const MorphShape& morph, uint16_t ratio);

}  // namespace swf
