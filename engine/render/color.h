// Colour transforms as the renderer applies them.
//
// A transform multiplies each channel (red, green, blue, alpha; colours not
// premultiplied) and adds an offset, then clamps to 0..255. Nested transforms
// concatenate without clamping in between, so one transform stands for a whole
// chain of parents.
#pragma once

#include "swf/types.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace render {

struct ColorTransform {
    std::array<double, 4> mult{1.0, 1.0, 1.0, 1.0};  // red, green, blue, alpha
    std::array<double, 4> add{0.0, 0.0, 0.0, 0.0};   // in colour units (0..255)

    [[nodiscard]] static ColorTransform from(const swf::ColorTransform& cx);
    // This transform applied after `inner`.
    [[nodiscard]] ColorTransform concat(const ColorTransform& inner) const;
    [[nodiscard]] swf::Rgba apply(swf::Rgba c) const;
    [[nodiscard]] bool isIdentity() const { return *this == ColorTransform{}; }
    // Only alpha is scaled: colours keep their channels, alpha never gains an offset.
    [[nodiscard]] bool isAlphaOnly() const;
    // Alpha comes out 0 whatever goes in: nothing it applies to can show.
    [[nodiscard]] bool hidesEverything() const { return mult[3] * 255.0 + add[3] < 1.0 && add[3] < 1.0; }
    friend bool operator==(const ColorTransform&, const ColorTransform&) = default;
};

// Applies `cx` to premultiplied ARGB32 pixels (cairo's layout), `count` of
// them; `src` and `dst` may be the same buffer.
void transformPixels(const uint32_t* src, uint32_t* dst, size_t count, const ColorTransform& cx);

}  // namespace render
