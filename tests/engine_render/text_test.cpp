// Text drawn on a stage: edit text runs from embedded and device fonts,
// scrolling, underlines, and static text with device fonts.
#include "render/renderer.h"
#include "render/text_painter.h"
#include "render_fixture.h"

#include "model/edit_text_object.h"
#include "model/stage.h"
#include "model/text_snapshot.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace rendertest;

namespace {

// cairo and fontconfig keep font caches for the life of the process; letting
// them go at the end keeps the leak checker's report about our own memory.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
[[maybe_unused]] ::testing::Environment* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

}  // namespace

namespace {

// Font 5, "Square": glyph 'A' a square of half the em above the baseline,
// 'B' a square 500/1024 em high starting 133/1024 em after its origin (its
// edges fall inside pixels wherever its origin is); advance 600/1024 em,
// ascent 800, descent 224.
swf::Font squareFont() {
    swf::Font font;
    font.name = "Square";
    font.version = 2;
    font.hasLayout = true;
    font.ascent = 800;
    font.descent = 224;
    swf::Glyph g;
    g.code = 'A';
    g.advance = 600;
    g.records = polygonRecords({{0, -512}, {512, -512}, {512, 0}, {0, 0}});
    font.glyphs.push_back(g);
    g.code = 'B';
    g.records = polygonRecords({{133, -500}, {645, -500}, {645, 0}, {133, 0}});
    font.glyphs.push_back(g);
    return font;
}

// With a selection (a caret when empty), the field is focused with it.
// `ticks` frames pass after the text is set. The movie exports a 2x2 px
// green bitmap "green", a clip "anim": a 20x10 px blue box in its first
// frame, yellow in its second, and that blue box's shape as "box".
PixelBuffer drawField(const swf::EditText& f, const std::string& content,
                      std::optional<text::TextSelection> selection = {}, int ticks = 0,
                      const text::GlyphRendering& glyphs = {}, const text::TextRendererSettings& tables = {}) {
    MovieBuilder b;
    swf::Bitmap green;
    green.width = green.height = 2;
    green.pixels.assign(4, argb(255, 0, 255, 0));
    b.add(5, squareFont()).add(6, f).add(7, green);
    b.add(8, rectShape({0, 400, 0, 200}, solid({0, 0, 255, 255})));
    b.add(9, rectShape({0, 400, 0, 200}, solid({255, 255, 0, 255})));
    swf::Sprite anim = sprite({place(1, 8)});
    anim.timeline.frames.push_back(swf::Frame{{swf::RemoveObject{1, 1}, place(1, 9)}});
    anim.timeline.declaredFrameCount = 2;
    b.add(10, anim);
    b.exportAs("green", 7).exportAs("anim", 10).exportAs("box", 8);
    b.frame({place(1, 6)});
    auto stage = model::Stage::create(b.build());
    (void)stage->takePendingActions();
    stage->textRenderer() = tables;
    auto* field = stage->root().displayList().at(1)->as<model::EditTextObject>();
    field->setText(content);
    field->changeSettings([&](model::FieldSettings& s) { s.glyphs = glyphs; });
    if (selection) {
        field->setFocused(true);
        field->setSelection(*selection);
    }
    for (int n = 0; n < ticks; ++n)
        stage->advance();
    PixelBuffer buffer(100, 100);
    render::Renderer renderer;
    EXPECT_EQ(renderer.draw(*stage, buffer.target(), render::Aspect::Opaque, render::Quality::High),
              render::DrawError::None);
    return buffer;
}

swf::EditText embeddedField(swf::TextAlign align) {
    swf::EditText f;
    f.bounds = {0, 2000, 0, 1000};
    f.fontId = 5;
    f.fontHeight = 400;  // glyph squares of 200 twips (10 px), advance 234.375 twips
    f.textColor = swf::Rgba{255, 0, 0, 255};
    f.useOutlines = true;
    f.hasLayout = true;
    f.align = align;
    return f;
}

}  // namespace

TEST(EditText, EmbeddedGlyphsFollowTheLayout) {
    constexpr uint32_t White = argb(255, 255, 255, 255);
    constexpr uint32_t kRed = argb(255, 255, 0, 0);
    // Baseline at 40 + 800 * 400/1024 = 352.5 twips (17.6 px); glyphs from 7.6 px down to it.
    const PixelBuffer left = drawField(embeddedField(swf::TextAlign::Left), "AA");
    EXPECT_EQ(left.at(7, 12), kRed) << hex(left.at(7, 12));  // first glyph, x 2..12
    EXPECT_EQ(left.at(1, 12), White);
    EXPECT_EQ(left.at(12, 12), White);  // the gap up to 13.7
    EXPECT_EQ(left.at(18, 12), kRed);   // second glyph, x 13.7..23.7
    EXPECT_EQ(left.at(7, 5), White);
    EXPECT_EQ(left.at(7, 19), White);

    // Right: the line ends at 2000 - 40 twips, so it starts at 74.6 px.
    const PixelBuffer right = drawField(embeddedField(swf::TextAlign::Right), "AA");
    EXPECT_EQ(right.at(80, 12), kRed);
    EXPECT_EQ(right.at(95, 12), kRed);
    EXPECT_EQ(right.at(72, 12), White);
    EXPECT_EQ(right.at(7, 12), White);
}

TEST(EditText, AdvancedAntiAliasingFitsGlyphOriginsToTheGrid) {
    // The second square's left edge falls at 13.72 px and the squares' tops
    // at 7.6 px: unfitted, column 13 and row 7 are partly covered.
    using text::GridFit;
    struct Case {
        bool advanced;
        GridFit fit;
        double column13;  // coverage of (13, 12)
        double row7;      // coverage of (7, 7)
    } cases[] = {
        {false, GridFit::Pixel, 0.28, 0.4},       // normal: never fitted
        {true, GridFit::None, 0.28, 0.4},         //
        {true, GridFit::Pixel, 0.0, 0.0},         // origin to 14 px, baseline to 18 px
        {true, GridFit::Subpixel, 1 / 3.0, 0.0},  // across to 13.67 px
    };
    for (const Case& c : cases) {
        const text::GlyphRendering glyphs{c.advanced, c.fit, 0.0, 0.0};
        const PixelBuffer b = drawField(embeddedField(swf::TextAlign::Left), "AA", std::nullopt, 0, glyphs);
        auto coverage = [&](int x, int y) { return 1.0 - ((b.at(x, y) >> 8) & 0xFF) / 255.0; };
        const std::string name = std::to_string(c.advanced) + " fit " + std::to_string(int(c.fit));
        EXPECT_NEAR(coverage(13, 12), c.column13, 0.03) << name;
        EXPECT_NEAR(coverage(7, 7), c.row7, 0.03) << name;
        EXPECT_NEAR(coverage(15, 12), 1.0, 0.01) << name << ": inside stays full";
    }
}

TEST(EditText, ThicknessAndSharpnessReshapeEdgesOfAdvancedText) {
    // Ink (summed coverage) and contrast (how far coverage is from half)
    // over the field, unfitted so the square's edges fall inside pixels.
    struct Measure {
        double ink = 0.0;
        double contrast = 0.0;
    };
    auto measure = [](bool advanced, double sharpness, double thickness) {
        const text::GlyphRendering glyphs{advanced, text::GridFit::None, sharpness, thickness};
        const PixelBuffer b = drawField(embeddedField(swf::TextAlign::Left), "AA", std::nullopt, 0, glyphs);
        Measure m;
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 100; ++x) {
                const double c = 1.0 - ((b.at(x, y) >> 8) & 0xFF) / 255.0;
                m.ink += c;
                m.contrast += std::abs(c - 0.5);
            }
        }
        return m;
    };
    const Measure plain = measure(true, 0, 0);
    struct Case {
        bool advanced;
        double sharpness, thickness;
        int inkOrder, contrastOrder;  // against plain: -1 less, 0 same, 1 more
    } cases[] = {
        {true, 0, 200, 1, 0},   {true, 0, 900, 1, 0},  // clamped to 200, still heavier
        {true, 0, -200, -1, 0}, {true, 400, 0, 0, 1},
        {true, -400, 0, 0, -1}, {false, 400, 200, 0, 0},  // normal text ignores both
    };
    for (const Case& c : cases) {
        const Measure m = measure(c.advanced, c.sharpness, c.thickness);
        const std::string name =
            std::to_string(c.advanced) + " " + std::to_string(c.sharpness) + " " + std::to_string(c.thickness);
        auto order = [](double a, double b) { return std::abs(a - b) < 0.5 ? 0 : (a < b ? -1 : 1); };
        if (c.contrastOrder == 0 && c.inkOrder != 0)
            EXPECT_EQ(order(m.ink, plain.ink), c.inkOrder) << name << " ink " << m.ink << " vs " << plain.ink;
        else if (c.inkOrder == 0 && c.contrastOrder != 0)
            EXPECT_EQ(order(m.contrast, plain.contrast), c.contrastOrder) << name;
        else {
            EXPECT_EQ(order(m.ink, plain.ink), 0) << name;
            EXPECT_EQ(order(m.contrast, plain.contrast), 0) << name;
        }
    }
    EXPECT_GT(measure(true, 0, 200).ink - measure(true, 0, -200).ink, 4.0) << "a visible difference";
}

TEST(EditText, GridFittingMovesStemEdgesInsideGlyphsOntoTheGrid) {
    // 'B' from 4.6 to 14.6 px across, its top 9.77 px above the baseline
    // (17.6 px unfitted, 18 px fitted). Fitting origins alone would leave
    // columns 4 and 14 and row 8 partly covered.
    using text::GridFit;
    struct Case {
        bool advanced;
        GridFit fit;
        double column4, column14, row8, row7;
    } cases[] = {
        {false, GridFit::Pixel, 0.40, 0.60, 1.0, 0.14},         // normal: never fitted
        {true, GridFit::None, 0.40, 0.60, 1.0, 0.14},           //
        {true, GridFit::Pixel, 0.0, 1.0, 1.0, 0.0},             // edges to 5 and 15 px, the top to 8 px
        {true, GridFit::Subpixel, 1 / 3.0, 2 / 3.0, 1.0, 0.0},  // to 4.67 and 14.67 px
    };
    for (const Case& c : cases) {
        const text::GlyphRendering glyphs{c.advanced, c.fit, 0.0, 0.0};
        const PixelBuffer b = drawField(embeddedField(swf::TextAlign::Left), "B", std::nullopt, 0, glyphs);
        auto coverage = [&](int x, int y) { return 1.0 - ((b.at(x, y) >> 8) & 0xFF) / 255.0; };
        const std::string name = std::to_string(c.advanced) + " fit " + std::to_string(int(c.fit));
        EXPECT_NEAR(coverage(4, 12), c.column4, 0.03) << name;
        EXPECT_NEAR(coverage(14, 12), c.column14, 0.03) << name;
        EXPECT_NEAR(coverage(10, 8), c.row8, 0.03) << name;
        EXPECT_NEAR(coverage(10, 7), c.row7, 0.03) << name;
    }
}

TEST(EditText, TextRendererTablesReshapeAdvancedTextOfTheirFontStyleAndColour) {
    // Summed coverage, unfitted so the squares' edges fall inside pixels.
    auto ink = [](bool advanced, const text::TextRendererSettings& tables) {
        const text::GlyphRendering glyphs{advanced, text::GridFit::None, 0.0, 0.0};
        const PixelBuffer b = drawField(embeddedField(swf::TextAlign::Left), "AA", std::nullopt, 0, glyphs, tables);
        double sum = 0.0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 100; ++x)
                sum += 1.0 - ((b.at(x, y) >> 8) & 0xFF) / 255.0;
        return sum;
    };
    // Heavy: coverage starts 0.9 px outside the outline and is full 0.1 px inside.
    auto table = [](const char* font, text::FontStyle style, text::ColorType color) {
        text::TextRendererSettings s;
        EXPECT_TRUE(s.setTable(font, style, color, {{8, 0.1, -0.9}, {40, 0.1, -0.9}}));
        return s;
    };
    const double plain = ink(true, {});
    struct Case {
        const char* name;
        bool advanced;
        text::TextRendererSettings tables;
        bool heavier;
    } cases[] = {
        {"dark regular Square", true, table("Square", {}, text::ColorType::Dark), true},
        {"light table, red text", true, table("Square", {}, text::ColorType::Light), false},
        {"bold table", true, table("Square", {true, false}, text::ColorType::Dark), false},
        {"another font", true, table("Other", {}, text::ColorType::Dark), false},
        {"normal text", false, table("Square", {}, text::ColorType::Dark), false},
    };
    for (const Case& c : cases) {
        const double got = ink(c.advanced, c.tables);
        if (c.heavier)
            EXPECT_GT(got - plain, 4.0) << c.name;
        else
            EXPECT_NEAR(got, plain, 0.5) << c.name;
    }
}

TEST(EditText, LcdModeGivesEachChannelItsOwnThirdOfAnEdgePixel) {
    // Black 'B' unfitted: its left edge at 4.6 px leaves column 4 partly covered.
    swf::EditText f = embeddedField(swf::TextAlign::Left);
    f.textColor = swf::Rgba{0, 0, 0, 255};
    struct Case {
        const char* name;
        text::DisplayMode mode;
        bool advanced;
        bool coloured;  // R, G, B coverage differ at the edge
    } cases[] = {
        {"lcd", text::DisplayMode::Lcd, true, true},
        {"crt", text::DisplayMode::Crt, true, false},
        {"default", text::DisplayMode::Default, true, false},
        {"lcd, normal text", text::DisplayMode::Lcd, false, false},
    };
    for (const Case& c : cases) {
        text::TextRendererSettings tables;
        tables.setDisplayMode(c.mode);
        const PixelBuffer b = drawField(f, "B", std::nullopt, 0, {c.advanced, text::GridFit::None, 0.0, 0.0}, tables);
        const uint32_t edge = b.at(4, 12);
        const int r = int((edge >> 16) & 0xFF), g = int((edge >> 8) & 0xFF), bl = int(edge & 0xFF);
        if (c.coloured) {
            // The edge rises left to right: red (leftmost third) sees the least ink.
            EXPECT_GT(r, g + 20) << c.name;
            EXPECT_GT(g, bl + 20) << c.name;
        } else {
            EXPECT_EQ(r, g) << c.name;
            EXPECT_EQ(g, bl) << c.name;
        }
        EXPECT_LT(bl, 240) << c.name << ": the edge is inked";
        EXPECT_EQ(b.at(9, 12), argb(255, 0, 0, 0)) << c.name << ": inside stays solid";
    }
}

TEST(EditText, MaxLevelSetsHowCloselyAdvancedOutlinesAreFollowed) {
    // A large 'O' from the system's font: its curves are flattened coarser at level 3.
    swf::EditText f;
    f.bounds = {0, 2000, 0, 2000};
    f.fontHeight = 1600;
    f.textColor = swf::Rgba{0, 0, 0, 255};
    auto draw = [&](bool advanced, int level) {
        text::TextRendererSettings tables;
        EXPECT_TRUE(tables.setMaxLevel(level));
        return drawField(f, "O", std::nullopt, 0, {advanced, text::GridFit::None, 0.0, 0.0}, tables);
    };
    auto differing = [](const PixelBuffer& a, const PixelBuffer& b) {
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                n += a.at(x, y) != b.at(x, y);
        return n;
    };
    struct Case {
        bool advanced;
        int a, b;
        bool differ;
    } cases[] = {
        {true, 3, 7, true}, {true, 3, 4, true}, {false, 3, 7, false},  // normal text keeps the renderer's precision
    };
    for (const Case& c : cases) {
        const int n = differing(draw(c.advanced, c.a), draw(c.advanced, c.b));
        if (c.differ)
            EXPECT_GT(n, 10) << c.advanced << " " << c.a << " vs " << c.b;
        else
            EXPECT_EQ(n, 0) << c.advanced << " " << c.a << " vs " << c.b;
    }
}

TEST(EditText, AFocusedFieldDrawsItsCaretThroughTheLine) {
    constexpr uint32_t White = argb(255, 255, 255, 255);
    // The line runs from 2 px to 22 px; the caret after the first glyph at
    // 13.7 px, in the gap between the squares, above them at y 4.
    struct Case {
        std::optional<size_t> caret;
        int x;
        bool drawn;
    } cases[] = {{std::nullopt, 13, false}, {1, 13, true}, {0, 2, true}, {0, 13, false}, {2, 25, true}};
    for (const Case& c : cases) {
        const PixelBuffer b =
            drawField(embeddedField(swf::TextAlign::Left), "AA",
                      c.caret ? std::optional(text::TextSelection{*c.caret, *c.caret}) : std::nullopt);
        EXPECT_EQ(b.at(c.x, 4) != White, c.drawn) << c.x << " " << hex(b.at(c.x, 4));
        EXPECT_EQ(b.at(c.x, 20) != White, c.drawn) << c.x;
        EXPECT_EQ(b.at(c.x, 24), White) << "the caret ends with its line";
    }
}

TEST(EditText, TheSelectionIsBlackBehindGlyphsInTheirInverseColour) {
    constexpr uint32_t White = argb(255, 255, 255, 255);
    constexpr uint32_t Black = argb(255, 0, 0, 0);
    constexpr uint32_t Red = argb(255, 255, 0, 0);
    constexpr uint32_t Cyan = argb(255, 0, 255, 255);
    // Glyph squares at x 2..12 and 13.7..23.7, y 7.6..17.6; the line 2..22 px.
    struct Case {
        text::TextSelection selection;
        uint32_t inFirst, gapAbove, inSecond, afterText;
    } cases[] = {
        {{0, 1}, Cyan, Black, Red, White}, {{1, 0}, Cyan, Black, Red, White},  // the caret at the start: same range
        {{1, 2}, Red, White, Cyan, White}, {{0, 2}, Cyan, Black, Cyan, White},
        {{1, 1}, Red, White, Red, White},  // empty: a caret, no highlight
    };
    for (const Case& c : cases) {
        const PixelBuffer b = drawField(embeddedField(swf::TextAlign::Left), "AA", c.selection);
        const auto name = std::to_string(c.selection.anchor) + "," + std::to_string(c.selection.caret);
        EXPECT_EQ(b.at(7, 12), c.inFirst) << name << " " << hex(b.at(7, 12));
        EXPECT_EQ(b.at(7, 4), c.gapAbove) << name << " " << hex(b.at(7, 4));
        EXPECT_EQ(b.at(18, 12), c.inSecond) << name << " " << hex(b.at(18, 12));
        EXPECT_EQ(b.at(30, 12), c.afterText) << name;
        EXPECT_EQ(b.at(7, 24), White) << name << ": the highlight ends with its line";
    }
}

TEST(EditText, AFontWithoutABulletBorrowsTheDeviceFontsBullet) {
    // The square font has no U+2022. Without a bullet the glyph covers 2 to
    // 12 px; with one the text starts at 32 px and the bullet at 12 px.
    swf::EditText f = embeddedField(swf::TextAlign::Left);
    f.html = true;
    for (const bool bullet : {false, true}) {
        const PixelBuffer b = drawField(f, bullet ? "<li>A</li>" : "<p>A</p>");
        int inked = 0;
        for (int y = 2; y < 22; ++y) {
            for (int x = 13; x < 30; ++x)
                inked += b.at(x, y) != argb(255, 255, 255, 255);
        }
        if (bullet)
            EXPECT_GT(inked, 4);
        else
            EXPECT_EQ(inked, 0) << "nothing but the bullet draws there";
    }
}

TEST(EditText, ImagesDrawTheirExportedBitmapOrAFrameWhereTheyFloat) {
    constexpr uint32_t White = argb(255, 255, 255, 255);
    constexpr uint32_t Green = argb(255, 0, 255, 0);
    constexpr uint32_t Red = argb(255, 255, 0, 0);  // the text's, also the frame's
    swf::EditText f = embeddedField(swf::TextAlign::Left);
    f.html = true;
    // The box's corner at the field's gutter (2 px): left 2..22 px, right
    // 78..98 px, 10 px down from 2 px; the text beside it.
    struct Case {
        const char* html;
        struct Pixel {
            int x, y;
            uint32_t color;
        };
        std::vector<Pixel> pixels;
    } cases[] = {
        {"<img src='box' width='20' height='10' hspace='0' vspace='0'>A",
         {{2, 7, Red}, {12, 2, Red}, {12, 7, White}, {21, 7, Red}, {27, 12, Red}}},
        // A file that never comes: an empty box.
        {"<img src='none' width='20' height='10' hspace='0' vspace='0'>A",
         {{2, 7, White}, {12, 2, White}, {27, 12, Red}}},
        {"<img src='green' width='20' height='10' hspace='0' vspace='0'>",
         {{3, 3, Green}, {12, 7, Green}, {21, 11, Green}, {24, 7, White}, {12, 13, White}}},
        {"<img src='green' align='right' width='20' height='10' hspace='0' vspace='0'>A",
         {{80, 7, Green}, {96, 7, Green}, {76, 7, White}, {7, 12, Red}}},
    };
    for (const auto& c : cases) {
        const PixelBuffer b = drawField(f, c.html);
        for (const auto& p : c.pixels)
            EXPECT_EQ(b.at(p.x, p.y), p.color) << c.html << " at " << p.x << "," << p.y << " " << hex(b.at(p.x, p.y));
    }
}

TEST(EditText, ImagesWithoutASizeTakeTheirPicturesAndClipsPlay) {
    constexpr uint32_t White = argb(255, 255, 255, 255);
    constexpr uint32_t Green = argb(255, 0, 255, 0);
    constexpr uint32_t Blue = argb(255, 0, 0, 255);
    constexpr uint32_t Yellow = argb(255, 255, 255, 0);
    constexpr uint32_t Red = argb(255, 255, 0, 0);
    swf::EditText f = embeddedField(swf::TextAlign::Left);
    f.html = true;
    // Boxes start at the gutter (2 px); text beside them starts where they end.
    struct Case {
        const char* html;
        int ticks;
        struct Pixel {
            int x, y;
            uint32_t color;
        };
        std::vector<Pixel> pixels;
    } cases[] = {
        {"<img src='green' hspace='0' vspace='0'>A", 0, {{3, 3, Green}, {5, 3, White}, {3, 5, White}, {9, 12, Red}}},
        {"<img src='green' width='20' hspace='0' vspace='0'>", 0, {{20, 3, Green}, {20, 5, White}}},
        {"<img src='anim' hspace='0' vspace='0'>A",
         0,
         {{3, 3, Blue}, {21, 11, Blue}, {23, 5, White}, {12, 13, White}, {27, 12, Red}}},
        {"<img src='anim' width='40' height='20' hspace='0' vspace='0'>", 0, {{40, 20, Blue}, {43, 12, White}}},
        {"<img src='anim' hspace='0' vspace='0'>", 1, {{3, 3, Yellow}, {21, 11, Yellow}}},
        {"<img src='anim' hspace='0' vspace='0'>", 2, {{3, 3, Blue}}},
        {"<img src='anim' align='right' hspace='0' vspace='0'>", 0, {{80, 7, Blue}, {96, 7, Blue}, {76, 7, White}}},
    };
    for (const auto& c : cases) {
        const PixelBuffer b = drawField(f, c.html, std::nullopt, c.ticks);
        for (const auto& p : c.pixels)
            EXPECT_EQ(b.at(p.x, p.y), p.color)
                << c.html << " after " << c.ticks << " at " << p.x << "," << p.y << " " << hex(b.at(p.x, p.y));
    }
}

TEST(EditText, DeviceFontsDrawInsideTheField) {
    swf::EditText f;
    f.bounds = {200, 1400, 200, 800};  // 10..70 x 10..40 px
    f.fontHeight = 400;
    f.textColor = swf::Rgba{0, 0, 0, 255};
    const PixelBuffer b = drawField(f, "Hello world, this runs past the field's right edge");
    int inked = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool inField = x >= 10 && x < 70 && y >= 10 && y < 40;
            if (!inField)
                ASSERT_EQ(b.at(x, y), argb(255, 255, 255, 255)) << "at " << x << "," << y;
            else
                inked += b.at(x, y) != argb(255, 255, 255, 255);
        }
    }
    EXPECT_GT(inked, 50) << "some text is drawn through the system's fonts";
}

namespace {

struct Ink {
    int red = 0, blue = 0;
    int lastRed = -1, firstBlue = 1000;
};

Ink inkOf(const PixelBuffer& b) {
    Ink ink;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const uint32_t p = b.at(x, y);
            const int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF), bl = int(p & 0xFF);
            if (r > 200 && g < 100 && bl < 100) {
                ++ink.red;
                ink.lastRed = std::max(ink.lastRed, x);
            } else if (bl > 200 && g < 100 && r < 100) {
                ++ink.blue;
                ink.firstBlue = std::min(ink.firstBlue, x);
            }
        }
    }
    return ink;
}

}  // namespace

TEST(EditText, RunsOfDifferentColourLandInTheirColumns) {
    constexpr uint32_t White = argb(255, 255, 255, 255);
    constexpr uint32_t kRed = argb(255, 255, 0, 0);
    constexpr uint32_t kBlue = argb(255, 0, 0, 255);
    swf::EditText f = embeddedField(swf::TextAlign::Left);
    f.html = true;
    f.textColor = swf::Rgba{0, 0, 0, 255};
    // Glyphs start at 2, 13.7, 25.4 and 37.1 px, 10 px wide.
    const PixelBuffer b = drawField(f, "<font color=\"#FF0000\">AA</font><font color=\"#0000FF\">AA</font>");
    EXPECT_EQ(b.at(7, 12), kRed);
    EXPECT_EQ(b.at(18, 12), kRed);
    EXPECT_EQ(b.at(30, 12), kBlue);
    EXPECT_EQ(b.at(42, 12), kBlue);
    EXPECT_EQ(b.at(50, 12), White);

    // Underlined: the gap between glyphs gets the rule below the baseline.
    const PixelBuffer plainGap = drawField(f, "<font color=\"#FF0000\">AA</font>");
    const PixelBuffer underlined = drawField(f, "<font color=\"#FF0000\"><u>AA</u></font>");
    EXPECT_EQ(plainGap.at(12, 20), White);
    EXPECT_NE(underlined.at(12, 20), White);
    EXPECT_EQ(underlined.at(12, 12), White) << "the rule is below the glyphs, not through them";

    // Scrolled by a line: the third line (after an empty one) moves up to the second's place.
    f.multiline = true;
    MovieBuilder mb;
    mb.add(5, squareFont()).add(6, f);
    mb.frame({place(1, 6)});
    auto stage = model::Stage::create(mb.build());
    (void)stage->takePendingActions();
    auto* field = stage->root().displayList().at(1)->as<model::EditTextObject>();
    field->setText("<p><font color=\"#FF0000\">A</font></p><p></p><p><font color=\"#0000FF\">A</font></p>");
    EXPECT_EQ(field->maxScroll(), 2);  // three 20 px lines in 50 - 4 px
    field->setScroll(2);
    PixelBuffer scrolled(100, 100);
    render::Renderer renderer;
    ASSERT_EQ(renderer.draw(*stage, scrolled.target(), render::Aspect::Opaque, render::Quality::High),
              render::DrawError::None);
    EXPECT_EQ(scrolled.at(7, 12), White);
    EXPECT_EQ(scrolled.at(7, 32), kBlue);
}

TEST(EditText, DeviceFontRunsDrawFromOutlinesInOrder) {
    swf::EditText f;
    f.bounds = {0, 2000, 0, 1000};
    f.fontHeight = 400;
    f.html = true;
    const PixelBuffer b = drawField(
        f, "<font face=\"_sans\" color=\"#FF0000\">HHH</font><font face=\"_sans\" color=\"#0000FF\">HHH</font>");
    const Ink ink = inkOf(b);
    EXPECT_GT(ink.red, 30);
    EXPECT_GT(ink.blue, 30);
    EXPECT_LT(ink.lastRed, ink.firstBlue) << "the red run ends before the blue one starts";

    // Bold measures wider than regular, and the layout follows: blue starts further right.
    const PixelBuffer bold = drawField(
        f, "<font face=\"_sans\" color=\"#FF0000\"><b>HHH</b></font><font face=\"_sans\" color=\"#0000FF\">HHH</font>");
    EXPECT_GT(inkOf(bold).firstBlue, ink.firstBlue);
}

TEST(StaticText, DeviceFontGlyphsComeFromTheSystemsFace) {
    // A font without outlines: the text names its glyphs by code.
    swf::Font font;
    font.version = 2;
    font.name = "_sans";
    for (char c : {'H', 'I'}) {
        swf::Glyph g;
        g.code = uint16_t(c);
        font.glyphs.push_back(g);
    }
    swf::Text t;
    t.bounds = {0, 2000, 0, 1000};
    swf::TextRecord r;
    r.fontId = 5;
    r.height = 600;
    r.color = swf::Rgba{255, 0, 0, 255};
    r.xOffset = 100;
    r.yOffset = 700;
    r.glyphs = {{0, 500}, {1, 500}, {0, 500}};
    t.records.push_back(r);
    MovieBuilder mb;
    mb.add(5, font).add(6, t);
    mb.frame({place(1, 6)});
    auto stage = model::Stage::create(mb.build());
    (void)stage->takePendingActions();
    PixelBuffer b(100, 100);
    render::Renderer renderer;
    ASSERT_EQ(renderer.draw(*stage, b.target(), render::Aspect::Opaque, render::Quality::High),
              render::DrawError::None);
    const Ink ink = inkOf(b);
    EXPECT_GT(ink.red, 30);
    EXPECT_LE(ink.lastRed, 5 + 3 * 25 + 2) << "glyphs sit at the record's advances";

    // The bounds are the drawn outlines: capitals from the baseline at 700
    // up to about 0.7 of the 600-twip size, nothing below the baseline.
    const swf::Bounds bounds = stage->root().displayList().at(1)->localBounds();
    ASSERT_FALSE(bounds.empty);
    EXPECT_GT(bounds.yMin, 700 - 0.85 * 600);
    EXPECT_LT(bounds.yMin, 700 - 0.5 * 600);
    EXPECT_LE(bounds.yMax, 700 + 10);
    EXPECT_GE(bounds.xMin, 100);
    EXPECT_GT(bounds.xMax, 1100 + 0.4 * 600) << "the last H ends well past its origin";
    EXPECT_LT(bounds.xMax, 1600);
}

TEST(StaticText, CsmTextSettingsAndTablesApplyToStaticText) {
    // 'B' placed at 2.3 px: its edges at 4.9 and 14.9 px, its top at 7.7 px
    // (baseline 17.5 px).
    auto draw = [](std::optional<swf::TextSettings> csm, const text::TextRendererSettings& tables) {
        swf::Text t;
        t.bounds = {0, 2000, 0, 1000};
        swf::TextRecord r;
        r.fontId = 5;
        r.height = 400;
        r.color = swf::Rgba{255, 0, 0, 255};
        r.xOffset = 46;
        r.yOffset = 350;
        r.glyphs = {{1, 234}};
        t.records.push_back(r);
        MovieBuilder mb;
        mb.add(5, squareFont()).add(6, t);
        if (csm)
            mb.textSettings(6, *csm);
        mb.frame({place(1, 6)});
        auto stage = model::Stage::create(mb.build());
        (void)stage->takePendingActions();
        stage->textRenderer() = tables;
        PixelBuffer b(100, 100);
        render::Renderer renderer;
        EXPECT_EQ(renderer.draw(*stage, b.target(), render::Aspect::Opaque, render::Quality::High),
                  render::DrawError::None);
        return b;
    };
    auto coverage = [](const PixelBuffer& b, int x, int y) { return 1.0 - ((b.at(x, y) >> 8) & 0xFF) / 255.0; };
    struct Case {
        const char* name;
        std::optional<swf::TextSettings> csm;
        double column4, row7;
    } cases[] = {
        {"no settings", std::nullopt, 0.1, 0.27},
        {"normal", swf::TextSettings{false, 1, 0, 0}, 0.1, 0.27},
        {"advanced pixel", swf::TextSettings{true, 1, 0, 0}, 0.0, 0.0},
        {"advanced subpixel", swf::TextSettings{true, 2, 0, 0}, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const PixelBuffer b = draw(c.csm, {});
        EXPECT_NEAR(coverage(b, 4, 12), c.column4, 0.03) << c.name;
        EXPECT_NEAR(coverage(b, 10, 7), c.row7, 0.03) << c.name;
        EXPECT_NEAR(coverage(b, 10, 12), 1.0, 0.01) << c.name;
    }
    auto ink = [&](const PixelBuffer& b) {
        double sum = 0.0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                sum += coverage(b, x, y);
        return sum;
    };
    text::TextRendererSettings heavy;
    ASSERT_TRUE(heavy.setTable("Square", {}, text::ColorType::Dark, {{20, 0.1, -0.9}}));
    const swf::TextSettings advancedUnfitted{true, 0, 0, 0};
    EXPECT_GT(ink(draw(advancedUnfitted, heavy)) - ink(draw(advancedUnfitted, {})), 4.0) << "the table applies";
    EXPECT_NEAR(ink(draw(std::nullopt, heavy)), ink(draw(std::nullopt, {})), 0.5) << "not to normal text";
}

TEST(StaticText, SnapshotSelectionFillsTheCellsOfSelectedCharactersInTheSelectColour) {
    // "AB" at 20 px on a baseline at 30 px: cells 11.7 px wide from 14.4 to
    // 34.4 px (the font's ascent and descent); 'A' inks x 0..10, y 20..30.
    swf::Text t;
    t.bounds = {0, 2000, 0, 1000};
    swf::TextRecord r;
    r.fontId = 5;
    r.height = 400;
    r.color = swf::Rgba{255, 0, 0, 255};
    r.xOffset = 0;
    r.yOffset = 600;
    r.glyphs = {{0, 234}, {1, 234}};
    t.records.push_back(r);
    MovieBuilder mb;
    mb.add(5, squareFont()).add(6, t);
    mb.frame({place(1, 6)});
    auto stage = model::Stage::create(mb.build());
    (void)stage->takePendingActions();
    const model::TextSnapshot snapshot(stage->root().shared_from_this());
    auto draw = [&] {
        PixelBuffer b(100, 100);
        render::Renderer renderer;
        EXPECT_EQ(renderer.draw(*stage, b.target(), render::Aspect::Opaque, render::Quality::High),
                  render::DrawError::None);
        return b;
    };
    struct Step {
        const char* name;
        std::function<void()> act;
        uint32_t aboveA, inA, aboveB;
    };
    const uint32_t white = argb(255, 255, 255, 255), red = argb(255, 255, 0, 0);
    const Step steps[] = {
        {"nothing selected", [] {}, white, red, white},
        {"A selected", [&] { snapshot.setSelected(0, 1, true); }, argb(255, 255, 255, 0), red, white},
        {"blue", [&] { snapshot.setSelectColor(0x0000FF); }, argb(255, 0, 0, 255), red, white},
        {"cleared", [&] { snapshot.setSelected(-3, 7, false); }, white, red, white},
    };
    for (const Step& s : steps) {
        s.act();
        const PixelBuffer b = draw();
        EXPECT_EQ(hex(b.at(5, 17)), hex(s.aboveA)) << s.name;
        EXPECT_EQ(hex(b.at(5, 25)), hex(s.inA)) << s.name;
        EXPECT_EQ(hex(b.at(17, 17)), hex(s.aboveB)) << s.name;
    }
}
