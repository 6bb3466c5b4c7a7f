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
// the source at offset (-shift_x, -shift_y). The caller made sure every source
// pixel read lies inside the source bitmap.
void copy_area(const Region& area, Bitmap& dst, const Bitmap& src, std::int64_t shift_x, std::int64_t shift_y) {
    for (const RECT& rect : area.rects()) {
        const std::size_t bytes = std::size_t(rect.right - rect.left) * 4;
        const auto src_left = static_cast<std::size_t>(rect.left - shift_x);
        for (LONG y = rect.top; y < rect.bottom; ++y) {
            const auto src_y = static_cast<LONG>(y - shift_y);
            std::memcpy(dst.row(y) + std::size_t(rect.left) * 4, src.row(src_y) + src_left * 4, bytes);
        }
    }
}

// Within one bitmap the pieces of a clipped copy may read what another piece
// already wrote, so the source part is taken aside first.
void copy_within(const Region& area, Bitmap& bitmap, std::int64_t shift_x, std::int64_t shift_y) {
    const RECT& box = area.bounds();
    const std::size_t row_bytes = std::size_t(box.right - box.left) * 4;
    const auto src_left = static_cast<std::size_t>(box.left - shift_x);
    std::vector<std::byte> saved(row_bytes * std::size_t(box.bottom - box.top));
    for (LONG y = box.top; y < box.bottom; ++y) {
        const auto src_y = static_cast<LONG>(y - shift_y);
        std::memcpy(saved.data() + std::size_t(y - box.top) * row_bytes, bitmap.row(src_y) + src_left * 4, row_bytes);
    }
    for (const RECT& rect : area.rects()) {
        const std::size_t bytes = std::size_t(rect.right - rect.left) * 4;
        for (LONG y = rect.top; y < rect.bottom; ++y) {
            const std::byte* from =
                saved.data() + std::size_t(y - box.top) * row_bytes + std::size_t(rect.left - box.left) * 4;
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
        const DeviceContext* dst_dc = access.find<DeviceContext>(dst);
        const DeviceContext* src_dc = access.find<DeviceContext>(src);
        if (!dst_dc || !src_dc)
            return FALSE;
        const Bitmap* src_bitmap = platform::gdi::drawing_surface(access, *src_dc);
        if (!src_bitmap)
            return FALSE;
        Bitmap* dst_bitmap = platform::gdi::drawing_surface(access, *dst_dc);
        if (!dst_bitmap)
            return TRUE;

        // Negative extents describe the same rectangle from its other corner,
        // on both sides alike.
        std::int64_t left = x;
        std::int64_t top = y;
        std::int64_t src_left = x1;
        std::int64_t src_top = y1;
        std::int64_t width = cx;
        std::int64_t height = cy;
        if (width < 0) {
            left += width;
            src_left += width;
            width = -width;
        }
        if (height < 0) {
            top += height;
            src_top += height;
            height = -height;
        }
        // Destination pixel (dx, dy) reads source pixel (dx - shift_x, dy - shift_y).
        const std::int64_t shift_x = left - src_left;
        const std::int64_t shift_y = top - src_top;
        Box box{left, top, left + width, top + height};
        box = intersect(box, Box{0, 0, dst_bitmap->width(), dst_bitmap->height()});
        box = intersect(box, Box{shift_x, shift_y, shift_x + src_bitmap->width(), shift_y + src_bitmap->height()});
        if (box.left >= box.right || box.top >= box.bottom)
            return TRUE;

        // The box now lies inside the destination bitmap, so it fits in 32 bits.
        const Region shape = Region::from_rect(RECT{static_cast<LONG>(box.left), static_cast<LONG>(box.top),
                                                    static_cast<LONG>(box.right), static_cast<LONG>(box.bottom)});
        const Region area = platform::gdi::drawable_part(shape, *dst_bitmap, dst_dc->m_clip);
        if (area.empty())
            return TRUE;
        if (dst_bitmap == src_bitmap)
            copy_within(area, *dst_bitmap, shift_x, shift_y);
        else
            copy_area(area, *dst_bitmap, *src_bitmap, shift_x, shift_y);
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
