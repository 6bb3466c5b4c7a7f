// The operations that read a source bitmap into this one.
#include "bitmap/bitmap_data.h"

#include "bitmap/pixel_format.h"
#include "bitmap/source_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

namespace bitmap {
namespace {

// Shift of a single channel bit within 0xAARRGGBB; -1 for anything else.
int channelShift(uint32_t channelBit) {
    switch (channelBit) {
    case channel::Red:
        return 16;
    case channel::Green:
        return 8;
    case channel::Blue:
        return 0;
    case channel::Alpha:
        return 24;
    default:
        return -1;
    }
}

// Stored source over stored destination. Exact without branches: alpha
// 255 scales the destination by 0 and alpha 0 scales it by 1.
uint32_t over(uint32_t s, uint32_t d) {
    return s + scalePixel(d, 255 - (s >> 24));  // no carries: each sum stays <= 255
}

}  // namespace

void BitmapData::copyPixels(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                            const BitmapData* alphaBitmap, PixelPoint alphaPoint, bool mergeAlpha) {
    if (m_disposed || source.disposed() || (alphaBitmap && alphaBitmap->disposed()))
        return;
    auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, m_width, m_height);
    if (!area)
        return;
    // The alpha bitmap's pixel for a source pixel: alphaPoint + (source - sourceRect's corner).
    int64_t alphaDx = 0, alphaDy = 0;
    if (alphaBitmap) {
        alphaDx = int64_t(alphaPoint.x) - sourceRect.x;
        alphaDy = int64_t(alphaPoint.y) - sourceRect.y;
        int64_t x0 = std::max<int64_t>(area->srcX, -alphaDx);
        int64_t y0 = std::max<int64_t>(area->srcY, -alphaDy);
        int64_t x1 = std::min<int64_t>(int64_t(area->srcX) + area->width, alphaBitmap->width() - alphaDx);
        int64_t y1 = std::min<int64_t>(int64_t(area->srcY) + area->height, alphaBitmap->height() - alphaDy);
        if (x1 <= x0 || y1 <= y0)
            return;
        area->dstX += int32_t(x0 - area->srcX);
        area->dstY += int32_t(y0 - area->srcY);
        area->srcX = int32_t(x0);
        area->srcY = int32_t(y0);
        area->width = int32_t(x1 - x0);
        area->height = int32_t(y1 - y0);
    }
    SourceRows rows(source, *this, *area);
    const bool plain = !alphaBitmap && !mergeAlpha && (m_transparent || !source.transparent());
    for (int32_t y = 0; y < area->height; ++y) {
        const uint32_t* in = rows.row(y);
        uint32_t* out = &m_pixels[index(area->dstX, area->dstY + y)];
        if (plain) {
            std::memcpy(out, in, size_t(area->width) * sizeof(uint32_t));
            continue;
        }
        if (mergeAlpha && !alphaBitmap) {
            for (int32_t x = 0; x < area->width; ++x)
                out[x] = over(in[x], out[x]);
            continue;
        }
        const uint32_t* mask = nullptr;
        if (alphaBitmap)
            mask = alphaBitmap->pixels() + size_t(area->srcY + y + alphaDy) * size_t(alphaBitmap->width()) +
                   size_t(area->srcX + alphaDx);
        for (int32_t x = 0; x < area->width; ++x) {
            uint32_t s = mask ? scalePixel(in[x], mask[x] >> 24) : in[x];
            if (mergeAlpha)
                out[x] = over(s, out[x]);
            else
                out[x] = m_transparent ? s : (s | 0xFF000000);
        }
    }
    changed({area->dstX, area->dstY, area->width, area->height});
}

void BitmapData::copyChannel(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                             uint32_t sourceChannel, uint32_t destChannel) {
    int from = channelShift(sourceChannel);
    int to = channelShift(destChannel);
    if (from < 0 || to < 0 || m_disposed || source.disposed())
        return;
    if (to == 24 && !m_transparent)
        return;
    auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, m_width, m_height);
    if (!area)
        return;
    SourceRows rows(source, *this, *area);
    for (int32_t y = 0; y < area->height; ++y) {
        const uint32_t* in = rows.row(y);
        uint32_t* out = &m_pixels[index(area->dstX, area->dstY + y)];
        for (int32_t x = 0; x < area->width; ++x) {
            uint32_t value = (unpremultiply(in[x]) >> from) & 0xFF;
            uint32_t d = unpremultiply(out[x]);
            out[x] = store((d & ~(0xFFu << to)) | (value << to));
        }
    }
    changed({area->dstX, area->dstY, area->width, area->height});
}

uint32_t BitmapData::threshold(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                               ThresholdOperation operation, uint32_t thresholdValue, uint32_t color, uint32_t mask,
                               bool copySource) {
    if (m_disposed || source.disposed())
        return 0;
    auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, m_width, m_height);
    if (!area)
        return 0;
    SourceRows rows(source, *this, *area);
    const uint32_t reference = thresholdValue & mask;
    const uint32_t hit = store(color);
    // A mask of alpha alone needs no unpremultiplied colour.
    const bool alphaOnly = (mask & 0x00FFFFFF) == 0;
    uint32_t count = 0;
    // One loop per operation keeps the comparison out of the pixel loop.
    auto run = [&](auto compareOp) {
        for (int32_t y = 0; y < area->height; ++y) {
            const uint32_t* in = rows.row(y);
            uint32_t* out = &m_pixels[index(area->dstX, area->dstY + y)];
            for (int32_t x = 0; x < area->width; ++x) {
                uint32_t value = alphaOnly ? in[x] : unpremultiply(in[x]);
                if (compareOp(value & mask, reference)) {
                    out[x] = hit;
                    ++count;
                } else if (copySource) {
                    out[x] = m_transparent ? in[x] : (in[x] | 0xFF000000);
                }
            }
        }
    };
    switch (operation) {
    case ThresholdOperation::Less:
        run(std::less<uint32_t>());
        break;
    case ThresholdOperation::LessOrEqual:
        run(std::less_equal<uint32_t>());
        break;
    case ThresholdOperation::Greater:
        run(std::greater<uint32_t>());
        break;
    case ThresholdOperation::GreaterOrEqual:
        run(std::greater_equal<uint32_t>());
        break;
    case ThresholdOperation::Equal:
        run(std::equal_to<uint32_t>());
        break;
    case ThresholdOperation::NotEqual:
        run(std::not_equal_to<uint32_t>());
        break;
    }
    changed({area->dstX, area->dstY, area->width, area->height});
    return count;
}

void BitmapData::paletteMap(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                            const PaletteMaps& maps) {
    if (m_disposed || source.disposed())
        return;
    auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, m_width, m_height);
    if (!area)
        return;
    SourceRows rows(source, *this, *area);
    for (int32_t y = 0; y < area->height; ++y) {
        const uint32_t* in = rows.row(y);
        uint32_t* out = &m_pixels[index(area->dstX, area->dstY + y)];
        for (int32_t x = 0; x < area->width; ++x) {
            uint32_t v = unpremultiply(in[x]);
            uint32_t a = v >> 24, r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            // The tables' entries are summed, wrapping as the format's scripts do.
            uint32_t mapped = (maps.red ? (*maps.red)[r] : r << 16) + (maps.green ? (*maps.green)[g] : g << 8) +
                              (maps.blue ? (*maps.blue)[b] : b) + (maps.alpha ? (*maps.alpha)[a] : a << 24);
            out[x] = store(mapped);
        }
    }
    changed({area->dstX, area->dstY, area->width, area->height});
}

void BitmapData::merge(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint, uint32_t redMultiplier,
                       uint32_t greenMultiplier, uint32_t blueMultiplier, uint32_t alphaMultiplier) {
    if (m_disposed || source.disposed())
        return;
    auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, m_width, m_height);
    if (!area)
        return;
    // Multipliers in the order of the channels in 0xAARRGGBB, from the low byte.
    const uint32_t mult[4] = {std::min(blueMultiplier, 256u), std::min(greenMultiplier, 256u),
                              std::min(redMultiplier, 256u), std::min(alphaMultiplier, 256u)};
    SourceRows rows(source, *this, *area);
    for (int32_t y = 0; y < area->height; ++y) {
        const uint32_t* in = rows.row(y);
        uint32_t* out = &m_pixels[index(area->dstX, area->dstY + y)];
        for (int32_t x = 0; x < area->width; ++x) {
            uint32_t s = unpremultiply(in[x]);
            uint32_t d = unpremultiply(out[x]);
            uint32_t result = 0;
            for (int c = 0; c < 4; ++c) {
                uint32_t sc = (s >> (8 * c)) & 0xFF, dc = (d >> (8 * c)) & 0xFF;
                result |= ((sc * mult[c] + dc * (256 - mult[c])) >> 8) << (8 * c);
            }
            out[x] = store(result);
        }
    }
    changed({area->dstX, area->dstY, area->width, area->height});
}

int32_t BitmapData::pixelDissolve(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                                  int32_t randomSeed, int32_t numPixels, uint32_t fillColor) {
    if (m_disposed || source.disposed() || numPixels <= 0)
        return randomSeed;
    auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, m_width, m_height);
    if (!area)
        return randomSeed;
    // A full-period generator modulo the next power of two visits every index
    // once per cycle; indexes past the area are skipped, so the returned
    // state continues the same order on the next call.
    const uint32_t count = uint32_t(area->width) * uint32_t(area->height);
    const uint32_t mask = std::bit_ceil(count) - 1;
    uint32_t state = uint32_t(randomSeed) & mask;
    const bool fill = &source == this;
    const uint32_t fillValue = store(fillColor);
    uint32_t remaining = std::min(uint32_t(numPixels), count);
    while (remaining > 0) {
        state = (state * 1664525u + 1013904223u) & mask;
        if (state >= count)
            continue;
        --remaining;
        int32_t x = int32_t(state % uint32_t(area->width));
        int32_t y = int32_t(state / uint32_t(area->width));
        uint32_t& out = m_pixels[index(area->dstX + x, area->dstY + y)];
        if (fill) {
            out = fillValue;
        } else {
            uint32_t s = source.pixels()[size_t(area->srcY + y) * size_t(source.width()) + size_t(area->srcX + x)];
            out = m_transparent ? s : (s | 0xFF000000);
        }
    }
    changed({area->dstX, area->dstY, area->width, area->height});
    return int32_t(state);
}

}  // namespace bitmap
