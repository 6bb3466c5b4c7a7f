// Shapes as stored in DefineShape 1-4: style arrays and edge records.
//
// The records keep the file's edge model (deltas, fill0/fill1/line per edge);
// geometry.h turns them into paths. Style indices in records are already
// translated into this shape's flattened style vectors: a shape whose records
// bring new style arrays gets them appended, and index k (1-based) in a record
// always means fillStyles[k - 1]; 0 means "no style". An index the file gives
// outside the current style array is read as 0.
#pragma once

#include "swf/types.h"

#include <cstdint>
#include <variant>
#include <vector>

namespace swf {

enum class FillKind : uint8_t {
    Solid,
    LinearGradient,
    RadialGradient,
    FocalGradient,  // radial with gradient.focalPoint
    RepeatingBitmap,
    ClippedBitmap,
};

enum class SpreadMode : uint8_t { Pad, Reflect, Repeat };      // reserved 3 reads as Pad
enum class InterpolationMode : uint8_t { Normal, LinearRgb };  // reserved values read as Normal

struct GradientStop {
    uint8_t ratio = 0;  // 0..255 along the gradient
    Rgba color;

    friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

// Gradients live in a square from -16384 to 16384 twips on both axes (the
// "gradient square"); the fill style's matrix maps it into the shape. Linear
// gradients run along x from -16384 (ratio 0) to 16384 (ratio 255); radial
// ones from the centre (ratio 0) to the circle of radius 16384 (ratio 255).
struct Gradient {
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<GradientStop> stops;  // 0..15 as read, in file order
    double focalPoint = 0.0;          // -1..1 along x, FocalGradient only

    friend bool operator==(const Gradient&, const Gradient&) = default;
};

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba color;             // Solid
    Matrix matrix;          // gradients: gradient square -> shape; bitmaps: bitmap pixels -> shape twips
    Gradient gradient;      // gradient kinds
    uint16_t bitmapId = 0;  // bitmap kinds; 0xFFFF (or any id that is not a bitmap) means "no bitmap"
    bool smoothed = true;   // bitmap kinds: false for the file's non-smoothed fill types 0x42/0x43

    friend bool operator==(const FillStyle&, const FillStyle&) = default;
};

enum class CapStyle : uint8_t { Round, None, Square };
enum class JoinStyle : uint8_t { Round, Bevel, Miter };

// LINESTYLE (DefineShape 1-3) and LINESTYLE2 (DefineShape4). For the older
// form the extra fields keep their defaults: round caps and joins.
struct LineStyle {
    uint16_t width = 0;  // twips; 0 draws a hairline
    Rgba color;
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    double miterLimit = 3.0;  // Miter only; 8.8 factor from the file
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    bool hasFill = false;  // the stroke is painted with `fill` instead of `color`
    FillStyle fill;

    friend bool operator==(const LineStyle&, const LineStyle&) = default;
};

// StyleChangeRecord. moveX/moveY are absolute positions from the shape origin.
struct StyleChange {
    bool hasMove = false;
    int32_t moveX = 0;
    int32_t moveY = 0;
    bool hasFill0 = false;
    bool hasFill1 = false;
    bool hasLine = false;
    uint32_t fill0 = 0;  // flattened 1-based index, 0 = none (see top of file)
    uint32_t fill1 = 0;
    uint32_t line = 0;
    bool newStyles = false;  // this record appended a new style group

    friend bool operator==(const StyleChange&, const StyleChange&) = default;
};

// Straight or curved edge, deltas as stored: a straight edge goes from the pen
// by (anchorDx, anchorDy); a curve's control point is the pen plus
// (controlDx, controlDy) and its anchor is the control point plus
// (anchorDx, anchorDy).
struct Edge {
    bool curved = false;
    int32_t controlDx = 0;
    int32_t controlDy = 0;
    int32_t anchorDx = 0;
    int32_t anchorDy = 0;

    friend bool operator==(const Edge&, const Edge&) = default;
};

using ShapeRecord = std::variant<StyleChange, Edge>;

// DefineShape 1-4. Glyph outlines of fonts use the same records with no styles.
struct Shape {
    uint8_t version = 1;  // 1..4: which DefineShape tag
    Rect bounds;
    Rect edgeBounds;              // DefineShape4 only; equals bounds otherwise
    bool nonZeroWinding = false;  // DefineShape4's UsesFillWindingRule; otherwise even-odd
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    std::vector<FillStyle> fillStyles;
    std::vector<LineStyle> lineStyles;
    std::vector<ShapeRecord> records;
    // Index of the first fill/line style of every style group (group 0 starts
    // at 0); a StyleChange with newStyles starts the next group. Draw order is
    // group by group: a group's fills, then its strokes.
    std::vector<uint32_t> fillGroupStarts{0};
    std::vector<uint32_t> lineGroupStarts{0};
};

}  // namespace swf
