// Script-made display objects of haxe movies drawn by the renderer: the
// pixels each object must colour follow from its geometry.
#include "haxe_movie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

using as3test::Picture;
using as3test::Played;
using as3test::RecordingHost;

std::unique_ptr<Played> play(const std::string& name) { return as3test::playHaxe(name); }

#ifdef AS3_HAXE_MOVIES
#define REQUIRE_HAXE()
#else
#define REQUIRE_HAXE() GTEST_SKIP() << "haxe was not found at configuration time"
#endif

struct Area {
    const char* what;
    int32_t left, top, right, bottom;  // pixels, right and bottom excluded
    uint32_t rgb;
};

// Every pixel inside the area (one pixel in from its edges, where
// antialiasing may blend) has the colour.
void expectArea(const Picture& picture, const Area& a) {
    SCOPED_TRACE(a.what);
    int wrong = 0;
    for (int32_t y = a.top + 1; y < a.bottom - 1; ++y) {
        for (int32_t x = a.left + 1; x < a.right - 1; ++x) {
            if (picture.rgb(x, y) != a.rgb && ++wrong <= 3)
                ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << picture.rgb(x, y) << " not " << a.rgb;
        }
    }
}

TEST(HaxeDisplay, ScriptMadeObjectsDrawWhereTheirGeometrySays) {
    REQUIRE_HAXE();
    auto p = play("Display");
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
    EXPECT_EQ(p->host.command(u"geometry"),
              u"110,15,5,10,100,10,20,10,20,10,0,true,false,true,true,false,0.5,2,2,65280,9,true,3,refused");
    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    const Area areas[] = {
        {"red sprite", 10, 10, 30, 30, 0xFF0000},
        {"around red", 0, 0, 10, 40, 0xFFFFFF},
        {"green alone", 40, 10, 60, 30, 0x00FF00},
        {"green moved over blue", 50, 10, 60, 30, 0x00FF00},
        {"blue alone", 60, 10, 70, 30, 0x0000FF},
        {"removed yellow", 80, 10, 100, 30, 0xFFFFFF},
        {"scaled magenta", 100, 10, 120, 20, 0xFF00FF},
        {"below the scaled box", 100, 20, 120, 30, 0xFFFFFF},
        {"invisible cyan", 130, 10, 150, 30, 0xFFFFFF},
        {"circle centre", 164, 24, 176, 36, 0x000000},
        {"circle's box corner", 155, 15, 159, 19, 0xFFFFFF},
        {"orange swapped up", 10, 50, 30, 70, 0xFF8000},
        {"purple beside it", 30, 50, 40, 70, 0x800080},
        {"half red", 50, 50, 70, 70, 0xFF8080},
        {"mover at its start", 100, 50, 110, 60, 0x0000FF},
    };
    for (const Area& a : areas)
        expectArea(picture, a);
    // enterFrame reaches the script-made sprite: 10 pixels a frame.
    p->player->tick();
    p->player->tick();
    EXPECT_FALSE(p->stage->collectChanges().rects.empty());
    // invalidate() in the first tick's enterFrame: render once, in that frame.
    EXPECT_EQ(p->host.command(u"render"), u"1");
    EXPECT_EQ(std::count_if(p->host.commands.begin(), p->host.commands.end(),
                            [](const auto& c) { return c.first == u"render"; }),
              1);
    Picture later(*p->stage);
    expectArea(later, {"mover after two frames", 120, 50, 130, 60, 0x0000FF});
    expectArea(later, {"where it was", 100, 50, 120, 60, 0xFFFFFF});
}

}  // namespace

namespace {

TEST(HaxeDisplay, PointerAndKeysReachTheObjectsTheyHit) {
    REQUIRE_HAXE();
    auto p = play("Input");
    ASSERT_TRUE(p && p->player);
    auto px = [](double x, double y) { return swf::Point{x * 20, y * 20}; };
    p->player->mouseMove(px(20, 20));
    p->player->mouseDown(px(20, 20));
    p->player->mouseUp(px(20, 20));
    p->player->mouseDown(px(21, 20), true);
    p->player->mouseUp(px(21, 20));
    p->player->mouseWheel(3);
    p->player->mouseMove(px(100, 50));  // the ring's hole: the stage
    p->player->mouseDown(px(100, 50));
    p->player->mouseUp(px(100, 50));
    p->player->mouseMove(px(115, 50));  // on the ring
    p->player->mouseMove(px(160, 20));  // inner, inside outer
    p->player->mouseMove(px(20, 70));   // the ghost: the stage
    p->player->keyDown(65, 97);
    p->player->keyUp(65, 97);
    std::vector<std::u16string> events;
    for (const auto& [command, text] : p->host.commands) {
        if (command == u"event")
            events.push_back(text);
    }
    const std::vector<std::u16string> expected = {
        u"box:mouseOver:10,10:20,20:-:false:0",
        u"box:rollOver:10,10:20,20:-:false:0",
        u"box:mouseDown:10,10:20,20:-:true:0",
        u"stage:mouseDown:false",  // bubbled up from the box
        u"box:mouseUp:10,10:20,20:-:false:0",
        u"box:click:10,10:20,20:-:false:0",
        u"box:mouseDown:11,10:21,20:-:true:0",
        u"stage:mouseDown:false",
        u"box:mouseUp:11,10:21,20:-:false:0",
        u"box:doubleClick:11,10:21,20:-:false:0",
        u"box:mouseWheel:11,10:21,20:-:false:3",
        u"box:mouseOut:90,40:100,50:-:false:0",
        u"box:rollOut:90,40:100,50:-:false:0",
        u"stage:mouseDown:true",
        u"ring:mouseOver:15,0:115,50:-:false:0",
        u"ring:rollOver:15,0:115,50:-:false:0",
        u"ring:mouseOut:60,-30:160,20:outer:false:0",
        u"ring:rollOut:60,-30:160,20:outer:false:0",
        u"outer:mouseOver:10,10:160,20:ring:false:0",
        u"outer:rollOver:10,10:160,20:ring:false:0",
        u"outer:mouseOut:-130,60:20,70:-:false:0",
        u"outer:rollOut:-130,60:20,70:-:false:0",
        u"key:65,97:true",
        u"box:keyUp:65",
    };
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(p->host.errors.empty());
}

#ifdef AS3_HAXE_MOVIES
// Writes the code blocks of a haxe movie into the writer's first frame; the
// document class's name back.
std::optional<std::string> copyCode(swfwriter::MovieWriter& w, const std::string& name) {
    auto code = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/" + name + ".swf");
    if (!code)
        return std::nullopt;
    std::string document;
    for (const swf::ControlTag& tag : (*code)->root.frames.at(0).tags) {
        if (const auto* block = std::get_if<swf::DoAbc>(&tag)) {
            std::vector<uint8_t> body(4 + block->name.size());
            body[0] = uint8_t(block->flags);
            std::copy(block->name.begin(), block->name.end(), body.begin() + 4);
            body.push_back(0);
            body.insert(body.end(), block->abc.begin(), block->abc.end());
            w.tag(82, body);
        } else if (const auto* symbols = std::get_if<swf::SymbolClass>(&tag)) {
            for (const auto& [id, symbol] : symbols->symbols)
                if (id == 0)
                    document = symbol;
        }
    }
    return document;
}

std::unique_ptr<Played> playWritten(std::unique_ptr<Played> played, swfwriter::MovieWriter& w, const char16_t* url) {
    auto movie = swf::parseMovie(w.finish());
    if (!movie)
        return nullptr;
    played->stage = model::Stage::create(*movie);
    played->player = as3::Player::create(*played->stage, played->host, url, {});
    played->player->start();
    return played;
}
#endif

// The haxe movie's code in a timeline the writer makes: root frame 1 places
// a two-frame sprite linked to Linked as "clip" (its frame 1 a red box at
// 0..20 pixels named "inner", a slot of Linked), frame 2 places a blue shape
// as "box", frame 3 removes the sprite.
std::unique_ptr<Played> playTimeline() {
    auto played = std::make_unique<Played>();
#ifdef AS3_HAXE_MOVIES
    swfwriter::MovieWriter w({.width = 200, .height = 100, .frameRate = 30});
    const uint16_t red = w.rectangle(0, 0, 400, 400, {255, 0, 0});
    const uint16_t blue = w.rectangle(0, 1000, 400, 400, {0, 0, 255});
    swfwriter::SpriteWriter sprite;
    sprite.place(red, 1, {.name = "inner"});
    sprite.showFrame();
    sprite.showFrame();
    const uint16_t linked = w.defineSprite(sprite);
    const auto document = copyCode(w, "Timeline");
    if (!document)
        return nullptr;
    const std::string symbolTable = std::string("\x02\x00\x00\x00", 4) + *document + std::string(1, '\0') +
                                    char(linked & 0xFF) + char(linked >> 8) + std::string("Linked", 7);
    const std::vector<uint8_t> symbols(symbolTable.begin(), symbolTable.end());
    w.tag(76, symbols);
    w.place(linked, 1, {.name = "clip"});
    w.showFrame();
    w.place(blue, 2, {.name = "box"});
    w.showFrame();
    w.remove(1);
    w.showFrame();
    return playWritten(std::move(played), w, u"file:///Timeline.swf");
#endif
    return played;
}

TEST(HaxeDisplay, TimelinePlacedObjectsGetTheirLinkedClassesAndNames) {
    REQUIRE_HAXE();
    auto p = playTimeline();
    ASSERT_TRUE(p && p->player);
    // The sprite is built, its own frame placed, before the document's code runs.
    EXPECT_EQ(p->host.command(u"linked"), u"clip,1,2,true,true,inner");
    EXPECT_EQ(p->host.command(u"main"), u"true,1,true,true");
    EXPECT_EQ(p->host.command(u"made"), u"1,true,2");
    (void)p->stage->collectChanges();
    {
        // clip.x = 100 moved the placed sprite itself.
        Picture picture(*p->stage);
        ASSERT_TRUE(picture.drawn());
        expectArea(picture, {"red moved", 100, 0, 120, 20, 0xFF0000});
        expectArea(picture, {"red's place", 0, 0, 20, 20, 0xFFFFFF});
        expectArea(picture, {"script-made red", 0, 50, 20, 70, 0xFF0000});
    }
    p->player->tick();
    EXPECT_EQ(p->host.command(u"linkedFrame"), u"2") << "a placed clip's frame script";
    EXPECT_EQ(p->host.command(u"frame2"), u"true,3,box");
    EXPECT_FALSE(p->host.command(u"removed"));
    p->player->tick();
    // The removed events come while the sprite is still a child.
    EXPECT_EQ(p->host.command(u"removed"), u"3");
    EXPECT_EQ(p->host.command(u"frame3"), u"2,true");
    p->player->tick();
    EXPECT_EQ(std::count_if(p->host.commands.begin(), p->host.commands.end(),
                            [](const auto& c) { return c.first == u"frame3" || c.first == u"linkedFrame"; }),
              3)
        << "each frame script runs once per arrival";
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
}

}  // namespace

namespace {

TEST(HaxeDisplay, PathsTrianglesAndGraphicsDataFillWhatTheirPointsSay) {
    REQUIRE_HAXE();
    auto p = play("Paths");
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
    EXPECT_EQ(p->host.command(u"paths"), u"5,10,true,true,nonZero,positive,20,20,32,refused:2008,2,2,30,20,2,28,30,20");
    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    const Area areas[] = {
        {"wide commands' square", 0, 60, 20, 80, 0xFF0000},
        {"past the data's end", 0, 80, 20, 100, 0xFFFFFF},
        {"even-odd ring", 40, 10, 50, 50, 0x0000FF},
        {"even-odd hole", 50, 20, 70, 40, 0xFFFFFF},
        {"non-zero ring's middle", 100, 20, 120, 40, 0x0000FF},
        {"two triangles' square", 140, 10, 180, 50, 0x00FF00},
        {"kept lower triangle", 141, 78, 151, 90, 0x00FF00},
        {"culled upper triangle", 170, 60, 180, 71, 0xFFFFFF},
        {"graphics data's fill", 32, 62, 58, 88, 0xFFFF00},
        {"its stroke", 29, 70, 32, 80, 0x000000},
        {"the copy, moved", 72, 62, 98, 88, 0xFFFF00},
        {"triangle path", 125, 60, 130, 66, 0xFF00FF},
        {"beside it", 110, 80, 116, 90, 0xFFFFFF},
        {"round rectangle's body", 3, 7, 31, 17, 0x00FFFF},
        {"its top edge between the corners", 7, 2, 27, 6, 0x00FFFF},
        {"outside its top left corner", 1, 1, 4, 4, 0xFFFFFF},
        {"ellipse's middle", 8, 33, 26, 43, 0x808000},
        {"outside its top left", 1, 27, 6, 32, 0xFFFFFF},
        {"outside its bottom right", 28, 44, 33, 49, 0xFFFFFF},
    };
    for (const Area& a : areas)
        expectArea(picture, a);
}

}  // namespace

namespace {

// The haxe code in a five-frame root with two scenes: "Intro" (frames 1-2,
// label "start" by a FrameLabel tag) and "Main" (frames 3-5, label "loop" on
// frame 4 named by the scene data alone).
std::unique_ptr<Played> playScenes() {
    auto played = std::make_unique<Played>();
#ifdef AS3_HAXE_MOVIES
    swfwriter::MovieWriter w({.width = 200, .height = 100, .frameRate = 30});
    const std::string scenes = std::string("\x02\x00Intro\0\x02Main\0\x02\x00start\0\x03loop\0", 28);
    w.tag(86, std::vector<uint8_t>(scenes.begin(), scenes.end()));
    const auto document = copyCode(w, "Scenes");
    if (!document)
        return nullptr;
    const std::string symbolTable = std::string("\x01\x00\x00\x00", 4) + *document + std::string(1, '\0');
    w.tag(76, std::vector<uint8_t>(symbolTable.begin(), symbolTable.end()));
    w.label("start");
    for (int i = 0; i < 5; ++i)
        w.showFrame();
    return playWritten(std::move(played), w, u"file:///Scenes.swf");
#endif
    return played;
}

TEST(HaxeDisplay, ScenesSplitTheRootTimelineAndFramesCountWithinThem) {
    REQUIRE_HAXE();
    auto p = playScenes();
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"scenes"), u"2,Intro,2,start,Main,3,1,loop,2,Intro:1,5");
    EXPECT_EQ(p->host.command(u"moves"), u"Main:2,Main:1=1,Main:2,Intro:1,Main:1,Main:1,refused");
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
}

}  // namespace

namespace {

// Every report of the command, in order.
std::vector<std::u16string> reports(const RecordingHost& host, std::u16string_view name) {
    std::vector<std::u16string> out;
    for (const auto& [command, text] : host.commands) {
        if (command == name)
            out.push_back(text);
    }
    return out;
}

TEST(HaxeDisplay, ScrollWindowsBackgroundsDraggingAndHitAreas) {
    REQUIRE_HAXE();
    auto p = play("Pointer");
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"styles"), u"20,20,20,65280,10,true");
    EXPECT_EQ(p->host.command(u"under"), u"low/high,low,,false");
    (void)p->stage->collectChanges();
    {
        Picture picture(*p->stage);
        ASSERT_TRUE(picture.drawn());
        expectArea(picture, {"the window's blue half", 10, 10, 30, 30, 0x0000FF});
        expectArea(picture, {"right of the window", 30, 10, 48, 30, 0xFFFFFF});
        expectArea(picture, {"opaque background", 50, 10, 70, 30, 0x00FF00});
    }
    auto px = [](double x, double y) { return swf::Point{x * 20, y * 20}; };
    p->player->mouseMove(px(25, 65));
    p->player->mouseDown(px(25, 65));
    p->player->mouseMove(px(45, 70));
    p->player->mouseMove(px(150, 95));  // held inside the bounds
    p->player->mouseMove(px(125, 75));
    p->player->mouseUp(px(125, 75));
    p->player->mouseMove(px(130, 78));  // dropped: stays
    const std::vector<std::u16string> moves = {u"20,60", u"40,65", u"130,80", u"120,70", u"120,70"};
    EXPECT_EQ(reports(p->host, u"drag"), moves);
    EXPECT_EQ(p->host.command(u"dropped"), u"120,70,pad");
    p->player->mouseMove(px(185, 85));  // the hit area
    p->player->mouseDown(px(185, 85));
    p->player->mouseUp(px(185, 85));
    p->player->mouseMove(px(165, 65));  // the button's own drawing
    p->player->mouseDown(px(165, 65));
    p->player->mouseUp(px(165, 65));
    // The stage has no name: null, joined as nothing.
    EXPECT_EQ(reports(p->host, u"hits").back(), u"drag/button/");
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
}

// Frame 1 places a blue box "box", frame 2 a sprite linked to Thrower,
// frame 3 removes depth 1; four frames.
std::unique_ptr<Played> playMoved() {
    auto played = std::make_unique<Played>();
#ifdef AS3_HAXE_MOVIES
    swfwriter::MovieWriter w({.width = 200, .height = 100, .frameRate = 30});
    const uint16_t blue = w.rectangle(0, 0, 400, 400, {0, 0, 255});
    swfwriter::SpriteWriter sprite;
    sprite.showFrame();
    const uint16_t thrower = w.defineSprite(sprite);
    const auto document = copyCode(w, "Moved");
    if (!document)
        return nullptr;
    const std::string symbolTable = std::string("\x02\x00\x00\x00", 4) + *document + std::string(1, '\0') +
                                    char(thrower & 0xFF) + char(thrower >> 8) + std::string("Thrower", 8);
    w.tag(76, std::vector<uint8_t>(symbolTable.begin(), symbolTable.end()));
    w.place(blue, 1, {.name = "box"});
    w.showFrame();
    w.place(thrower, 2, {.name = "thrower"});
    w.showFrame();
    w.remove(1);
    w.showFrame();
    w.showFrame();
    return playWritten(std::move(played), w, u"file:///Moved.swf");
#endif
    return played;
}

TEST(HaxeDisplay, TimelineChildrenMovedByScriptLeaveTheirTimeline) {
    REQUIRE_HAXE();
    auto p = playMoved();
    ASSERT_TRUE(p && p->player);
    for (int i = 0; i < 3; ++i)
        p->player->tick();
    // Frame 3's removal finds nothing: the box lives in the script's sprite.
    EXPECT_EQ(reports(p->host, u"frame").back(), u"4,true,1,1");
    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    expectArea(picture, {"the box in its new place", 100, 0, 120, 20, 0x0000FF});
    expectArea(picture, {"its old place", 0, 0, 20, 20, 0xFFFFFF});
    // The linked constructor threw when frame 2 was built: reported once.
    ASSERT_EQ(p->host.errors.size(), 1u);
    EXPECT_NE(p->host.errors[0].find(u"refused"), std::u16string::npos);
}

}  // namespace

namespace {

TEST(HaxeDisplay, ObjectsPlacedIn3DAreDrawnInPerspective) {
    REQUIRE_HAXE();
    auto p = play("Space");
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
    EXPECT_EQ(p->host.command(u"space"), u"10,1,0,1,0,1,16,1,55,192,100,true,true,100,true");
    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    // The 40 pixel square turned 60 degrees shows about 20 wide (its near
    // side a little taller, the far one shorter).
    const Area areas[] = {
        {"turned square's middle", 93, 34, 108, 66, 0xFF0000},
        {"left of it, once covered", 76, 32, 86, 68, 0xFFFFFF},
        {"right of it, once covered", 115, 32, 125, 68, 0xFFFFFF},
        {"pushed-back square", 60, 35, 70, 45, 0x0000FF},
        {"its flat place", 20, 20, 40, 30, 0xFFFFFF},
        {"matrix-placed square, stretched and turned", 140, 10, 150, 40, 0x00FF00},
        {"where its matrix alone put it", 151, 10, 160, 20, 0xFFFFFF},
    };
    for (const Area& a : areas)
        expectArea(picture, a);
}

// Matrix3D's parts, motion and projections, and objects placed in 3D hit
// and mapped where their projection shows them (the turned square spans
// about 91..111 across, the pushed-back one 60..70 by 35..45).
TEST(HaxeDisplay, ThreeDimensionalMathAndHitsFollowTheProjection) {
    REQUIRE_HAXE();
    auto p = play("Depth");
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
    const struct {
        const char16_t* command;
        const char16_t* facts;
    } reports[] = {
        // move, Euler angles (degrees), scale; quarter turn as quaternion z, w
        // and axis z, angle; round trip; zero scale refused
        {u"parts", u"5,6,7,0,30,0,2,3,4,0.707,0.707,1,90,true,true,false"},
        // halfway move and turn; pointAt's forward and kept move; halfway
        // towards; row 0 and column 3; row 1 written
        {u"motion", u"5,0.707,0.707,1,0,0,2,0.707,-0.707,1,5,5,6,7,1,2,9"},
        // focal length 100: (10, 20, 50) at (20, 40); t is 1 / depth
        {u"projections", u"20,40,1,4,20,40,-5,5,0.02,1,0.01"},
        // centre, edge, round trip, far corner halfway to the centre,
        // relative move, projected hits, objects under points
        {u"space", u"100,50,true,10,5,70,45,30,5,true,false,false,true,false,true,true"},
        // unknown orientation, row 4, short raw data, two parts, a lone
        // coordinate, copying past the vector's end
        {u"refusals", u"2187,2004,1125,false,2,1125"},
    };
    for (const auto& r : reports) {
        SCOPED_TRACE(std::string(r.command, r.command + std::char_traits<char16_t>::length(r.command)));
        EXPECT_EQ(p->host.command(r.command), std::u16string(r.facts));
    }
    // The pointer finds the turned square where it shows, not where its
    // flat shape would be; the local point is on its plane: screen x 105
    // is x / 2 * f / (f - x sin 60) = 5, so x = 10 f / (f + 10 sin 60).
    auto px = [](double x, double y) { return swf::Point{x * 20, y * 20}; };
    p->player->mouseDown(px(116, 50));
    p->player->mouseUp(px(116, 50));
    EXPECT_FALSE(p->host.command(u"down"));
    p->player->mouseDown(px(105, 50));
    p->player->mouseUp(px(105, 50));
    const double f = 100 / std::tan(27.5 * std::numbers::pi / 180);
    const double x = 10 * f / (f + 10 * std::sin(60 * std::numbers::pi / 180));
    const auto down = p->host.command(u"down");
    ASSERT_TRUE(down);
    EXPECT_NEAR(std::stod(std::string(down->begin(), down->begin() + down->find(u','))), x, 0.01);
    EXPECT_EQ(down->substr(down->find(u',')), u",0");
}

// readGraphicsData gives the drawing back path by path; drawGraphicsData of
// that list (50 pixels right) and copyFrom (100 right) draw the same pixels.
TEST(HaxeDisplay, GraphicsDataReadBackDrawsTheSame) {
    REQUIRE_HAXE();
    auto p = play("Readback");
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
    EXPECT_EQ(p->host.command(u"readback"),
              u"solid/path/end/stroke/path/stroke/solid/path/end/gradient/path/end/bitmap/path/end,16711680,4,255,0.5,"
              u"1 2 2 2 2,5 5 25 5 25 25 5 25 5 5,linear,0 16777215,0 255,25,false,2,FFFFFFFF,10,0");
    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    const struct {
        const char* what;
        int32_t x, y;
        uint32_t rgb;
    } points[] = {
        {"red square", 15, 15, 0xFF0000},
        {"its blue line", 5, 15, 0x0000FF},
        {"bitmap's black pixel", 10, 50, 0x000000},
        {"bitmap's white pixel", 20, 50, 0xFFFFFF},
        {"outside", 48, 60, 0xFFFFFF},
    };
    for (const auto& at : points) {
        SCOPED_TRACE(at.what);
        EXPECT_EQ(picture.rgb(at.x, at.y), at.rgb);
    }
    // Half green over white, and the gradient lighter to the right.
    EXPECT_EQ(picture.rgb(33, 22) >> 8 & 0xFF, 0xFFu);
    EXPECT_NEAR(double(picture.rgb(33, 22) >> 16), 127, 2);
    EXPECT_LT(picture.rgb(6, 35) & 0xFF, 0x30u);
    EXPECT_GT(picture.rgb(43, 35) & 0xFF, 0xD0u);
    for (int32_t shift : {50, 100}) {
        for (int32_t y = 0; y < 60; y += 2) {
            for (int32_t x = 0; x < 50; x += 2)
                ASSERT_EQ(picture.rgb(x + shift, y), picture.rgb(x, y)) << x << "," << y << " shifted " << shift;
        }
    }
}

}  // namespace

namespace {

// The numbers of a report: fields split at commas and spaces.
std::vector<double> numbersOf(const std::u16string& text) {
    std::vector<double> out;
    std::string field;
    for (const char16_t c : text + u",") {
        if (c == u',' || c == u' ') {
            if (!field.empty())
                out.push_back(std::stod(field));
            field.clear();
        } else {
            field.push_back(char(c));
        }
    }
    return out;
}

// Objects placed in 3D are boxed by their projected corners in every
// coordinate space, box hit tests use those boxes, a drag follows the
// pointer over a projected parent, and the dirty region covers where a
// projection showed. The square of 40 turned 60 degrees about y at the
// projection centre (100, 50) has its near edge (local x = 20) at depth
// f - 20 sin 60 and its far edge at f + 20 sin 60; an object pushed back by
// f shows at half size, halfway to the centre.
TEST(HaxeDisplay, ProjectedObjectsAreBoxedHitAndDraggedWhereTheyShow) {
    REQUIRE_HAXE();
    auto p = play("Projected");
    ASSERT_TRUE(p && p->player);
    ASSERT_TRUE(p->host.errors.empty()) << std::string(p->host.errors[0].begin(), p->host.errors[0].end());
    const double f = 100 / std::tan(27.5 * std::numbers::pi / 180), edge = 20 * std::sin(std::numbers::pi / 3);
    const double nearK = f / (f - edge), farK = f / (f + edge);
    const std::vector<double> expected = {
        100 - 10 * farK,
        50 - 20 * nearK,
        10 * (nearK + farK),
        40 * nearK,  // turned in its parent
        -20,
        -20,
        40,
        40,  // ...in itself
        10 * (nearK + farK),
        40 * nearK,  // its width, height
        60,
        35,
        10,
        10,
        0,
        0,
        20,
        20,
        60,
        35,
        10,
        10,
        10,  // far: parent, own, stage, width
        65,
        40,
        5,
        5,  // far's child
        0,
        0,
        8,
        8,  // a flat mark on far's plane
        60,
        std::min(30.0, 50 - 20 * nearK),
        58,
        std::max(45.0, 50 + 20 * nearK) - std::min(30.0, 50 - 20 * nearK),
        58,  // the whole root
    };
    const auto bounds = p->host.command(u"bounds");
    ASSERT_TRUE(bounds);
    const std::vector<double> got = numbersOf(*bounds);
    ASSERT_EQ(got.size(), expected.size()) << std::string(bounds->begin(), bounds->end());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], expected[i], 0.002) << "value " << i;
    // Box hits at the projection, not the flat place; the shape flag too.
    EXPECT_EQ(p->host.command(u"hits"), u"true,false,false,true,true,false,true");

    auto px = [](double x, double y) { return swf::Point{x * 20, y * 20}; };
    p->player->mouseMove(px(60, 35));
    p->player->mouseDown(px(60, 35));
    p->player->mouseMove(px(70, 45));
    // (67, 42) is (34, 34) on far's flat plane: (14, 14) in far.
    p->player->mouseMove(px(67, 42));
    EXPECT_EQ(reports(p->host, u"drag"), (std::vector<std::u16string>{u"0,0", u"20,20", u"14,14"}));
    (void)p->stage->collectChanges();
    p->player->mouseUp(px(67, 42));
    EXPECT_EQ(p->host.command(u"dropped"), u"inner");
    // far went flat: its projected place (60..70 x 35..45) is repainted.
    const model::ChangeSet changes = p->stage->collectChanges();
    const bool covered = std::any_of(changes.rects.begin(), changes.rects.end(), [](const swf::Rect& r) {
        return r.xMin <= 60 * 20 && r.yMin <= 35 * 20 && r.xMax >= 70 * 20 && r.yMax >= 45 * 20;
    });
    EXPECT_TRUE(covered);
}

}  // namespace

namespace {

// The limits of projection. Nothing nearer the eye than a 32nd of the focal
// length is shown, boxed or hit: a square 10 pixels in front of the eye
// shows f / 10 times as large; one 2 pixels in front not at all (boxed
// empty at its origin); a wall
// turned 80 degrees about y with its right end behind the eye is boxed up
// to where it crosses the near depth (local x = (f - f / 32) / sin 80, shown
// 32 times as far from the centre). A sprite tipped about x and pushed back
// keeps its grabbed point under the pointer; a matrix3D moves with x, y, z
// and its parts change by the flat members;
// a projected child of a scrolled container shows where its scrolled place
// projects.
TEST(HaxeDisplay, ProjectionIsCutNearTheEyeAndDragsFollowOffPlane) {
    REQUIRE_HAXE();
    auto p = play("Behind");
    ASSERT_TRUE(p && p->player);
    ASSERT_TRUE(p->host.errors.empty()) << std::string(p->host.errors[0].begin(), p->host.errors[0].end());
    const double f = 100 / std::tan(27.5 * std::numbers::pi / 180);
    const double s80 = std::sin(80 * std::numbers::pi / 180), c80 = std::cos(80 * std::numbers::pi / 180);
    const double nearK = f / 10, cutX = (f - f / 32) / s80, farK = f / (f + 200 * s80);
    const struct {
        const char* what;
        double x, y, width, height;
    } boxes[] = {
        {"near", 100 - 2 * nearK, 50 - 2 * nearK, 4 * nearK, 4 * nearK},
        {"gone: empty, at its origin", 100, 50, 0, 0},
        {"wall", 100 - c80 * 200 * farK, 50 - 20 * 32, c80 * (cutX * 32 + 200 * farK), 40 * 32},
    };
    const auto near = p->host.command(u"near");
    ASSERT_TRUE(near);
    const std::vector<double> got = numbersOf(*near);
    ASSERT_EQ(got.size(), std::size(boxes) * 4) << std::string(near->begin(), near->end());
    for (size_t i = 0; i < std::size(boxes); ++i) {
        SCOPED_TRACE(boxes[i].what);
        EXPECT_NEAR(got[i * 4], boxes[i].x, 0.01);
        EXPECT_NEAR(got[i * 4 + 1], boxes[i].y, 0.01);
        EXPECT_NEAR(got[i * 4 + 2], boxes[i].width, 0.01);
        EXPECT_NEAR(got[i * 4 + 3], boxes[i].height, 0.01);
    }
    // gone's box hit; the wall's shape hit right and left of the centre, its box hit left.
    EXPECT_EQ(p->host.command(u"nearHits"), u"false,true,false,false");
    EXPECT_EQ(p->host.command(u"moved"), u"30,40,50,30,50,10,30,0,50");
    // Flat members of matrix-placed objects: scale 2 and a turn of 30 about y
    // read back; a flat quarter turn keeps them (column 0 = 2 (0, cos 30,
    // -sin 30)). Pushed back by f (192.098), 20 pixels show 10 wide; width 20
    // doubles scaleX and scaleY 3 shows 30 high; transform.matrix reads null
    // until set, which makes the object flat. Assigning a whole transform
    // copies the 3D matrix; turned back flat by its parts it stays 3D.
    EXPECT_EQ(p->host.command(u"flat"),
              u"2,1,0,30,0,1.732,-1,30,2,10,20,30,2,3,192.098,true,100 50 20 30,true,0,2,5,40,1.732,-1,100,true");
    // Turned about a pivot; a singular matrix left as it was; transposed;
    // prepended move scaled; a projected vector divided by w; a right angle.
    EXPECT_EQ(p->host.command(u"members"), u"10,10,false,2,1,3,0,2,10,5,1.571");
    // Scrolled by (10, 10): flat at (140, 20), pushed back by f to halfway;
    // its matrix to the root's space moves it to (140, 20, f).
    const auto scrolled = p->host.command(u"scrolled");
    ASSERT_TRUE(scrolled);
    const std::vector<double> place = numbersOf(*scrolled);
    const std::vector<double> expectedPlace = {120, 35, 120, 35, 5, 5, 140, 20, f};
    ASSERT_EQ(place.size(), expectedPlace.size()) << std::string(scrolled->begin(), scrolled->end());
    for (size_t i = 0; i < place.size(); ++i)
        EXPECT_NEAR(place[i], expectedPlace[i], 0.001) << "value " << i;

    (void)p->stage->collectChanges();
    Picture picture(*p->stage);
    ASSERT_TRUE(picture.drawn());
    const Area areas[] = {
        {"wall at the centre, not covered by the cut square", 96, 44, 104, 56, 0xFF0000},
        {"wall toward its near end", 116, 40, 124, 46, 0xFF0000},
        {"wall toward its far end", 86, 46, 90, 54, 0xFF0000},
        {"left of the wall", 50, 44, 78, 56, 0xFFFFFF},
        {"below everything", 0, 85, 40, 100, 0xFFFFFF},
        {"projected child of the scrolled window", 120, 35, 125, 40, 0xFF00FF},
    };
    for (const Area& a : areas)
        expectArea(picture, a);
    EXPECT_NE(picture.rgb(142, 22), 0xFF00FFu) << "the child's flat place";

    // Tipped by 40 degrees about x, pushed back 100: local (0, y) lies at
    // (x, y + y cos 40) flat and depth 100 + y sin 40. Grab local (5, 5).
    const double c40 = std::cos(40 * std::numbers::pi / 180), s40 = std::sin(40 * std::numbers::pi / 180);
    auto shows = [&](double x, double y) {
        const double k = f / (f + 100 + 5 * s40);
        return swf::Point{100 + (x + 5 - 100) * k, 50 + (y + 5 * c40 - 50) * k};
    };
    const swf::Point start = shows(40, 20);
    p->player->mouseMove({start.x * 20, start.y * 20});
    p->player->mouseDown({start.x * 20, start.y * 20});
    const struct { double x, y; } pointer[] = {{30, 20}, {150, 80}};
    for (const auto& at : pointer) {
        p->player->mouseMove({at.x * 20, at.y * 20});
        const auto moved = numbersOf(reports(p->host, u"drag").back());
        ASSERT_EQ(moved.size(), 2u);
        const swf::Point shown = shows(moved[0], moved[1]);
        // Positions are kept in twips: a twentieth of a pixel, shown smaller.
        EXPECT_NEAR(shown.x, at.x, 0.05) << at.x << "," << at.y;
        EXPECT_NEAR(shown.y, at.y, 0.05) << at.x << "," << at.y;
    }
    p->player->mouseUp({150 * 20, 80 * 20});
}

}  // namespace
