#include "union_region.h"

namespace moviehost {

platform::ScopedRegion BuildUnionRegion(const std::vector<RECT>& rects) {
    if (rects.empty())
        return {};
    platform::ScopedRegion current(CreateRectRgnIndirect(&rects.front()));
    if (!current || rects.size() == 1)
        return current;
    platform::ScopedRegion scratch(CreateRectRgn(0, 0, 0, 0));
    if (!scratch)
        return {};
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const RECT& r = rects[i];
        platform::ScopedRegion next(CreateRectRgn(0, 0, 0, 0));
        if (!next || !SetRectRgn(scratch.get(), r.left, r.top, r.right, r.bottom) ||
            CombineRgn(next.get(), current.get(), scratch.get(), RGN_OR) == ERROR)
            return {};
        current = std::move(next);
    }
    return current;
}

bool ClipRegionToSurface(HRGN region, LONG width, LONG height, RECT& box) {
    if (width <= 0 || height <= 0)
        return false;
    int type = GetRgnBox(region, &box);
    if (type == ERROR || type == NULLREGION)
        return false;
    if (box.left >= 0 && box.top >= 0 && box.right <= width && box.bottom <= height)
        return true;
    // Rectangles that lay off the surface come back here with their corners
    // swapped; none of that may be drawn.
    platform::ScopedRegion surface(CreateRectRgn(0, 0, width, height));
    if (!surface || CombineRgn(region, region, surface.get(), RGN_AND) == ERROR)
        return false;
    type = GetRgnBox(region, &box);
    return type != ERROR && type != NULLREGION;
}

}  // namespace moviehost
