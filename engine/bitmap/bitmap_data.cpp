#include "bitmap/bitmap_data.h"

#include "bitmap/pixel_format.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace bitmap {
namespace {

PixelRect unite(PixelRect a, PixelRect b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    int32_t x0 = std::min(a.x, b.x);
    int32_t y0 = std::min(a.y, b.y);
    int32_t x1 = std::max(a.x + a.width, b.x + b.width);
    int32_t y1 = std::max(a.y + a.height, b.y + b.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

std::optional<ThresholdOperation> parseThresholdOperation(std::string_view text) {
    if (text == "<")
        return ThresholdOperation::Less;
    if (text == "<=")
        return ThresholdOperation::LessOrEqual;
    if (text == ">")
        return ThresholdOperation::Greater;
    if (text == ">=")
        return ThresholdOperation::GreaterOrEqual;
    if (text == "==")
        return ThresholdOperation::Equal;
    if (text == "!=")
        return ThresholdOperation::NotEqual;
    return std::nullopt;
}

BitmapData::BitmapData(int32_t width, int32_t height, bool transparent)
    : m_width(width), m_height(height), m_transparent(transparent) {}

BitmapData::BitmapData(BitmapData&& other) noexcept { *this = std::move(other); }

BitmapData& BitmapData::operator=(BitmapData&& other) noexcept {
    if (this == &other)
        return *this;
    m_pixels = std::exchange(other.m_pixels, {});
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_transparent = other.m_transparent;
    m_disposed = std::exchange(other.m_disposed, true);
    m_version = other.m_version;
    m_lockDepth = std::exchange(other.m_lockDepth, 0);
    m_changedWhileLocked = std::exchange(other.m_changedWhileLocked, false);
    m_dirty = std::exchange(other.m_dirty, PixelRect{});
    return *this;
}

moviehost::Expected<BitmapData, BitmapError> BitmapData::create(int32_t width, int32_t height, bool transparent,
                                                                uint32_t fillColor, SizeLimits limits) {
    if (width < 1 || height < 1 || width > limits.maxSide || height > limits.maxSide ||
        int64_t(width) * height > limits.maxPixels)
        return BitmapError::InvalidSize;
    BitmapData bitmap(width, height, transparent);
    try {
        bitmap.m_pixels.assign(size_t(width) * size_t(height), bitmap.store(fillColor));
    } catch (const std::bad_alloc&) {
        return BitmapError::OutOfMemory;
    }
    return bitmap;
}

moviehost::Expected<BitmapData, BitmapError> BitmapData::fromPremultiplied(int32_t width, int32_t height,
                                                                           std::span<const uint32_t> pixels,
                                                                           bool transparent, SizeLimits limits) {
    auto made = create(width, height, transparent, 0, limits);
    if (!made)
        return made;
    if (pixels.size() != made->m_pixels.size())
        return BitmapError::InvalidSize;
    uint32_t* out = made->m_pixels.data();
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint32_t p = pixels[i];
        uint32_t a = alphaOf(p);
        // Keep the stored form valid: no channel above alpha.
        uint32_t r = std::min((p >> 16) & 0xFF, a);
        uint32_t g = std::min((p >> 8) & 0xFF, a);
        uint32_t b = std::min(p & 0xFF, a);
        out[i] = transparent ? packArgb(a, r, g, b) : (p | 0xFF000000);
    }
    return made;
}

uint32_t BitmapData::store(uint32_t argb) const { return premultiply(m_transparent ? argb : (argb | 0xFF000000)); }

void BitmapData::changed(PixelRect area) {
    area = area.clippedTo(m_width, m_height);
    if (area.empty())
        return;
    m_dirty = unite(m_dirty, area);
    if (m_lockDepth > 0)
        m_changedWhileLocked = true;
    else
        ++m_version;
}

PixelRect BitmapData::takeDirtyRect() {
    if (m_lockDepth > 0)
        return {};
    return std::exchange(m_dirty, PixelRect{});
}

void BitmapData::lock() {
    if (!m_disposed)
        ++m_lockDepth;
}

void BitmapData::unlock() {
    if (m_lockDepth == 0)
        return;
    if (--m_lockDepth == 0 && std::exchange(m_changedWhileLocked, false))
        ++m_version;
}

void BitmapData::dispose() {
    if (m_disposed)
        return;
    std::vector<uint32_t>().swap(m_pixels);
    m_width = 0;
    m_height = 0;
    m_disposed = true;
    m_lockDepth = 0;
    m_dirty = {};
    ++m_version;
}

moviehost::Expected<BitmapData, BitmapError> BitmapData::clone() const {
    if (m_disposed)
        return BitmapError::Disposed;
    BitmapData copy(m_width, m_height, m_transparent);
    try {
        copy.m_pixels = m_pixels;
    } catch (const std::bad_alloc&) {
        return BitmapError::OutOfMemory;
    }
    return copy;
}

uint32_t BitmapData::getPixel(int32_t x, int32_t y) const { return getPixel32(x, y) & 0xFFFFFF; }

uint32_t BitmapData::getPixel32(int32_t x, int32_t y) const {
    return inside(x, y) ? unpremultiply(m_pixels[index(x, y)]) : 0;
}

void BitmapData::setPixel(int32_t x, int32_t y, uint32_t rgb) {
    if (!inside(x, y))
        return;
    uint32_t& p = m_pixels[index(x, y)];
    p = premultiply((p & 0xFF000000) | (rgb & 0xFFFFFF));
    changed({x, y, 1, 1});
}

void BitmapData::setPixel32(int32_t x, int32_t y, uint32_t argb) {
    if (!inside(x, y))
        return;
    m_pixels[index(x, y)] = store(argb);
    changed({x, y, 1, 1});
}

void BitmapData::fillRect(PixelRect rect, uint32_t argb) {
    rect = rect.clippedTo(m_width, m_height);
    if (rect.empty())
        return;
    uint32_t value = store(argb);
    for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
        uint32_t* row = &m_pixels[index(rect.x, y)];
        std::fill(row, row + rect.width, value);
    }
    changed(rect);
}

void BitmapData::floodFill(int32_t x, int32_t y, uint32_t argb) {
    if (!inside(x, y))
        return;
    const uint32_t target = m_pixels[index(x, y)];
    const uint32_t value = store(argb);
    if (target == value)
        return;
    // Scanline fill with an explicit stack: one entry per run found, so the
    // stack never holds more entries than the bitmap has pixels.
    std::vector<PixelPoint> stack{{x, y}};
    int32_t minX = x, maxX = x, minY = y, maxY = y;
    while (!stack.empty()) {
        PixelPoint seed = stack.back();
        stack.pop_back();
        uint32_t* row = &m_pixels[index(0, seed.y)];
        if (row[seed.x] != target)
            continue;
        int32_t left = seed.x;
        while (left > 0 && row[left - 1] == target)
            --left;
        int32_t right = seed.x;
        while (right + 1 < m_width && row[right + 1] == target)
            ++right;
        std::fill(row + left, row + right + 1, value);
        minX = std::min(minX, left);
        maxX = std::max(maxX, right);
        minY = std::min(minY, seed.y);
        maxY = std::max(maxY, seed.y);
        for (int32_t ny : {seed.y - 1, seed.y + 1}) {
            if (ny < 0 || ny >= m_height)
                continue;
            const uint32_t* next = &m_pixels[index(0, ny)];
            for (int32_t nx = left; nx <= right; ++nx) {
                if (next[nx] == target && (nx == left || next[nx - 1] != target))
                    stack.push_back({nx, ny});
            }
        }
    }
    changed({minX, minY, maxX - minX + 1, maxY - minY + 1});
}

void BitmapData::colorTransform(PixelRect rect, const swf::ColorTransform& transform) {
    rect = rect.clippedTo(m_width, m_height);
    if (rect.empty() || transform.isIdentity())
        return;
    for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
        uint32_t* row = &m_pixels[index(rect.x, y)];
        for (int32_t i = 0; i < rect.width; ++i) {
            uint32_t c = unpremultiply(row[i]);
            swf::Rgba out = transform.apply({uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
            row[i] = store(packArgb(out.a, out.r, out.g, out.b));
        }
    }
    changed(rect);
}

void BitmapData::scroll(int32_t dx, int32_t dy) {
    if (m_disposed || (dx == 0 && dy == 0))
        return;
    auto area = clipCopy(rect(), m_width, m_height, {dx, dy}, m_width, m_height);
    if (!area)
        return;
    // Rows in the order that never reads a row already overwritten;
    // memmove takes care of the overlap within a row.
    for (int32_t i = 0; i < area->height; ++i) {
        int32_t row = dy > 0 ? area->height - 1 - i : i;
        std::memmove(&m_pixels[index(area->dstX, area->dstY + row)], &m_pixels[index(area->srcX, area->srcY + row)],
                     size_t(area->width) * sizeof(uint32_t));
    }
    changed({area->dstX, area->dstY, area->width, area->height});
}

}  // namespace bitmap
