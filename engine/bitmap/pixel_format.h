// The two pixel forms of a BitmapData.
//
// Stored: premultiplied ARGB, one uint32_t per pixel in native byte order
// (alpha in bits 24-31), which is cairo's ARGB32 and the form of decoded
// bitmap characters, so drawing wraps the pixels without copying.
// Scripted: unpremultiplied 0xAARRGGBB, the value getPixel32 returns.
//
// Conversions round to nearest both ways. Opaque pixels survive a round trip
// exactly; a semi-transparent colour loses the precision its alpha leaves
// (0x80C80000 reads back as 0x80C70000) and a fully transparent pixel reads
// back as 0, as scripts of the format expect.
#pragma once

#include <cstdint>

namespace bitmap {

// [alpha][channel] tables: 64 KiB each, built once.
const uint8_t* premultiplyTable();    // round(c * a / 255)
const uint8_t* unpremultiplyTable();  // min(255, round(p * 255 / a)); row 0 is all zero

[[nodiscard]] inline uint32_t alphaOf(uint32_t argb) { return argb >> 24; }

[[nodiscard]] inline uint32_t packArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Every channel of a pixel times m / 255, rounded: two channels at a time,
// with the exact divide-by-255 of (t + (t >> 8)) >> 8.
[[nodiscard]] inline uint32_t scalePixel(uint32_t pixel, uint32_t m) {
    uint32_t rb = (pixel & 0x00FF00FF) * m + 0x00800080;
    uint32_t ag = ((pixel >> 8) & 0x00FF00FF) * m + 0x00800080;
    rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
    ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
    return ag | rb;
}

// Scripted colour to stored pixel.
[[nodiscard]] inline uint32_t premultiply(uint32_t argb) {
    uint32_t a = argb >> 24;
    if (a == 255)
        return argb;
    if (a == 0)
        return 0;
    const uint8_t* row = premultiplyTable() + (a << 8);
    return packArgb(a, row[(argb >> 16) & 0xFF], row[(argb >> 8) & 0xFF], row[argb & 0xFF]);
}

// Stored pixel to scripted colour.
[[nodiscard]] inline uint32_t unpremultiply(uint32_t pixel) {
    uint32_t a = pixel >> 24;
    if (a == 255)
        return pixel;
    if (a == 0)
        return 0;
    const uint8_t* row = unpremultiplyTable() + (a << 8);
    return packArgb(a, row[(pixel >> 16) & 0xFF], row[(pixel >> 8) & 0xFF], row[pixel & 0xFF]);
}

}  // namespace bitmap
