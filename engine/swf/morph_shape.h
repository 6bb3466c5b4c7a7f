// DefineMorphShape 1 and 2: a shape with start and end states.
//
// The start records carry the styles and the edges; the end records carry only
// edges and moves, paired one to one with the start edges. geometry.h's
// morphShapeAt() blends both into an ordinary Shape for a ratio.
#pragma once

#include "swf/shape.h"

#include <cstdint>
#include <vector>

namespace swf {

struct MorphGradientStop {
    uint8_t startRatio = 0;
    Rgba startColor;
    uint8_t endRatio = 0;
    Rgba endColor;

    friend bool operator==(const MorphGradientStop&, const MorphGradientStop&) = default;
};

// The count byte's low four bits give the number of stops; its high bits are
// read as spread and interpolation modes, as in shape gradients.
struct MorphGradient {
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<MorphGradientStop> stops;

    friend bool operator==(const MorphGradient&, const MorphGradient&) = default;
};

// Fill type 0x13 (focal) in a morph shape carries no focal point field and is
// read as a radial gradient.
struct MorphFillStyle {
    FillKind kind = FillKind::Solid;
    Rgba startColor;
    Rgba endColor;
    Matrix startMatrix;
    Matrix endMatrix;
    MorphGradient gradient;
    uint16_t bitmapId = 0;
    bool smoothed = true;

    friend bool operator==(const MorphFillStyle&, const MorphFillStyle&) = default;
};

struct MorphLineStyle {
    uint16_t startWidth = 0;
    uint16_t endWidth = 0;
    Rgba startColor;
    Rgba endColor;
    // DefineMorphShape2 only; defaults otherwise.
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    double miterLimit = 3.0;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    bool hasFill = false;
    MorphFillStyle fill;

    friend bool operator==(const MorphLineStyle&, const MorphLineStyle&) = default;
};

struct MorphShape {
    uint8_t version = 1;  // 1 or 2
    Rect startBounds;
    Rect endBounds;
    Rect startEdgeBounds;  // version 2; equal to the bounds otherwise
    Rect endEdgeBounds;
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    std::vector<MorphFillStyle> fillStyles;
    std::vector<MorphLineStyle> lineStyles;
    // Start records index fillStyles/lineStyles 1-based like Shape records
    // (morph shapes have a single style group). End records hold only moves
    // (StyleChange with hasMove) and edges.
    std::vector<ShapeRecord> startRecords;
    std::vector<ShapeRecord> endRecords;
};

}  // namespace swf
