// 9-slice scaling: where the shapes of a clip with a scaling grid go when
// the clip is scaled. The grid splits the clip's content into nine parts;
// corners keep their size, edges stretch along their length, the centre in
// both directions. When the scaled clip is too small for its corners, the
// corners shrink alike and the centre vanishes.
//
// The map works in the clip's own twips: a point of a shape (already through
// the shape's matrix) is moved so that, once the clip's scale is applied,
// the parts come out as above. The content's bounds map onto themselves, so
// the clip's bounds (and the dirty areas) do not change.
#pragma once

#include "swf/geometry.h"

#include <optional>

namespace model {

// One axis of the map: three linear pieces meeting at the grid's edges.
struct SliceAxis {
    double gridMin = 0.0;  // grid edges in the content
    double gridMax = 0.0;
    double toMin = 0.0;  // where they land
    double toMax = 0.0;
    double outerMin = 1.0;  // slopes of the pieces before and after the grid
    double outerMax = 1.0;

    [[nodiscard]] double map(double v) const;
};

struct SliceMap {
    SliceAxis x;
    SliceAxis y;

    [[nodiscard]] swf::Point map(swf::Point p) const { return {x.map(p.x), y.map(p.y)}; }
};

// The map for content of `bounds` with `grid` (both in the clip's twips),
// shown at `scaleX`, `scaleY` times the size the corners keep. None when
// the grid does not apply: no area inside the bounds, or a scale that is 0
// or not finite.
[[nodiscard]] std::optional<SliceMap> sliceMap(const swf::Bounds& grid, const swf::Bounds& bounds, double scaleX,
                                               double scaleY);

}  // namespace model
