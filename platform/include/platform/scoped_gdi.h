// Owning wrappers for GDI objects, all built on platform::Scoped, and a scoped
// selection that puts the previous object back into its context.
#pragma once

#include "platform/gdi.h"
#include "platform/scoped.h"

namespace platform {

namespace gdi_traits {

struct Region {
    using Handle = HRGN;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle h) noexcept { DeleteObject(h); }
};

struct Brush {
    using Handle = HBRUSH;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle h) noexcept { DeleteObject(h); }
};

struct Bitmap {
    using Handle = HBITMAP;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle h) noexcept { DeleteObject(h); }
};

// Contexts from CreateCompatibleDC.
struct MemoryDC {
    using Handle = HDC;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle h) noexcept { DeleteDC(h); }
};

// Contexts from GetDC. The context knows its window, so the wrapper need not
// carry it and stays the size of the handle.
struct WindowDC {
    using Handle = HDC;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle h) noexcept { ReleaseDC(WindowFromDC(h), h); }
};

}  // namespace gdi_traits

using ScopedRegion = Scoped<gdi_traits::Region>;
using ScopedBrush = Scoped<gdi_traits::Brush>;
using ScopedBitmap = Scoped<gdi_traits::Bitmap>;
using ScopedMemoryDC = Scoped<gdi_traits::MemoryDC>;
using ScopedWindowDC = Scoped<gdi_traits::WindowDC>;

static_assert(sizeof(ScopedRegion) == sizeof(HRGN));
static_assert(sizeof(ScopedBrush) == sizeof(HBRUSH));
static_assert(sizeof(ScopedBitmap) == sizeof(HBITMAP));
static_assert(sizeof(ScopedMemoryDC) == sizeof(HDC));
static_assert(sizeof(ScopedWindowDC) == sizeof(HDC));

// Selects a bitmap or brush into a context for the lifetime of this object and
// then selects the previous one back. Declare the object being selected before
// the selection, so the selection ends first and the object can be freed.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC hdc, HGDIOBJ object) noexcept : m_hdc(hdc), m_previous(SelectObject(hdc, object)) {}
    // Selecting a region sets a copy as the clip region and returns no object
    // to restore; use SelectClipRgn for that.
    ScopedSelectObject(HDC hdc, HRGN region) = delete;
    ~ScopedSelectObject() {
        if (m_previous)
            SelectObject(m_hdc, m_previous);
    }

    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

    // False when the selection was refused (the context then is unchanged).
    [[nodiscard]] bool selected() const noexcept { return m_previous != nullptr; }

private:
    HDC m_hdc = nullptr;
    HGDIOBJ m_previous = nullptr;
};

}  // namespace platform
