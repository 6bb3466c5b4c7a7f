// Line layout of formatted runs, measured with a face of fixed metrics, and
// the device faces fontconfig and FreeType give.
#include "text/text_layout.h"
#include "text/device_fonts.h"
#include "text/restrict.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <algorithm>

namespace {

// fontconfig keeps its caches for the life of the process; letting them go
// at the end keeps the leak checker's report about our own memory.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override { FcFini(); }
};
[[maybe_unused]] ::testing::Environment* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

// Every glyph a tenth of the em wide; ascent 0.3, descent 0.1; "AV" kerns
// by -0.05 em. At size 1000: 100-twip characters, lines 400 twips high.
class FixedFace final : public text::Face {
public:
    double ascent() const override { return 0.3; }
    double descent() const override { return 0.1; }
    std::shared_ptr<const text::GlyphOutline> glyph(char32_t) const override { return m_glyph; }
    double kerning(char32_t a, char32_t b) const override { return a == U'A' && b == U'V' ? -0.05 : 0.0; }

private:
    std::shared_ptr<text::GlyphOutline> m_glyph = [] {
        auto g = std::make_shared<text::GlyphOutline>();
        g->advance = 0.1;
        return g;
    }();
};

text::TextFormat sized(double size = 1000.0) {
    text::TextFormat f;
    f.size = size;
    return f;
}

// A box 1080 twips wide: 1000 for text between the 40-twip gutters.
text::FieldBox box(bool wrap = false, bool multiline = false, double height = 2000.0) {
    return {0.0, 0.0, 1080.0, height, wrap, multiline, false};
}

text::TextLayout lay(const text::FormattedText& t, const text::FieldBox& b = box()) {
    auto face = std::make_shared<FixedFace>();
    return text::layoutText(t, b, [face](const text::TextFormat&) { return face; });
}

text::TextLayout lay(const char32_t* s, const text::TextFormat& f, const text::FieldBox& b = box()) {
    return lay(text::FormattedText(s, f), b);
}

std::vector<double> xs(const text::LaidLine& line) {
    std::vector<double> out;
    for (const auto& g : line.glyphs)
        out.push_back(g.x);
    return out;
}

}  // namespace

TEST(TextLayout, AlignmentMarginsAndIndentPlaceTheLine) {
    struct Case {
        text::Align align;
        double leftMargin, rightMargin, indent, blockIndent;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {text::Align::Left, 0, 0, 0, 0, {40, 140, 240}},    {text::Align::Right, 0, 0, 0, 0, {740, 840, 940}},
        {text::Align::Center, 0, 0, 0, 0, {390, 490, 590}}, {text::Align::Right, 0, 100, 0, 0, {640, 740, 840}},
        {text::Align::Left, 60, 0, 20, 0, {120, 220, 320}}, {text::Align::Left, 10, 0, 0, 30, {80, 180, 280}},
    };
    for (const Case& c : cases) {
        text::TextFormat f = sized();
        f.align = c.align;
        f.leftMargin = c.leftMargin;
        f.rightMargin = c.rightMargin;
        f.indent = c.indent;
        f.blockIndent = c.blockIndent;
        const auto layout = lay(U"abc", f);
        ASSERT_EQ(layout.lines.size(), 1u);
        EXPECT_EQ(xs(layout.lines[0]), c.expected) << int(c.align) << " " << c.leftMargin << " " << c.indent;
        EXPECT_DOUBLE_EQ(layout.lines[0].baseline, 340.0);  // gutter + ascent
    }
}

TEST(TextLayout, WordWrapMultilineAndLeading) {
    const auto wrapped = lay(U"aaaa bbbb cccc", sized(), box(true));
    ASSERT_EQ(wrapped.lines.size(), 2u);
    EXPECT_EQ(wrapped.lines[0].glyphs.size(), 10u);  // the space after "bbbb" stays on its line
    EXPECT_EQ(wrapped.lines[1].glyphs.front().code, U'c');
    EXPECT_DOUBLE_EQ(wrapped.lines[1].glyphs.front().x, 40.0);
    EXPECT_DOUBLE_EQ(wrapped.lines[1].baseline, 740.0);
    EXPECT_DOUBLE_EQ(wrapped.textHeight, 800.0);
    EXPECT_DOUBLE_EQ(wrapped.textWidth, 900.0);

    text::TextFormat justified = sized();
    justified.align = text::Align::Justify;
    const auto spread = lay(U"aa bb ccccccc", justified, box(true));
    ASSERT_EQ(spread.lines.size(), 2u);
    EXPECT_DOUBLE_EQ(spread.lines[0].glyphs[3].x, 40.0 + 300.0 + 500.0) << "the gap takes the line's slack";
    EXPECT_DOUBLE_EQ(spread.lines[1].glyphs[0].x, 40.0) << "the last line stays left";

    EXPECT_EQ(lay(U"aaaa bbbb cccc", sized()).lines.size(), 1u) << "without word wrap the line runs on";
    const auto longWord = lay(U"abcdefghijklmn", sized(), box(true));
    ASSERT_EQ(longWord.lines.size(), 2u) << "a word longer than the line breaks inside";
    EXPECT_EQ(longWord.lines[0].glyphs.size(), 10u);

    text::TextFormat leading = sized();
    leading.leading = 50;
    const auto lines = lay(U"ab\ncd\rx", leading, box(false, true));
    ASSERT_EQ(lines.lines.size(), 3u);
    EXPECT_DOUBLE_EQ(lines.lines[1].baseline, 340.0 + 450.0);
    EXPECT_EQ(lines.lines[1].glyphs.front().code, U'c');
    const auto single = lay(U"ab\ncd", sized());
    ASSERT_EQ(single.lines.size(), 1u) << "a single-line field shows new lines as spaces";
    EXPECT_EQ(single.lines[0].glyphs.size(), 5u);
}

TEST(TextLayout, RunsOfDifferentSizeShareALine) {
    text::FormattedText t(U"aaaa", sized(1000));
    t.append(U"bb", sized(2000));
    const auto layout = lay(t);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(xs(layout.lines[0]), (std::vector<double>{40, 140, 240, 340, 440, 640}));
    EXPECT_DOUBLE_EQ(layout.lines[0].baseline, 40.0 + 600.0) << "the tallest run sets the line's ascent";
    EXPECT_DOUBLE_EQ(layout.lines[0].height, 800.0);
    EXPECT_EQ(layout.lines[0].glyphs[4].run, 1u);
}

TEST(TextLayout, SpacingKerningTabsPasswordAndBullets) {
    text::TextFormat f = sized();
    f.kerning = true;
    EXPECT_EQ(xs(lay(U"AVA", f).lines[0]), (std::vector<double>{40, 90, 190})) << "kerning pulls V in";
    f.kerning = false;
    EXPECT_EQ(xs(lay(U"AVA", f).lines[0]), (std::vector<double>{40, 140, 240}));
    f.letterSpacing = 20;
    EXPECT_EQ(xs(lay(U"abc", f).lines[0]), (std::vector<double>{40, 160, 280}));

    text::TextFormat tabs = sized();
    tabs.tabStops = std::vector<double>{500};
    EXPECT_EQ(xs(lay(U"a\tb", tabs).lines[0]), (std::vector<double>{40, 140, 540}));

    text::FieldBox secret = box();
    secret.password = true;
    const auto hidden = lay(U"pw d", sized(), secret);
    for (const auto& g : hidden.lines[0].glyphs)
        EXPECT_EQ(g.code, U'*');

    text::TextFormat bullet = sized();
    bullet.bullet = true;
    const auto listed = lay(U"ab", bullet);
    ASSERT_TRUE(listed.lines[0].bulletRun.has_value());
    EXPECT_GT(listed.lines[0].glyphs[0].x, listed.lines[0].bulletX) << "the text starts after its bullet";
}

TEST(TextLayout, ScrollLimitsFollowTheLinesThatFit) {
    // Room for two lines of 400 (plus gutters); five lines of text.
    const auto layout = lay(U"1\r2\r3\r4\r5", sized(), box(false, true, 880.0));
    ASSERT_EQ(layout.lines.size(), 5u);
    const text::FieldBox b = box(false, true, 880.0);
    EXPECT_EQ(text::maxScroll(layout, b), 4);
    EXPECT_EQ(text::bottomScroll(layout, b, 1), 2);
    EXPECT_EQ(text::bottomScroll(layout, b, 4), 5);
    EXPECT_EQ(text::bottomScroll(layout, b, 99), 5) << "a scroll past the end is clamped";
    EXPECT_EQ(text::maxScroll(lay(U"1", sized(), b), b), 1);
    EXPECT_EQ(text::maxScroll(lay(U"", sized(), b), b), 1);
}

TEST(TextLayout, HugeAndHostileInputStaysBounded) {
    text::TextFormat f = sized(1e300);
    f.letterSpacing = -1e300;
    const std::u32string many(text::MaxLaidCharacters + 10, U'x');
    const auto layout = lay(text::FormattedText(many, f), box(true, true));
    size_t laid = 0;
    for (const auto& line : layout.lines)
        laid += line.glyphs.size();
    EXPECT_EQ(laid, text::MaxLaidCharacters);
}

TEST(Restrict, PatternsAllowAndRefuse) {
    struct Case {
        const char32_t* pattern;
        char32_t c;
        bool allowed;
    };
    const Case cases[] = {
        {U"A-Z", U'Q', true},    {U"A-Z", U'q', false},   {U"0-9.", U'.', true},  {U"^0-9", U'5', false},
        {U"^0-9", U'x', true},   {U"A-Z^Q", U'Q', false}, {U"A-Z^Q", U'R', true}, {U"\\-", U'-', true},
        {U"a\\-z", U'b', false}, {U"", U'a', false},      {U"^", U'a', true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text::restrictAllows(c.pattern, c.c), c.allowed) << text::toUtf8(c.pattern) << " " << char(c.c);
}

TEST(DeviceFonts, OutlinesAndAdvancesComeFromTheSystemsFaces) {
    const auto sans = text::deviceFace("_sans", false, false);
    ASSERT_TRUE(sans);
    EXPECT_EQ(sans, text::deviceFace("_sans", false, false)) << "faces are cached";
    const auto h = sans->glyph(U'H');
    ASSERT_TRUE(h);
    EXPECT_FALSE(h->steps.empty());
    EXPECT_GT(h->advance, 0.3);
    EXPECT_LT(h->advance, 1.5);
    EXPECT_GT(sans->ascent(), 0.5);
    EXPECT_EQ(sans->glyph(U'i'), sans->glyph(U'i')) << "glyphs are cached";
    // Outlines sit above the baseline (y grows downwards) within the em.
    float top = 0;
    for (const auto& s : h->steps) {
        if (s.kind == text::OutlineStep::Kind::Line || s.kind == text::OutlineStep::Kind::Move)
            top = std::min(top, s.y1);
    }
    EXPECT_LT(top, -0.5f);
    EXPECT_GT(top, -1.2f);

    const auto mono = text::deviceFace("_typewriter", false, false);
    EXPECT_DOUBLE_EQ(mono->glyph(U'i')->advance, mono->glyph(U'm')->advance) << "a monospace face";
    EXPECT_LT(sans->glyph(U'i')->advance, sans->glyph(U'm')->advance);
    // A name nobody has still gets a face with glyphs.
    EXPECT_TRUE(text::deviceFace("No Such Font 123", false, false)->glyph(U'a'));
    EXPECT_EQ(text::deviceFamily("_serif"), "serif");
}

TEST(DeviceFonts, TheFontListIsSortedAndHoldsEachFamilyOnce) {
    const std::vector<std::string> families = text::deviceFontFamilies();
    ASSERT_FALSE(families.empty()) << "the device font tests need the system's fonts";
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
}
