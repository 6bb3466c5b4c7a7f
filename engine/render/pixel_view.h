// Views of cairo's ARGB32 pixels: native-endian 0xAARRGGBB words with the
// colour premultiplied by alpha, rows a stride apart. Filters and blend
// operations work on these; they never own the memory they are given.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace render {

class PixelView {
public:
    PixelView() = default;
    // A negative stride runs the rows backwards through memory (a
    // bottom-up buffer); its size is held to at least `width`. Negative
    // sizes mean empty.
    PixelView(uint32_t* data, int32_t width, int32_t height, int32_t strideWords)
        : m_data(data),
          m_width(data ? std::max(width, 0) : 0),
          m_height(data ? std::max(height, 0) : 0),
          m_stride(strideWords < 0 ? std::min(strideWords, -m_width) : std::max(strideWords, m_width)) {}

    [[nodiscard]] int32_t width() const { return m_width; }
    [[nodiscard]] int32_t height() const { return m_height; }
    [[nodiscard]] int32_t strideWords() const { return m_stride; }
    [[nodiscard]] bool empty() const { return m_width == 0 || m_height == 0; }

    // Row y; a row outside the view is a programming error, reported rather
    // than read out of bounds.
    [[nodiscard]] std::span<uint32_t> row(int32_t y) const {
        if (y < 0 || y >= m_height)
            throw std::out_of_range("pixel row outside the view");
        return {m_data + ptrdiff_t(y) * m_stride, size_t(m_width)};
    }
    // The part of this view inside the given rectangle (clipped to it).
    [[nodiscard]] PixelView sub(int32_t x, int32_t y, int32_t w, int32_t h) const {
        const int32_t x0 = std::clamp(x, 0, m_width);
        const int32_t y0 = std::clamp(y, 0, m_height);
        const int32_t x1 = int32_t(std::clamp<int64_t>(int64_t(x) + std::max(w, 0), x0, m_width));
        const int32_t y1 = int32_t(std::clamp<int64_t>(int64_t(y) + std::max(h, 0), y0, m_height));
        if (x1 == x0 || y1 == y0)
            return {};
        return {m_data + ptrdiff_t(y0) * m_stride + x0, x1 - x0, y1 - y0, m_stride};
    }

private:
    uint32_t* m_data = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
};

// Pixels owned in one block, rows packed; starts transparent.
class PixelImage {
public:
    PixelImage() = default;
    PixelImage(int32_t width, int32_t height)
        : m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_pixels(size_t(m_width) * size_t(m_height)) {}

    [[nodiscard]] PixelView view() { return {m_pixels.data(), m_width, m_height, m_width}; }
    [[nodiscard]] int32_t width() const { return m_width; }
    [[nodiscard]] int32_t height() const { return m_height; }
    [[nodiscard]] uint32_t at(int32_t x, int32_t y) const {
        return m_pixels.at(size_t(y) * size_t(m_width) + size_t(x));
    }
    [[nodiscard]] uint32_t& at(int32_t x, int32_t y) { return m_pixels.at(size_t(y) * size_t(m_width) + size_t(x)); }

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint32_t> m_pixels;
};

}  // namespace render
