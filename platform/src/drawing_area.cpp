#include "drawing_area.h"

namespace platform::gdi {

Bitmap* drawing_surface(GdiTable::Access& access, const DeviceContext& dc) {
    Bitmap* bitmap = access.find<Bitmap>(dc.m_bitmap);
    return bitmap && bitmap->has_pixels() ? bitmap : nullptr;
}

Region drawable_part(const Region& shape, const Bitmap& bitmap, const std::optional<Region>& clip) {
    const Region bounds = Region::from_rect(RECT{0, 0, bitmap.width(), bitmap.height()});
    Region part = Region::combine(shape, bounds, RegionOp::intersect);
    if (clip)
        part = Region::combine(part, *clip, RegionOp::intersect);
    return part;
}

}  // namespace platform::gdi
