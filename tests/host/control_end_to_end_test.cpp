// The real moviehost playing movies in our control, with no registry entry at
// all: it must find our control (bin/flash10c.ocx, next to it) by its fixed
// file name and stream the example movie's frames. Only parts of the picture that never move are
// checked, since the movie plays on while the host captures: the gold title
// bar (230, 180, 40) across the top 40 pixels of the 640 x 480 stage, and the
// background (24, 28, 40) in the bottom-left corner.
//
// Then a click sent as input records reaches the movie's button, whose
// action changes the frames that follow.
#include "moviehost/testing/host_driver.h"

#include "movie_writer.h"

#include <moviehost/client/host_process.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

using namespace moviehost::client;
using namespace moviehost::testing;
using namespace std::chrono_literals;

constexpr Rgba Bar{230, 180, 40, 255};
constexpr Rgba Background{24, 28, 40, 255};

HostOptions ourControl(int32_t width, int32_t height,
                       std::string movie = (examplesFolder() / "moving_gradient.swf").string()) {
    HostOptions options;
    options.program = moviehostPath();
    options.movie = std::move(movie);
    options.width = width;
    options.height = height;
    options.timeout = 30s;
    options.stderrMode = StderrMode::Capture;
    // A registry file that does not exist is an empty registry.
    options.environment = {{"MOVIEHOST_REGISTRY",
                            (std::filesystem::temp_directory_path() / "engine-control-e2e-no-registry.reg").string()}};
    return options;
}

TEST(HostEndToEnd, OurControlRendersAnExampleMovieWithNoConfiguration) {
    auto started = HostProcess::start(ourControl(640, 480));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    const Frame frame = nextFrame(host);
    ASSERT_EQ(frame.width(), 640);
    ASSERT_EQ(frame.height(), 480);
    EXPECT_EQ(frame.pixel(0, 0), Bar);
    EXPECT_EQ(frame.pixel(639, 39), Bar);
    EXPECT_EQ(frame.pixel(300, 39), Bar) << "the bar's last row";
    EXPECT_EQ(frame.pixel(300, 40), Background) << "the row under it";
    EXPECT_EQ(frame.pixel(5, 475), Background);
    EXPECT_EQ(frame.pixel(30, 450), Background);
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

// A wider frame shows the stage centred at scale 1: 80 pixels of border on
// each side, in the background colour.
TEST(HostEndToEnd, OurControlCentresTheStageInAWiderFrame) {
    auto started = HostProcess::start(ourControl(800, 480));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    const Frame frame = nextFrame(host);
    EXPECT_EQ(frame.pixel(79, 10), Background) << "left border";
    EXPECT_EQ(frame.pixel(80, 10), Bar);
    EXPECT_EQ(frame.pixel(719, 10), Bar);
    EXPECT_EQ(frame.pixel(720, 10), Background) << "right border";
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

// At half the size the bar is 20 pixels high.
TEST(HostEndToEnd, OurControlScalesTheStageIntoASmallerFrame) {
    auto started = HostProcess::start(ourControl(320, 240));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    const Frame frame = nextFrame(host);
    EXPECT_EQ(frame.pixel(100, 18), Bar);
    EXPECT_EQ(frame.pixel(100, 21), Background);
    EXPECT_EQ(frame.pixel(3, 237), Background);
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

// A 200 x 100 stage, background (10, 20, 30), stopped on its first frame
// with a red button from (20, 20) to (60, 60) pixels; releasing it goes to
// the second frame, which adds a green square from (120, 20) to (160, 60).
// Shown in a 400 x 200 frame, everything is twice as large.
std::string clickMovie() {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100, .frameRate = 20});
    movie.background({10, 20, 30});
    const uint16_t red = movie.rectangle(400, 400, 800, 800, {255, 0, 0});
    const uint16_t green = movie.rectangle(2400, 400, 800, 800, {0, 255, 0});
    swfwriter::Actions next;
    next.gotoFrame(1);
    const uint16_t button = movie.defineButton2({{.characterId = red}}, {{.actions = next.bytes()}});
    movie.place(button, 1);
    swfwriter::Actions stop;
    stop.stop();
    movie.doAction(stop);
    movie.showFrame();
    movie.place(green, 2);
    movie.showFrame();
    const auto path = std::filesystem::temp_directory_path() / "engine-control-e2e-click.swf";
    movie.save(path.string());
    return path.string();
}

TEST(HostEndToEnd, AClickOnAButtonOfOurControlChangesTheNextFrames) {
    constexpr Rgba MovieBackground{10, 20, 30, 255};
    constexpr Rgba Green{0, 255, 0, 255};
    auto started = HostProcess::start(ourControl(400, 200, clickMovie()));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    Frame frame = nextFrame(host);
    EXPECT_EQ(frame.pixel(80, 80), (Rgba{255, 0, 0, 255})) << "the button";
    EXPECT_EQ(frame.pixel(280, 80), MovieBackground) << "no square yet";
    // The movie is stopped: frames stay the same until the click.
    frame = nextFrame(host);
    EXPECT_EQ(frame.pixel(280, 80), MovieBackground);

    ASSERT_TRUE(host.moveMouse(80, 80));
    ASSERT_TRUE(host.click(80, 80));
    bool changed = false;
    for (int i = 0; i < 200 && !changed; ++i) {
        frame = nextFrame(host);
        changed = frame.pixel(280, 80) == Green;
    }
    EXPECT_TRUE(changed) << "the green square never appeared";
    EXPECT_EQ(frame.pixel(250, 50), Green) << "its top-left part";
    EXPECT_EQ(frame.pixel(330, 130), MovieBackground) << "outside it";
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

// The host's site says the control has the focus and never sends
// WM_SETFOCUS: an ActionScript 3 movie still hears activate, and turns green.
TEST(HostEndToEnd, AnActionScript3MovieIsActivatedUnderTheHost) {
#ifndef AS3_HAXE_MOVIES
    GTEST_SKIP() << "haxe was not found at configuration time";
#else
    constexpr Rgba Green{0, 255, 0, 255};
    auto started = HostProcess::start(ourControl(200, 100, std::string(AS3_HAXE_MOVIES) + "/Activated.swf"));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    bool green = false;
    for (int i = 0; i < 100 && !green; ++i)
        green = nextFrame(host).pixel(100, 50) == Green;
    EXPECT_TRUE(green) << "the movie never heard activate";
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
#endif
}

}  // namespace
