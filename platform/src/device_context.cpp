// Contexts, what is selected into them and their clip regions.
#include "device_context.h"

#include "gdi_table.h"

#include <cstdint>
#include <new>

using platform::gdi::Bitmap;
using platform::gdi::Brush;
using platform::gdi::DcKind;
using platform::gdi::DeviceContext;
using platform::gdi::GdiTable;
using platform::gdi::Region;
using platform::gdi::Slot;

namespace {

// The value the desktop window has on Windows; any non-null value would do.
const HWND DesktopWindow = reinterpret_cast<HWND>(std::uintptr_t{0x10010});

bool isDesktop(HWND hwnd) { return hwnd == nullptr || hwnd == DesktopWindow; }

HDC newContext(GdiTable::Access& access, DcKind kind, HWND window) {
    DeviceContext dc;
    dc.m_kind = kind;
    dc.m_window = window;
    dc.m_bitmap = access.stockBitmap();
    dc.m_brush = access.stockBrush(WHITE_BRUSH);
    return static_cast<HDC>(access.insert(std::move(dc)));
}

void countSelection(GdiTable::Access& access, const void* object, int delta) {
    Slot* slot = access.slot(object);
    if (slot && !slot->m_stock)
        slot->m_selections += delta;
}

// Lets go of the bitmap and brush before the context itself goes.
void releaseContext(GdiTable::Access& access, HDC hdc, DeviceContext& dc) {
    countSelection(access, dc.m_bitmap, -1);
    countSelection(access, dc.m_brush, -1);
    access.erase(hdc);
}

// Shared by SelectClipRgn and SelectObject with a region.
int selectClip(GdiTable::Access& access, DeviceContext& dc, HRGN hrgn) {
    if (!hrgn) {
        dc.m_clip.reset();
        return SIMPLEREGION;
    }
    const Region* region = access.find<Region>(hrgn);
    if (!region)
        return ERROR;
    try {
        Region copy = *region;
        dc.m_clip = std::move(copy);
    } catch (const std::bad_alloc&) {
        return ERROR;
    }
    return dc.m_clip->type();
}

HGDIOBJ selectBitmap(GdiTable::Access& access, DeviceContext& dc, HBITMAP bitmap, const Slot& slot) {
    // A bitmap lives in one memory context at a time; a window context shows
    // the screen, not a bitmap.
    if (dc.m_kind != DcKind::Memory)
        return nullptr;
    if (dc.m_bitmap == bitmap)
        return bitmap;
    if (!slot.m_stock && slot.m_selections > 0)
        return nullptr;
    const HBITMAP previous = dc.m_bitmap;
    countSelection(access, previous, -1);
    countSelection(access, bitmap, +1);
    dc.m_bitmap = bitmap;
    return previous;
}

HGDIOBJ selectBrush(GdiTable::Access& access, DeviceContext& dc, HBRUSH brush) {
    const HBRUSH previous = dc.m_brush;
    if (previous == brush)
        return previous;
    countSelection(access, previous, -1);
    countSelection(access, brush, +1);
    dc.m_brush = brush;
    return previous;
}

}  // namespace

HWND WINAPI GetDesktopWindow() { return DesktopWindow; }

HDC WINAPI GetDC(HWND hwnd) {
    if (!isDesktop(hwnd))
        return nullptr;
    auto access = GdiTable::acquire();
    return newContext(access, DcKind::Window, DesktopWindow);
}

int WINAPI ReleaseDC(HWND hwnd, HDC hdc) {
    auto access = GdiTable::acquire();
    DeviceContext* dc = access.find<DeviceContext>(hdc);
    if (!dc || dc->m_kind != DcKind::Window || !isDesktop(hwnd))
        return 0;
    releaseContext(access, hdc, *dc);
    return 1;
}

HWND WINAPI WindowFromDC(HDC hdc) {
    auto access = GdiTable::acquire();
    const DeviceContext* dc = access.find<DeviceContext>(hdc);
    return dc ? dc->m_window : nullptr;
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    auto access = GdiTable::acquire();
    if (hdc && !access.find<DeviceContext>(hdc))
        return nullptr;
    return newContext(access, DcKind::Memory, nullptr);
}

BOOL WINAPI DeleteDC(HDC hdc) {
    auto access = GdiTable::acquire();
    DeviceContext* dc = access.find<DeviceContext>(hdc);
    if (!dc || dc->m_kind != DcKind::Memory)
        return FALSE;
    releaseContext(access, hdc, *dc);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object) {
    auto access = GdiTable::acquire();
    const Slot* slot = access.slot(object);
    const bool isRegion = slot && std::holds_alternative<Region>(*slot->m_object);
    DeviceContext* dc = access.find<DeviceContext>(hdc);
    if (!slot || !dc)
        return isRegion ? HGDI_ERROR : nullptr;
    if (isRegion) {
        const int type = selectClip(access, *dc, static_cast<HRGN>(object));
        return type == ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(type));
    }
    if (std::holds_alternative<Bitmap>(*slot->m_object))
        return selectBitmap(access, *dc, static_cast<HBITMAP>(object), *slot);
    if (std::holds_alternative<Brush>(*slot->m_object))
        return selectBrush(access, *dc, static_cast<HBRUSH>(object));
    return nullptr;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    auto access = GdiTable::acquire();
    const DeviceContext* dc = access.find<DeviceContext>(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_BITMAP:
        return dc->m_bitmap;
    case OBJ_BRUSH:
        return dc->m_brush;
    default:
        return nullptr;
    }
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
    auto access = GdiTable::acquire();
    DeviceContext* dc = access.find<DeviceContext>(hdc);
    if (!dc)
        return ERROR;
    return selectClip(access, *dc, hrgn);
}

int WINAPI GetClipRgn(HDC hdc, HRGN hrgn) {
    auto access = GdiTable::acquire();
    const DeviceContext* dc = access.find<DeviceContext>(hdc);
    Region* region = access.find<Region>(hrgn);
    if (!dc || !region)
        return -1;
    if (!dc->m_clip)
        return 0;
    try {
        Region copy = *dc->m_clip;
        *region = std::move(copy);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 1;
}
