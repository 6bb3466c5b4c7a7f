// Editing formatted text: replacing ranges across runs, typing under a
// field's rules, the keys that move and delete, and where the caret shows.
#include "text/text_editing.h"

#include <gtest/gtest.h>

namespace {

// Every glyph a tenth of the em: at size 1000, 100 twips; lines 400 high.
class FixedFace final : public text::Face {
public:
    double ascent() const override { return 0.3; }
    double descent() const override { return 0.1; }
    std::shared_ptr<const text::GlyphOutline> glyph(char32_t) const override { return m_glyph; }
    double kerning(char32_t, char32_t) const override { return 0.0; }

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

text::TextFormat bold(bool on) {
    text::TextFormat f = sized();
    f.bold = on;
    return f;
}

// Ten characters a line between the gutters, wrapping and multiline.
text::TextLayout lay(const text::FormattedText& t) {
    auto face = std::make_shared<FixedFace>();
    return text::layoutText(t, {0.0, 0.0, 1080.0, 4000.0, true, true, false},
                            [face](const text::TextFormat&) { return face; });
}

// "b" for bold runs, "." for others, one letter per character.
std::string shape(const text::FormattedText& t) {
    std::string out;
    for (const auto& run : t.runs())
        out.append(run.length, run.format.bold.value_or(false) ? 'b' : '.');
    return out;
}

text::FormattedText twoRuns() {
    text::FormattedText t;
    t.append(U"abc", bold(true));
    t.append(U"def", bold(false));
    return t;
}

}  // namespace

TEST(TextEditing, ReplaceKeepsTheRunsAroundTheRange) {
    struct Case {
        size_t begin, end;
        std::u32string text;
        std::u32string expected;
        std::string runs;
    } cases[] = {
        {1, 4, U"XY", U"aXYef", "bbb.."},  // into the first run's format, across the boundary
        {3, 3, U"X", U"abcXdef", "bbbb..."},
        {6, 6, U"X", U"abcdefX", "bbb...b"},
        {0, 6, U"", U"", ""},
        {5, 2, U"Z", U"abZcdef", "bbbb..."},  // a reversed range is empty at its end
        {0, 99, U"Q", U"Q", "b"},
    };
    for (const Case& c : cases) {
        text::FormattedText t = twoRuns();
        t.replace(c.begin, c.end, c.text, bold(true));
        EXPECT_EQ(t.text(), c.expected) << c.begin << ".." << c.end;
        EXPECT_EQ(shape(t), c.runs) << c.begin << ".." << c.end;
    }
}

TEST(TextEditing, TypingReplacesTheSelectionUnderTheFieldsRules) {
    text::EditRules single;
    text::EditRules multi = single;
    multi.multiline = true;
    text::EditRules four = single;
    four.maxChars = 4;
    text::EditRules digits = single;
    digits.restrict = U"0-9";
    const std::u32string controls = std::u32string(U"\x01\x7f\x9f\t\xD800") + char32_t(0x110000);
    struct Case {
        std::u32string text;
        text::TextSelection selection;
        std::u32string typed;
        text::EditRules rules;
        std::u32string expected;
        size_t caret;
    } cases[] = {
        {U"abc", {1, 1}, U"X", single, U"aXbc", 2},
        {U"abc", {3, 1}, U"Z", single, U"aZ", 2},
        {U"abc", {1, 1}, U"\r", single, U"abc", 1},
        {U"abc", {3, 3}, U"\n", multi, U"abc\r", 4},
        {U"abc", {3, 3}, U"xyz", four, U"abcx", 4},
        {U"abcd", {0, 2}, U"xyz", four, U"xycd", 2},  // the selection's room counts
        {U"", {0, 0}, U"a1b2", digits, U"12", 2},
        {U"ab", {1, 1}, controls, single, U"ab", 1},
        {U"ab", {9, 9}, U"c", single, U"abc", 3},  // a stale selection is clamped
    };
    for (const Case& c : cases) {
        text::FormattedText t(c.text, sized());
        text::TextSelection s = c.selection;
        const bool changed = text::typeText(t, s, c.typed, c.rules, sized());
        EXPECT_EQ(t.text(), c.expected);
        EXPECT_EQ(changed, c.expected != c.text);
        EXPECT_EQ(s.caret, c.caret);
        EXPECT_TRUE(s.empty());
    }
    // Nothing past the size cap.
    text::FormattedText full(std::u32string(text::MaxEditedCharacters, U'x'), sized());
    text::TextSelection end{full.size(), full.size()};
    EXPECT_FALSE(text::typeText(full, end, U"a", single, sized()));
    EXPECT_EQ(full.size(), text::MaxEditedCharacters);
}

TEST(TextEditing, TypedTextTakesTheFormatBeforeTheCaret) {
    struct Case {
        size_t at;
        std::string runs;
    } cases[] = {{0, "bbbb..."}, {3, "bbbb..."}, {4, "bbb...."}, {6, "bbb...."}};
    for (const Case& c : cases) {
        text::FormattedText t = twoRuns();
        text::TextSelection s{c.at, c.at};
        ASSERT_TRUE(text::typeText(t, s, U"X", {}, bold(false)));
        EXPECT_EQ(shape(t), c.runs) << c.at;
    }
    text::FormattedText empty;
    text::TextSelection s;
    ASSERT_TRUE(text::typeText(empty, s, U"X", {}, bold(true)));
    EXPECT_EQ(shape(empty), "b") << "an empty field types in its new-text format";
}

TEST(TextEditing, KeysMoveTheCaretByCharactersAndLines) {
    // Lines: "abcde " [0,6), "fghij " [6,12), "klmno pq" [12,20).
    const std::u32string wrapped = U"abcde fghij klmno pq";
    using K = text::EditKey;
    struct Case {
        std::u32string text;
        text::TextSelection selection;
        K key;
        bool extend;
        std::u32string expected;
        text::TextSelection after;
    } cases[] = {
        {wrapped, {3, 3}, K::Left, false, wrapped, {2, 2}},
        {wrapped, {1, 4}, K::Left, false, wrapped, {1, 1}},
        {wrapped, {4, 1}, K::Right, false, wrapped, {4, 4}},
        {wrapped, {2, 2}, K::Right, true, wrapped, {2, 3}},
        {wrapped, {0, 0}, K::Left, false, wrapped, {0, 0}},
        {wrapped, {8, 8}, K::Home, false, wrapped, {6, 6}},
        {wrapped, {8, 8}, K::End, true, wrapped, {8, 11}},  // before the wrapped line's space
        {wrapped, {13, 13}, K::End, false, wrapped, {20, 20}},
        {wrapped, {2, 2}, K::Down, false, wrapped, {8, 8}},
        {wrapped, {13, 13}, K::Up, false, wrapped, {7, 7}},
        {wrapped, {2, 2}, K::Up, false, wrapped, {0, 0}},
        {wrapped, {13, 13}, K::Down, false, wrapped, {20, 20}},
        {U"ab\r\ncd", {4, 4}, K::Left, false, U"ab\r\ncd", {2, 2}},
        {U"ab\r\ncd", {4, 4}, K::Backspace, false, U"abcd", {2, 2}},
        {U"ab\r\ncd", {2, 2}, K::Delete, false, U"abcd", {2, 2}},
        {U"abcd", {3, 1}, K::Delete, false, U"ad", {1, 1}},
        {U"abcd", {0, 0}, K::Backspace, false, U"abcd", {0, 0}},
        {U"abcd", {4, 4}, K::Delete, false, U"abcd", {4, 4}},
    };
    for (const Case& c : cases) {
        text::FormattedText t(c.text, sized());
        const text::TextLayout layout = lay(t);
        text::TextSelection s = c.selection;
        const bool changed = text::pressKey(t, s, c.key, c.extend, layout);
        const std::string what = "key " + std::to_string(int(c.key)) + " from " + std::to_string(c.selection.caret);
        EXPECT_EQ(t.text(), c.expected) << what;
        EXPECT_EQ(changed, c.expected != c.text) << what;
        EXPECT_EQ(s, c.after) << what << ": " << s.anchor << "," << s.caret;
    }
}

TEST(TextEditing, TheCaretShowsWhereTheCharactersAre) {
    // Lines: "abcde " [0,6), "fghij klm" [6,15), "" at 16, "z" [17,18).
    const text::FormattedText t(U"abcde fghij klm\r\rz", sized());
    const text::TextLayout layout = lay(t);
    struct Case {
        size_t index;
        size_t line;
        double x;
    } cases[] = {
        {0, 0, 40},   {5, 0, 540},  {6, 1, 40},  // a wrap shows the caret on the next line
        {15, 1, 940}, {16, 2, 40},               // an empty paragraph has its line
        {17, 3, 40},  {18, 3, 140}, {99, 3, 140},
    };
    for (const Case& c : cases) {
        const auto place = text::caretPlace(layout, c.index);
        ASSERT_TRUE(place) << c.index;
        EXPECT_EQ(place->line, c.line) << c.index;
        EXPECT_DOUBLE_EQ(place->x, c.x) << c.index;
    }
    struct Point {
        double x, y;
        size_t index;
    } points[] = {{0, 0, 0}, {289, 500, 8}, {291, 500, 9}, {5000, 500, 15}, {0, 1000, 16}, {500, 99999, 18}};
    for (const Point& p : points)
        EXPECT_EQ(text::indexAtPoint(layout, p.x, p.y), p.index) << p.x << "," << p.y;
    EXPECT_FALSE(text::caretPlace(text::TextLayout{}, 0));
}

TEST(TextEditing, ImagesFloatAndTheLinesBesideThemAreShorter) {
    // Lines 1000 twips (ten characters) from x 40, 400 high from y 40. The
    // image's box with its space is 300 x 800: two lines beside it.
    struct Case {
        text::ImageAlign align;
        std::u32string after;  // the text after the image, in its paragraph and the next
        std::vector<size_t> glyphs;
        std::vector<double> lefts;
        double imageX;
    } cases[] = {
        {text::ImageAlign::Left, std::u32string(27, U'a'), {8, 7, 10, 3}, {340, 340, 40, 40}, 50},
        {text::ImageAlign::Right, std::u32string(27, U'a'), {8, 7, 10, 3}, {40, 40, 40, 40}, 750},
        // The next paragraph still flows beside the image.
        {text::ImageAlign::Left, U"ab\rcd", {3, 2}, {340, 340}, 50},
    };
    for (const Case& c : cases) {
        text::FormattedText t;
        text::InlineImage image;
        image.width = 280;
        image.height = 700;
        image.hspace = 10;
        image.vspace = 50;
        image.align = c.align;
        t.appendImage(image, sized());
        t.append(c.after, sized());
        const text::TextLayout layout = lay(t);
        const std::string name = text::toUtf8(c.after) + (c.align == text::ImageAlign::Right ? " right" : " left");
        ASSERT_EQ(layout.lines.size(), c.glyphs.size()) << name;
        for (size_t n = 0; n < c.glyphs.size(); ++n) {
            EXPECT_EQ(layout.lines[n].glyphs.size(), c.glyphs[n]) << name << " line " << n;
            EXPECT_DOUBLE_EQ(layout.lines[n].left, c.lefts[n]) << name << " line " << n;
            EXPECT_DOUBLE_EQ(layout.lines[n].top, 40.0 + 400.0 * double(n)) << name << " line " << n;
        }
        ASSERT_EQ(layout.images.size(), 1u) << name;
        EXPECT_DOUBLE_EQ(layout.images[0].x, c.imageX) << name;
        EXPECT_DOUBLE_EQ(layout.images[0].y, 90.0) << name;
        EXPECT_DOUBLE_EQ(layout.textHeight, std::max(800.0, 400.0 * double(c.glyphs.size()))) << name;
    }
}

TEST(TextEditing, ADoubleClickSelectsTheWordItTouches) {
    struct Case {
        std::u32string_view text;
        size_t at;
        text::TextSelection word;
    } cases[] = {
        {U"hello world", 2, {0, 5}},   {U"hello world", 5, {0, 5}},  // at a word's end, that word
        {U"hello world", 6, {6, 11}},  {U"hello world", 11, {6, 11}},
        {U"hello   world", 6, {5, 8}},                          // the spaces between words
        {U"a, b_2", 1, {0, 1}},        {U"a, b_2", 2, {2, 3}},  // a lone mark: that character
        {U"a, b_2", 4, {3, 6}},        {U"über\rnext", 2, {0, 4}},
        {U"über\rnext", 4, {0, 4}},  // a line end ends the word
        {U"ab\r\rcd", 3, {3, 4}},      {U"", 0, {0, 0}},
        {U"abc", 9, {0, 3}},  // past the end: the last word
    };
    for (const Case& c : cases) {
        const text::TextSelection got = text::wordAround(c.text, c.at);
        EXPECT_EQ(got, c.word) << text::toUtf8(c.text) << " at " << c.at << ": " << got.begin() << ".." << got.end();
    }
}
