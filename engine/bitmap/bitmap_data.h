// BitmapData: a script-made bitmap shared by both script machines.
//
// Pixels are stored premultiplied (see pixel_format.h); every method that
// takes or returns a colour speaks the scripted unpremultiplied 0xAARRGGBB.
// An opaque bitmap (transparent == false) keeps alpha 255 everywhere: it
// ignores the alpha of colours given to it, and translucent pixels copied or
// drawn into it land as though over black (their stored colour, alpha 255).
//
// Bad arguments have defined results rather than errors: rectangles are
// clipped to the bitmaps involved, unknown channels or operations do nothing,
// and after dispose() every method is a no-op returning 0, an empty result or
// false. The script layers turn those into the exceptions or quiet results
// their language asks for.
#pragma once

#include "bitmap/pixel_rect.h"

#include "moviehost/expected.h"
#include "swf/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace bitmap {

enum class BitmapError : uint8_t {
    InvalidSize,  // a side below 1 or above the limits
    OutOfMemory,
    Disposed,  // clone() of a disposed bitmap
};

// The largest bitmap a movie may create: version 10 raised the 2880 pixel
// side of earlier players to 8191 with at most 16,777,215 pixels in all.
struct SizeLimits {
    int32_t maxSide = 8191;
    int64_t maxPixels = 16777215;
};

// Channel bits as scripts name them (BitmapDataChannel).
namespace channel {
inline constexpr uint32_t Red = 1;
inline constexpr uint32_t Green = 2;
inline constexpr uint32_t Blue = 4;
inline constexpr uint32_t Alpha = 8;
}  // namespace channel

enum class ThresholdOperation : uint8_t { Less, LessOrEqual, Greater, GreaterOrEqual, Equal, NotEqual };

// "<", "<=", ">", ">=", "==", "!="; anything else is no operation.
[[nodiscard]] std::optional<ThresholdOperation> parseThresholdOperation(std::string_view text);

// paletteMap's tables; a missing one passes its channel through unchanged.
struct PaletteMaps {
    const std::array<uint32_t, 256>* red = nullptr;
    const std::array<uint32_t, 256>* green = nullptr;
    const std::array<uint32_t, 256>* blue = nullptr;
    const std::array<uint32_t, 256>* alpha = nullptr;
};

struct PerlinNoiseOptions {
    double baseX = 0.0;  // feature size in pixels; 0 or less gives a frequency of 0
    double baseY = 0.0;
    int32_t octaves = 1;  // clamped to [0, MaxOctaves]
    int32_t seed = 0;
    bool stitch = false;
    bool fractalNoise = false;  // false gives turbulence
    uint32_t channels = channel::Red | channel::Green | channel::Blue;
    bool grayScale = false;
    std::vector<std::pair<double, double>> offsets;  // one per octave; missing ones are (0, 0)

    static constexpr int32_t MaxOctaves = 24;  // later octaves cannot change an 8-bit channel
};

// Per channel counts of scripted values: red, green, blue, alpha.
using Histogram = std::array<std::array<uint32_t, 256>, 4>;

struct SetPixelsResult {
    int64_t written = 0;     // pixels written
    bool exhausted = false;  // the input ended before the rectangle did
};

class BitmapData;

// compare(): 0 equal, -3 widths differ, -4 heights differ, -2 either bitmap
// disposed; otherwise 1 and the difference bitmap.
struct CompareResult;

class BitmapData {
public:
    [[nodiscard]] static moviehost::Expected<BitmapData, BitmapError> create(int32_t width, int32_t height,
                                                                             bool transparent = true,
                                                                             uint32_t fillColor = 0xFFFFFFFF,
                                                                             SizeLimits limits = {});
    // From stored (premultiplied) pixels, e.g. a decoded bitmap character.
    [[nodiscard]] static moviehost::Expected<BitmapData, BitmapError> fromPremultiplied(
        int32_t width, int32_t height, std::span<const uint32_t> pixels, bool transparent, SizeLimits limits = {});

    // A moved-from bitmap reads as disposed.
    BitmapData(BitmapData&& other) noexcept;
    BitmapData& operator=(BitmapData&& other) noexcept;
    BitmapData(const BitmapData&) = delete;  // copies are explicit: clone()
    BitmapData& operator=(const BitmapData&) = delete;

    [[nodiscard]] int32_t width() const { return m_width; }
    [[nodiscard]] int32_t height() const { return m_height; }
    [[nodiscard]] bool transparent() const { return m_transparent; }
    [[nodiscard]] bool disposed() const { return m_disposed; }
    [[nodiscard]] PixelRect rect() const { return {0, 0, m_width, m_height}; }

    // Stored pixels, rows top-down, stride width * 4 bytes. Writers outside
    // this class (drawing) call changed() when done.
    [[nodiscard]] const uint32_t* pixels() const { return m_pixels.data(); }
    [[nodiscard]] uint32_t* mutablePixels() { return m_pixels.data(); }
    void changed(PixelRect area);

    // Bumped by every change once no lock() is outstanding; a drawing cache
    // compares it. takeDirtyRect() hands over (and forgets) the changed area.
    [[nodiscard]] uint64_t version() const { return m_version; }
    [[nodiscard]] PixelRect takeDirtyRect();
    void lock();
    void unlock();

    void dispose();
    [[nodiscard]] moviehost::Expected<BitmapData, BitmapError> clone() const;

    [[nodiscard]] uint32_t getPixel(int32_t x, int32_t y) const;  // 0xRRGGBB
    [[nodiscard]] uint32_t getPixel32(int32_t x, int32_t y) const;
    void setPixel(int32_t x, int32_t y, uint32_t rgb);  // keeps the pixel's alpha
    void setPixel32(int32_t x, int32_t y, uint32_t argb);

    void fillRect(PixelRect rect, uint32_t argb);
    void floodFill(int32_t x, int32_t y, uint32_t argb);
    void colorTransform(PixelRect rect, const swf::ColorTransform& transform);
    // Moves the content; the uncovered strip keeps its old pixels.
    void scroll(int32_t dx, int32_t dy);

    // Operations with a source bitmap: the source may be this bitmap itself.
    // `alphaBitmap` scales the source's alpha by its own; the copy is limited
    // to where the alpha bitmap has pixels.
    void copyPixels(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                    const BitmapData* alphaBitmap = nullptr, PixelPoint alphaPoint = {}, bool mergeAlpha = false);
    // One channel of the source into one channel of this bitmap.
    void copyChannel(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint, uint32_t sourceChannel,
                     uint32_t destChannel);
    // Counts source pixels whose (pixel & mask) compares true with
    // (threshold & mask) and sets them to `color`; the others are copied when
    // copySource holds, otherwise left alone.
    uint32_t threshold(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint,
                       ThresholdOperation operation, uint32_t thresholdValue, uint32_t color = 0,
                       uint32_t mask = 0xFFFFFFFF, bool copySource = false);
    void paletteMap(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint, const PaletteMaps& maps);
    // Per channel: (source * multiplier + dest * (256 - multiplier)) / 256,
    // multipliers clamped to [0, 256].
    void merge(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint, uint32_t redMultiplier,
               uint32_t greenMultiplier, uint32_t blueMultiplier, uint32_t alphaMultiplier);
    // Moves `numPixels` pixels of the rectangle (picked in a seeded order that
    // visits each once) from the source, or sets them to fillColor when the
    // source is this bitmap. Returns the seed for the next call.
    int32_t pixelDissolve(const BitmapData& source, PixelRect sourceRect, PixelPoint destPoint, int32_t randomSeed,
                          int32_t numPixels, uint32_t fillColor);

    // Random values in [low, high] for the chosen channels; the others 0,
    // alpha 255 unless chosen. grayScale gives red, green and blue one value.
    void noise(int32_t randomSeed, uint32_t low = 0, uint32_t high = 255,
               uint32_t channels = channel::Red | channel::Green | channel::Blue, bool grayScale = false);
    void perlinNoise(const PerlinNoiseOptions& options);

    // hitTest: alpha at or above a threshold counts as a hit. An opaque
    // bitmap is alpha 255 everywhere. `firstPoint` places this bitmap in the
    // common space of the test.
    [[nodiscard]] bool hitTestPoint(PixelPoint firstPoint, uint32_t alphaThreshold, PixelPoint point) const;
    [[nodiscard]] bool hitTestRect(PixelPoint firstPoint, uint32_t alphaThreshold, PixelRect rect) const;
    [[nodiscard]] bool hitTestBitmap(PixelPoint firstPoint, uint32_t alphaThreshold, const BitmapData& other,
                                     PixelPoint otherPoint, uint32_t otherAlphaThreshold) const;

    // Byte arrays hold big-endian ARGB, vectors scripted ARGB, both row by
    // row over the rectangle clipped to the bitmap.
    [[nodiscard]] std::vector<uint8_t> getPixels(PixelRect rect) const;
    SetPixelsResult setPixels(PixelRect rect, std::span<const uint8_t> bytes);
    [[nodiscard]] std::vector<uint32_t> getVector(PixelRect rect) const;
    SetPixelsResult setVector(PixelRect rect, std::span<const uint32_t> values);
    [[nodiscard]] Histogram histogram(PixelRect rect) const;
    [[nodiscard]] CompareResult compare(const BitmapData& other) const;
    // Bounds of the pixels with (pixel & mask) == color, or != color when
    // findColor is false; all zero when there are none.
    [[nodiscard]] PixelRect getColorBoundsRect(uint32_t mask, uint32_t color, bool findColor = true) const;

private:
    BitmapData(int32_t width, int32_t height, bool transparent);
    [[nodiscard]] uint32_t store(uint32_t argb) const;  // scripted colour to stored pixel
    [[nodiscard]] size_t index(int32_t x, int32_t y) const { return size_t(y) * size_t(m_width) + size_t(x); }
    [[nodiscard]] bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    std::vector<uint32_t> m_pixels;
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_transparent = true;
    bool m_disposed = false;
    uint64_t m_version = 0;
    int32_t m_lockDepth = 0;
    bool m_changedWhileLocked = false;
    PixelRect m_dirty;
};

struct CompareResult {
    int32_t code = 0;
    std::optional<BitmapData> difference;
};

}  // namespace bitmap
