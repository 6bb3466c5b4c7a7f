// The real moviehost with no registry entry at all: it must find our control
// (bin/flash10c.ocx, next to it) by its fixed file name and stream the
// example movie's frames. Only parts of the picture that never move are
// checked, since the movie plays on while the host captures: the gold title
// bar (230, 180, 40) across the top 40 pixels of the 640 x 480 stage, and the
// background (24, 28, 40) in the bottom-left corner.
#include <moviehost/client/host_process.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

using namespace moviehost::client;
using namespace std::chrono_literals;

constexpr Rgba kBar{230, 180, 40, 255};
constexpr Rgba kBackground{24, 28, 40, 255};

HostOptions options(int32_t width, int32_t height)
{
    HostOptions options;
    options.program = MOVIEHOST_PATH;
    options.movie = std::string(EXAMPLES_DIR) + "/moving_gradient.swf";
    options.width = width;
    options.height = height;
    options.timeout = 30s;
    options.stderrMode = StderrMode::Capture;
    // A registry file that does not exist is an empty registry.
    options.environment = {{"MOVIEHOST_REGISTRY", (std::filesystem::temp_directory_path() /
                                                   "engine-control-e2e-no-registry.reg")
                                                      .string()}};
    return options;
}

Frame firstFrame(HostProcess& host)
{
    auto frame = host.readFrame();
    if (!frame) {
        ADD_FAILURE() << "no frame: " << frame.error().message << "; host said: " << host.capturedErrors();
        return Frame(host.width(), host.height());
    }
    return std::move(*frame);
}

TEST(ControlHostEndToEnd, RendersAnExampleMovieWithNoConfiguration)
{
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
TEST(ControlHostEndToEnd, TheStageIsCentredInAWiderFrame)
{
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
TEST(ControlHostEndToEnd, TheStageIsScaledIntoASmallerFrame)
{
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

}  // namespace
