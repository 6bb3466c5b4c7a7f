// The HTML subset: what each tag does to the runs, the forgiving reading of
// sloppy markup, formats applied to ranges, and the markup written back.
#include "text/html_text.h"

#include <gtest/gtest.h>

namespace {

text::TextFormat base() { return text::defaultFormat(); }

std::string plain(const text::FormattedText& t) { return text::toUtf8(t.text()); }

}  // namespace

TEST(HtmlText, TagsSetTheFormatOfTheirText) {
    struct Case {
        const char* html;
        const char* text;
        size_t at;  // the character whose format is checked
        std::function<bool(const text::TextFormat&)> check;
    };
    const Case cases[] = {
        {"<p align=\"right\">a</p><p>b</p>", "a\rb", 0, [](auto& f) { return f.align == text::Align::Right; }},
        {"<p align=\"right\">a</p><p>b</p>", "a\rb", 2, [](auto& f) { return f.align == text::Align::Left; }},
        {"<font face=\"Arial\" size=\"20\" color=\"#FF0000\">x</font>", "x", 0,
         [](auto& f) { return f.font == "Arial" && f.size == 400.0 && f.color == 0xFF0000u; }},
        {"<font size=\"+2\">x</font>", "x", 0, [](auto& f) { return f.size == 280.0; }},
        {"<font color=#00FF00 letterSpacing='2' kerning=\"1\">g</font>", "g", 0,
         [](auto& f) { return f.color == 0x00FF00u && f.letterSpacing == 40.0 && f.kerning == true; }},
        {"<b>x</b><i>y</i>", "xy", 0, [](auto& f) { return f.bold == true && f.italic == false; }},
        {"<b>x</b><i>y</i>", "xy", 1, [](auto& f) { return f.bold == false && f.italic == true; }},
        {"<U>z</U>", "z", 0, [](auto& f) { return f.underline == true; }},
        {"<a href=\"asfunction:go,1\" target=\"_self\">l</a>", "l", 0,
         [](auto& f) { return f.url == "asfunction:go,1" && f.target == "_self"; }},
        {"<li>one</li><li>two</li>", "one\rtwo", 4, [](auto& f) { return f.bullet == true; }},
        {"<textformat leftmargin=\"10\" indent=\"5\" leading=\"2\" tabstops=\"10,20\">x</textformat>", "x", 0,
         [](auto& f) {
             return f.leftMargin == 200.0 && f.indent == 100.0 && f.leading == 40.0 &&
                    f.tabStops == std::vector<double>{200.0, 400.0};
         }},
        {"a<br>b<BR/>c", "a\rb\rc", 0, [](auto&) { return true; }},
        {"<p>a<p>b", "a\rb", 0, [](auto&) { return true; }},
        {"<p>a</p><p></p><p>b</p>", "a\r\rb", 0, [](auto&) { return true; }},
        {"&lt;&amp;&#65;&#x42;&bogus; & x&quot;", "<&AB&bogus; & x\"", 0, [](auto&) { return true; }},
        {"<unknown attr=1>z</unknown></b>", "z", 0, [](auto& f) { return f.bold == false; }},
        {"x <unclosed", "x ", 0, [](auto&) { return true; }},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", 0, [](auto&) { return true; }},
        {"\xED\xA0\x80|\xC3|\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD", 0,
         [](auto&) { return true; }},
    };
    for (const Case& c : cases) {
        const text::FormattedText t = text::parseHtml(c.html, base());
        EXPECT_EQ(plain(t), c.text) << c.html;
        EXPECT_TRUE(c.check(t.formatAt(c.at))) << c.html;
    }
    EXPECT_EQ(plain(text::parseHtml("a   \n  b", base(), true)), "a b") << "condenseWhite";
    EXPECT_EQ(plain(text::parseHtml("a  b", base(), false)), "a  b");
    EXPECT_EQ(plain(text::parseHtml("a\nb\r\nc", base())), "a\rb\rc") << "line ends become paragraph ends";
}

TEST(HtmlText, DeepNestingStaysBounded) {
    std::string html;
    for (int i = 0; i < 100000; ++i)
        html += "<b>";
    html += "x";
    const auto t = text::parseHtml(html, base());
    EXPECT_EQ(plain(t), "x");
}

TEST(HtmlText, FormatsApplyToRangesAndParagraphs) {
    text::FormattedText t(U"abc\rdef", base());
    text::TextFormat bold;
    bold.bold = true;
    bold.align = text::Align::Center;
    t.applyFormat(1, 2, bold);
    EXPECT_EQ(t.runs().size(), 4u);  // a | b | c\r (centred) | def
    EXPECT_EQ(t.formatAt(1).bold, true);
    EXPECT_EQ(t.formatAt(2).bold, false);
    EXPECT_EQ(t.formatAt(0).align, text::Align::Center) << "paragraph members reach the whole paragraph";
    EXPECT_EQ(t.formatAt(5).align, text::Align::Left);
    EXPECT_FALSE(t.formatOf(0, 3).bold.has_value()) << "mixed in the range";
    EXPECT_EQ(t.formatOf(0, 3).align, text::Align::Center);
    EXPECT_EQ(t.formatOf(1, 2).bold, true);
    t.applyFormat(0, 100, text::TextFormat{});
    EXPECT_EQ(t.runs().size(), 4u) << "an empty format changes nothing";
    t.applyFormat(5, 2, bold);  // a reversed range
    EXPECT_EQ(t.formatAt(5).bold, false);
}

TEST(HtmlText, WrittenAsThePlayerWritesIt) {
    const text::FormattedText t = text::parseHtml(
        "<p align=\"center\"><font face=\"_sans\" size=\"10\" color=\"#ff0000\">a<b>b</b></font></p>"
        "<textformat leading=\"3\"><li>c &amp; d</li></textformat>",
        base());
    EXPECT_EQ(text::writeHtml(t),
              "<P ALIGN=\"CENTER\"><FONT FACE=\"_sans\" SIZE=\"10\" COLOR=\"#FF0000\" LETTERSPACING=\"0\" "
              "KERNING=\"0\">a</FONT><FONT FACE=\"_sans\" SIZE=\"10\" COLOR=\"#FF0000\" LETTERSPACING=\"0\" "
              "KERNING=\"0\"><B>b</B></FONT></P><TEXTFORMAT LEADING=\"3\"><LI><FONT FACE=\"Times New Roman\" "
              "SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">c &amp; d</FONT></LI></TEXTFORMAT>");
    // What is written reads back to the same runs.
    const text::FormattedText again = text::parseHtml(text::writeHtml(t), base());
    EXPECT_EQ(again.text(), t.text());
    ASSERT_EQ(again.runs().size(), t.runs().size());
    for (size_t i = 0; i < t.runs().size(); ++i) {
        EXPECT_EQ(again.runs()[i].length, t.runs()[i].length);
        EXPECT_TRUE(again.runs()[i].format == t.runs()[i].format) << i;
    }
}

TEST(HtmlText, ImagesTakeABoxOnTheirLineAndSurviveTheRoundTrip) {
    const text::FormattedText t = text::parseHtml(
        "a<img src='logo' id=\"pic\" width=\"30\" height=\"20\" hspace=\"0\" align=RIGHT>b<IMG SRC=x>", base());
    ASSERT_EQ(t.text(), std::u32string(U"a\uFFFCb\uFFFC"));
    struct Case {
        size_t at;
        const char* src;
        double width, height, hspace;
        text::ImageAlign align;
    } cases[] = {{1, "logo", 600, 400, 0, text::ImageAlign::Right}, {3, "x", 0, 0, 160, text::ImageAlign::Left}};
    for (const Case& c : cases) {
        const text::InlineImage* image = t.imageAt(c.at);
        ASSERT_TRUE(image) << c.at;
        EXPECT_EQ(image->src, c.src);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_EQ(image->hspace, c.hspace);
        EXPECT_EQ(image->align, c.align);
    }
    EXPECT_FALSE(t.imageAt(0));
    EXPECT_EQ(t.imageAt(1)->id, "pic");

    const text::FormattedText again = text::parseHtml(text::writeHtml(t), base());
    EXPECT_EQ(again.text(), t.text());
    ASSERT_TRUE(again.imageAt(1));
    EXPECT_EQ(*again.imageAt(1), *t.imageAt(1));
    ASSERT_TRUE(again.imageAt(3));
    EXPECT_EQ(*again.imageAt(3), *t.imageAt(3));

    // Edits move images with their characters and drop those they remove.
    text::FormattedText edited = t;
    edited.replace(0, 1, U"xyz", base());
    EXPECT_TRUE(edited.imageAt(3));
    EXPECT_TRUE(edited.imageAt(5));
    edited.replace(2, 4, U"", base());
    EXPECT_FALSE(edited.imageAt(2));
    EXPECT_TRUE(edited.imageAt(3));
}
