// The picture the player draws into: a memory context holding a 32-bit DIB
// section of the frame size, rows stored bottom-up, clipped to the frame and
// white to begin with.
//
// Invariants of a created surface: the bitmap is selected into the context,
// Pixels() points at Geometry().PixelBytes() bytes, row r (counted from the
// bottom of the picture) starts at r * RowBytes().
#pragma once

#include "frame_geometry.h"

#include "platform/gdi.h"
#include "platform/scoped_gdi.h"

#include <optional>

class MemorySurface {
public:
    // Nullopt when any part of it cannot be made (out of memory, mostly).
    [[nodiscard]] static std::optional<MemorySurface> Create(const FrameGeometry& geometry) noexcept;

    [[nodiscard]] HDC Context() const noexcept { return m_context.get(); }
    [[nodiscard]] const BYTE* Pixels() const noexcept { return m_pixels; }
    [[nodiscard]] const FrameGeometry& Geometry() const noexcept { return m_geometry; }

private:
    explicit MemorySurface(const FrameGeometry& geometry) noexcept : m_geometry(geometry) {}

    FrameGeometry m_geometry;
    // Declared before the context so that the context, which lets go of the
    // bitmap when deleted, goes first.
    platform::ScopedBitmap m_bitmap;
    platform::ScopedRegion m_clip;
    platform::ScopedMemoryDC m_context;
    const BYTE* m_pixels = nullptr;
};
