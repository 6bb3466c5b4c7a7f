// BitBlt: copies between the bitmaps of two contexts.
#include "drawing_area.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

using platform::gdi::Bitmap;
using platform::gdi::DeviceContext;
using platform::gdi::GdiTable;
using platform::gdi::Region;

namespace {

// A rectangle in 64-bit coordinates: no sum of two 32-bit values overflows it.
struct Box {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
};

Box intersect(const Box& a, const Box& b) {
    return Box{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}

// Copies `area` (destination coordinates, inside the destination bitmap) from
// the source at offset (-shiftX, -shiftY). The caller made sure every source
// pixel read lies inside the source bitmap.
void copyArea(const Region& area, Bitmap& dst, const Bitmap& src, std::int64_t shiftX, std::int64_t shiftY) {
    for (const RECT& rect : area.rects()) {
        const std::size_t bytes = std::size_t(rect.right - rect.left) * 4;
        const auto srcLeft = static_cast<std::size_t>(rect.left - shiftX);
        for (LONG y = rect.top; y < rect.bottom; ++y) {
            const auto srcY = static_cast<LONG>(y - shiftY);
            std::memcpy(dst.row(y) + std::size_t(rect.left) * 4, src.row(srcY) + srcLeft * 4, bytes);
        }
    }
}

// Within one bitmap the pieces of a clipped copy may read what another piece
// already wrote, so the source part is taken aside first.
void copyWithin(const Region& area, Bitmap& bitmap, std::int64_t shiftX, std::int64_t shiftY) {
    const RECT& box = area.bounds();
    const std::size_t rowBytes = std::size_t(box.right - box.left) * 4;
    const auto srcLeft = static_cast<std::size_t>(box.left - shiftX);
    std::vector<std::byte> saved(rowBytes * std::size_t(box.bottom - box.top));
    for (LONG y = box.top; y < box.bottom; ++y) {
        const auto srcY = static_cast<LONG>(y - shiftY);
        std::memcpy(saved.data() + std::size_t(y - box.top) * rowBytes, bitmap.row(srcY) + srcLeft * 4, rowBytes);
    }
    for (const RECT& rect : area.rects()) {
        const std::size_t bytes = std::size_t(rect.right - rect.left) * 4;
        for (LONG y = rect.top; y < rect.bottom; ++y) {
            const std::byte* from =
                saved.data() + std::size_t(y - box.top) * rowBytes + std::size_t(rect.left - box.left) * 4;
            std::memcpy(bitmap.row(y) + std::size_t(rect.left) * 4, from, bytes);
        }
    }
}

}  // namespace

BOOL WINAPI BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop) {
    if (rop != SRCCOPY)
        return FALSE;
    try {
        auto access = GdiTable::acquire();
        const DeviceContext* dstDc = access.find<DeviceContext>(dst);
        const DeviceContext* srcDc = access.find<DeviceContext>(src);
        if (!dstDc || !srcDc)
            return FALSE;
        const Bitmap* srcBitmap = platform::gdi::drawingSurface(access, *srcDc);
        if (!srcBitmap)
            return FALSE;
        Bitmap* dstBitmap = platform::gdi::drawingSurface(access, *dstDc);
        if (!dstBitmap)
            return TRUE;

        // Negative extents describe the same rectangle from its other corner,
        // on both sides alike.
        std::int64_t left = x;
        std::int64_t top = y;
        std::int64_t srcLeft = x1;
        std::int64_t srcTop = y1;
        std::int64_t width = cx;
        std::int64_t height = cy;
        if (width < 0) {
            left += width;
            srcLeft += width;
            width = -width;
        }
        if (height < 0) {
            top += height;
            srcTop += height;
            height = -height;
        }
        // Destination pixel (dx, dy) reads source pixel (dx - shiftX, dy - shiftY).
        const std::int64_t shiftX = left - srcLeft;
        const std::int64_t shiftY = top - srcTop;
        Box box{left, top, left + width, top + height};
        box = intersect(box, Box{0, 0, dstBitmap->width(), dstBitmap->height()});
        box = intersect(box, Box{shiftX, shiftY, shiftX + srcBitmap->width(), shiftY + srcBitmap->height()});
        if (box.left >= box.right || box.top >= box.bottom)
            return TRUE;

        // The box now lies inside the destination bitmap, so it fits in 32 bits.
        const Region shape = Region::fromRect(RECT{static_cast<LONG>(box.left), static_cast<LONG>(box.top),
                                                   static_cast<LONG>(box.right), static_cast<LONG>(box.bottom)});
        const Region area = platform::gdi::drawablePart(shape, *dstBitmap, dstDc->m_clip);
        if (area.empty())
            return TRUE;
        if (dstBitmap == srcBitmap)
            copyWithin(area, *dstBitmap, shiftX, shiftY);
        else
            copyArea(area, *dstBitmap, *srcBitmap, shiftX, shiftY);
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
