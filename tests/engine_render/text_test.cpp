// Edit text: line layout, text decoding, and fields drawn on a stage.
#include "render/renderer.h"
#include "render/text_layout.h"
#include "render/text_painter.h"
#include "render_fixture.h"

#include "model/edit_text_object.h"
#include "model/stage.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

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

// Every character 100 twips wide, ascent 300, descent 100.
render::TextMetrics fixedMetrics() {
    render::TextMetrics m;
    m.ascent = 300.0;
    m.descent = 100.0;
    m.advance = [](char32_t) { return 100.0; };
    return m;
}

// A field 1080 twips wide: 1000 for text between the 40-twip gutters.
swf::EditText field(swf::TextAlign align = swf::TextAlign::Left, bool wrap = false, bool multiline = false) {
    swf::EditText f;
    f.bounds = {0, 1080, 0, 2000};
    f.align = align;
    f.wordWrap = wrap;
    f.multiline = multiline;
    return f;
}

std::vector<double> xs(const render::TextLine& line) {
    std::vector<double> out;
    for (const auto& c : line.chars)
        out.push_back(c.x);
    return out;
}

std::u32string text(const char* s) { return render::decodeUtf8(s); }

}  // namespace

TEST(TextLayout, AlignmentPlacesTheLineInTheField) {
    const auto left = render::layoutText(field(), text("abc"), fixedMetrics());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(xs(left[0]), (std::vector<double>{40, 140, 240}));
    EXPECT_DOUBLE_EQ(left[0].baseline, 340.0);  // gutter + ascent

    const auto right = render::layoutText(field(swf::TextAlign::Right), text("abc"), fixedMetrics());
    EXPECT_EQ(xs(right[0]), (std::vector<double>{740, 840, 940}));
    const auto centre = render::layoutText(field(swf::TextAlign::Center), text("abc"), fixedMetrics());
    EXPECT_EQ(xs(centre[0]), (std::vector<double>{390, 490, 590}));

    swf::EditText margins = field(swf::TextAlign::Right);
    margins.rightMargin = 100;
    EXPECT_EQ(render::layoutText(margins, text("a"), fixedMetrics())[0].chars[0].x, 840.0);
    margins = field();
    margins.leftMargin = 60;
    margins.indent = 20;
    EXPECT_EQ(render::layoutText(margins, text("a"), fixedMetrics())[0].chars[0].x, 120.0);
}

TEST(TextLayout, WordWrapMultilineAndLeading) {
    // Ten characters fit a line: "aaaa bbbb cccc" breaks before "cccc".
    const auto wrapped = render::layoutText(field(swf::TextAlign::Left, true), text("aaaa bbbb cccc"), fixedMetrics());
    ASSERT_EQ(wrapped.size(), 2u);
    EXPECT_EQ(wrapped[0].chars.size(), 10u);  // the space after "bbbb" stays on its line
    EXPECT_EQ(wrapped[1].chars.front().code, U'c');
    EXPECT_DOUBLE_EQ(wrapped[1].chars.front().x, 40.0);
    EXPECT_DOUBLE_EQ(wrapped[1].baseline, 340.0 + 400.0);

    // Without word wrap the line runs on.
    EXPECT_EQ(render::layoutText(field(), text("aaaa bbbb cccc"), fixedMetrics()).size(), 1u);

    // A word longer than the line breaks inside.
    const auto longWord = render::layoutText(field(swf::TextAlign::Left, true), text("abcdefghijklmn"), fixedMetrics());
    ASSERT_EQ(longWord.size(), 2u);
    EXPECT_EQ(longWord[0].chars.size(), 10u);

    // New lines break in multiline fields only; leading widens the step.
    swf::EditText multi = field(swf::TextAlign::Left, false, true);
    multi.leading = 50;
    const auto lines = render::layoutText(multi, text("ab\ncd\r\n"), fixedMetrics());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[1].baseline, 340.0 + 450.0);
    EXPECT_EQ(lines[1].chars.front().code, U'c');
    const auto single = render::layoutText(field(), text("ab\ncd"), fixedMetrics());
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].chars.size(), 5u);
}

TEST(TextLayout, DecodingUtf8AndHtml) {
    EXPECT_EQ(render::decodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600}));
    EXPECT_EQ(render::decodeUtf8("\xC3"), std::u32string(1, U'\uFFFD')) << "a sequence cut short";
    EXPECT_EQ(render::decodeUtf8("\xFFx"), (std::u32string{U'\uFFFD', U'x'}));
    EXPECT_EQ(render::stripHtml("<p align=\"left\"><font face=\"x\">a &amp; b</font></p><p>c<br/>d &lt;</p>"),
              "a & b\nc\nd <");
    EXPECT_EQ(render::stripHtml("x <unclosed"), "x ");
    char out[5];
    render::encodeUtf8(0x20AC, out);
    EXPECT_STREQ(out, "\xE2\x82\xAC");
    render::encodeUtf8(0xD800, out);
    EXPECT_STREQ(out, "\xEF\xBF\xBD");
    EXPECT_EQ(render::deviceFamily("_typewriter"), "monospace");
    EXPECT_EQ(render::deviceFamily("_sans"), "sans-serif");
}

namespace {

// Font 5: glyph 'A' a square of half the em above the baseline, advance
// 600/1024 em, ascent 800, descent 224.
swf::Font squareFont() {
    swf::Font font;
    font.version = 2;
    font.hasLayout = true;
    font.ascent = 800;
    font.descent = 224;
    swf::Glyph g;
    g.code = 'A';
    g.advance = 600;
    g.records = polygonRecords({{0, -512}, {512, -512}, {512, 0}, {0, 0}});
    font.glyphs.push_back(g);
    return font;
}

PixelBuffer drawField(const swf::EditText& f, const std::string& content) {
    MovieBuilder b;
    b.add(5, squareFont()).add(6, f);
    b.frame({place(1, 6)});
    auto stage = model::Stage::create(b.build());
    (void)stage->takePendingActions();
    stage->root().displayList().at(1)->as<model::EditTextObject>()->setText(content);
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
