#include "memory_surface.h"

#include <cassert>

std::optional<MemorySurface> MemorySurface::Create(const FrameGeometry& geometry) noexcept {
    MemorySurface surface(geometry);
    platform::ScopedWindowDC desktop(GetDC(GetDesktopWindow()));
    surface.m_context.reset(CreateCompatibleDC(desktop.get()));
    if (!surface.m_context)
        return std::nullopt;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = geometry.Width();
    info.bmiHeader.biHeight = geometry.Height();  // positive: rows bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    surface.m_bitmap.reset(CreateDIBSection(surface.m_context.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!surface.m_bitmap || !bits)
        return std::nullopt;
    if (!SelectObject(surface.m_context.get(), surface.m_bitmap.get()))
        return std::nullopt;
    surface.m_pixels = static_cast<const BYTE*>(bits);

    surface.m_clip.reset(CreateRectRgn(0, 0, geometry.Width(), geometry.Height()));
    if (!surface.m_clip || SelectClipRgn(surface.m_context.get(), surface.m_clip.get()) == ERROR)
        return std::nullopt;

    // All bits set: the picture starts white.
    const platform::ScopedBrush white(CreateSolidBrush(0xFFFFFFFFu));
    if (!white || !FillRgn(surface.m_context.get(), surface.m_clip.get(), white.get()))
        return std::nullopt;

    assert(GetCurrentObject(surface.m_context.get(), OBJ_BITMAP) == surface.m_bitmap.get());
    return surface;
}
