#include "render/blend_pixels.h"

#include "render/premultiplied.h"

#include <algorithm>

namespace render {

namespace {

using namespace pixel;

// One colour channel of a separable blend: premultiplied source c and
// destination d with alphas as, ad, all 0..255. Returns the blended term
// as * ad * B(c / as, d / ad) in 0..255 units.
using Blend = int32_t (*)(int32_t c, int32_t as, int32_t d, int32_t ad);

// v / 255 rounded to nearest, for either sign.
int32_t div255(int32_t v) { return v >= 0 ? (v + 127) / 255 : -((-v + 127) / 255); }

int32_t multiply(int32_t c, int32_t, int32_t d, int32_t) { return div255(c * d); }
int32_t screen(int32_t c, int32_t as, int32_t d, int32_t ad) { return div255(c * ad + d * as - c * d); }
int32_t lighten(int32_t c, int32_t as, int32_t d, int32_t ad) { return div255(std::max(c * ad, d * as)); }
int32_t darken(int32_t c, int32_t as, int32_t d, int32_t ad) { return div255(std::min(c * ad, d * as)); }
int32_t difference(int32_t c, int32_t as, int32_t d, int32_t ad) { return div255(std::abs(c * ad - d * as)); }
int32_t hardLight(int32_t c, int32_t as, int32_t d, int32_t ad) {
    if (2 * c <= as)
        return div255(2 * c * d);
    return div255(as * ad - 2 * (ad - d) * (as - c));
}
int32_t overlay(int32_t c, int32_t as, int32_t d, int32_t ad) { return hardLight(d, ad, c, as); }

uint32_t separable(Blend blend, uint32_t s, uint32_t d) {
    const int32_t as = int32_t(alpha(s));
    const int32_t ad = int32_t(alpha(d));
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int32_t c = int32_t(channel(s, shift));
        const int32_t b = int32_t(channel(d, shift));
        const int32_t v = div255(c * (255 - ad)) + div255(b * (255 - as)) + blend(c, as, b, ad);
        out |= uint32_t(std::clamp(v, 0, 255)) << shift;
    }
    const uint32_t a = uint32_t(as + ad) - mul255(uint32_t(as), uint32_t(ad));
    return out | std::min<uint32_t>(a, 255) << 24;
}

uint32_t overAlpha(uint32_t s, uint32_t d) { return alpha(s) + alpha(d) - mul255(alpha(s), alpha(d)); }

// Colour channels of `rgb` under the alpha `a`, each held to at most `a`.
uint32_t withAlpha(uint32_t rgb, uint32_t a) {
    uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8)
        out |= std::min(channel(rgb, shift), a) << shift;
    return out;
}

}  // namespace

uint32_t blendPixel(swf::BlendMode mode, uint32_t s, uint32_t d) {
    switch (mode) {
    case swf::BlendMode::Multiply:
        return separable(multiply, s, d);
    case swf::BlendMode::Screen:
        return separable(screen, s, d);
    case swf::BlendMode::Lighten:
        return separable(lighten, s, d);
    case swf::BlendMode::Darken:
        return separable(darken, s, d);
    case swf::BlendMode::Difference:
        return separable(difference, s, d);
    case swf::BlendMode::Overlay:
        return separable(overlay, s, d);
    case swf::BlendMode::HardLight:
        return separable(hardLight, s, d);
    case swf::BlendMode::Add:
        return withAlpha(addSaturated(s, d), overAlpha(s, d));
    case swf::BlendMode::Subtract: {
        uint32_t rgb = 0;
        for (int shift = 0; shift < 24; shift += 8)
            rgb |= uint32_t(std::max(int32_t(channel(d, shift)) - int32_t(channel(s, shift)), 0)) << shift;
        return withAlpha(rgb, overAlpha(s, d));
    }
    case swf::BlendMode::Invert: {
        const uint32_t as = alpha(s);
        const uint32_t ad = alpha(d);
        uint32_t out = ad << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t c = channel(d, shift);
            out |= (mul255(c, 255 - as) + mul255(ad - std::min(c, ad), as)) << shift;
        }
        return out;
    }
    case swf::BlendMode::Alpha:
        return scale(d, alpha(s));
    case swf::BlendMode::Erase:
        return scale(d, 255 - alpha(s));
    case swf::BlendMode::Normal:
    case swf::BlendMode::Layer:
        break;
    }
    return over(s, d);
}

void blendPixels(swf::BlendMode mode, const PixelView& source, const PixelView& destination) {
    const int32_t w = std::min(source.width(), destination.width());
    const int32_t h = std::min(source.height(), destination.height());
    for (int32_t y = 0; y < h; ++y) {
        const auto in = source.row(y);
        const auto out = destination.row(y);
        for (int32_t x = 0; x < w; ++x)
            out[size_t(x)] = blendPixel(mode, in[size_t(x)], out[size_t(x)]);
    }
}

}  // namespace render
