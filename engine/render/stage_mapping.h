// Maps the stage (twips) into the drawing bounds (pixels) by the control's
// scale mode: show all (uniform, the whole stage visible, borders left over),
// no border (uniform, the bounds filled, the stage cut), exact fit (each axis
// on its own) or no scale (one pixel a stage pixel); the alignment places
// what is left over.
#pragma once

#include "model/stage_layout.h"
#include "render/target.h"
#include "swf/geometry.h"
#include "swf/types.h"

#include <cairo.h>

namespace render {

struct StageMapping {
    double scale = 0.0;  // pixels per twip (the smaller axis); 0 for an empty stage or empty bounds
    double scaleX = 0.0;
    double scaleY = 0.0;
    double offsetX = 0.0;  // pixel position of the stage's (xMin, yMin)
    double offsetY = 0.0;
    swf::Rect stage;

    [[nodiscard]] bool isEmpty() const { return scale <= 0.0; }
    // Stage twips -> surface pixels.
    [[nodiscard]] cairo_matrix_t matrix() const;
    // Surface pixel -> stage twips (for input); undefined for an empty mapping.
    [[nodiscard]] swf::Point toStage(double px, double py) const;
};

[[nodiscard]] StageMapping mapStage(const swf::Rect& stage, const PixelRect& bounds, const model::StageLayout& layout);
[[nodiscard]] inline StageMapping showAll(const swf::Rect& stage, const PixelRect& bounds) {
    return mapStage(stage, bounds, {});
}

}  // namespace render
