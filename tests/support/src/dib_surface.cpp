#include "moviehost/testing/dib_surface.h"

#include <cstring>

namespace moviehost::testing {

std::string describe(const Pixel& pixel) {
    return "{" + std::to_string(pixel[0]) + ", " + std::to_string(pixel[1]) + ", " + std::to_string(pixel[2]) + ", " +
           std::to_string(pixel[3]) + "}";
}

DibSurface::DibSurface(LONG width, LONG height)
    : m_width(width), m_height(height < 0 ? -height : height), m_topDown(height < 0) {
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
    if (m_dc && m_bitmap)
        m_previous = SelectObject(m_dc.get(), m_bitmap.get());
}

DibSurface::~DibSurface() {
    if (m_previous)
        SelectObject(m_dc.get(), m_previous);
}

std::size_t DibSurface::offset(LONG x, LONG y) const {
    const LONG storedRow = m_topDown ? y : m_height - 1 - y;
    return (std::size_t(storedRow) * std::size_t(m_width) + std::size_t(x)) * 4;
}

Pixel DibSurface::at(LONG x, LONG y) const {
    Pixel pixel{};
    std::memcpy(pixel.data(), m_bits + offset(x, y), pixel.size());
    return pixel;
}

std::uint32_t DibSurface::value(LONG x, LONG y) const {
    const Pixel p = at(x, y);
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void DibSurface::set(LONG x, LONG y, Pixel pixel) { std::memcpy(m_bits + offset(x, y), pixel.data(), pixel.size()); }

void DibSurface::fill(Pixel pixel) {
    for (LONG y = 0; y < m_height; ++y)
        for (LONG x = 0; x < m_width; ++x)
            set(x, y, pixel);
}

void DibSurface::fill(std::uint32_t value) {
    fill(Pixel{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

::testing::AssertionResult DibSurface::only(const std::vector<RECT>& inside, Pixel in, Pixel out) const {
    for (LONG y = 0; y < m_height; ++y) {
        for (LONG x = 0; x < m_width; ++x) {
            bool covered = false;
            for (const RECT& r : inside)
                covered = covered || PtInRect(&r, POINT{x, y});
            const Pixel want = covered ? in : out;
            if (at(x, y) != want)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): expected " << describe(want)
                                                     << ", got " << describe(at(x, y));
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace moviehost::testing
