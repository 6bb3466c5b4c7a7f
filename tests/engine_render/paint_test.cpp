// Painting characters: fills, gradients, bitmaps, strokes, morphs, text.
// The stage is 100x100 pixels of 20 twips on a white background unless a
// test says otherwise; expected pixels come from the geometry.
#include "render_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rendertest;
using render::ColorTransform;

namespace {

constexpr swf::Rgba kRed{255, 0, 0, 255};
constexpr swf::Rgba kBlue{0, 0, 255, 255};
constexpr swf::Rgba kGreen{0, 255, 0, 255};
constexpr swf::Rgba White{255, 255, 255, 255};
constexpr uint32_t WhitePixel = argb(255, 255, 255, 255);
constexpr uint32_t RedPixel = argb(255, 255, 0, 0);

PixelBuffer draw(const std::shared_ptr<const swf::Movie>& movie, const std::vector<DrawCall>& calls,
                 render::Quality quality = render::Quality::High) {
    PixelBuffer buffer(100, 100);
    EXPECT_EQ(drawCharacters(movie, buffer.target(), calls, render::Aspect::Opaque, quality), render::DrawError::None);
    return buffer;
}

// A gradient fill whose square is mapped onto [x0, x1] twips horizontally
// (linear) or onto a circle of `radius` around (cx, cy) (radial).
swf::FillStyle linearGradient(double x0, double x1, swf::Rgba from, swf::Rgba to,
                              swf::SpreadMode spread = swf::SpreadMode::Pad) {
    swf::FillStyle s;
    s.kind = swf::FillKind::LinearGradient;
    s.gradient.spread = spread;
    s.gradient.stops = {{0, from}, {255, to}};
    s.matrix = {(x1 - x0) / 32768.0, 0.0, 0.0, (x1 - x0) / 32768.0, (x0 + x1) / 2.0, 0.0};
    return s;
}

swf::FillStyle radialGradient(double cx, double cy, double radius, swf::Rgba from, swf::Rgba to, double focal = 0.0) {
    swf::FillStyle s;
    s.kind = focal == 0.0 ? swf::FillKind::RadialGradient : swf::FillKind::FocalGradient;
    s.gradient.stops = {{0, from}, {255, to}};
    s.gradient.focalPoint = focal;
    s.matrix = {radius / 16384.0, 0.0, 0.0, radius / 16384.0, cx, cy};
    return s;
}

// 2x2 opaque bitmap: red, green / blue, white.
swf::Bitmap quadBitmap() {
    swf::Bitmap b;
    b.width = 2;
    b.height = 2;
    b.pixels = {argb(255, 255, 0, 0), argb(255, 0, 255, 0), argb(255, 0, 0, 255), argb(255, 255, 255, 255)};
    return b;
}

swf::FillStyle bitmapFill(uint16_t id, bool repeat, bool smoothed, double twipsPerTexel) {
    swf::FillStyle s;
    s.kind = repeat ? swf::FillKind::RepeatingBitmap : swf::FillKind::ClippedBitmap;
    s.bitmapId = id;
    s.smoothed = smoothed;
    s.matrix = {twipsPerTexel, 0.0, 0.0, twipsPerTexel, 0.0, 0.0};
    return s;
}

// Coverage of a black line on white, summed down column x.
double columnCoverage(const PixelBuffer& b, int x) {
    double sum = 0.0;
    for (int y = 0; y < b.height(); ++y)
        sum += 1.0 - redOf(b.at(x, y)) / 255.0;
    return sum;
}

}  // namespace

TEST(PaintFill, ColourTransformAndAlphaApplyToSolidFills) {
    const auto movie = MovieBuilder().add(1, rectShape({200, 600, 200, 600}, solid({200, 0, 0, 255}))).build();
    ColorTransform cx;
    cx.mult[0] = 0.5;
    cx.add[0] = 10.0;
    cx.add[1] = 40.0;
    EXPECT_EQ(draw(movie, {{1, {}, cx}}).at(20, 20), argb(255, 110, 40, 0));

    ColorTransform half;
    half.mult[3] = 0.5;  // alpha 127 over white
    const uint32_t p = draw(movie, {{1, {}, half}}).at(20, 20);
    EXPECT_EQ(redOf(p), 227u) << hex(p);  // 200 * 127/255 + 255 * 128/255
    EXPECT_NEAR(greenOf(p), 128, 1) << hex(p);

    ColorTransform gone;
    gone.mult[3] = 0.0;
    EXPECT_EQ(draw(movie, {{1, {}, gone}}).at(20, 20), WhitePixel);
}

TEST(PaintFill, NestedMatricesPlaceTheShape) {
    const auto movie = MovieBuilder().add(1, rectShape({0, 200, 0, 200}, solid(kRed))).build();
    // Scale by 2 then move by (40, 20) pixels: covers x 40..60, y 20..40.
    const swf::Matrix m{2.0, 0.0, 0.0, 2.0, 800.0, 400.0};
    const PixelBuffer b = draw(movie, {{1, m}});
    EXPECT_EQ(b.at(40, 20), RedPixel);
    EXPECT_EQ(b.at(59, 39), RedPixel);
    EXPECT_EQ(b.at(39, 30), WhitePixel);
    EXPECT_EQ(b.at(60, 30), WhitePixel);
    EXPECT_EQ(b.at(50, 40), WhitePixel);
    // A singular matrix draws nothing and does not break later drawing.
    const PixelBuffer c = draw(movie, {{1, {0.0, 0.0, 0.0, 0.0, 0.0, 0.0}}, {1}});
    EXPECT_EQ(c.at(5, 5), RedPixel);
}

TEST(PaintGradient, LinearEndsMiddleAndSpreadModes) {
    // Gradient from x = 25 px to 75 px, painted over the whole width.
    const auto pad =
        MovieBuilder().add(1, rectShape({0, 2000, 0, 400}, linearGradient(500, 1500, kRed, kBlue))).build();
    const PixelBuffer b = draw(pad, {{1}});
    EXPECT_EQ(b.at(10, 5), RedPixel) << "padded before the start";
    EXPECT_EQ(b.at(90, 5), argb(255, 0, 0, 255)) << "padded past the end";
    const uint32_t mid = b.at(50, 5);  // t = 0.51
    EXPECT_NEAR(redOf(mid), 125, 3) << hex(mid);
    EXPECT_NEAR(blueOf(mid), 130, 3) << hex(mid);
    EXPECT_GE(redOf(b.at(25, 5)), 250u);
    EXPECT_GE(blueOf(b.at(74, 5)), 250u);

    // At x = 80.5 px the gradient parameter is 1.11.
    const auto repeat =
        MovieBuilder()
            .add(1, rectShape({0, 2000, 0, 400}, linearGradient(500, 1500, kRed, kBlue, swf::SpreadMode::Repeat)))
            .build();
    const uint32_t r = draw(repeat, {{1}}).at(80, 5);  // 0.11: mostly red
    EXPECT_NEAR(redOf(r), 227, 3) << hex(r);
    const auto reflect =
        MovieBuilder()
            .add(1, rectShape({0, 2000, 0, 400}, linearGradient(500, 1500, kRed, kBlue, swf::SpreadMode::Reflect)))
            .build();
    const uint32_t f = draw(reflect, {{1}}).at(80, 5);  // 0.89: mostly blue
    EXPECT_NEAR(blueOf(f), 227, 3) << hex(f);
}

TEST(PaintGradient, ASmallGradientOverALargeShapeStillPads) {
    // The shape is far wider than the gradient's square, as for a thin bar
    // of shading on a big panel; far from the square the ends must still pad.
    struct Case {
        const char* name;
        swf::FillStyle fill;
    };
    const Case cases[] = {
        {"linear", linearGradient(980, 1020, kRed, kBlue)},
        {"radial", radialGradient(1010, 210, 20, kRed, kBlue)},
    };
    for (const Case& c : cases) {
        const auto movie = MovieBuilder().add(1, rectShape({0, 2000, 0, 400}, c.fill)).build();
        const PixelBuffer b = draw(movie, {{1}});
        EXPECT_EQ(b.at(98, 10), argb(255, 0, 0, 255)) << c.name;
        if (c.fill.kind == swf::FillKind::LinearGradient)
            EXPECT_EQ(b.at(1, 10), RedPixel) << c.name;
        else
            EXPECT_EQ(b.at(50, 10), RedPixel) << c.name << " centre";
    }
}

TEST(PaintGradient, RadialAndFocal) {
    // Circle of 40 px around the centre (50, 50).
    const auto radial =
        MovieBuilder().add(1, rectShape({0, 2000, 0, 2000}, radialGradient(1000, 1000, 800, kRed, kBlue))).build();
    const PixelBuffer b = draw(radial, {{1}});
    EXPECT_GE(redOf(b.at(50, 50)), 250u);
    EXPECT_EQ(b.at(2, 2), argb(255, 0, 0, 255)) << "outside the circle: the end colour";
    const uint32_t half = b.at(70, 50);  // 20.5 px out: t = 0.51
    EXPECT_NEAR(redOf(half), 125, 3) << hex(half);

    // Focus at half the radius to the right (70, 50): the centre lies a third
    // of the way from the focus to the circle.
    const auto focal =
        MovieBuilder().add(1, rectShape({0, 2000, 0, 2000}, radialGradient(1000, 1000, 800, kRed, kBlue, 0.5))).build();
    const PixelBuffer c = draw(focal, {{1}});
    EXPECT_GE(redOf(c.at(70, 50)), 245u) << hex(c.at(70, 50));
    EXPECT_NEAR(blueOf(c.at(50, 50)), 85, 4) << hex(c.at(50, 50));
    EXPECT_EQ(c.at(2, 2), argb(255, 0, 0, 255));
}

TEST(PaintGradient, LinearRgbInterpolationIsBrighterInTheMiddle) {
    swf::FillStyle s = linearGradient(0, 2000, {0, 0, 0, 255}, White);
    const auto normal = MovieBuilder().add(1, rectShape({0, 2000, 0, 400}, s)).build();
    s.gradient.interpolation = swf::InterpolationMode::LinearRgb;
    const auto linear = MovieBuilder().add(1, rectShape({0, 2000, 0, 400}, s)).build();
    // Pixel 49 is centred on t = 0.495.
    EXPECT_NEAR(redOf(draw(normal, {{1}}).at(49, 5)), 126, 3);
    EXPECT_NEAR(redOf(draw(linear, {{1}}).at(49, 5)), 187, 4);
}

TEST(PaintGradient, ColourTransformReachesTheStops) {
    const auto movie =
        MovieBuilder().add(1, rectShape({0, 2000, 0, 400}, linearGradient(500, 1500, kRed, kBlue))).build();
    ColorTransform cx;
    cx.mult = {0.0, 1.0, 1.0, 1.0};
    cx.add = {0.0, 100.0, 0.0, 0.0};
    const PixelBuffer b = draw(movie, {{1, {}, cx}});
    EXPECT_EQ(b.at(10, 5), argb(255, 0, 100, 0));
    EXPECT_EQ(b.at(90, 5), argb(255, 0, 100, 255));
}

TEST(PaintBitmap, RepeatingAndClippedFills) {
    // Texels of 10 px (200 twips), a 50 px square filled with them.
    const auto repeat = MovieBuilder()
                            .add(7, quadBitmap())
                            .add(1, rectShape({0, 1000, 0, 1000}, bitmapFill(7, true, false, 200)))
                            .build();
    const PixelBuffer r = draw(repeat, {{1}});
    EXPECT_EQ(r.at(5, 5), RedPixel);
    EXPECT_EQ(r.at(15, 5), argb(255, 0, 255, 0));
    EXPECT_EQ(r.at(5, 15), argb(255, 0, 0, 255));
    EXPECT_EQ(r.at(25, 5), RedPixel) << "the pattern starts again";
    EXPECT_EQ(r.at(35, 25), argb(255, 0, 255, 0));
    EXPECT_EQ(r.at(55, 5), WhitePixel) << "outside the shape";

    const auto clipped = MovieBuilder()
                             .add(7, quadBitmap())
                             .add(1, rectShape({0, 1000, 0, 1000}, bitmapFill(7, false, false, 200)))
                             .build();
    const PixelBuffer c = draw(clipped, {{1}});
    EXPECT_EQ(c.at(5, 5), RedPixel);
    EXPECT_EQ(c.at(25, 5), argb(255, 0, 255, 0)) << "the edge texel goes on";
    EXPECT_EQ(c.at(45, 45), WhitePixel);
    EXPECT_EQ(c.at(5, 45), argb(255, 0, 0, 255));

    // Smoothing blends neighbouring texels at their border, nearest does not.
    const auto smooth = MovieBuilder()
                            .add(7, quadBitmap())
                            .add(1, rectShape({0, 1000, 0, 1000}, bitmapFill(7, false, true, 200)))
                            .build();
    const uint32_t border = draw(smooth, {{1}}).at(10, 2);
    EXPECT_GT(redOf(border), 50u) << hex(border);
    EXPECT_GT(greenOf(border), 50u) << hex(border);
    EXPECT_EQ(draw(smooth, {{1}}, render::Quality::Low).at(10, 2), argb(255, 0, 255, 0)) << "low quality never smooths";
}

TEST(PaintBitmap, PlacedBitmapsWithColourTransforms) {
    swf::Bitmap b = quadBitmap();
    b.pixels[3] = argb(128, 128, 0, 0);  // half-transparent red
    const auto movie = MovieBuilder().add(7, b).build();
    const swf::Matrix tenfold{10.0, 0.0, 0.0, 10.0, 0.0, 0.0};  // one texel = 10 px
    const PixelBuffer plain = draw(movie, {{7, tenfold}});
    EXPECT_EQ(plain.at(5, 5), RedPixel);
    EXPECT_EQ(plain.at(15, 5), argb(255, 0, 255, 0));
    EXPECT_EQ(plain.at(25, 5), WhitePixel);
    const uint32_t half = plain.at(15, 15);
    EXPECT_EQ(redOf(half), 255u);
    EXPECT_NEAR(greenOf(half), 127, 1) << hex(half);

    ColorTransform noRed;
    noRed.mult[0] = 0.0;
    noRed.add[2] = 255.0;
    const PixelBuffer t = draw(movie, {{7, tenfold, noRed}});
    EXPECT_EQ(t.at(5, 5), argb(255, 0, 0, 255));
    EXPECT_EQ(t.at(15, 5), argb(255, 0, 255, 255));

    ColorTransform halfAlpha;
    halfAlpha.mult[3] = 0.5;
    const uint32_t faded = draw(movie, {{7, tenfold, halfAlpha}}).at(5, 5);
    EXPECT_EQ(redOf(faded), 255u);
    EXPECT_NEAR(greenOf(faded), 128, 1) << hex(faded);
}

TEST(PaintQuality, LowDrawsWithoutAntialiasing) {
    // A square rotated by 45 degrees around the stage centre.
    const double s = std::sqrt(0.5);
    const swf::Matrix rotate{s, s, -s, s, 1000.0, 1000.0};
    const auto movie = MovieBuilder().add(1, rectShape({-500, 500, -500, 500}, solid(kRed))).build();
    const PixelBuffer low = draw(movie, {{1, rotate}}, render::Quality::Low);
    const PixelBuffer high = draw(movie, {{1, rotate}}, render::Quality::High);
    int lowMixed = 0;
    int highMixed = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            lowMixed += low.at(x, y) != RedPixel && low.at(x, y) != WhitePixel;
            highMixed += high.at(x, y) != RedPixel && high.at(x, y) != WhitePixel;
        }
    }
    EXPECT_EQ(lowMixed, 0);
    EXPECT_GT(highMixed, 20) << "antialiased edges are expected in high quality";
    EXPECT_EQ(low.at(50, 50), RedPixel);
    // The top corner lies at y = 50 - 25 * sqrt(2) = 14.6.
    EXPECT_EQ(low.at(50, 13), WhitePixel);
    EXPECT_EQ(low.at(50, 16), RedPixel);
    EXPECT_EQ(low.at(20, 20), WhitePixel);
}

TEST(PaintStroke, WidthFollowsTheMatrixButNeverFallsBelowAPixel) {
    swf::LineStyle style;
    style.width = 100;  // 5 px
    style.color = {0, 0, 0, 255};
    style.startCap = style.endCap = swf::CapStyle::None;
    const auto movie = MovieBuilder().add(1, lineShape({{200, 1000}, {1800, 1000}}, style)).build();
    const PixelBuffer b = draw(movie, {{1}});
    EXPECT_NEAR(columnCoverage(b, 50), 5.0, 0.05);
    EXPECT_EQ(b.at(50, 48), argb(255, 0, 0, 0));
    EXPECT_EQ(b.at(50, 51), argb(255, 0, 0, 0));
    EXPECT_EQ(b.at(50, 46), WhitePixel);
    EXPECT_EQ(b.at(5, 50), WhitePixel) << "butt caps stop at the end points";

    // Scaled three times vertically around y = 50 px: 15 px.
    const swf::Matrix tall{1.0, 0.0, 0.0, 3.0, 0.0, -2000.0};
    EXPECT_NEAR(columnCoverage(draw(movie, {{1, tall}}), 50), 15.0, 0.05);

    // Non-scaling strokes ignore the object's scale on the axes they name.
    swf::LineStyle fixed = style;
    fixed.noHScale = fixed.noVScale = true;
    const auto fixedMovie = MovieBuilder().add(1, lineShape({{200, 1000}, {1800, 1000}}, fixed)).build();
    EXPECT_NEAR(columnCoverage(draw(fixedMovie, {{1, tall}}), 50), 5.0, 0.05);
    swf::LineStyle noH = style;
    noH.noHScale = true;  // keeps following the vertical scale
    const auto noHMovie = MovieBuilder().add(1, lineShape({{200, 1000}, {1800, 1000}}, noH)).build();
    EXPECT_NEAR(columnCoverage(draw(noHMovie, {{1, tall}}), 50), 15.0, 0.05);

    // A hairline and a line scaled far below a pixel are one pixel wide.
    swf::LineStyle hair = style;
    hair.width = 0;
    const auto hairMovie = MovieBuilder().add(1, lineShape({{200, 1010}, {1800, 1010}}, hair)).build();
    EXPECT_NEAR(columnCoverage(draw(hairMovie, {{1}}), 50), 1.0, 0.05);
    const swf::Matrix tiny{1.0, 0.0, 0.0, 0.01, 0.0, 1000.0};
    EXPECT_NEAR(columnCoverage(draw(movie, {{1, tiny}}), 50), 1.0, 0.05);
}

TEST(PaintStroke, AGradientStrokeTakesItsPaintAlongTheLine) {
    swf::LineStyle style;
    style.width = 100;
    style.startCap = style.endCap = swf::CapStyle::None;
    style.hasFill = true;
    style.fill = linearGradient(200, 1800, {255, 0, 0, 255}, {0, 0, 255, 255});
    swf::Shape line = lineShape({{200, 1000}, {1800, 1000}}, style);
    line.bounds = line.edgeBounds = {200, 1800, 950, 1050};
    const PixelBuffer b = draw(MovieBuilder().add(1, line).build(), {{1}});
    EXPECT_GT(redOf(b.at(15, 50)), 200u) << hex(b.at(15, 50));
    EXPECT_GT(blueOf(b.at(85, 50)), 200u) << hex(b.at(85, 50));
    EXPECT_EQ(b.at(50, 44), WhitePixel);
}

TEST(PaintMorph, ShapeAtARatioLiesBetweenStartAndEnd) {
    swf::MorphShape m;
    swf::MorphFillStyle f;
    f.startColor = kRed;
    f.endColor = kBlue;
    m.fillStyles.push_back(f);
    m.startRecords = polygonRecords({{0, 0}, {400, 0}, {400, 400}, {0, 400}});
    m.endRecords = polygonRecords({{1000, 0}, {1400, 0}, {1400, 400}, {1000, 400}}, 0);
    m.startBounds = {0, 400, 0, 400};
    m.endBounds = {1000, 1400, 0, 400};
    const auto movie = MovieBuilder().add(3, m).build();

    const PixelBuffer start = draw(movie, {{3, {}, {}, 0}});
    EXPECT_EQ(start.at(10, 10), RedPixel);
    EXPECT_EQ(start.at(60, 10), WhitePixel);
    // Half way: x from 25 to 45 px, colour half way.
    const PixelBuffer half = draw(movie, {{3, {}, {}, 32768}});
    const uint32_t p = half.at(35, 10);
    EXPECT_NEAR(redOf(p), 127, 1) << hex(p);
    EXPECT_NEAR(blueOf(p), 128, 1) << hex(p);
    EXPECT_EQ(half.at(20, 10), WhitePixel);
    EXPECT_EQ(half.at(50, 10), WhitePixel);
    const PixelBuffer end = draw(movie, {{3, {}, {}, 65535}});
    EXPECT_EQ(end.at(60, 10), argb(255, 0, 0, 255));
}

TEST(PaintText, GlyphsLandWhereTheRecordsSay) {
    for (uint32_t em : {1024u, 20480u}) {
        SCOPED_TRACE(em);
        // One glyph: a square of half the em above the baseline.
        swf::Font font;
        font.version = em == 1024 ? 2 : 3;
        font.emSquare = em;
        const double h = em / 2.0;
        swf::Glyph g;
        g.records = polygonRecords({{0, -h}, {h, -h}, {h, 0}, {0, 0}});
        font.glyphs.push_back(g);

        swf::Text text;
        text.bounds = {0, 2000, 0, 2000};
        swf::TextRecord first;
        first.fontId = 5;
        first.height = 400;  // glyph squares of 200 twips (10 px)
        first.color = kRed;
        first.xOffset = 200;
        first.yOffset = 1000;
        first.glyphs = {{0, 600}, {0, 600}};
        swf::TextRecord second;  // same font, new colour, next line
        second.color = kBlue;
        second.xOffset = 200;
        second.yOffset = 1600;
        second.glyphs = {{0, 0}};
        text.records = {first, second};
        text.matrix = swf::Matrix::translation(100, 0);  // 5 px to the right
        const auto movie = MovieBuilder().add(5, font).add(9, text).build();

        const PixelBuffer b = draw(movie, {{9}});
        // First glyph: x 15..25, y 40..50; second at x 45..55; the next line's at y 70..80.
        EXPECT_EQ(b.at(15, 40), RedPixel);
        EXPECT_EQ(b.at(24, 49), RedPixel);
        EXPECT_EQ(b.at(14, 45), WhitePixel);
        EXPECT_EQ(b.at(20, 50), WhitePixel) << "nothing below the baseline";
        EXPECT_EQ(b.at(35, 45), WhitePixel);
        EXPECT_EQ(b.at(50, 45), RedPixel);
        EXPECT_EQ(b.at(20, 75), argb(255, 0, 0, 255));
        EXPECT_EQ(b.at(50, 75), WhitePixel);
    }
}
