// A bitmap: either a 32-bit DIB section with pixels, or the stock 1x1
// monochrome bitmap every new memory context starts with, which has none.
//
// Invariants of a DIB section (checked by checkInvariants() in debug builds):
// - width > 0 and height > 0 (height is the absolute value of biHeight);
// - every row is exactly stride = width * 4 bytes, rows back to back, and
//   stride * height <= 2^31 - 1;
// - m_bits points at stride * height zero-initialised bytes owned here;
// - row y of the picture (0 = top) starts at y * stride when top-down and at
//   (height - 1 - y) * stride when bottom-up.
#pragma once

#include "platform/gdi.h"

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <optional>

namespace platform::gdi {

class Bitmap {
public:
    // Nullopt for anything but a 32-bit BI_RGB header of a sane size, or when
    // the pixels cannot be allocated.
    [[nodiscard]] static std::optional<Bitmap> createDib(const BITMAPINFOHEADER& header);
    [[nodiscard]] static Bitmap stockMonochrome();

    [[nodiscard]] bool hasPixels() const { return m_bits != nullptr; }
    [[nodiscard]] LONG width() const { return m_width; }
    [[nodiscard]] LONG height() const { return m_height; }
    [[nodiscard]] std::size_t stride() const { return m_stride; }
    [[nodiscard]] void* bits() const { return m_bits.get(); }
    // Row y counted from the top of the picture, whatever the storage order.
    [[nodiscard]] std::byte* row(LONG y) const;

    [[nodiscard]] BITMAP describe() const;
    // Only meaningful for a DIB section.
    [[nodiscard]] DIBSECTION describeDib() const;

private:
    struct FreeBytes {
        void operator()(std::byte* bytes) const noexcept { std::free(bytes); }
    };

    Bitmap() = default;
    void checkInvariants() const;

    LONG m_width = 1;
    LONG m_height = 1;
    WORD m_bitsPerPixel = 1;
    bool m_topDown = false;
    std::size_t m_stride = 0;
    BITMAPINFOHEADER m_header{};
    std::unique_ptr<std::byte, FreeBytes> m_bits;
};

}  // namespace platform::gdi
