// FillRgn: solid fills into a context's bitmap.
#include "drawing_area.h"

#include <algorithm>
#include <cstdint>
#include <new>

using platform::gdi::Bitmap;
using platform::gdi::Brush;
using platform::gdi::DeviceContext;
using platform::gdi::GdiTable;
using platform::gdi::Region;

BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbrush) {
    try {
        auto access = GdiTable::acquire();
        const DeviceContext* dc = access.find<DeviceContext>(hdc);
        const Region* region = access.find<Region>(hrgn);
        const Brush* brush = access.find<Brush>(hbrush);
        if (!dc || !region || !brush)
            return FALSE;
        Bitmap* bitmap = platform::gdi::drawingSurface(access, *dc);
        if (!bitmap || !brush->paints())
            return TRUE;
        const std::uint32_t pixel = brush->pixel();
        const Region area = platform::gdi::drawablePart(*region, *bitmap, dc->m_clip);
        for (const RECT& rect : area.rects()) {
            for (LONG y = rect.top; y < rect.bottom; ++y) {
                // Rows are 4-byte aligned: the allocation is, and the stride is a multiple of 4.
                auto* row = reinterpret_cast<std::uint32_t*>(bitmap->row(y));
                std::fill(row + rect.left, row + rect.right, pixel);
            }
        }
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
