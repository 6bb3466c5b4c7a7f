// The real moviehost with our control on the virtual clock: output frame k
// is movie frame k, script time follows the clock, runs repeat byte for byte,
// records wait for their frame, and bad clock variables are refused.
#include "moviehost/testing/host_driver.h"

#include "actions.h"
#include "movie_writer.h"

#include <moviehost/client/host_process.h>
#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace moviehost::client;
using namespace moviehost::testing;
using namespace std::chrono_literals;
using Environment = std::vector<std::pair<std::string, std::string>>;

constexpr std::int32_t Side = 2;  // stage and frames of 2 x 2 pixels

HostOptions virtualHost(const std::string& movie, Environment environment) {
    HostOptions options;
    options.program = moviehostPath();
    options.movie = movie;
    options.width = Side;
    options.height = Side;
    options.timeout = 30s;
    options.stderrMode = StderrMode::Capture;
    environment.emplace_back("MOVIEHOST_CLOCK", "virtual");
    environment.emplace_back("MOVIEHOST_TRACE", "1");
    environment.emplace_back("MOVIEHOST_REGISTRY",
                             (std::filesystem::temp_directory_path() / "virtual-clock-no-registry.reg").string());
    options.environment = std::move(environment);
    return options;
}

std::string saved(swfwriter::MovieWriter& movie, const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()) + ".swf");
    movie.save(path.string());
    return path.string();
}

// Frame i (from 0) shows the colour (i % 256, i / 256, 0): a black square
// over the stage whose colour transform adds the frame number. Scripts of
// `script` run on every frame.
std::string countingMovie(double rate, int frames, const swfwriter::Actions* script = nullptr) {
    swfwriter::MovieWriter movie({.version = 8, .width = Side, .height = Side, .frameRate = rate});
    const uint16_t square = movie.rectangle(-20, -20, 80, 80, {0, 0, 0});
    for (int i = 0; i < frames; ++i) {
        swfwriter::CxForm add;
        add.rAdd = int16_t(i % 256);
        add.gAdd = int16_t(i / 256);
        if (i == 0)
            movie.place(square, 1, {.cxform = add});
        else
            movie.modify(1, {.cxform = add});
        if (script)
            movie.doAction(*script);
        movie.showFrame();
    }
    return saved(movie, "virtual-clock-counting");
}

Rgba colourOf(int frame) { return {uint8_t(frame % 256), uint8_t(frame / 256), 0, 255}; }

// A Finish record held for frame `frames + 1`: exactly `frames` frames, then
// the end marker, whatever the host's pace.
void sendFinishAfter(HostProcess& host, std::uint32_t frames) {
    InputRecord finish = InputRecord::control(moviehost::wire::Finish);
    finish.time = frames + 1;
    ASSERT_TRUE(host.send(finish));
}

struct HostRun {
    std::vector<std::uint8_t> bytes;
    std::string errors;
};

HostRun runFor(const std::string& movie, std::uint32_t frames, Environment environment = {}) {
    auto started = HostProcess::start(virtualHost(movie, std::move(environment)));
    if (!started) {
        ADD_FAILURE() << started.error().message;
        return {};
    }
    sendFinishAfter(*started, frames);
    HostRun run;
    run.bytes = readToEnd(*started);
    EXPECT_TRUE(waitForExit(*started).success());
    run.errors = started->capturedErrors();
    return run;
}

// With the output rate equal to the movie's, output frame k is movie frame k.
TEST(VirtualClock, OutputFrameKIsMovieFrameK) {
    constexpr int Frames = 3000;
    const struct {
        const char* rate;
        double movieRate;
    } cases[] = {{"24", 24.0}, {"29.97", 29.97}, {"23.976", 23.976}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        auto started =
            HostProcess::start(virtualHost(countingMovie(c.movieRate, Frames), {{"MOVIEHOST_FRAME_RATE", c.rate}}));
        ASSERT_TRUE(started) << started.error().message;
        int wrong = 0;
        for (int k = 0; k < Frames && wrong < 5; ++k) {
            const Frame frame = nextFrame(*started);
            if (frame.pixel(0, 0) != colourOf(k)) {
                ++wrong;
                ADD_FAILURE() << "output frame " << k << " shows (" << int(frame.pixel(0, 0).r) << ", "
                              << int(frame.pixel(0, 0).g) << ")";
            }
        }
        EXPECT_TRUE(started->finish());
    }
}

// trace("start " + getTimer() + " " + new Date().getTime()) and an interval
// of 100 ms tracing getTimer(), in frame 1; frame 2 stops the movie.
swfwriter::Actions timerScript() {
    swfwriter::Actions interval;
    interval.push({"interval "}).op(swfwriter::Code::GetTime).add2().trace();
    swfwriter::Actions script;
    script.push({"start "}).op(swfwriter::Code::GetTime).add2().push({" "}).add2();
    script.push({0, 0, "Date"}).newObject().push({"getTime"}).callMethod().add2().trace();
    script.push({100}).defineFunction("", {}, interval).push({2, "setInterval"}).callFunction().pop();
    return script;
}

// Script time is the virtual clock's: the first frame's scripts run as the
// movie starts (0 ms); an interval of 100 ms fires every 100 ms of virtual
// time, between the movie's frames (every 1000/24 ms), as it means on the
// wall clock; Date starts at MOVIEHOST_EPOCH.
TEST(VirtualClock, GetTimerDateAndIntervalsFollowTheVirtualClock) {
    swfwriter::MovieWriter movie({.version = 8, .width = Side, .height = Side, .frameRate = 24});
    movie.doAction(timerScript());
    movie.showFrame();
    swfwriter::Actions stop;
    stop.stop();
    movie.doAction(stop);
    movie.showFrame();
    const std::string path = saved(movie, "virtual-clock-timers");
    // The Finish held for frame 13 applies after the timers of its time,
    // 500 ms.
    const struct {
        Environment environment;
        const char* expected;
    } cases[] = {
        {{{"MOVIEHOST_FRAME_RATE", "24"}},
         "start 0 946684800000\ninterval 100\ninterval 200\ninterval 300\ninterval 400\ninterval 500\n"},
        {{{"MOVIEHOST_FRAME_RATE", "24"}, {"MOVIEHOST_EPOCH", "1000"}},
         "start 0 1000000\ninterval 100\ninterval 200\ninterval 300\ninterval 400\ninterval 500\n"},
    };
    for (const auto& c : cases) {
        const HostRun run = runFor(path, 12, c.environment);
        EXPECT_EQ(run.errors, c.expected);
    }
}

// Two runs of a movie that traces Math.random() and the date on every frame
// give the same bytes and the same lines; another seed other numbers.
TEST(VirtualClock, RunsRepeatByteForByteAndTheSeedChoosesTheNumbers) {
    swfwriter::Actions script;
    script.callMethodOn("Math", "random", {}).push({" "}).add2();
    script.push({0, 0, "Date"}).newObject().push({"getTime"}).callMethod().add2().trace();
    const std::string path = countingMovie(30.0, 50, &script);
    const HostRun first = runFor(path, 60, {{"MOVIEHOST_FRAME_RATE", "30"}});
    const HostRun second = runFor(path, 60, {{"MOVIEHOST_FRAME_RATE", "30"}, {"MOVIEHOST_SEED", "1"}});
    const HostRun other = runFor(path, 60, {{"MOVIEHOST_FRAME_RATE", "30"}, {"MOVIEHOST_SEED", "2"}});
    ASSERT_EQ(first.bytes.size(), 60 * moviehost::wire::frameMessageBytes(Side, Side) + 4);
    // The first frame's scripts run before output frame 0; the timers of the
    // 61st frame's time fire before the Finish held for it applies.
    EXPECT_EQ(countLines(first.errors), 61u) << "one line per movie frame by output frame 61";
    EXPECT_EQ(first.bytes, second.bytes);
    EXPECT_EQ(first.errors, second.errors);
    EXPECT_EQ(first.bytes, other.bytes) << "the picture does not depend on the numbers";
    EXPECT_NE(first.errors, other.errors);
}

// A 2 x 2 movie stopped on a frame whose button covers the stage; releasing
// it goes to the second frame, all green.
std::string buttonMovie() {
    swfwriter::MovieWriter movie({.version = 8, .width = Side, .height = Side, .frameRate = 24});
    const uint16_t red = movie.rectangle(-20, -20, 80, 80, {255, 0, 0});
    const uint16_t green = movie.rectangle(-20, -20, 80, 80, {0, 255, 0});
    swfwriter::Actions next;
    next.gotoFrame(1);
    const uint16_t button = movie.defineButton2({{.characterId = red}}, {{.actions = next.bytes()}});
    movie.place(button, 1);
    swfwriter::Actions stop;
    stop.stop();
    movie.doAction(stop);
    movie.showFrame();
    movie.remove(1);
    movie.place(green, 2);
    movie.showFrame();
    return saved(movie, "virtual-clock-button");
}

// A click held for frame F (counted from 1), sent before the first frame is
// read, shows on frame F and on no frame before it; records of time 0 apply
// at once.
TEST(VirtualClock, AHeldClickShowsOnItsFrameAndNotBefore) {
    const std::string path = buttonMovie();
    for (const std::uint32_t clickFrame : {1u, 2u, 7u, 40u}) {
        SCOPED_TRACE(clickFrame);
        auto started = HostProcess::start(virtualHost(path, {{"MOVIEHOST_FRAME_RATE", "24"}}));
        ASSERT_TRUE(started) << started.error().message;
        HostProcess& host = *started;
        for (const std::uint32_t message :
             {moviehost::wire::MouseMove, moviehost::wire::LeftButtonDown, moviehost::wire::LeftButtonUp}) {
            InputRecord record = InputRecord::mouse(message, 1, 1);
            record.time = clickFrame;
            ASSERT_TRUE(host.send(record));
        }
        sendFinishAfter(host, 45);
        const std::vector<std::uint8_t> bytes = readToEnd(host);
        ASSERT_EQ(bytes.size(), 45 * moviehost::wire::frameMessageBytes(Side, Side) + 4);
        for (std::uint32_t f = 1; f <= 45; ++f) {
            const std::size_t at =
                (f - 1) * moviehost::wire::frameMessageBytes(Side, Side) + moviehost::wire::FrameHeaderBytes;
            const bool green = bytes[at] == 0 && bytes[at + 1] == 255;
            EXPECT_EQ(green, f >= clickFrame) << "frame " << f;
        }
        EXPECT_TRUE(waitForExit(host).success());
    }
}

// A parent that sends nothing still gets frames, and its Finish of time 0
// ends the stream as on the wall clock.
TEST(VirtualClock, AParentThatSendsNothingGetsFrames) {
    auto started = HostProcess::start(virtualHost(countingMovie(24.0, 10), {}));
    ASSERT_TRUE(started) << started.error().message;
    for (int k = 0; k < 20; ++k)
        (void)nextFrame(*started);
    auto finished = started->finish();
    EXPECT_TRUE(finished) << finished.error().message;
}

TEST(VirtualClock, BadClockVariablesAreRefusedWithOneLine) {
    const struct {
        const char* name;
        const char* value;
    } cases[] = {
        {"MOVIEHOST_CLOCK", "virtul"}, {"MOVIEHOST_FRAME_RATE", "0"}, {"MOVIEHOST_FRAME_RATE", "24fps"},
        {"MOVIEHOST_SEED", "-1"},      {"MOVIEHOST_EPOCH", "soon"},
    };
    for (const auto& c : cases) {
        std::vector<EnvironmentChange> environment{{c.name, c.value}};
        if (std::string(c.name) != "MOVIEHOST_CLOCK")
            environment.emplace_back("MOVIEHOST_CLOCK", "virtual");
        const RunResult result = runProgram(moviehostPath(), {"2", "2", std::to_string(getpid())}, environment);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 2) << c.name << "=" << c.value;
        EXPECT_EQ(countLines(result.err), 1u) << result.err;
        EXPECT_NE(result.err.find(std::string(c.name) + "=" + c.value), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
}

}  // namespace
