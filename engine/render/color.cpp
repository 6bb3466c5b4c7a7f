#include "render/color.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// floor() like the format's own (value * mult) >> 8 arithmetic.
uint8_t channel(double value, double mult, double add) {
    return uint8_t(std::clamp(std::floor(value * mult + add), 0.0, 255.0));
}

}  // namespace

ColorTransform ColorTransform::from(const swf::ColorTransform& cx) {
    ColorTransform out;
    out.mult = {cx.rMult / 256.0, cx.gMult / 256.0, cx.bMult / 256.0, cx.aMult / 256.0};
    out.add = {double(cx.rAdd), double(cx.gAdd), double(cx.bAdd), double(cx.aAdd)};
    return out;
}

ColorTransform ColorTransform::concat(const ColorTransform& inner) const {
    ColorTransform out;
    for (size_t i = 0; i < 4; ++i) {
        out.mult[i] = mult[i] * inner.mult[i];
        out.add[i] = mult[i] * inner.add[i] + add[i];
    }
    return out;
}

swf::Rgba ColorTransform::apply(swf::Rgba c) const {
    return {channel(c.r, mult[0], add[0]), channel(c.g, mult[1], add[1]), channel(c.b, mult[2], add[2]),
            channel(c.a, mult[3], add[3])};
}

bool ColorTransform::isAlphaOnly() const {
    return mult[0] == 1.0 && mult[1] == 1.0 && mult[2] == 1.0 && add[0] == 0.0 && add[1] == 0.0 && add[2] == 0.0 &&
           add[3] == 0.0 && mult[3] >= 0.0 && mult[3] <= 1.0;
}

void transformPixels(const uint32_t* src, uint32_t* dst, size_t count, const ColorTransform& cx) {
    // Colour and alpha results per unpremultiplied input value.
    std::array<std::array<uint8_t, 256>, 4> lut{};
    for (size_t ch = 0; ch < 4; ++ch) {
        for (int v = 0; v < 256; ++v)
            lut[ch][size_t(v)] = channel(v, cx.mult[ch], cx.add[ch]);
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        const uint32_t a = p >> 24;
        uint32_t rgb[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
        for (uint32_t& c : rgb)
            c = a == 0 ? 0 : std::min<uint32_t>(255, (c * 255 + a / 2) / a);
        const uint32_t na = lut[3][a];
        uint32_t out = na << 24;
        for (size_t ch = 0; ch < 3; ++ch) {
            const uint32_t c = lut[ch][rgb[ch]];
            out |= ((c * na + 127) / 255) << (16 - 8 * ch);
        }
        dst[i] = out;
    }
}

}  // namespace render
