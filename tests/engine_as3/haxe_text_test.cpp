// flash.text in haxe movies: fields made by scripts and placed by the
// timeline, their content, formats and measures, typing and links; the
// drawn fields checked by pixels their geometry gives.
#include "haxe_movie.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using as3test::Picture;
using as3test::Played;

#ifdef AS3_HAXE_MOVIES
#define REQUIRE_HAXE()
#else
#define REQUIRE_HAXE() GTEST_SKIP() << "haxe was not found at configuration time"
#endif

// The Text movie alone, or its code in a timeline that places a text field
// named "placed" and a static text.
std::unique_ptr<Played> playText(bool withTimeline) {
    if (!withTimeline)
        return as3test::playHaxe("Text");
    return as3test::playHaxe("Text", [](swfwriter::MovieWriter& w) {
        const swfwriter::FontSpec font = swfwriter::boxFont("Hi");
        const uint16_t fontId = w.defineFont(font);
        const uint16_t staticId = w.staticText(fontId, font, "Hi", 400, {0, 0, 255, 255}, 0, 400);
        const uint16_t fieldId =
            w.defineEditText({.bounds = {0, 2000, 0, 600}, .readOnly = true, .initialText = std::string("Placed")});
        w.place(fieldId, 1, {.name = "placed"});
        w.place(staticId, 2);
        w.place(w.staticText(fontId, font, "iH", 400, {0, 0, 255, 255}, 0, 1200), 4);
        // A 10 px box sprite exported as "Box", and another linked by SymbolClass as "LinkedBox".
        const uint16_t box = w.rectangle(0, 0, 200, 200, {255, 0, 0});
        swfwriter::SpriteWriter sprite;
        sprite.place(box, 1, {});
        sprite.showFrame();
        w.exportAssets({{w.defineSprite(sprite), "Box"}});
        const uint16_t linked = w.defineSprite(sprite);
        const std::string table = std::string("\x02\x00", 2) + char(linked & 0xFF) + char(linked >> 8) +
                                  std::string("LinkedBox", 10) + char(fontId & 0xFF) + char(fontId >> 8) +
                                  std::string("BoxFont", 8);
        w.tag(76, std::vector<uint8_t>(table.begin(), table.end()));
    });
}

std::string utf8(const std::u16string& s) { return std::string(s.begin(), s.end()); }

std::vector<double> numbers(const std::u16string& list) {
    std::vector<double> out;
    std::stringstream in(utf8(list));
    std::string item;
    while (std::getline(in, item, ','))
        out.push_back(std::atof(item.c_str()));
    return out;
}

swf::Point px(double x, double y) { return {x * 20, y * 20}; }

TEST(HaxeText, FieldsHoldEditAndMeasureTheirText) {
    REQUIRE_HAXE();
    auto p = playText(false);
    ASSERT_TRUE(p && p->player);
    struct Expect {
        const char16_t* command;
        const char16_t* values;
    };
    const Expect expected[] = {
        {u"content", u"100,100,true,11,2,6,6,World,dynamic,true,false"},
        {u"edit", u"Howdy|World!,RangeError"},
        {u"formats", u"true,,false,12,16711680,,"},  // join writes null as nothing
        {u"default", u"_sans,20,20,12"},
        {u"selection", u"1,3"},
        {u"replaced", u"H__dy|World!+,3"},
        {u"html", u"xy,true,false,true"},
        {u"autosize", u"true,left,true,true"},
        {u"bad", u"ArgumentError"},
        {u"metrics", u"true,true,true,2"},
        {u"fonts", u"true,_typewriter,device,regular"},
        // "1\r2\r3" in a field one line high.
        {u"lines", u"3,3,1,0,-1,1,2,2,1"},
        // Mode before and after, level; refused mode, level, style, colour, null table, a row that is not
        // CSMSettings; a table taken; the row's values.
        {u"renderer", u"default,lcd,4,2008,2008,2008,2008,2007,1034,none,12,0.6,-0.3"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(utf8(e.command));
        EXPECT_EQ(p->host.command(e.command), std::u16string(e.values));
    }
    EXPECT_FALSE(p->host.command(u"placed")) << "nothing placed without a timeline";
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty() ? "" : utf8(p->host.errors[0]));
}

// A sheet's rules (a broken text adds none), a field styled through it
// refusing what would format it by hand, and the sheet shared, not copied.
TEST(HaxeText, StyleSheetsStyleTheirFields) {
    REQUIRE_HAXE();
    auto p = playText(false);
    ASSERT_TRUE(p && p->player);
    struct Expect {
        const char16_t* command;
        const char16_t* values;
    };
    const Expect expected[] = {
        {u"sheet", u".note em h1 h2 p,18px,#00FF00,#0000FF,true,18,65280,true"},
        {u"styled", u"true,true,Hi there,18,65280,true,true,false,2009,2009,2009,none"},
        {u"unstyled", u"30,0,none,true"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(utf8(e.command));
        EXPECT_EQ(p->host.command(e.command), std::u16string(e.values));
    }
}

TEST(HaxeText, FieldsDrawTheirBoxesAndGlyphsWhereTheyMeasure) {
    REQUIRE_HAXE();
    auto p = playText(false);
    ASSERT_TRUE(p && p->player);
    const auto label = p->host.command(u"label");
    ASSERT_TRUE(label);
    // x, y, width, height of the first character; textWidth; the space's x;
    // the index at the first character and far to the right.
    const std::vector<double> v = numbers(*label);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_EQ(v[0], 2) << "text starts past the field's gutter";
    EXPECT_EQ(v[1], 2);
    EXPECT_GT(v[2], 5);
    EXPECT_GT(v[3], 15);
    EXPECT_NEAR(v[5], v[0] + 3 * v[2], 1.0) << "three Ms of one width before the space";
    EXPECT_EQ(v[6], 0);
    EXPECT_EQ(v[7], -1);
    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    // The background box: green inside, white around.
    for (int32_t y = 11; y < 39; ++y) {
        for (int32_t x = 121; x < 179; ++x)
            ASSERT_EQ(picture.rgb(x, y), 0x00FF00u) << x << "," << y;
    }
    EXPECT_EQ(picture.rgb(118, 20), 0xFFFFFFu);
    EXPECT_EQ(picture.rgb(182, 20), 0xFFFFFFu);
    // The label at (10, 50): ink inside its first character's box, none
    // past the end of its text.
    const int32_t left = 10 + int32_t(v[0]);
    const int32_t top = 50 + int32_t(v[1]);
    EXPECT_GT(picture.dark(left, top, left + int32_t(v[2]), top + int32_t(v[3])), 10);
    const int32_t end = 10 + int32_t(v[0] + v[4]) + 2;
    EXPECT_EQ(picture.dark(end, 50, 160, 100), 0);
    EXPECT_EQ(picture.dark(0, 50, 10, 100), 0);
}

TEST(HaxeText, InputFieldsTakeTypingAndLinksTellTheirEvent) {
    REQUIRE_HAXE();
    auto p = playText(false);
    ASSERT_TRUE(p && p->player);
    struct Key {
        uint32_t code, ascii;
    };
    // a, b, q (a listener cancels it), 1 (restricted), backspace, left,
    // then c d e f: the fourth character is over maxChars.
    const Key keys[] = {{65, 'a'}, {66, 'b'}, {81, 'q'}, {49, '1'}, {8, 8}, {37, 0},
                        {67, 'c'}, {68, 'd'}, {69, 'e'}, {70, 'f'}, {16, 0}};
    for (const Key& k : keys)
        p->player->keyDown(k.code, k.ascii);
    p->player->keyUp(70, 'f');
    // Six edits: a, b, backspace, c, d, e; the caret after e; shift held.
    EXPECT_EQ(p->host.command(u"typed"), u"cdea,6,3,true");
    const std::vector<double> v = numbers(p->host.command(u"label").value_or(u""));
    ASSERT_EQ(v.size(), 8u);
    const swf::Point inFirst{(10 + v[0] + v[2] / 2) * 20, (50 + v[1] + v[3] / 2) * 20};
    p->player->mouseMove(inFirst);
    p->player->mouseDown(inFirst);
    p->player->mouseUp(inFirst);
    EXPECT_EQ(p->host.command(u"link"), u"go,true");
    // A press gives the narrow input field the focus; six Ws overflow it.
    p->player->mouseMove(px(175, 70));
    p->player->mouseDown(px(175, 70));
    p->player->mouseUp(px(175, 70));
    for (int i = 0; i < 6; ++i)
        p->player->keyDown(87, 'w');
    std::u16string narrow;
    for (const auto& [command, values] : p->host.commands) {
        if (command == u"narrow")
            narrow = values;
    }
    EXPECT_EQ(narrow.substr(0, narrow.rfind(u',')), u"wwwwww,true,true");
    EXPECT_NE(narrow.substr(narrow.rfind(u',') + 1), u"0") << "typing out of view sends scroll";
    // Two lines down by the wheel over the three-line field.
    p->player->mouseMove(px(180, 90));
    p->player->mouseWheel(-2);
    EXPECT_EQ(p->host.command(u"wheel"), u"3,3");
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty() ? "" : utf8(p->host.errors[0]));
}

TEST(HaxeText, TimelinePlacedTextGetsTextObjects) {
    REQUIRE_HAXE();
    auto p = playText(true);
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"placed"), u"Placed,placed,true,Hi");
    EXPECT_EQ(p->host.command(u"registered"), u"Boxes,embedded,1,40");
    EXPECT_EQ(p->host.command(u"snapshot"), u"4,Hi\niH,2,Hi,false,3,2,20,24.375,true,Boxes");
    EXPECT_EQ(p->host.command(u"embedded"), u"1,Boxes,embedded,true,false") << "the movie's one font";
    // Found, a MovieClip, the same object each time; the linked image found; no such id; the clip's width;
    // the markup giving the picture's size and the size it was given.
    EXPECT_EQ(p->host.command(u"images"), u"true,true,true,true,true,10,true,true");
    EXPECT_EQ(p->host.command(u"imageParent"), u"true,true") << "a field is its images' parent";
    // The image's box is 400..410 x 300..310 on the stage; the text follows it.
    enum Step { Move, Down, Up };
    struct Row {
        Step step;
        double x, y;
        const char16_t* seen;  // every event so far
    } rows[] = {
        {Move, 405, 307, u"rollOver img 5 7"},
        {Down, 405, 307, u"rollOver img 5 7,mouseDown img 5 7,bubbled img"},
        {Up, 406, 308, u"rollOver img 5 7,mouseDown img 5 7,bubbled img,mouseUp img 6 8,click img 6 8"},
        {Move, 430, 307,
         u"rollOver img 5 7,mouseDown img 5 7,bubbled img,mouseUp img 6 8,click img 6 8,rollOut img 30 7"},
        {Down, 430, 307,
         u"rollOver img 5 7,mouseDown img 5 7,bubbled img,mouseUp img 6 8,click img 6 8,rollOut img 30 7,bubbled "
         u"field"},
    };
    for (const Row& r : rows) {
        if (r.step == Move)
            p->player->mouseMove(px(r.x, r.y));
        else if (r.step == Down)
            p->player->mouseDown(px(r.x, r.y));
        else
            p->player->mouseUp(px(r.x, r.y));
        std::u16string seen;  // the last report
        for (const auto& [command, values] : p->host.commands) {
            if (command == u"imageEvents")
                seen = values;
        }
        EXPECT_EQ(seen, std::u16string(r.seen)) << int(r.step) << " at " << r.x;
    }
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty() ? "" : utf8(p->host.errors[0]));
}

}  // namespace
