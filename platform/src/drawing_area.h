// What a drawing call may touch: the context's bitmap, limited by its clip.
#pragma once

#include "gdi_table.h"

namespace platform::gdi {

// The bitmap with pixels selected into `dc`, or nullptr when it has none
// (a new memory context, a window context): drawing there reaches nothing.
[[nodiscard]] Bitmap* drawingSurface(GdiTable::Access& access, const DeviceContext& dc);

// shape ∩ the bitmap's bounds ∩ the clip region (when there is one). Every
// rectangle of the result lies inside the bitmap. Throws std::bad_alloc.
[[nodiscard]] Region drawablePart(const Region& shape, const Bitmap& bitmap, const std::optional<Region>& clip);

}  // namespace platform::gdi
