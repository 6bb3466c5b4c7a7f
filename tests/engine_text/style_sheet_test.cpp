// The CSS subset: rules read (and refused), styles turned into formats, and
// markup styled by tag, class, link and display.
#include "text/style_sheet.h"
#include "text/html_text.h"

#include <gtest/gtest.h>

TEST(StyleSheet, ParsesRulesAndRefusesWhatIsNotCss) {
    struct Case {
        const char* css;
        bool ok;
        std::vector<std::string> names;
    } cases[] = {
        {"p { color: #FF0000; }", true, {"p"}},
        {"/* note */ H1, .Big {font-size:20px} a:hover{text-decoration:underline}", true, {".big", "a:hover", "h1"}},
        {"", true, {}},
        {"p { color: red", false, {}},
        {"p color: red }", false, {}},
        {"p { color }", false, {}},
        {", p { color: red }", false, {}},
        {"p { } trailing", false, {}},
        {"p { a: 1 } q { b: 2 } }", false, {}},
    };
    for (const Case& c : cases) {
        text::StyleSheet sheet;
        EXPECT_EQ(sheet.parse(c.css), c.ok) << c.css;
        EXPECT_EQ(sheet.names(), c.names) << c.css;
    }
    text::StyleSheet sheet;
    ASSERT_TRUE(sheet.parse("p { font-family: 'Arial'; font-size: 12 } p { font-size: 14; }"));
    const auto* p = sheet.style("P");
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (text::StyleSheet::Style{{"fontFamily", "Arial"}, {"fontSize", "14"}}))
        << "names as scripts spell them, later rules override";
    sheet.setStyle("p", std::nullopt);
    EXPECT_FALSE(sheet.style("p"));
}

TEST(StyleSheet, StylesBecomeFormats) {
    using S = text::StyleSheet::Style;
    struct Case {
        S style;
        std::function<bool(const text::TextFormat&)> check;
    } cases[] = {
        {{{"color", "#00ff00"}}, [](auto& f) { return f.color == 0x00FF00u; }},
        {{{"color", "green"}}, [](auto& f) { return !f.color; }},
        {{{"fontFamily", "sans-serif, Arial"}}, [](auto& f) { return f.font == "_sans"; }},
        {{{"fontFamily", "\"Courier New\""}}, [](auto& f) { return f.font == "Courier New"; }},
        {{{"fontSize", "18px"}}, [](auto& f) { return f.size == 360.0; }},
        {{{"fontWeight", "bold"}, {"fontStyle", "normal"}},
         [](auto& f) { return f.bold == true && f.italic == false; }},
        {{{"textDecoration", "underline"}, {"textAlign", "center"}},
         [](auto& f) { return f.underline == true && f.align == text::Align::Center; }},
        {{{"marginLeft", "5"}, {"textIndent", "-2"}, {"letterSpacing", "1e9"}},
         [](auto& f) { return f.leftMargin == 100.0 && f.indent == -40.0 && f.letterSpacing == 20000.0; }},
        {{{"fontSize", "-3"}, {"leading", "x"}}, [](auto& f) { return !f.size && !f.leading; }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.check(text::StyleSheet::transform(c.style))) << c.style.begin()->first;
}

TEST(StyleSheet, MarkupTakesStylesByTagClassAndDisplay) {
    text::StyleSheet sheet;
    ASSERT_TRUE(
        sheet.parse(".hot { color: #FF0000 } title { display: block; font-weight: bold } "
                    "hide { display: none } a:link { text-decoration: underline } p { text-align: right }"));
    struct Case {
        const char* html;
        const char* text;
        size_t at;
        std::function<bool(const text::TextFormat&)> check;
    } cases[] = {
        {"a<span class='hot'>b</span>c", "abc", 1, [](auto& f) { return f.color == 0xFF0000u; }},
        {"a<span class='hot'>b</span>c", "abc", 2, [](auto& f) { return f.color == 0u; }},
        {"x<title>T</title>y", "x\rT\ry", 2, [](auto& f) { return f.bold == true; }},
        {"a<hide>gone<br>too</hide>b", "ab", 0, [](auto&) { return true; }},
        {"<a href='u'>l</a>", "l", 0, [](auto& f) { return f.underline == true && f.url == "u"; }},
        {"<p>r</p>", "r", 0, [](auto& f) { return f.align == text::Align::Right; }},
        {"<unknown>u</unknown>", "u", 0, [](auto& f) { return f.bold == false; }},
    };
    for (const Case& c : cases) {
        const text::FormattedText t = text::parseHtml(c.html, text::defaultFormat(), false, &sheet);
        EXPECT_EQ(text::toUtf8(t.text()), c.text) << c.html;
        EXPECT_TRUE(c.check(t.formatAt(c.at))) << c.html;
    }
}

TEST(StyleSheet, OnlyTheLinkUnderThePointerTakesHover) {
    text::StyleSheet sheet;
    ASSERT_TRUE(sheet.parse("a:link { color: #FF0000 } a:hover { color: #0000FF }"));
    const char* html = "<a href='u'>l</a><a href='v'>m</a>";
    struct Case {
        const char* hover;
        uint32_t first, second;
    } cases[] = {{"", 0xFF0000, 0xFF0000}, {"u", 0x0000FF, 0xFF0000}, {"v", 0xFF0000, 0x0000FF}};
    for (const Case& c : cases) {
        const text::FormattedText t = text::parseHtml(html, text::defaultFormat(), false, &sheet, c.hover);
        EXPECT_EQ(t.formatAt(0).color, c.first) << c.hover;
        EXPECT_EQ(t.formatAt(1).color, c.second) << c.hover;
    }
}
