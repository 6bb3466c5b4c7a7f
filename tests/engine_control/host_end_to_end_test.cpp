// The real moviehost with no registry entry at all: it must find our control
// (bin/flash10c.ocx, next to it) by its fixed file name and stream the
// example movie's frames. Only parts of the picture that never move are
// checked, since the movie plays on while the host captures: the gold title
// bar (230, 180, 40) across the top 40 pixels of the 640 x 480 stage, and the
// background (24, 28, 40) in the bottom-left corner.
//
// Then a click sent as input records reaches the movie's button, whose
// action changes the frames that follow.
#include <moviehost/client/host_process.h>

#include "movie_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

using namespace moviehost::client;
using namespace std::chrono_literals;

constexpr Rgba kBar{230, 180, 40, 255};
constexpr Rgba kBackground{24, 28, 40, 255};

HostOptions options(int32_t width, int32_t height,
                    std::string movie = std::string(EXAMPLES_DIR) + "/moving_gradient.swf") {
    HostOptions options;
    options.program = MOVIEHOST_PATH;
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

Frame firstFrame(HostProcess& host) {
    auto frame = host.readFrame();
    if (!frame) {
        ADD_FAILURE() << "no frame: " << frame.error().message << "; host said: " << host.capturedErrors();
        return Frame(host.width(), host.height());
    }
    return std::move(*frame);
}

TEST(ControlHostEndToEnd, RendersAnExampleMovieWithNoConfiguration) {
    auto started = HostProcess::start(options(640, 480));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    const Frame frame = firstFrame(host);
    ASSERT_EQ(frame.width(), 640);
    ASSERT_EQ(frame.height(), 480);
    EXPECT_EQ(frame.pixel(0, 0), kBar);
    EXPECT_EQ(frame.pixel(639, 39), kBar);
    EXPECT_EQ(frame.pixel(300, 39), kBar) << "the bar's last row";
    EXPECT_EQ(frame.pixel(300, 40), kBackground) << "the row under it";
    EXPECT_EQ(frame.pixel(5, 475), kBackground);
    EXPECT_EQ(frame.pixel(30, 450), kBackground);
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

// A wider frame shows the stage centred at scale 1: 80 pixels of border on
// each side, in the background colour.
TEST(ControlHostEndToEnd, TheStageIsCentredInAWiderFrame) {
    auto started = HostProcess::start(options(800, 480));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    const Frame frame = firstFrame(host);
    EXPECT_EQ(frame.pixel(79, 10), kBackground) << "left border";
    EXPECT_EQ(frame.pixel(80, 10), kBar);
    EXPECT_EQ(frame.pixel(719, 10), kBar);
    EXPECT_EQ(frame.pixel(720, 10), kBackground) << "right border";
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

// At half the size the bar is 20 pixels high.
TEST(ControlHostEndToEnd, TheStageIsScaledIntoASmallerFrame) {
    auto started = HostProcess::start(options(320, 240));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    const Frame frame = firstFrame(host);
    EXPECT_EQ(frame.pixel(100, 18), kBar);
    EXPECT_EQ(frame.pixel(100, 21), kBackground);
    EXPECT_EQ(frame.pixel(3, 237), kBackground);
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

TEST(ControlHostEndToEnd, AClickOnAButtonChangesTheNextFrames) {
    constexpr Rgba kMovieBackground{10, 20, 30, 255};
    constexpr Rgba kGreen{0, 255, 0, 255};
    auto started = HostProcess::start(options(400, 200, clickMovie()));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    Frame frame = firstFrame(host);
    EXPECT_EQ(frame.pixel(80, 80), (Rgba{255, 0, 0, 255})) << "the button";
    EXPECT_EQ(frame.pixel(280, 80), kMovieBackground) << "no square yet";
    // The movie is stopped: frames stay the same until the click.
    frame = firstFrame(host);
    EXPECT_EQ(frame.pixel(280, 80), kMovieBackground);

    ASSERT_TRUE(host.moveMouse(80, 80));
    ASSERT_TRUE(host.click(80, 80));
    bool changed = false;
    for (int i = 0; i < 200 && !changed; ++i) {
        frame = firstFrame(host);
        changed = frame.pixel(280, 80) == kGreen;
    }
    EXPECT_TRUE(changed) << "the green square never appeared";
    EXPECT_EQ(frame.pixel(250, 50), kGreen) << "its top-left part";
    EXPECT_EQ(frame.pixel(330, 130), kMovieBackground) << "outside it";
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

}  // namespace
