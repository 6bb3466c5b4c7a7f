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

}  // namespace
