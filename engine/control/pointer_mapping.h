// Where a mouse message points on the stage. The position word of a mouse
// message holds surface pixels (x in the low 16 bits, y in the high 16 bits,
// each signed), in the coordinates of the rectangle the stage is drawn in;
// it maps back through the very mapping drawing uses, so a click lands on
// what the container shows under it, letterbox borders included (they lie
// outside the stage and hit nothing).
#pragma once

#include "model/stage_layout.h"
#include "swf/geometry.h"
#include "swf/types.h"

#include "platform/types.h"

#include <optional>

namespace control {

// The signed pixel position packed in a mouse message's lParam.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};
[[nodiscard]] PixelPoint pixelPointOf(LPARAM lParam) noexcept;

// The stage point (twips) under the pixel's top-left corner when the stage
// is drawn into `bounds`; none when nothing is shown (an empty stage or
// bounds).
[[nodiscard]] std::optional<swf::Point> stagePointOf(PixelPoint pixel, const swf::Rect& stage, const RECT& bounds,
                                                     const model::StageLayout& layout = {});

// The signed delta in the high word of a wheel message's wParam.
[[nodiscard]] int32_t wheelDeltaOf(WPARAM wParam) noexcept;

// A wheel message's delta (120 per notch) as the lines scripts hear in
// onMouseWheel (3 per notch). Deltas too small for a line add up in `rest`
// until they make one.
[[nodiscard]] int32_t wheelLines(int32_t delta, int32_t& rest) noexcept;

}  // namespace control
