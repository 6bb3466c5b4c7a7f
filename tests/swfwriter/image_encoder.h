// Encodes test pictures for bitmap tags. Pixels are straight (not
// premultiplied) RGBA, 4 bytes per pixel, rows top-down.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace swfwriter {

struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    static Image filled(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
    void set(uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
};

// A complete baseline JPEG of the RGB channels.
[[nodiscard]] std::vector<uint8_t> encodeJpeg(const Image& image, int quality = 90);

// The same split in two, as DefineBits wants it: a tables-only stream for
// JPEGTables and an abbreviated image stream without tables.
struct JpegParts {
    std::vector<uint8_t> tables;
    std::vector<uint8_t> image;
};
[[nodiscard]] JpegParts encodeJpegAbbreviated(const Image& image, int quality = 90);

[[nodiscard]] std::vector<uint8_t> encodePng(const Image& image);

// A GIF89a of palette indices (width * height, rows top-down) over up to 256
// RGB colours; `transparent` (when >= 0) is the index drawn clear. Rows of an
// interlaced image are written in the format's four passes.
struct GifPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<std::array<uint8_t, 3>> palette;
    std::vector<uint8_t> indices;
    int transparent = -1;
    bool interlaced = false;
};
[[nodiscard]] std::vector<uint8_t> encodeGif(const GifPicture& picture);

// zlib-compressed bytes.
[[nodiscard]] std::vector<uint8_t> deflateBytes(const std::vector<uint8_t>& data);

}  // namespace swfwriter
