// Arguments no script should pass: each has a defined, bounded outcome.
#include "bitmap/bitmap_data.h"

#include "bitmap_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace bitmap;
using bitmap_test::make;

constexpr double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::nan("");

TEST(BitmapHostile, NumbersBecomeBoundedCoordinates) {
    struct Case {
        double in;
        int32_t out;
    } cases[] = {{NaN, 0}, {Inf, MaxCoordinate}, {-Inf, -MaxCoordinate}, {1.9, 1}, {-1.9, -1}, {1e300, MaxCoordinate}};
    for (const Case& c : cases)
        EXPECT_EQ(toPixelCoordinate(c.in), c.out) << c.in;
}

TEST(BitmapHostile, ExtremeRectanglesClip) {
    BitmapData b = make(3, 3);
    b.fillRect(PixelRect::fromNumbers(-Inf, -Inf, Inf, Inf), 0xFFFFFFFF);
    EXPECT_EQ(b.getPixel32(0, 0), 0u);  // -2^30 wide 2^30 ends at 0: nothing
    b.fillRect({-MaxCoordinate, -MaxCoordinate, MaxCoordinate, MaxCoordinate}, 0xFFFFFFFF);
    EXPECT_EQ(b.getPixel32(2, 2), 0u);
    b.fillRect({-5, -5, MaxCoordinate, MaxCoordinate}, 0xFFFFFFFF);
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFFFFFF), (PixelRect{0, 0, 3, 3}));
    b.fillRect(PixelRect::fromNumbers(NaN, NaN, NaN, NaN), 0);
    EXPECT_EQ(b.getPixel32(0, 0), 0xFFFFFFFFu);

    BitmapData source = make(3, 3, true, 0xFF00FF00);
    b.copyPixels(source, {MaxCoordinate, MaxCoordinate, MaxCoordinate, MaxCoordinate}, {-MaxCoordinate, 0});
    b.copyPixels(source, source.rect(), {MaxCoordinate, -MaxCoordinate});
    b.copyPixels(source, {-MaxCoordinate, -MaxCoordinate, MaxCoordinate, MaxCoordinate}, {MaxCoordinate, MaxCoordinate},
                 &source, {-MaxCoordinate, MaxCoordinate}, true);
    b.scroll(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFFFFFF), (PixelRect{0, 0, 3, 3}));
    EXPECT_FALSE(b.hitTestRect({-MaxCoordinate, MaxCoordinate}, 0, {MaxCoordinate, -MaxCoordinate, 5, 5}));
    EXPECT_FALSE(b.hitTestPoint({MaxCoordinate, MaxCoordinate}, 0, {-MaxCoordinate, -MaxCoordinate}));
    b.setPixel32(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 0);
    b.floodFill(-1, 3, 0);
}

TEST(BitmapHostile, RandomOperationsTerminateWithWildCounts) {
    BitmapData b = make(7, 5, false, 0xFFFFFFFF);
    BitmapData red = make(7, 5, false, 0xFFFF0000);
    int32_t seed = b.pixelDissolve(red, red.rect(), {}, std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::max(), 0);
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFFFFFF), (PixelRect{}));  // all 35 taken
    EXPECT_GE(seed, 0);
    EXPECT_EQ(b.pixelDissolve(red, red.rect(), {}, 5, -3, 0), 5);
    b.noise(std::numeric_limits<int32_t>::min(), 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    EXPECT_EQ(b.getPixel32(3, 3), 0xFFFFFFFFu);  // low and high clamp to 255
}

TEST(BitmapHostile, PerlinNoiseWithBrokenOptions) {
    BitmapData b = make(16, 16, false);
    PerlinNoiseOptions o;
    o.baseX = NaN;
    o.baseY = -Inf;
    o.octaves = 1000000;
    o.seed = std::numeric_limits<int32_t>::min();
    o.stitch = true;
    o.fractalNoise = true;
    o.channels = 0xFFFFFFFF;
    o.offsets = {{Inf, NaN}, {1e300, -1e300}};
    b.perlinNoise(o);
    // Frequency 0 everywhere: each channel is the middle value of fractal noise.
    EXPECT_EQ(b.getPixel32(5, 5), 0xFF7F7F7Fu);
    o.baseX = o.baseY = 1e-300;  // clamped to 256 periods a pixel: every pixel on the lattice
    o.octaves = PerlinNoiseOptions::MaxOctaves;
    b.perlinNoise(o);
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFF7F7F7F, false), (PixelRect{}));
}

TEST(BitmapHostile, FloodFillOfAMazeStaysBounded) {
    // Every other column walled, joined alternately at the top and bottom: one
    // long serpentine region, the worst shape for a recursive fill.
    BitmapData b = make(301, 300, false, 0xFFFFFFFF);
    for (int32_t x = 1; x < 301; x += 2)
        b.fillRect({x, (x / 2) % 2 == 0 ? 1 : 0, 1, 299}, 0xFF000000);
    b.floodFill(0, 0, 0xFFFF0000);
    EXPECT_EQ(b.getPixel32(300, 299), 0xFFFF0000u);
    EXPECT_EQ(b.getPixel32(300, 0), 0xFFFF0000u);
}

}  // namespace
