// Bitmap characters (DefineBits*, DefineBitsLossless*), decoded at load time.
//
// Pixel format, the same for every source: 32-bit ARGB, premultiplied alpha,
// one uint32_t per pixel in native byte order (alpha in bits 24-31, red 16-23,
// green 8-15, blue 0-7), rows top-down, stride exactly width * 4 bytes with no
// padding. This is cairo's CAIRO_FORMAT_ARGB32 layout, so a renderer can wrap
// the pixels without copying. Every channel is <= alpha.
#pragma once

#include "swf/error.h"

#include <cstdint>
#include <vector>

namespace swf {

enum class BitmapSource : uint8_t {
    Jpeg,           // DefineBits (with JPEGTables), DefineBitsJPEG2/3/4 holding JPEG
    Png,            // DefineBitsJPEG2/3/4 holding PNG
    Gif,            // DefineBitsJPEG2/3/4 holding GIF: not decoded (error UnsupportedImage)
    Lossless,       // DefineBitsLossless: opaque
    LosslessAlpha,  // DefineBitsLossless2
};

// A bitmap that failed to decode keeps its error code, width and height 0 and
// no pixels: fills that use it draw nothing, and it never comes half-built.
struct Bitmap {
    BitmapSource source = BitmapSource::Lossless;
    ErrorCode error = ErrorCode::None;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // width * height, see the format above
    uint16_t deblocking = 0;       // DefineBitsJPEG4's deblocking filter parameter (8.8); 0 otherwise

    [[nodiscard]] bool ok() const { return error == ErrorCode::None && !pixels.empty(); }
    [[nodiscard]] uint32_t pixel(uint32_t x, uint32_t y) const {
        return (x < width && y < height) ? pixels[size_t(y) * width + x] : 0;
    }
};

}  // namespace swf
