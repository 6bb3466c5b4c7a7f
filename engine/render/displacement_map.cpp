#include "render/displacement_map.h"

#include "model/drawing.h"
#include "render/premultiplied.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace render {

namespace {

using namespace pixel;

// Past this a displacement leaves any picture a movie can make.
constexpr double MaxScale = 65536.0;
constexpr double MaxOffset = 1e6;

double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

// The scripted (unpremultiplied) value of one channel bit; 128, no
// displacement, for anything but one known bit.
int32_t componentOf(uint32_t p, uint8_t component) {
    switch (component) {
    case 1:
        return unpremultiply(p).r;
    case 2:
        return unpremultiply(p).g;
    case 4:
        return unpremultiply(p).b;
    case 8:
        return int32_t(alpha(p));
    default:
        return 128;
    }
}

int64_t wrapped(int64_t v, int64_t size) { return ((v % size) + size) % size; }

}  // namespace

void displace(const swf::Filter& f, const PixelView& px, FilterScale scale) {
    if (!f.map || px.empty())
        return;
    const uint32_t* map = f.map->pixels();
    const int32_t mapWidth = f.map->width();
    const int32_t mapHeight = f.map->height();
    if (!map || mapWidth <= 0 || mapHeight <= 0)
        return;  // a disposed map displaces nothing
    const double sx = std::clamp(finiteOr(scale.x, 1.0), 1.0 / 64, 64.0);
    const double sy = std::clamp(finiteOr(scale.y, 1.0), 1.0 / 64, 64.0);
    const double ox = finiteOr(scale.originX, 0.0);
    const double oy = finiteOr(scale.originY, 0.0);
    const double mapX = std::clamp(finiteOr(f.mapX, 0.0), -MaxOffset, MaxOffset);
    const double mapY = std::clamp(finiteOr(f.mapY, 0.0), -MaxOffset, MaxOffset);
    // Device pixels of displacement per step of the channel above 128.
    const double stepX = std::clamp(finiteOr(f.scaleX, 0.0), -MaxScale, MaxScale) / 256.0 * sx;
    const double stepY = std::clamp(finiteOr(f.scaleY, 0.0), -MaxScale, MaxScale) / 256.0 * sy;
    const int64_t w = px.width();
    const int64_t h = px.height();
    // What the displacement reads from: the object's box, or all.
    int64_t left = std::clamp<int64_t>(scale.boxLeft, 0, w);
    int64_t top = std::clamp<int64_t>(scale.boxTop, 0, h);
    int64_t right = std::clamp<int64_t>(scale.boxRight, left, w);
    int64_t bottom = std::clamp<int64_t>(scale.boxBottom, top, h);
    if (right == left || bottom == top) {
        left = top = 0;
        right = w;
        bottom = h;
    }
    std::vector<uint32_t> src(size_t(w) * size_t(h));
    for (int32_t y = 0; y < h; ++y)
        std::copy_n(px.row(y).data(), size_t(w), src.data() + size_t(y) * size_t(w));
    const uint32_t color = premultiply(f.color);

    for (int32_t y = 0; y < h; ++y) {
        const auto row = px.row(y);
        const double my = std::floor((y + 0.5 - oy) / sy - mapY);
        if (my < 0 || my >= mapHeight)
            continue;  // outside the map nothing moves
        const uint32_t* mapRow = map + size_t(my) * size_t(mapWidth);
        for (int32_t x = 0; x < w; ++x) {
            const double mx = std::floor((x + 0.5 - ox) / sx - mapX);
            if (mx < 0 || mx >= mapWidth)
                continue;
            const uint32_t m = mapRow[size_t(mx)];
            const double dx = (componentOf(m, f.componentX) - 128) * stepX;
            const double dy = (componentOf(m, f.componentY) - 128) * stepY;
            int64_t fromX = int64_t(std::floor(std::clamp(x + dx + 0.5, -MaxOffset, MaxOffset)));
            int64_t fromY = int64_t(std::floor(std::clamp(y + dy + 0.5, -MaxOffset, MaxOffset)));
            if (fromX < left || fromY < top || fromX >= right || fromY >= bottom) {
                switch (f.mode) {
                case swf::DisplacementMode::Wrap:
                    fromX = left + wrapped(fromX - left, right - left);
                    fromY = top + wrapped(fromY - top, bottom - top);
                    break;
                case swf::DisplacementMode::Clamp:
                    fromX = std::clamp<int64_t>(fromX, left, right - 1);
                    fromY = std::clamp<int64_t>(fromY, top, bottom - 1);
                    break;
                case swf::DisplacementMode::Ignore:
                    continue;
                case swf::DisplacementMode::Color:
                    row[size_t(x)] = color;
                    continue;
                }
            }
            row[size_t(x)] = src[size_t(fromY) * size_t(w) + size_t(fromX)];
        }
    }
}

}  // namespace render
