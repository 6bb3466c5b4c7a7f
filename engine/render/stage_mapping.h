// Maps the stage (twips) into the drawing bounds (pixels) the way the
// control's default "show all" mode does: uniform scale, the whole stage
// visible, centred, borders left over on two sides.
#pragma once

#include "render/target.h"
#include "swf/geometry.h"
#include "swf/types.h"

#include <cairo.h>

namespace render {

struct StageMapping {
    double scale = 0.0;    // pixels per twip; 0 for an empty stage or empty bounds
    double offsetX = 0.0;  // pixel position of the stage's (xMin, yMin)
    double offsetY = 0.0;
    swf::Rect stage;

    [[nodiscard]] bool isEmpty() const { return scale <= 0.0; }
    // Stage twips -> surface pixels.
    [[nodiscard]] cairo_matrix_t matrix() const;
    // Surface pixel -> stage twips (for input); undefined for an empty mapping.
    [[nodiscard]] swf::Point toStage(double px, double py) const;
};

[[nodiscard]] StageMapping showAll(const swf::Rect& stage, const PixelRect& bounds);

}  // namespace render
