// SimpleButton in haxe movies: made by scripts from sprites and placed by
// the timeline; the state each shows as the pointer moves, by its pixels.
#include "haxe_movie.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using as3test::Picture;
using as3test::Played;

#ifdef AS3_HAXE_MOVIES
#define REQUIRE_HAXE()
#else
#define REQUIRE_HAXE() GTEST_SKIP() << "haxe was not found at configuration time"
#endif

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF;

swf::Point px(double x, double y) { return {x * 20, y * 20}; }

// The colour at the middle of a 20-pixel square at (x, y).
uint32_t shown(Played& p, int32_t x, int32_t y) {
    (void)p.stage->collectChanges();
    Picture picture(*p.stage);
    EXPECT_TRUE(picture.drawn());
    return picture.rgb(x + 10, y + 10);
}

// Root frame 1 places a DefineButton2 named "placed" at (0, 0): a red
// square up, green over, blue down, hit where it is drawn, tracked as a menu.
std::unique_ptr<Played> playPlaced() {
    return as3test::playHaxe("Buttons", [](swfwriter::MovieWriter& w) {
        const uint16_t red = w.rectangle(0, 0, 400, 400, {255, 0, 0});
        const uint16_t green = w.rectangle(0, 0, 400, 400, {0, 255, 0});
        const uint16_t blue = w.rectangle(0, 0, 400, 400, {0, 0, 255});
        const uint16_t button = w.defineButton2(
            {
                {.up = true, .over = false, .down = false, .hit = true, .characterId = red, .depth = 1},
                {.up = false, .over = true, .down = false, .hit = false, .characterId = green, .depth = 2},
                {.up = false, .over = false, .down = true, .hit = false, .characterId = blue, .depth = 3},
            },
            {}, true);
        w.place(button, 1, {.name = "placed"});
    });
}

TEST(HaxeButton, ScriptMadeButtonsShowTheStateThePointerGives) {
    REQUIRE_HAXE();
    auto p = as3test::playHaxe("Buttons");
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"made"), u"true,true,true,true,true,true,false,false,true,0.25,-0.5,1");
    EXPECT_FALSE(p->host.command(u"placed"));
    EXPECT_EQ(p->host.command(u"loop"), u"true,0") << "kept as its own state, drawn as nothing";
    struct Step {
        const char* what;
        std::function<void(as3::Player&)> act;
        uint32_t made, off;
    };
    const Step steps[] = {
        {"at rest", [](as3::Player&) {}, Red, Red},
        {"over", [](as3::Player& pl) { pl.mouseMove(px(120, 20)); }, Green, Red},
        {"pressed", [](as3::Player& pl) { pl.mouseDown(px(120, 20)); }, Blue, Red},
        {"dragged out", [](as3::Player& pl) { pl.mouseMove(px(190, 90)); }, Red, Red},
        {"dragged back", [](as3::Player& pl) { pl.mouseMove(px(121, 21)); }, Blue, Red},
        {"released", [](as3::Player& pl) { pl.mouseUp(px(121, 21)); }, Green, Red},
        {"left", [](as3::Player& pl) { pl.mouseMove(px(100, 80)); }, Red, Red},
        {"over the disabled one", [](as3::Player& pl) { pl.mouseMove(px(160, 20)); }, Red, Red},
        {"pressing it", [](as3::Player& pl) { pl.mouseDown(px(160, 20)); }, Red, Red},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act(*p->player);
        EXPECT_EQ(shown(*p, 110, 10), s.made);
        EXPECT_EQ(shown(*p, 150, 10), s.off);
    }
    EXPECT_EQ(p->host.command(u"click"), u"true");
    p->player->mouseUp(px(160, 20));
    p->player->mouseMove(px(120, 60));
    p->player->mouseDown(px(120, 60));
    p->player->mouseMove(px(150, 60));
    p->player->mouseUp(px(150, 60));
    EXPECT_EQ(p->host.command(u"menu"), u"b") << "the press moved to the other menu clip";
    EXPECT_TRUE(p->host.errors.empty());
}

TEST(HaxeButton, TimelineButtonsBecomeNamedSimpleButtons) {
    REQUIRE_HAXE();
    auto p = playPlaced();
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"placed"), u"true,placed,true,20,true,true,true");
    EXPECT_EQ(shown(*p, 0, 0), Red);
    p->player->mouseMove(px(10, 10));
    EXPECT_EQ(shown(*p, 0, 0), Green);
    p->player->mouseDown(px(10, 10));
    EXPECT_EQ(shown(*p, 0, 0), Blue);
    p->player->mouseUp(px(10, 10));
    p->player->mouseMove(px(60, 60));
    EXPECT_EQ(shown(*p, 0, 0), Red);
    EXPECT_EQ(shown(*p, 40, 40), White);
    EXPECT_TRUE(p->host.errors.empty());
}

}  // namespace
