// How advanced text meets the grid: stem edges fitted along one axis, and
// the TextRenderer tables' cutoffs by font, style, colour and size.
#include "text/glyph_rendering.h"
#include "text/stem_hinting.h"
#include "text/text_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(AxisFit, EdgesLandOnTheGridAndPointsBetweenFollow) {
    struct Case {
        std::vector<double> edges;
        double across;
        double in, out;
    } cases[] = {
        {{2.3, 5.6}, 1.0, 2.3, 2.0},           // an edge to its nearest pixel
        {{2.3, 5.6}, 1.0, 5.6, 6.0},           //
        {{2.3, 5.6}, 1.0, 3.95, 4.0},          // half way between stays half way
        {{2.3, 5.6}, 1.0, 1.0, 0.7},           // outside moves with the nearest edge
        {{2.3, 5.6}, 1.0, 9.0, 9.4},           //
        {{2.3, 5.6}, 3.0, 2.3, 7.0 / 3.0},     // thirds across
        {{4.9, 5.05}, 1.0, 5.05, 5.05 + 0.1},  // closer than half a step: one edge
        {{4.6, 5.4}, 1.0, 5.4, 6.0},           // a thin stem keeps a pixel
        {{}, 1.0, 3.3, 3.3},                   // no edges: nothing moves
        {{std::nan(""), 1.4}, 1.0, 1.4, 1.0},  // bad edges are left out
    };
    for (const Case& c : cases) {
        const text::AxisFit fit(c.edges, c.across);
        EXPECT_NEAR(fit(c.in), c.out, 1e-9) << c.in << " across " << c.across;
    }
}

TEST(AxisFit, StemEdgesAreLongStraightSegmentsNearAnAxis) {
    struct Case {
        double x0, y0, x1, y1;
        bool found, vertical;
        double position;
    } cases[] = {
        {3, 0, 3, 5, true, true, 3},
        {0, 2, 4, 2, true, false, 2},
        {3, 0, 3.1, 5, true, true, 3.05},
        {0, 0, 2, 5, false, false, 0},
        {3, 0, 3, 0.5, false, false, 0},  // too short
        {0, 0, std::numeric_limits<double>::infinity(), 0, false, false, 0},
    };
    for (const Case& c : cases) {
        const auto e = text::stemEdgeOf(c.x0, c.y0, c.x1, c.y1);
        ASSERT_EQ(e.has_value(), c.found) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
        if (e) {
            EXPECT_EQ(e->vertical, c.vertical);
            EXPECT_DOUBLE_EQ(e->position, c.position);
        }
    }
}

TEST(TextRendererSettings, TablesGiveCutoffsByFontStyleColourAndSize) {
    text::TextRendererSettings s;
    const text::FontStyle regular{false, false};
    const text::FontStyle bold{true, false};
    ASSERT_TRUE(s.setTable("Arial", regular, text::ColorType::Dark, {{20, 0.2, -0.4}, {10, 0.6, -0.8}}));
    struct Case {
        const char* font;
        text::FontStyle style;
        text::ColorType color;
        double size;
        std::optional<text::Cutoffs> expected;
    } cases[] = {
        {"Arial", regular, text::ColorType::Dark, 10, text::Cutoffs{0.6, -0.8}},
        {"Arial", regular, text::ColorType::Dark, 15, text::Cutoffs{0.4, -0.6}},  // between rows
        {"Arial", regular, text::ColorType::Dark, 4, text::Cutoffs{0.6, -0.8}},   // below the first row
        {"Arial", regular, text::ColorType::Dark, 99, text::Cutoffs{0.2, -0.4}},  // past the last
        {"Arial", bold, text::ColorType::Dark, 10, std::nullopt},
        {"Arial", regular, text::ColorType::Light, 10, std::nullopt},
        {"Times", regular, text::ColorType::Dark, 10, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = s.cutoffs(c.font, c.style, c.color, c.size);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.font << " " << c.size;
        if (got) {
            EXPECT_NEAR(got->inside, c.expected->inside, 1e-9) << c.size;
            EXPECT_NEAR(got->outside, c.expected->outside, 1e-9) << c.size;
        }
    }
    const uint64_t before = s.version();
    EXPECT_TRUE(s.setTable("Arial", regular, text::ColorType::Dark, {}));
    EXPECT_FALSE(s.cutoffs("Arial", regular, text::ColorType::Dark, 10)) << "an empty table removes it";
    EXPECT_GT(s.version(), before);
    EXPECT_FALSE(s.setTable("Arial", regular, text::ColorType::Dark,
                            std::vector<text::CsmSettings>(text::TextRendererSettings::MaxRows + 1)));
    EXPECT_FALSE(s.setMaxLevel(5));
    EXPECT_TRUE(s.setMaxLevel(7));
    EXPECT_EQ(s.maxLevel(), 7);
    EXPECT_EQ(text::colorTypeOf(0xFFFFFF), text::ColorType::Light);
    EXPECT_EQ(text::colorTypeOf(0xFF0000), text::ColorType::Dark);
}

TEST(TextRendererSettings, CutoffsMoveAndWidenTheCoverageRamp) {
    // Default cutoffs: the curve is the coverage itself.
    const text::CoverageCurve plain = text::coverageCurve(0, 0);
    const text::CoverageCurve inner = text::coverageCurve(0, 0, {0.9, -0.1});  // starts further in: lighter
    const text::CoverageCurve wide = text::coverageCurve(0, 0, {1.0, -1.0});   // a ramp twice as long: softer
    const text::CoverageCurve hard = text::coverageCurve(0, 0, {0.0, 0.0});    // no ramp at all
    EXPECT_NEAR(plain[128], 128, 1);
    EXPECT_LT(inner[128], 128 - 80);
    EXPECT_NEAR(wide[64], 96, 1);
    EXPECT_NEAR(wide[192], 160, 1);
    EXPECT_EQ(hard[100], 0);
    EXPECT_EQ(hard[140], 255);
    EXPECT_EQ(inner[255], 255) << "full pixels stay full";
}
