// Calls that take any kind of object: deleting, describing, typing.
#include "gdi_table.h"

#include <cstring>

using platform::gdi::Bitmap;
using platform::gdi::Brush;
using platform::gdi::DcKind;
using platform::gdi::DeviceContext;
using platform::gdi::GdiTable;
using platform::gdi::Region;
using platform::gdi::Slot;

namespace {

template <typename T>
int copyOut(const T& value, int cb, LPVOID buffer) {
    if (!buffer)
        return sizeof(T);
    if (cb < 0 || static_cast<std::size_t>(cb) < sizeof(T))
        return 0;
    std::memcpy(buffer, &value, sizeof(T));
    return sizeof(T);
}

}  // namespace

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    auto access = GdiTable::acquire();
    Slot* slot = access.slot(object);
    // Contexts go through DeleteDC or ReleaseDC, which know what they hold.
    if (!slot || std::holds_alternative<DeviceContext>(*slot->m_object))
        return FALSE;
    if (slot->m_stock)
        return TRUE;
    // Freeing a selected object would leave the context pointing at nothing.
    if (slot->m_selections > 0)
        return FALSE;
    access.erase(object);
    return TRUE;
}

int WINAPI GetObjectW(HANDLE object, int cb, LPVOID buffer) {
    auto access = GdiTable::acquire();
    if (const Bitmap* bitmap = access.find<Bitmap>(object)) {
        if (buffer && bitmap->hasPixels() && cb >= static_cast<int>(sizeof(DIBSECTION)))
            return copyOut(bitmap->describeDib(), cb, buffer);
        return copyOut(bitmap->describe(), cb, buffer);
    }
    if (const Brush* brush = access.find<Brush>(object))
        return copyOut(brush->describe(), cb, buffer);
    return 0;
}

DWORD WINAPI GetObjectType(HGDIOBJ object) {
    auto access = GdiTable::acquire();
    const Slot* slot = access.slot(object);
    if (!slot)
        return 0;
    if (const auto* dc = std::get_if<DeviceContext>(&*slot->m_object))
        return dc->m_kind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
    if (std::holds_alternative<Bitmap>(*slot->m_object))
        return OBJ_BITMAP;
    if (std::holds_alternative<Region>(*slot->m_object))
        return OBJ_REGION;
    return OBJ_BRUSH;
}

HGDIOBJ WINAPI GetStockObject(int index) {
    if (index < 0 || index >= platform::gdi::StockBrushCount)
        return nullptr;
    auto access = GdiTable::acquire();
    return access.stockBrush(index);
}
