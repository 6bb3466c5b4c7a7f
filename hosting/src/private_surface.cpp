#include "private_surface.h"

namespace moviehost {

bool PrivateSurface::Create(HDC reference, LONG width, LONG height) {
    Release();
    platform::ScopedMemoryDC dc(CreateCompatibleDC(reference));
    if (!dc)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    platform::ScopedBitmap bitmap(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return false;
    if (SelectObject(dc.get(), bitmap.get()) == nullptr)
        return false;
    m_dc = std::move(dc);
    m_bitmap = std::move(bitmap);
    m_bits = static_cast<BYTE*>(bits);
    m_width = width;
    m_height = height;
    return true;
}

void PrivateSurface::Release() noexcept {
    m_dc.reset();
    m_bitmap.reset();
    m_bits = nullptr;
    m_width = 0;
    m_height = 0;
}

}  // namespace moviehost
