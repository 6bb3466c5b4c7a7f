#include "bitmap/pixel_rect.h"

#include <algorithm>
#include <cmath>

namespace bitmap {

int32_t toPixelCoordinate(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= MaxCoordinate)
        return MaxCoordinate;
    if (value <= -MaxCoordinate)
        return -MaxCoordinate;
    return int32_t(value);
}

PixelPoint PixelPoint::fromNumbers(double x, double y) { return {toPixelCoordinate(x), toPixelCoordinate(y)}; }

PixelRect PixelRect::fromNumbers(double x, double y, double width, double height) {
    return {toPixelCoordinate(x), toPixelCoordinate(y), toPixelCoordinate(width), toPixelCoordinate(height)};
}

PixelRect PixelRect::clippedTo(int32_t w, int32_t h) const {
    if (empty())
        return {};
    int64_t x0 = std::max<int64_t>(x, 0);
    int64_t y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>(int64_t(x) + width, w);
    int64_t y1 = std::min<int64_t>(int64_t(y) + height, h);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)};
}

std::optional<CopyArea> clipCopy(PixelRect sourceRect, int32_t sourceWidth, int32_t sourceHeight, PixelPoint destPoint,
                                 int32_t destWidth, int32_t destHeight) {
    if (sourceRect.empty())
        return std::nullopt;
    // Work in 64 bits: coordinates are within +-2^30, so no sum overflows.
    int64_t sx = sourceRect.x;
    int64_t sy = sourceRect.y;
    int64_t dx = destPoint.x;
    int64_t dy = destPoint.y;
    int64_t w = sourceRect.width;
    int64_t h = sourceRect.height;
    auto clipAxis = [](int64_t& s, int64_t& d, int64_t& len, int64_t sLimit, int64_t dLimit) {
        if (s < 0) {
            d -= s;
            len += s;
            s = 0;
        }
        if (d < 0) {
            s -= d;
            len += d;
            d = 0;
        }
        len = std::min({len, sLimit - s, dLimit - d});
        return len > 0;
    };
    if (!clipAxis(sx, dx, w, sourceWidth, destWidth) || !clipAxis(sy, dy, h, sourceHeight, destHeight))
        return std::nullopt;
    return CopyArea{int32_t(sx), int32_t(sy), int32_t(dx), int32_t(dy), int32_t(w), int32_t(h)};
}

}  // namespace bitmap
