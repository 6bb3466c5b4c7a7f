// The region a frame draws: the union of the dirty rectangles.
#pragma once

#include "platform/scoped_gdi.h"

#include <vector>

namespace moviehost {

// One region for the first rectangle, then for each further one a new region
// made of the previous one OR a scratch region set to that rectangle (the
// scratch region exists only for two or more rectangles). Empty when the list
// is empty or a region cannot be created; a half-built union is never
// returned. Inverted rectangles count with their corners swapped, as the
// platform's regions take them.
[[nodiscard]] platform::ScopedRegion BuildUnionRegion(const std::vector<RECT>& rects);

// Limits `region` to the surface (0, 0, width, height) and stores its bounding
// box in `box`. False when nothing of the region lies on the surface (also
// for a surface of no area); the region must then not be drawn.
[[nodiscard]] bool ClipRegionToSurface(HRGN region, LONG width, LONG height, RECT& box);

}  // namespace moviehost
