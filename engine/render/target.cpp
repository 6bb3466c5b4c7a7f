#include "render/target.h"

#include <algorithm>

namespace render {

namespace {
constexpr int32_t MaxSide = 32767;  // cairo's image surface limit
}  // namespace

PixelRect PixelRect::intersected(const PixelRect& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
}

TargetError validate(const Target& target) {
    if (target.pixels == nullptr)
        return TargetError::NoPixels;
    if (target.width <= 0 || target.height <= 0 || target.width > MaxSide || target.height > MaxSide)
        return TargetError::BadSize;
    if (target.stride % 4 != 0 || int64_t(target.stride) < int64_t(target.width) * 4)
        return TargetError::BadStride;
    return TargetError::None;
}

std::vector<PixelRect> effectiveClip(const Target& target) {
    const PixelRect limit = PixelRect{0, 0, target.width, target.height}.intersected(target.bounds);
    std::vector<PixelRect> out;
    for (const PixelRect& r : target.clip) {
        PixelRect c = r.intersected(limit);
        if (!c.isEmpty())
            out.push_back(c);
    }
    return out;
}

}  // namespace render
