// CreateDIBSection: the one way to get a bitmap with pixels.
#include "gdi_table.h"

using platform::gdi::Bitmap;
using platform::gdi::DeviceContext;
using platform::gdi::GdiTable;

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                DWORD offset) {
    if (bits)
        *bits = nullptr;
    // Palette colours need a palette and file mappings a kernel object;
    // neither exists for 32-bit surfaces here.
    if (!info || usage != DIB_RGB_COLORS || section)
        return nullptr;
    std::optional<Bitmap> bitmap = Bitmap::createDib(info->bmiHeader);
    if (!bitmap)
        return nullptr;
    void* const pixels = bitmap->bits();
    auto access = GdiTable::acquire();
    if (hdc && !access.find<DeviceContext>(hdc))
        return nullptr;
    const auto handle = static_cast<HBITMAP>(access.insert(std::move(*bitmap)));
    if (handle && bits)
        *bits = pixels;
    return handle;
}
