// Arithmetic on premultiplied 0xAARRGGBB pixels, shared by filters and
// blend operations.
#pragma once

#include "swf/types.h"

#include <algorithm>
#include <cstdint>

namespace render::pixel {

// x * y / 255 rounded, for x, y in 0..255.
inline uint32_t mul255(uint32_t x, uint32_t y) {
    const uint32_t t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

inline uint32_t alpha(uint32_t p) { return p >> 24; }
inline uint32_t channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }
inline uint32_t pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// Every channel times a / 255.
inline uint32_t scale(uint32_t p, uint32_t a) {
    uint32_t rb = (p & 0x00FF00FF) * a + 0x00800080;
    rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
    uint32_t ag = ((p >> 8) & 0x00FF00FF) * a + 0x00800080;
    ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
    return rb | ag;
}

// Channel-wise sum, held at 255.
inline uint32_t addSaturated(uint32_t p, uint32_t q) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min<uint32_t>(channel(p, shift) + channel(q, shift), 255) << shift;
    return out;
}

// `top` laid over `bottom`.
inline uint32_t over(uint32_t top, uint32_t bottom) { return addSaturated(top, scale(bottom, 255 - alpha(top))); }

inline uint32_t premultiply(swf::Rgba c) { return pack(c.a, mul255(c.r, c.a), mul255(c.g, c.a), mul255(c.b, c.a)); }

inline swf::Rgba unpremultiply(uint32_t p) {
    const uint32_t a = alpha(p);
    if (a == 0)
        return {0, 0, 0, 0};
    auto un = [a](uint32_t c) { return uint8_t(std::min<uint32_t>((c * 255 + a / 2) / a, 255)); };
    return {un(channel(p, 16)), un(channel(p, 8)), un(channel(p, 0)), uint8_t(a)};
}

}  // namespace render::pixel
