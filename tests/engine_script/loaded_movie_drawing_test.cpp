// A movie loaded into a clip draws and hit-tests with its own characters,
// not the main movie's characters of the same id.
#include "script_test_support.h"

#include "../engine_render/render_fixture.h"
#include "render/renderer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace scripttest;
using rendertest::argb;

namespace {

namespace fs = std::filesystem;

TEST(LoadedMovieDrawing, OwnCharactersDrawAndHit) {
    char pattern[] = "/tmp/moviehost-loadeddraw-XXXXXX";
    const fs::path folder(::mkdtemp(pattern));
    // Loaded: character 1 is a green 40 x 30 pixel box at the origin.
    swfwriter::MovieWriter loaded({.version = 8, .width = 100, .height = 100});
    loaded.place(loaded.rectangle(0, 0, 800, 600, {0, 255, 0}), 1);
    loaded.showFrame();
    loaded.save((folder / "box.swf").string());

    // Main: character 1 is a red box over the whole stage, never placed.
    swfwriter::MovieWriter m({.version = 8, .width = 100, .height = 100});
    m.rectangle(0, 0, 2000, 2000, {255, 0, 0});
    Actions a;
    a.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
    m.doAction(a);
    m.showFrame();
    Actions load;
    load.push({"box.swf", "holder"}).getUrl2(0x02);  // loadMovie
    load.stop();
    m.doAction(load);
    m.showFrame();
    auto p = Player::load(m);
    p->host.url = u"file://" + script::utf8ToUtf16((folder / "main.swf").string());
    p->engine->tick();  // frame 2 starts the load; it lands before the next frame

    rendertest::PixelBuffer buffer(100, 100);
    render::Renderer renderer;
    ASSERT_EQ(renderer.draw(*p->stage, buffer.target({{0, 0, 100, 100}}, {0, 0, 100, 100}), render::Aspect::Opaque,
                            render::Quality::High),
              render::DrawError::None);
    EXPECT_EQ(buffer.at(20, 10), argb(255, 0, 255, 0));
    EXPECT_EQ(buffer.at(60, 60), argb(255, 255, 255, 255));

    Actions hits;
    hits.push({"inside"}).push({true, 10, 20, 3, "holder"}).getVariable().push({"hitTest"}).callMethod().setVariable();
    hits.push({"outside"}).push({true, 60, 60, 3, "holder"}).getVariable().push({"hitTest"}).callMethod().setVariable();
    const auto hitBytes = hits.bytes();
    p->engine->runActions(p->root(), hitBytes);
    EXPECT_EQ(p->var("inside"), "true");
    EXPECT_EQ(p->var("outside"), "false");
    fs::remove_all(folder);
}

}  // namespace
