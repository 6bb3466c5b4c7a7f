#pragma once
// A 32-bit DIB section selected into a memory context, whose pixels tests
// write and inspect: the surface the host, the hosting library and the
// platform's own drawing all paint into.

#include "platform/gdi.h"
#include "platform/scoped_gdi.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace moviehost::testing {

// Blue, green, red and the fourth byte, as the DIB stores them.
using Pixel = std::array<std::uint8_t, 4>;

[[nodiscard]] std::string describe(const Pixel& pixel);

class DibSurface {
public:
    // A negative height makes the rows top-down, as in BITMAPINFOHEADER.
    DibSurface(LONG width, LONG height);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    // The bitmap, its bits and the context were all made, and the bitmap is selected.
    [[nodiscard]] bool ok() const { return m_bitmap && m_dc && m_bits && m_previous; }
    [[nodiscard]] HDC dc() const { return m_dc.get(); }
    [[nodiscard]] HBITMAP bitmap() const { return m_bitmap.get(); }
    [[nodiscard]] std::uint8_t* bits() const { return m_bits; }
    [[nodiscard]] std::size_t byteCount() const { return std::size_t(m_width) * 4 * std::size_t(m_height); }
    [[nodiscard]] LONG width() const { return m_width; }
    [[nodiscard]] LONG height() const { return m_height; }

    // Byte offset of pixel (x, y), y counted from the top of the picture
    // whatever the row order.
    [[nodiscard]] std::size_t offset(LONG x, LONG y) const;
    [[nodiscard]] std::uint8_t* pixel(LONG x, LONG y) const { return m_bits + offset(x, y); }
    [[nodiscard]] Pixel at(LONG x, LONG y) const;
    // The pixel as a little-endian word: 0xXXRRGGBB, the fourth byte on top.
    [[nodiscard]] std::uint32_t value(LONG x, LONG y) const;
    void set(LONG x, LONG y, Pixel pixel);
    void fill(Pixel pixel);
    void fill(std::uint32_t value);

    // Every pixel inside one of `inside` is `in`, every other one `out`.
    [[nodiscard]] ::testing::AssertionResult only(const std::vector<RECT>& inside, Pixel in, Pixel out) const;

private:
    LONG m_width = 0;
    LONG m_height = 0;
    bool m_topDown = false;
    // Declared before the context, so the context goes first and lets go of it.
    platform::ScopedBitmap m_bitmap;
    platform::ScopedMemoryDC m_dc;
    std::uint8_t* m_bits = nullptr;
    HGDIOBJ m_previous = nullptr;
};

}  // namespace moviehost::testing
