#include "drawing_area.h"

namespace platform::gdi {

Bitmap* drawingSurface(GdiTable::Access& access, const DeviceContext& dc) {
    Bitmap* bitmap = access.find<Bitmap>(dc.m_bitmap);
    return bitmap && bitmap->hasPixels() ? bitmap : nullptr;
}

Region drawablePart(const Region& shape, const Bitmap& bitmap, const std::optional<Region>& clip) {
    const Region bounds = Region::fromRect(RECT{0, 0, bitmap.width(), bitmap.height()});
    Region part = Region::combine(shape, bounds, RegionOp::Intersect);
    if (clip)
        part = Region::combine(part, *clip, RegionOp::Intersect);
    return part;
}

}  // namespace platform::gdi
