// Focus in haxe movies: Tab along tabIndex order, presses that move focus
// (and a listener that keeps it), the characters keys type with shift,
// and the flash.ui objects.
#include "haxe_movie.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

#ifdef AS3_HAXE_MOVIES
#define REQUIRE_HAXE()
#else
#define REQUIRE_HAXE() GTEST_SKIP() << "haxe was not found at configuration time"
#endif

swf::Point px(double x, double y) { return {x * 20, y * 20}; }

TEST(HaxeFocus, TabPressesAndKeysMoveFocusWithTheirEvents) {
    REQUIRE_HAXE();
    auto p = as3test::playHaxe("Focus");
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"tabs"), u"true,false,false,false,-1,");
    EXPECT_EQ(p->host.command(u"ui"), u"65,13,101,123,auto,true,false,About,true,true,1,");
    as3::Player& player = *p->player;
    auto press = [&](double x, double y) {
        player.mouseMove(px(x, y));
        player.mouseDown(px(x, y));
        player.mouseUp(px(x, y));
    };
    player.keyDown(9, 9);  // c has tabIndex 1
    player.keyDown(9, 9);  // then a
    player.keyDown(16, 0);
    player.keyDown(9, 9);  // back to c
    player.keyUp(16, 0);
    press(35, 10);  // b takes it
    press(5, 10);   // b's listener keeps it once
    press(5, 10);
    press(95, 10);  // not tab-enabled: focus stays
    player.keyDown(65, 0);
    player.keyDown(16, 0);
    player.keyDown(49, 0);
    player.keyDown(65, 0);
    std::vector<std::u16string> events;
    for (const auto& [command, text] : p->host.commands) {
        if (command == u"event")
            events.push_back(text);
    }
    const std::vector<std::u16string> expected = {
        u"keyFocusChange:c:false:9",
        u"c:focusIn:-",
        u"keyFocusChange:a:false:9",
        u"c:focusOut:a",
        u"a:focusIn:c",
        u"keyFocusChange:c:true:9",
        u"a:focusOut:c",
        u"c:focusIn:a",
        u"c:focusOut:b",
        u"b:focusIn:c",
        u"b:mouseFocusChange:a",
        u"b:mouseFocusChange:a",
        u"b:focusOut:a",
        u"a:focusIn:b",
        u"key:65:97:false",
        u"key:49:33:true",
        u"key:65:65:true",
    };
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
}

// Tab shows the yellow rectangle just inside what it focused, unless the
// object's focusRect or the stage's stageFocusRect is off; a press hides it.
// A right press selects the menu of the nearest object with one.
TEST(HaxeFocus, TabShowsTheFocusRectangleAndRightPressesSelectMenus) {
    REQUIRE_HAXE();
    auto p = as3test::playHaxe("Focus");
    ASSERT_TRUE(p && p->player);
    as3::Player& player = *p->player;
    enum class Act { Tab, Press, KeyS };
    struct Step {
        Act act;
        bool aShown, bShown, cShown;  // squares at x 0, 30, 60, 20 pixels wide
    };
    const Step steps[] = {
        {Act::Tab, false, false, true},     // c (tabIndex 1)
        {Act::Tab, false, false, false},    // a, whose focusRect is false
        {Act::Tab, false, true, false},     // b
        {Act::Press, false, false, false},  // on nothing: hidden, b keeps focus
        {Act::Tab, false, false, true},     // c again
        {Act::KeyS, false, false, false},   // stage.stageFocusRect = false
        {Act::Tab, false, false, false},
    };
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(n++);
        if (s.act == Act::Tab) {
            player.keyDown(9, 9);
        } else if (s.act == Act::KeyS) {
            player.keyDown(83, 's');
        } else {
            player.mouseMove(px(150, 60));
            player.mouseDown(px(150, 60));
            player.mouseUp(px(150, 60));
        }
        (void)p->stage->collectChanges();
        as3test::Picture picture(*p->stage);
        ASSERT_TRUE(picture.drawn());
        const int32_t lefts[] = {0, 30, 60};
        const bool shown[] = {s.aShown, s.bShown, s.cShown};
        for (size_t i = 0; i < 3; ++i) {
            const int32_t x = lefts[i];
            const uint32_t edge = shown[i] ? 0xFFFF00u : 0x808080u;
            EXPECT_EQ(picture.rgb(x, 10), edge) << "left edge of square " << i;
            EXPECT_EQ(picture.rgb(x + 19, 10), edge) << "right edge of square " << i;
            EXPECT_EQ(picture.rgb(x + 10, 1), edge) << "top edge of square " << i;
            EXPECT_EQ(picture.rgb(x + 10, 10), 0x808080u) << "inside of square " << i;
        }
    }
    player.contextMenu(px(5, 10));
    player.contextMenu(px(125, 10));  // hidden, inside box
    player.contextMenu(px(150, 60));  // nothing with a menu
    std::vector<std::u16string> menus;
    for (const auto& [command, text] : p->host.commands) {
        if (command == u"event" && text.starts_with(u"menuSelect"))
            menus.push_back(text);
    }
    EXPECT_EQ(menus, (std::vector<std::u16string>{u"menuSelect:a:a:a", u"menuSelect:box:hidden:box"}));
}

}  // namespace
