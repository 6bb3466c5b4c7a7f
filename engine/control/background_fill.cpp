#include "control/background_fill.h"

#include <algorithm>
#include <cstring>

namespace control {

void fillBackground(const render::Target& target, swf::Rgba color) {
    if (render::validate(target) != render::TargetError::None)
        return;
    const uint32_t pixel = 0xFF000000u | uint32_t(color.r) << 16 | uint32_t(color.g) << 8 | uint32_t(color.b);
    for (const render::PixelRect& r : render::effectiveClip(target)) {
        for (int32_t y = r.top; y < r.bottom; ++y) {
            const int32_t row = target.rowOrder == render::RowOrder::TopDown ? y : target.height - 1 - y;
            uint8_t* line = target.pixels + size_t(row) * size_t(target.stride);
            for (int32_t x = r.left; x < r.right; ++x)
                std::memcpy(line + size_t(x) * 4, &pixel, 4);
        }
    }
}

}  // namespace control
