// The movie format's blur: a box of the blur's size, run once per pass
// across and then down, which approaches a gaussian as passes grow.
//
// Sizes are whole pixels: a blur of b pixels is a centred box of
// 2 * floor(b / 2) + 1 pixels, so a blur below 2 leaves the picture as it is.
// Pixels outside the buffer count as transparent, so the caller leaves a
// margin of reach() around what it blurs.
#pragma once

#include "render/pixel_view.h"

#include <cstddef>
#include <cstdint>

namespace render {

struct BoxBlur {
    static constexpr int32_t kMaxPasses = 15;
    static constexpr double kMaxBlur = 255.0;    // in the movie's pixels, as scripts may set
    static constexpr int32_t kMaxRadius = 1024;  // in device pixels, after scaling

    int32_t radiusX = 0;
    int32_t radiusY = 0;
    int32_t passes = 1;

    // The blur of a filter: sizes in movie pixels, `scaleX`/`scaleY` device
    // pixels per movie pixel. Negative or NaN sizes blur nothing, huge ones
    // are capped; passes are held to 1..15.
    [[nodiscard]] static BoxBlur from(double blurX, double blurY, int passes, double scaleX = 1.0, double scaleY = 1.0);

    // How far the blur spreads a pixel on each side.
    [[nodiscard]] int32_t reachX() const { return radiusX * passes; }
    [[nodiscard]] int32_t reachY() const { return radiusY * passes; }
    [[nodiscard]] bool isIdentity() const { return radiusX == 0 && radiusY == 0; }
};

// Blurs `height` rows of `width` pixels of `channels` bytes each (1 for an
// alpha plane, 4 for ARGB32), rows `strideBytes` apart, in place.
void boxBlur(uint8_t* data, int32_t width, int32_t height, ptrdiff_t strideBytes, int channels, const BoxBlur& blur);
// Blurs premultiplied ARGB32 pixels in place.
void boxBlur(const PixelView& pixels, const BoxBlur& blur);

}  // namespace render
