// Reading pixels back, hit tests, noise and the meeting point with cairo.
#include "bitmap/bitmap_data.h"
#include "bitmap/bitmap_surface.h"

#include "bitmap_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using namespace bitmap;
using bitmap_test::make;
using bitmap_test::pixelsOf;
using bitmap_test::row;
using Pixels = std::vector<uint32_t>;

TEST(BitmapTransfer, BytesAreBigEndianScriptedColours) {
    BitmapData b = make(2, 1);
    const std::vector<uint8_t> bytes{0xFF, 0x11, 0x22, 0x33, 0x80, 0xFF, 0x00, 0x00};
    SetPixelsResult r = b.setPixels(b.rect(), bytes);
    EXPECT_EQ(r.written, 2);
    EXPECT_FALSE(r.exhausted);
    EXPECT_EQ(pixelsOf(b), (Pixels{0xFF112233, 0x80FF0000}));
    EXPECT_EQ(b.getPixels({-5, -5, 100, 100}), bytes);
    // Six bytes hold one pixel and a half: the half is not written.
    BitmapData c = make(2, 1);
    r = c.setPixels(c.rect(), std::span(bytes).first(6));
    EXPECT_EQ(r.written, 1);
    EXPECT_TRUE(r.exhausted);
    EXPECT_EQ(pixelsOf(c), (Pixels{0xFF112233, 0}));
    r = c.setVector({1, 0, 5, 5}, std::vector<uint32_t>{0x40404040, 7});
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(c.getPixel32(1, 0), 0x40404040u);
}

TEST(BitmapQuery, HistogramCountsScriptedValues) {
    BitmapData b = make(2, 2, true, 0xFF102030);
    b.setPixel32(1, 1, 0);
    Histogram h = b.histogram(b.rect());
    EXPECT_EQ(h[0][0x10], 3u);
    EXPECT_EQ(h[0][0], 1u);
    EXPECT_EQ(h[1][0x20], 3u);
    EXPECT_EQ(h[2][0x30], 3u);
    EXPECT_EQ(h[3][255], 3u);
    EXPECT_EQ(h[3][0], 1u);
    EXPECT_EQ(b.histogram({1, 1, 9, 9})[3][0], 1u);
}

TEST(BitmapQuery, CompareGivesCodesOrTheDifference) {
    BitmapData a = row({0xFF336699, 0xFF000000, 0xFF010101});
    BitmapData b = row({0xFFCCDDEE, 0x80000000, 0xFF010101});
    CompareResult r = a.compare(b);
    ASSERT_EQ(r.code, 1);
    ASSERT_TRUE(r.difference.has_value());
    // Colour differs: per channel a - b wrapped; only alpha differs: 0xZZFFFFFF.
    EXPECT_EQ(pixelsOf(*r.difference), (Pixels{0xFF6789AB, 0x7FFFFFFF, 0}));
    EXPECT_EQ(a.compare(a).code, 0);
    EXPECT_EQ(a.compare(make(2, 1)).code, -3);
    EXPECT_EQ(a.compare(make(3, 2)).code, -4);
}

TEST(BitmapQuery, ColorBoundsFindsOrAvoidsAColour) {
    BitmapData b = make(5, 5);
    b.setPixel32(1, 2, 0xFFFF0000);
    b.setPixel32(3, 4, 0xFFFF0000);
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFF0000, true), (PixelRect{1, 2, 3, 3}));
    EXPECT_EQ(b.getColorBoundsRect(0xFF000000, 0, false), (PixelRect{1, 2, 3, 3}));
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFF00FF00, true), (PixelRect{}));
}

TEST(BitmapQuery, HitTests) {
    BitmapData b = make(4, 4);
    b.setPixel32(2, 2, 0x80000000);
    const PixelPoint at{10, 10};
    struct PointCase {
        PixelPoint p;
        uint32_t threshold;
        bool hit;
    } points[] = {{{12, 12}, 0x80, true},
                  {{12, 12}, 0x81, false},
                  {{11, 11}, 1, false},
                  {{11, 11}, 0, true},
                  {{14, 12}, 0, false}};
    for (const PointCase& c : points)
        EXPECT_EQ(b.hitTestPoint(at, c.threshold, c.p), c.hit) << c.p.x << "," << c.p.y << " " << c.threshold;
    EXPECT_TRUE(b.hitTestRect(at, 0x80, {11, 11, 2, 2}));
    EXPECT_FALSE(b.hitTestRect(at, 0x80, {10, 10, 2, 2}));
    BitmapData dot = make(1, 1, false);
    EXPECT_TRUE(b.hitTestBitmap(at, 0x80, dot, {12, 12}, 255));
    EXPECT_FALSE(b.hitTestBitmap(at, 0x80, dot, {13, 12}, 255));
    EXPECT_FALSE(b.hitTestBitmap(at, 0x80, make(1, 1, true, 0x10000000), {12, 12}, 0x11));
    // An opaque bitmap is a solid rectangle.
    EXPECT_TRUE(make(2, 2, false, 0).hitTestPoint({}, 255, {1, 1}));
}

TEST(BitmapNoise, NoiseStaysInRangeAndRepeatsWithItsSeed) {
    BitmapData a = make(16, 16);
    a.noise(7, 10, 20, channel::Red);
    Histogram h = a.histogram(a.rect());
    uint32_t inRange = 0;
    for (int v = 10; v <= 20; ++v)
        inRange += h[0][size_t(v)];
    EXPECT_EQ(inRange, 256u);
    EXPECT_EQ(h[1][0], 256u);  // unchosen channels are 0, alpha opaque
    EXPECT_EQ(h[3][255], 256u);
    BitmapData b = make(16, 16);
    b.noise(7, 20, 10, channel::Red);  // low and high given the wrong way round
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    b.noise(8, 10, 20, channel::Red);
    EXPECT_NE(pixelsOf(a), pixelsOf(b));
    b.noise(8, 0, 255, channel::Blue | channel::Alpha, true);
    for (uint32_t p : pixelsOf(b))
        ASSERT_TRUE(((p >> 16) & 0xFF) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF)) << std::hex << p;
}

TEST(BitmapNoise, PerlinNoiseStitchedTiles) {
    // Stitched noise continues from the right edge into the left one: the
    // step across the seam is no larger than steps inside the bitmap.
    auto seamAndLargestStep = [](bool stitch) {
        BitmapData b = make(32, 32);
        PerlinNoiseOptions o;
        o.baseX = o.baseY = 7;
        o.octaves = 1;
        o.seed = 3;
        o.stitch = stitch;
        o.fractalNoise = true;
        b.perlinNoise(o);
        auto step = [&](int32_t x0, int32_t x1) {
            int32_t sum = 0;
            for (int32_t y = 0; y < 32; ++y)
                sum += std::abs(int32_t(b.getPixel(x0, y) >> 16) - int32_t(b.getPixel(x1, y) >> 16));
            return sum;
        };
        int32_t largest = 0;
        for (int32_t x = 0; x + 1 < 32; ++x)
            largest = std::max(largest, step(x, x + 1));
        return std::pair{step(31, 0), largest};
    };
    auto [seam, largest] = seamAndLargestStep(true);
    EXPECT_GT(largest, 0);
    EXPECT_LE(seam, largest);
    auto [plainSeam, plainLargest] = seamAndLargestStep(false);
    EXPECT_GT(plainSeam, plainLargest);
}

TEST(BitmapNoise, PerlinGrayScaleAndTurbulence) {
    BitmapData b = make(8, 8);
    PerlinNoiseOptions o;
    o.baseX = o.baseY = 4;
    o.octaves = 3;
    o.grayScale = true;
    b.perlinNoise(o);
    for (uint32_t p : pixelsOf(b)) {
        ASSERT_EQ(((p >> 16) & 0xFF), (p & 0xFF));
        ASSERT_EQ(p >> 24, 255u);
    }
    // Turbulence sums magnitudes: at a lattice point every octave is 0.
    EXPECT_EQ(b.getPixel(0, 0), 0u);
}

TEST(BitmapSurface, DrawRunsTheSourceInsideTheClip) {
    BitmapData b = make(4, 1);
    DrawParams params;
    params.clipRect = PixelRect{1, 0, 2, 1};
    draw(
        b,
        [](cairo_t* cr, const DrawParams&) {
            cairo_set_source_rgb(cr, 1, 0, 0);
            cairo_paint(cr);
        },
        params);
    EXPECT_EQ(pixelsOf(b), (Pixels{0, 0xFFFF0000, 0xFFFF0000, 0}));
}

TEST(BitmapSurface, PaintBitmapAppliesMatrixAndBlend) {
    BitmapData red = make(1, 1, true, 0xFFFF0000);
    struct Case {
        swf::Matrix matrix;
        Pixels expected;
    } cases[] = {
        {swf::Matrix::translation(1, 0), {0, 0xFFFF0000, 0}},
        {{2, 0, 0, 1, 1, 0}, {0, 0xFFFF0000, 0xFFFF0000}},
        {{std::nan(""), 0, 0, 1, 0, 0}, {0, 0, 0}},
        {{0, 0, 0, 0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        BitmapData b = make(3, 1);
        DrawParams params;
        params.matrix = c.matrix;
        draw(
            b, [&](cairo_t* cr, const DrawParams& p) { paintBitmap(cr, red, p); }, params);
        EXPECT_EQ(pixelsOf(b), c.expected);
    }
    struct BlendCase {
        swf::BlendMode mode;
        uint32_t dest, source, expected;
    } blends[] = {
        {swf::BlendMode::Subtract, 0xFF808080, 0xFF303030, 0xFF505050},
        {swf::BlendMode::Add, 0xFF808080, 0xFF303030, 0xFFB0B0B0},
        {swf::BlendMode::Invert, 0xFF102030, 0xFF000000, 0xFFEFDFCF},
        {swf::BlendMode::Multiply, 0xFF80FF00, 0xFF8080FF, 0xFF408000},
        {swf::BlendMode::Erase, 0xFF102030, 0xFF000000, 0},
        {swf::BlendMode::Screen, 0xFF808080, 0xFF303030, 0xFF989898},
        {swf::BlendMode::Lighten, 0xFF808080, 0xFF303030, 0xFF808080},
        {swf::BlendMode::Darken, 0xFF808080, 0xFF303030, 0xFF303030},
        {swf::BlendMode::Difference, 0xFF303030, 0xFF808080, 0xFF505050},
        {swf::BlendMode::HardLight, 0xFF808080, 0xFF303030, 0xFF303030},
        {swf::BlendMode::Overlay, 0xFF808080, 0xFF303030, 0xFF313131},
        {swf::BlendMode::Alpha, 0xFF102030, 0x00000000, 0},
        {swf::BlendMode::Layer, 0xFF102030, 0xFF405060, 0xFF405060},
    };
    for (const BlendCase& c : blends) {
        BitmapData b = make(1, 1, true, c.dest);
        BitmapData s = make(1, 1, true, c.source);
        DrawParams params;
        params.blendMode = c.mode;
        draw(
            b, [&](cairo_t* cr, const DrawParams& p) { paintBitmap(cr, s, p); }, params);
        EXPECT_EQ(b.getPixel32(0, 0), c.expected) << int(c.mode);
    }
}

// Any source (a clip through the renderer too) blends inside the clip
// rectangle, placed by the matrix it is handed, and alpha and erase reach
// the parts of the area the source leaves empty.
TEST(BitmapSurface, DrawnSourcesBlendInsideTheClipRectangle) {
    struct Case {
        swf::BlendMode mode;
        Pixels expected;
    } cases[] = {
        {swf::BlendMode::Subtract, {0xFF808080, 0xFF808080, 0xFF505050, 0xFF808080}},
        {swf::BlendMode::Add, {0xFF808080, 0xFF808080, 0xFFB0B0B0, 0xFF808080}},
        {swf::BlendMode::Alpha, {0xFF808080, 0, 0xFF808080, 0xFF808080}},
        {swf::BlendMode::Erase, {0xFF808080, 0xFF808080, 0, 0xFF808080}},
    };
    for (const Case& c : cases) {
        BitmapData b = make(4, 1, true, 0xFF808080);
        DrawParams params;
        params.blendMode = c.mode;
        params.matrix = swf::Matrix::translation(2, 0);
        params.clipRect = PixelRect{1, 0, 2, 1};
        draw(
            b,
            [](cairo_t* cr, const DrawParams& p) {
                const cairo_matrix_t m{p.matrix.a, p.matrix.b, p.matrix.c, p.matrix.d, p.matrix.tx, p.matrix.ty};
                cairo_set_matrix(cr, &m);
                cairo_rectangle(cr, 0, 0, 2, 1);  // reaches past the clip rectangle
                cairo_set_source_rgb(cr, 0x30 / 255.0, 0x30 / 255.0, 0x30 / 255.0);
                cairo_fill(cr);
            },
            params);
        EXPECT_EQ(pixelsOf(b), c.expected) << int(c.mode);
    }
}

// Scaled four times: without smoothing each source pixel becomes a block;
// with it the pixels between the two source centres ramp linearly.
TEST(BitmapSurface, SmoothingSamplesBilinearly) {
    BitmapData source = row({0xFF000000, 0xFFFFFFFF});
    for (bool smoothing : {false, true}) {
        BitmapData b = make(8, 1);
        DrawParams params;
        params.matrix = {4, 0, 0, 1, 0, 0};
        params.smoothing = smoothing;
        draw(
            b, [&](cairo_t* cr, const DrawParams& p) { paintBitmap(cr, source, p); }, params);
        for (int32_t x = 2; x < 6; ++x) {
            const double u = (x + 0.5) / 4.0 - 0.5;  // position between the source centres
            const double expected = smoothing ? 255.0 * std::clamp(u, 0.0, 1.0) : (x < 4 ? 0.0 : 255.0);
            EXPECT_NEAR(double(b.getPixel(x, 0) & 0xFF), expected, 2.0) << x << " smoothing " << smoothing;
        }
    }
}

TEST(BitmapSurface, ColourTransformAndOpaqueTargets) {
    BitmapData source = make(1, 1, false, 0xFF808080);
    BitmapData target = make(1, 1, false, 0xFFFFFFFF);
    DrawParams params;
    params.colorTransform.rMult = 0;
    params.colorTransform.aMult = 0;  // fully erased by the tint: an opaque target keeps its pixel
    draw(
        target, [&](cairo_t* cr, const DrawParams& p) { paintBitmap(cr, source, p); }, params);
    EXPECT_EQ(target.getPixel32(0, 0), 0xFFFFFFFFu);
    params.colorTransform.aMult = 256;
    params.blendMode = swf::BlendMode::Erase;  // erasing an opaque target leaves black
    draw(
        target, [&](cairo_t* cr, const DrawParams& p) { paintBitmap(cr, source, p); }, params);
    EXPECT_EQ(target.getPixel32(0, 0), 0xFF000000u);
}

TEST(BitmapSurface, FilterRectanglesGrowToWholePixels) {
    struct Case {
        model::FilterMargin margin;
        FilterRect expected;
    } cases[] = {
        {{20, 20, 20, 20}, {-1, -1, 12, 12}},
        {{30, 0, 41, 1}, {-2, 0, 15, 11}},  // part of a pixel is a whole one
        {{-40, std::nan(""), INFINITY, 0}, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        const FilterRect r = grownByFilter({0, 0, 10, 10}, c.margin);
        EXPECT_EQ((std::array{r.x, r.y, r.width, r.height}),
                  (std::array{c.expected.x, c.expected.y, c.expected.width, c.expected.height}));
    }
}

TEST(BitmapSurface, CharactersAndSurfacesConvert) {
    swf::Bitmap character;
    character.width = 2;
    character.height = 1;
    character.pixels = {0x80800000, 0x80FF0000};  // the second is invalid: colour above alpha
    auto b = fromCharacter(character);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(pixelsOf(*b), (Pixels{0x80FF0000, 0x80FF0000}));
    SurfacePtr surface = sourceSurface(*b);
    auto back = fromSurface(surface.get(), true);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(pixelsOf(*back), pixelsOf(*b));
    EXPECT_FALSE(fromCharacter(swf::Bitmap{}).has_value());
    EXPECT_FALSE(fromSurface(nullptr, true).has_value());
}

}  // namespace
