// The frame size the host was started with, checked once so that every later
// size computation is known to fit.
#pragma once

#include "platform/types.h"

#include <moviehost/wire_protocol.h>

#include <cstdint>
#include <optional>
#include <string>

class FrameGeometry {
public:
    // The largest picture the platform holds in one bitmap and the host sends
    // in one write: 2^31 - 1 bytes.
    static constexpr std::uint64_t MaxPixelBytes = 0x7FFFFFFFu;
    static constexpr DWORD BytesPerPixel = moviehost::wire::BytesPerPixel;

    // Both sides at least 1 and width * height * 4 at most MaxPixelBytes;
    // anything else has no geometry.
    [[nodiscard]] static std::optional<FrameGeometry> From(LONG width, LONG height) noexcept;

    // The one line the host prints when the size is refused.
    [[nodiscard]] static std::string RefusalText(LONG width, LONG height);

    [[nodiscard]] LONG Width() const noexcept { return m_width; }
    [[nodiscard]] LONG Height() const noexcept { return m_height; }
    [[nodiscard]] DWORD RowBytes() const noexcept { return static_cast<DWORD>(m_width) * BytesPerPixel; }
    [[nodiscard]] DWORD PixelBytes() const noexcept { return RowBytes() * static_cast<DWORD>(m_height); }

private:
    FrameGeometry(LONG width, LONG height) noexcept : m_width(width), m_height(height) {}

    LONG m_width = 0;
    LONG m_height = 0;
};
