// Turns image data of the file into Bitmap pixels (format in bitmap.h).
// Each decoder asks `reserve` before allocating pixels, so the caller bounds
// image sizes; a refusal yields ImageTooLarge.
#pragma once

#include "swf/bitmap.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace swf {

// Returns false when an image of that size may not be allocated.
using ImageBudget = std::function<bool(uint64_t width, uint64_t height)>;

enum class ImageFormat : uint8_t { Jpeg, Png, Gif, Unknown };

[[nodiscard]] ImageFormat sniffImageFormat(std::span<const uint8_t> data);

// One JPEG stream from the JPEGTables bytes (may be empty) and the image
// bytes, dropping the SOI/EOI markers between them and the stray EOI+SOI
// pair that some files carry at the start of their data.
[[nodiscard]] std::vector<uint8_t> joinJpegStreams(std::span<const uint8_t> tables, std::span<const uint8_t> data);

// Decoders fill `out` (width, height, pixels) or set out.error and leave no pixels.
void decodeJpeg(std::span<const uint8_t> jpeg, const ImageBudget& budget, Bitmap& out);
void decodePng(std::span<const uint8_t> png, const ImageBudget& budget, Bitmap& out);
// The first image of a GIF on its logical screen; transparent index clear.
void decodeGif(std::span<const uint8_t> gif, const ImageBudget& budget, Bitmap& out);

// What a decoder hands over: the pixels on success, else the error and none.
void storeDecoded(ErrorCode rc, uint32_t width, uint32_t height, std::vector<uint32_t>&& pixels, Bitmap& out);

// DefineBitsLossless(2) payload after the id: format 3/4/5 and the zlib data.
void decodeLossless(uint8_t format, uint16_t width, uint16_t height, uint32_t colorTableSize,
                    std::span<const uint8_t> zlibData, bool withAlpha, const ImageBudget& budget, Bitmap& out);

// Multiplies the pixels (opaque so far) by a zlib-compressed alpha plane of
// width * height bytes; a plane that ends early leaves the rest opaque.
void applyAlphaPlane(std::span<const uint8_t> zlibAlpha, Bitmap& bitmap);

// Inflates zlib data, stopping at `limit` bytes. False when the stream is
// corrupt; a stream that ends early returns true with fewer bytes.
[[nodiscard]] bool inflateBounded(std::span<const uint8_t> in, size_t limit, std::vector<uint8_t>& out);

// Native premultiplied ARGB from straight (not premultiplied) channels.
[[nodiscard]] inline uint32_t premultiply(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    auto mul = [a](uint8_t c) { return uint32_t((c * a + 127) / 255); };
    return uint32_t(a) << 24 | mul(r) << 16 | mul(g) << 8 | mul(b);
}
// Native ARGB from channels that are already premultiplied; channels above alpha are clamped.
[[nodiscard]] inline uint32_t packPremultiplied(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    auto clamp = [a](uint8_t c) { return uint32_t(c > a ? a : c); };
    return uint32_t(a) << 24 | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

}  // namespace swf
