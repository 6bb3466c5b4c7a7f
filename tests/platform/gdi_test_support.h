// Helpers shared by the GDI tests: printing rectangles, reading a region's
// rectangles and a small 32-bit surface whose pixels the tests inspect.
#pragma once

#include "platform/gdi.h"
#include "platform/scoped_gdi.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

inline void PrintTo(const RECT& r, std::ostream* os) { *os << r; }

namespace gdi_test {

inline ::testing::AssertionResult RectIs(const RECT& got, LONG left, LONG top, LONG right, LONG bottom) {
    const RECT expected{left, top, right, bottom};
    if (EqualRect(&got, &expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected << ", got " << got;
}

// The rectangles GetRegionData hands out, in its order.
inline std::vector<RECT> region_rects(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || GetRegionData(region, size, reinterpret_cast<RGNDATA*>(buffer.data())) != size)
        return {};
    RGNDATAHEADER header{};
    std::memcpy(&header, buffer.data(), sizeof header);
    std::vector<RECT> rects(header.nCount);
    if (header.nCount > 0)
        std::memcpy(rects.data(), buffer.data() + sizeof header, header.nCount * sizeof(RECT));
    return rects;
}

inline ::testing::AssertionResult RectsAre(HRGN region, const std::vector<RECT>& expected) {
    const std::vector<RECT> got = region_rects(region);
    bool same = got.size() == expected.size();
    for (std::size_t i = 0; same && i < got.size(); ++i)
        same = EqualRect(&got[i], &expected[i]) != FALSE;
    if (same)
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "expected [";
    for (const RECT& r : expected)
        failure << r << " ";
    failure << "], got [";
    for (const RECT& r : got)
        failure << r << " ";
    return failure << "]";
}

using Pixel = std::array<std::uint8_t, 4>;

inline std::string describe(const Pixel& p) {
    return "{" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ", " +
           std::to_string(p[3]) + "}";
}

// A memory context holding a 32-bit DIB section of the given size. A negative
// height makes it top-down, as with BITMAPINFOHEADER.
class Surface {
public:
    Surface(LONG width, LONG height) : m_width(width), m_height(height < 0 ? -height : height), m_top_down(height < 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<std::uint8_t*>(bits);
        m_dc.reset(CreateCompatibleDC(nullptr));
        m_selected = SelectObject(m_dc.get(), m_bitmap.get()) != nullptr;
    }

    [[nodiscard]] bool ok() const { return m_bitmap && m_dc && m_bits && m_selected; }
    [[nodiscard]] HDC dc() const { return m_dc.get(); }
    [[nodiscard]] HBITMAP bitmap() const { return m_bitmap.get(); }
    [[nodiscard]] std::uint8_t* bits() const { return m_bits; }
    [[nodiscard]] std::size_t bytes() const { return std::size_t(m_width) * 4 * std::size_t(m_height); }

    // Byte offset of pixel (x, y), y counted from the top of the picture:
    // rows are width * 4 bytes, stored from the bottom row up unless top-down.
    [[nodiscard]] std::size_t offset(LONG x, LONG y) const {
        const LONG stored_row = m_top_down ? y : m_height - 1 - y;
        return (std::size_t(stored_row) * std::size_t(m_width) + std::size_t(x)) * 4;
    }
    [[nodiscard]] Pixel at(LONG x, LONG y) const {
        Pixel p{};
        std::memcpy(p.data(), m_bits + offset(x, y), 4);
        return p;
    }
    void set(LONG x, LONG y, Pixel p) { std::memcpy(m_bits + offset(x, y), p.data(), 4); }
    void fill_all(Pixel p) {
        for (LONG y = 0; y < m_height; ++y)
            for (LONG x = 0; x < m_width; ++x)
                set(x, y, p);
    }

    // Every pixel inside one of `inside` is `in`, every other one `out`.
    [[nodiscard]] ::testing::AssertionResult only(const std::vector<RECT>& inside, Pixel in, Pixel out) const {
        for (LONG y = 0; y < m_height; ++y) {
            for (LONG x = 0; x < m_width; ++x) {
                bool covered = false;
                for (const RECT& r : inside)
                    covered = covered || PtInRect(&r, POINT{x, y});
                const Pixel want = covered ? in : out;
                if (at(x, y) != want)
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): expected "
                                                         << describe(want) << ", got " << describe(at(x, y));
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    LONG m_width = 0;
    LONG m_height = 0;
    bool m_top_down = false;
    // Declared before the context, so the context goes first and lets go of it.
    platform::ScopedBitmap m_bitmap;
    platform::ScopedMemoryDC m_dc;
    std::uint8_t* m_bits = nullptr;
    bool m_selected = false;
};

}  // namespace gdi_test
