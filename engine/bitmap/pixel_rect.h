// Pixel-space points and rectangles, and the clipping every operation shares.
//
// Scripts pass Numbers; they reach this layer through toPixelCoordinate, which
// gives NaN and infinities a defined value and keeps every coordinate within
// +-2^30 so that sums of two never overflow.
#pragma once

#include <cstdint>
#include <optional>

namespace bitmap {

inline constexpr int32_t MaxCoordinate = 1 << 30;

// Truncates toward zero; NaN gives 0, out-of-range values clamp.
[[nodiscard]] int32_t toPixelCoordinate(double value);

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;

    [[nodiscard]] static PixelPoint fromNumbers(double x, double y);
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// A negative width or height makes the rectangle empty.
struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    [[nodiscard]] static PixelRect fromNumbers(double x, double y, double width, double height);
    [[nodiscard]] bool empty() const { return width <= 0 || height <= 0; }
    [[nodiscard]] int64_t area() const { return empty() ? 0 : int64_t(width) * height; }
    [[nodiscard]] bool contains(int32_t px, int32_t py) const {
        return !empty() && px >= x && py >= y && int64_t(px) < int64_t(x) + width && int64_t(py) < int64_t(y) + height;
    }
    // The part inside [0, w) x [0, h); empty (all zero) when nothing is left.
    [[nodiscard]] PixelRect clippedTo(int32_t w, int32_t h) const;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A copy of `width` x `height` pixels from (srcX, srcY) of one bitmap to
// (dstX, dstY) of another, every pixel inside both.
struct CopyArea {
    int32_t srcX = 0;
    int32_t srcY = 0;
    int32_t dstX = 0;
    int32_t dstY = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Clips `sourceRect` to the source, moves the destination point along, then
// clips to the destination. Nothing when the area is empty.
[[nodiscard]] std::optional<CopyArea> clipCopy(PixelRect sourceRect, int32_t sourceWidth, int32_t sourceHeight,
                                               PixelPoint destPoint, int32_t destWidth, int32_t destHeight);

}  // namespace bitmap
