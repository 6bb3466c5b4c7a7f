// The caller's pixel buffer that a frame is drawn into.
//
// Pixels are 32 bits, bytes blue, green, red, fourth byte (a little-endian
// 0xAARRGGBB word, cairo's ARGB32 layout). The renderer wraps the memory as it
// is, without a copy. Coordinates are surface pixels with the origin at the top
// left whatever the row order: `rowOrder` only says where row 0 sits in memory.
//
// What drawing leaves in the fourth byte: pixels are composed as premultiplied
// ARGB32. The opaque aspect paints the background with alpha 255 first, so
// every pixel inside the clip ends with 255. In the transparent aspect a pixel
// the movie covers with alpha a ends with a + old * (1 - a) (the old fourth
// byte read as alpha); a pixel the movie does not cover keeps all four bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace render {

// Pixel rectangle, right and bottom exclusive; empty when right <= left or
// bottom <= top.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    [[nodiscard]] bool isEmpty() const { return right <= left || bottom <= top; }
    [[nodiscard]] PixelRect intersected(const PixelRect& other) const;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

enum class RowOrder : uint8_t {
    TopDown,   // row 0 (the top of the picture) at the start of the buffer
    BottomUp,  // the top row last, as in a bottom-up device-independent bitmap
};

struct Target {
    uint8_t* pixels = nullptr;  // first byte of the buffer (its lowest address)
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // bytes from one row to the next in memory, >= width * 4
    RowOrder rowOrder = RowOrder::TopDown;
    // Drawing happens only inside the union of these rectangles (and inside
    // the surface and the drawing bounds). No rectangle means nothing is drawn:
    // a caller that wants everything passes the whole surface.
    std::vector<PixelRect> clip;
    // The rectangle the stage is mapped into (the control's drawing bounds).
    PixelRect bounds;
};

enum class TargetError : uint8_t {
    None,
    NoPixels,   // null buffer
    BadSize,    // width or height not positive, or above 32767
    BadStride,  // stride below width * 4 or not a multiple of 4
};

// Checks the buffer's description; the fields that only limit drawing (clip,
// bounds) are never an error.
[[nodiscard]] TargetError validate(const Target& target);

// The clip rectangles limited to the surface and the drawing bounds, empty
// ones dropped.
[[nodiscard]] std::vector<PixelRect> effectiveClip(const Target& target);

}  // namespace render
