// Arguments no script should pass: each has a defined, bounded outcome.
#include "bitmap/bitmap_data.h"

#include "bitmap_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

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

TEST(BitmapHostile, RandomCallsKeepEveryPixelValid) {
    // Thousands of calls with edge values, between bitmaps of both kinds and
    // on themselves. After each one every stored pixel must still be valid: no
    // channel above its alpha, alpha 255 in an opaque bitmap.
    std::mt19937 rng(1234);
    const int32_t edges[] = {0,
                             1,
                             -1,
                             2,
                             5,
                             9,
                             -7,
                             MaxCoordinate,
                             -MaxCoordinate,
                             std::numeric_limits<int32_t>::max(),
                             std::numeric_limits<int32_t>::min()};
    // A quarter edge values, the rest small ones that mostly land inside the bitmaps.
    auto any = [&] { return edges[rng() % std::size(edges)]; };
    auto small = [&] { return int32_t(rng() % 7) - 1; };
    auto anyRect = [&] {
        return rng() % 4 == 0 ? PixelRect{any(), any(), any(), any()}
                              : PixelRect{small(), small(), small() + 2, small() + 2};
    };
    auto anyPoint = [&] { return rng() % 4 == 0 ? PixelPoint{any(), any()} : PixelPoint{small(), small()}; };
    BitmapData bitmaps[] = {make(9, 5, true, 0x80FF8040), make(5, 9, false, 0xFF102030), make(1, 1, true, 0)};
    std::array<uint32_t, 256> table{};
    for (auto& v : table)
        v = rng();
    for (int i = 0; i < 4000; ++i) {
        BitmapData& dest = bitmaps[rng() % 3];
        const BitmapData& source = bitmaps[rng() % 3];
        uint32_t color = rng();
        switch (rng() % 12) {
        case 0:
            dest.fillRect(anyRect(), color);
            break;
        case 1:
            dest.copyPixels(source, anyRect(), anyPoint(), rng() % 2 ? &source : nullptr, anyPoint(), rng() % 2);
            break;
        case 2:
            dest.copyChannel(source, anyRect(), anyPoint(), 1u << (rng() % 5), 1u << (rng() % 5));
            break;
        case 3:
            dest.threshold(source, anyRect(), anyPoint(), ThresholdOperation(rng() % 6), rng(), color, rng(),
                           rng() % 2);
            break;
        case 4:
            dest.paletteMap(source, anyRect(), anyPoint(), {&table, nullptr, &table, &table});
            break;
        case 5:
            dest.merge(source, anyRect(), anyPoint(), rng(), rng() % 300, 128, uint32_t(any()));
            break;
        case 6:
            dest.pixelDissolve(source, anyRect(), anyPoint(), any(), any(), color);
            break;
        case 7:
            dest.scroll(any(), any());
            break;
        case 8:
            dest.floodFill(any() % 10, any() % 10, color);
            break;
        case 9:
            dest.setPixels(anyRect(), std::vector<uint8_t>(size_t(rng() % 64), uint8_t(rng())));
            break;
        case 10: {
            swf::ColorTransform t{int16_t(rng()), int16_t(rng()), int16_t(rng()), int16_t(rng()),
                                  int16_t(rng()), int16_t(rng()), int16_t(rng()), int16_t(rng())};
            dest.colorTransform(anyRect(), t);
            break;
        }
        default:
            dest.noise(any(), rng() % 300, rng() % 300, rng(), rng() % 2);
            break;
        }
        for (const BitmapData& b : bitmaps) {
            for (int32_t p = 0; p < b.width() * b.height(); ++p) {
                uint32_t v = b.pixels()[p];
                uint32_t a = v >> 24;
                ASSERT_TRUE(((v >> 16) & 0xFF) <= a && ((v >> 8) & 0xFF) <= a && (v & 0xFF) <= a)
                    << "call " << i << ": " << std::hex << v;
                ASSERT_TRUE(b.transparent() || a == 255) << "call " << i << ": " << std::hex << v;
            }
        }
    }
}

}  // namespace
