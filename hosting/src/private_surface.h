// One of the two private surfaces that transparency mode 2 renders into: a
// memory context holding a top-down 32-bit DIB section of the player's size.
#pragma once

#include "platform/scoped_gdi.h"

namespace moviehost {

struct PrivateSurface {
    PrivateSurface() = default;
    // The bitmap can only be deleted once the context has let go of it, which
    // is the reverse of the members' own order of destruction.
    ~PrivateSurface() { Release(); }
    PrivateSurface(const PrivateSurface&) = delete;
    PrivateSurface& operator=(const PrivateSurface&) = delete;

    platform::ScopedMemoryDC m_dc;
    platform::ScopedBitmap m_bitmap;
    BYTE* m_bits = nullptr;
    LONG m_width = 0;
    LONG m_height = 0;

    // A context compatible with `reference` and a width x height DIB section
    // selected into it. False, with nothing held, when either cannot be made
    // (a size of no area or too many bytes among them).
    [[nodiscard]] bool Create(HDC reference, LONG width, LONG height);

    // Deletes the context, then the bitmap (which the context lets go of).
    void Release() noexcept;

    [[nodiscard]] bool Exists() const noexcept { return m_bits != nullptr; }
};

}  // namespace moviehost
