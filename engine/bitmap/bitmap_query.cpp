// Reading pixels out: hit tests, byte and vector transfer, histogram,
// comparison and colour bounds.
#include "bitmap/bitmap_data.h"

#include "bitmap/pixel_format.h"

#include <algorithm>
#include <new>

namespace bitmap {
namespace {

int32_t clampCoordinate(int64_t v) { return int32_t(std::clamp<int64_t>(v, -MaxCoordinate, MaxCoordinate)); }

}  // namespace

bool BitmapData::hitTestPoint(PixelPoint firstPoint, uint32_t alphaThreshold, PixelPoint point) const {
    int64_t x = int64_t(point.x) - firstPoint.x;
    int64_t y = int64_t(point.y) - firstPoint.y;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return false;
    return alphaOf(m_pixels[index(int32_t(x), int32_t(y))]) >= alphaThreshold;
}

bool BitmapData::hitTestRect(PixelPoint firstPoint, uint32_t alphaThreshold, PixelRect rect) const {
    PixelRect local{clampCoordinate(int64_t(rect.x) - firstPoint.x), clampCoordinate(int64_t(rect.y) - firstPoint.y),
                    rect.width, rect.height};
    local = local.clippedTo(m_width, m_height);
    for (int32_t y = local.y; y < local.y + local.height; ++y) {
        const uint32_t* row = &m_pixels[index(local.x, y)];
        for (int32_t x = 0; x < local.width; ++x)
            if (alphaOf(row[x]) >= alphaThreshold)
                return true;
    }
    return false;
}

bool BitmapData::hitTestBitmap(PixelPoint firstPoint, uint32_t alphaThreshold, const BitmapData& other,
                               PixelPoint otherPoint, uint32_t otherAlphaThreshold) const {
    // The other bitmap's rectangle in this bitmap's pixels is a copy area.
    PixelRect otherRect{0, 0, other.width(), other.height()};
    PixelPoint at{clampCoordinate(int64_t(otherPoint.x) - firstPoint.x),
                  clampCoordinate(int64_t(otherPoint.y) - firstPoint.y)};
    auto area = clipCopy(otherRect, other.width(), other.height(), at, m_width, m_height);
    if (!area)
        return false;
    for (int32_t y = 0; y < area->height; ++y) {
        const uint32_t* mine = &m_pixels[index(area->dstX, area->dstY + y)];
        const uint32_t* theirs = other.pixels() + size_t(area->srcY + y) * size_t(other.width()) + size_t(area->srcX);
        for (int32_t x = 0; x < area->width; ++x)
            if (alphaOf(mine[x]) >= alphaThreshold && alphaOf(theirs[x]) >= otherAlphaThreshold)
                return true;
    }
    return false;
}

std::vector<uint8_t> BitmapData::getPixels(PixelRect rect) const {
    rect = rect.clippedTo(m_width, m_height);
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(rect.area()) * 4);
    for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
        const uint32_t* row = &m_pixels[index(rect.x, y)];
        for (int32_t x = 0; x < rect.width; ++x) {
            uint32_t v = unpremultiply(row[x]);
            bytes.insert(bytes.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
        }
    }
    return bytes;
}

SetPixelsResult BitmapData::setPixels(PixelRect rect, std::span<const uint8_t> bytes) {
    rect = rect.clippedTo(m_width, m_height);
    SetPixelsResult result;
    size_t at = 0;
    for (int32_t y = rect.y; y < rect.y + rect.height && !result.exhausted; ++y) {
        uint32_t* row = &m_pixels[index(rect.x, y)];
        for (int32_t x = 0; x < rect.width; ++x) {
            if (bytes.size() - at < 4) {
                result.exhausted = true;
                break;
            }
            row[x] = store(packArgb(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]));
            at += 4;
            ++result.written;
        }
    }
    changed(rect);
    return result;
}

std::vector<uint32_t> BitmapData::getVector(PixelRect rect) const {
    rect = rect.clippedTo(m_width, m_height);
    std::vector<uint32_t> values;
    values.reserve(size_t(rect.area()));
    for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
        const uint32_t* row = &m_pixels[index(rect.x, y)];
        for (int32_t x = 0; x < rect.width; ++x)
            values.push_back(unpremultiply(row[x]));
    }
    return values;
}

SetPixelsResult BitmapData::setVector(PixelRect rect, std::span<const uint32_t> values) {
    rect = rect.clippedTo(m_width, m_height);
    SetPixelsResult result;
    size_t at = 0;
    for (int32_t y = rect.y; y < rect.y + rect.height && !result.exhausted; ++y) {
        uint32_t* row = &m_pixels[index(rect.x, y)];
        for (int32_t x = 0; x < rect.width; ++x) {
            if (at == values.size()) {
                result.exhausted = true;
                break;
            }
            row[x] = store(values[at++]);
            ++result.written;
        }
    }
    changed(rect);
    return result;
}

Histogram BitmapData::histogram(PixelRect rect) const {
    rect = rect.clippedTo(m_width, m_height);
    Histogram counts{};
    for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
        const uint32_t* row = &m_pixels[index(rect.x, y)];
        for (int32_t x = 0; x < rect.width; ++x) {
            uint32_t v = unpremultiply(row[x]);
            ++counts[0][(v >> 16) & 0xFF];
            ++counts[1][(v >> 8) & 0xFF];
            ++counts[2][v & 0xFF];
            ++counts[3][v >> 24];
        }
    }
    return counts;
}

CompareResult BitmapData::compare(const BitmapData& other) const {
    if (m_disposed || other.disposed())
        return {-2, std::nullopt};
    if (m_width != other.width())
        return {-3, std::nullopt};
    if (m_height != other.height())
        return {-4, std::nullopt};
    if (&other == this || std::equal(m_pixels.begin(), m_pixels.end(), other.pixels()))
        return {0, std::nullopt};
    auto made = create(m_width, m_height, true, 0);
    if (!made)
        throw std::bad_alloc();
    BitmapData difference = std::move(made.value());
    for (size_t i = 0; i < m_pixels.size(); ++i) {
        uint32_t a = unpremultiply(m_pixels[i]);
        uint32_t b = unpremultiply(other.pixels()[i]);
        if (a == b)
            continue;
        uint32_t out;
        if ((a & 0xFFFFFF) != (b & 0xFFFFFF)) {
            // Per channel difference, each wrapping within its byte; alpha opaque.
            out = 0xFF000000;
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) & 0xFF) << shift;
        } else {
            out = ((((a >> 24) - (b >> 24)) & 0xFF) << 24) | 0xFFFFFF;
        }
        difference.m_pixels[i] = premultiply(out);
    }
    return {1, std::move(difference)};
}

PixelRect BitmapData::getColorBoundsRect(uint32_t mask, uint32_t color, bool findColor) const {
    int32_t minX = m_width, minY = m_height, maxX = -1, maxY = -1;
    for (int32_t y = 0; y < m_height; ++y) {
        const uint32_t* row = &m_pixels[index(0, y)];
        for (int32_t x = 0; x < m_width; ++x) {
            if (((unpremultiply(row[x]) & mask) == color) != findColor)
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    if (maxX < 0)
        return {};
    return {minX, minY, maxX - minX + 1, maxY - minY + 1};
}

}  // namespace bitmap
