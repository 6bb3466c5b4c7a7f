// Colour transforms, gradient stops and the bounded cache.
#include "render/color.h"
#include "render/lru_cache.h"
#include "render/paint_source.h"
#include "render_fixture.h"

#include <gtest/gtest.h>

using namespace rendertest;
using render::ColorTransform;

TEST(ColorTransform, MultipliesAddsAndClampsEachChannel) {
    swf::ColorTransform file;
    file.rMult = 128;  // 0.5
    file.gMult = 512;  // 2.0
    file.bMult = -256;
    file.aMult = 256;
    file.rAdd = 10;
    file.gAdd = 0;
    file.bAdd = 300;
    file.aAdd = -55;
    const auto cx = ColorTransform::from(file);
    const swf::Rgba out = cx.apply({200, 200, 100, 255});
    EXPECT_EQ(out.r, 110);                       // 200 * 0.5 + 10
    EXPECT_EQ(out.g, 255);                       // 400 clamped
    EXPECT_EQ(out.b, 200);                       // -100 + 300
    EXPECT_EQ(out.a, 200);                       // 255 - 55
    EXPECT_EQ(cx.apply({0, 0, 0, 0}).a, 0);      // clamped at 0
    EXPECT_EQ(cx.apply({201, 0, 0, 0}).r, 110);  // 100.5 + 10 rounds down, as the format's shift does
}

TEST(ColorTransform, ConcatenationAppliesTheInnerTransformFirstWithoutClampingBetween) {
    ColorTransform inner;
    inner.mult[0] = 2.0;
    inner.add[0] = -100.0;
    ColorTransform outer;
    outer.mult[0] = 0.5;
    outer.add[0] = 20.0;
    const ColorTransform both = outer.concat(inner);
    // 200 -> 300 (not clamped) -> 170.
    EXPECT_EQ(both.apply({200, 0, 0, 255}).r, 170);
    EXPECT_EQ(outer.apply(inner.apply({200, 0, 0, 255})).r, 147);  // clamping in between would differ
    EXPECT_TRUE(ColorTransform{}.concat(ColorTransform{}).isIdentity());

    ColorTransform invisible;
    invisible.mult[3] = 0.0;
    EXPECT_TRUE(invisible.hidesEverything());
    invisible.add[3] = 1.0;
    EXPECT_FALSE(invisible.hidesEverything());
}

TEST(ColorTransform, TransformsPremultipliedPixels) {
    ColorTransform cx;
    cx.mult = {1.0, 0.0, 1.0, 0.5};
    cx.add = {0.0, 255.0, 0.0, 0.0};
    // Half-transparent red, premultiplied (128, 128, 0, 0).
    const uint32_t pixels[3] = {argb(128, 128, 0, 0), argb(0, 0, 0, 0), argb(255, 10, 20, 30)};
    uint32_t out[3] = {};
    render::transformPixels(pixels, out, 3, cx);
    // Unpremultiplied red 255, green forced to 255, alpha 64.
    EXPECT_EQ(alphaOf(out[0]), 64u);
    EXPECT_EQ(redOf(out[0]), 64u);
    EXPECT_EQ(greenOf(out[0]), 64u);
    EXPECT_EQ(blueOf(out[0]), 0u);
    EXPECT_EQ(out[1], 0u);
    EXPECT_EQ(alphaOf(out[2]), 127u);
    EXPECT_EQ(greenOf(out[2]), 127u);
    for (uint32_t p : out) {
        EXPECT_LE(redOf(p), alphaOf(p)) << hex(p);
        EXPECT_LE(greenOf(p), alphaOf(p)) << hex(p);
        EXPECT_LE(blueOf(p), alphaOf(p)) << hex(p);
    }
}

TEST(GradientStops, TransformedAndExpandedForLinearRgb) {
    swf::Gradient g;
    g.stops = {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}};
    ColorTransform cx;
    cx.mult[3] = 0.5;
    const auto plain = render::gradientStops(g, cx);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[1].color.a, 127);
    EXPECT_DOUBLE_EQ(plain[1].offset, 1.0);

    g.interpolation = swf::InterpolationMode::LinearRgb;
    const auto expanded = render::gradientStops(g, {});
    ASSERT_GT(expanded.size(), 2u);
    // The middle stop: half the light, sRGB 188, not 128.
    const auto mid = std::find_if(expanded.begin(), expanded.end(), [](const auto& s) { return s.offset == 0.5; });
    ASSERT_NE(mid, expanded.end());
    EXPECT_NEAR(mid->color.r, 188, 1);
    for (size_t i = 1; i < expanded.size(); ++i)
        EXPECT_LT(expanded[i - 1].offset, expanded[i].offset);
}

TEST(LruCache, StaysWithinItsBoundsAndKeepsRecentEntries) {
    render::LruCache<int, int> cache(3, 100);
    for (int i = 0; i < 3; ++i)
        cache.insert(i, std::make_shared<int>(i), 10);
    ASSERT_NE(cache.find(0), nullptr);  // 0 becomes the most recent
    cache.insert(3, std::make_shared<int>(3), 10);
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.find(1), nullptr) << "the least recently used entry goes first";
    EXPECT_NE(cache.find(0), nullptr);

    cache.insert(4, std::make_shared<int>(4), 90);
    EXPECT_LE(cache.bytes(), 100u);
    EXPECT_NE(cache.find(4), nullptr);
    cache.insert(5, std::make_shared<int>(5), 101);  // larger than the whole budget: not kept
    EXPECT_EQ(cache.find(5), nullptr);
    EXPECT_LE(cache.bytes(), 100u);

    auto held = cache.find(4);
    cache.clear();
    EXPECT_EQ(*held, 4) << "an evicted value lives on while in use";
}
