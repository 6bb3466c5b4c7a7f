// moviecapture run as a program against the stub host: its files, its raw
// stream, its scripted input and each way it can fail.

#include "png_reader.h"
#include "stub_log.h"
#include "stub_pattern.h"
#include "video_reader.h"

#include "movie_writer.h"
#include "moviehost/testing/host_driver.h"

#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <fstream>

namespace {

using moviehost::testing::EnvironmentChange;
using moviehost::testing::RunResult;
using moviehost::testing::TempDir;
namespace wire = moviehost::wire;

class MovieCapture : public ::testing::Test {
protected:
    // A real movie header: moviecapture reads it before starting the stub.
    MovieCapture() {
        swfwriter::MovieOptions options;
        options.width = 6;
        options.height = 4;
        options.frameRate = 24;
        swfwriter::MovieWriter writer(options);
        writer.showFrame();
        writer.showFrame();
        const auto bytes = writer.finish();
        std::ofstream(m_movie, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    RunResult run(std::vector<std::string> arguments, const std::string& mode = {},
                  std::vector<EnvironmentChange> environment = {}) const {
        environment.emplace_back("MOVIEHOST_STUB_LOG", (m_dir / "log").string());
        environment.emplace_back("MOVIEHOST_STUB_PERIOD_MS", "2");
        environment.emplace_back("MOVIEHOST_STUB_MODE", mode.empty() ? std::nullopt : std::optional(mode));
        environment.emplace_back("MOVIEHOST_HOST", moviehost::testing::stubHostPath().string());
        return moviehost::testing::runProgram(moviehost::testing::moviecapturePath(), arguments, environment);
    }

    [[nodiscard]] moviehost::testing::StubLog log() const { return moviehost::testing::readStubLog(m_dir / "log"); }
    [[nodiscard]] std::filesystem::path out() const { return m_dir / "out"; }

    TempDir m_dir;
    std::string m_movie = (m_dir / "movie.swf").string();
};

std::string frameFile(int number) {
    std::string digits = std::to_string(number);
    return "frame_" + std::string(5 - digits.size(), '0') + digits + ".png";
}

moviehost::testing::PatternState frameState(std::uint32_t frame) {
    moviehost::testing::PatternState state;
    state.frame = frame;
    return state;
}

TEST_F(MovieCapture, WritesNumberedPngFiles) {
    const auto result = run({m_movie, "--size", "5x3", "--frames", "3", "--out", out().string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.empty());

    for (std::uint32_t n = 1; n <= 3; ++n) {
        const auto png = moviehost::testing::readPng(out() / ("frame_0000" + std::to_string(n) + ".png"));
        ASSERT_TRUE(png.has_value()) << "frame " << n;
        EXPECT_EQ(png->width, 5u);
        EXPECT_EQ(png->height, 3u);
        EXPECT_EQ(png->rgba, moviehost::testing::patternFrame(frameState(n), 5, 3)) << "frame " << n;
    }
    // Frame 2, pixel (4, 1), by hand: (4 + 2, 1 + 4, 0, 255).
    const auto second = moviehost::testing::readPng(out() / "frame_00002.png");
    ASSERT_TRUE(second.has_value());
    const std::size_t at = (1 * 5 + 4) * 4;
    EXPECT_EQ(std::vector<std::uint8_t>(second->rgba.begin() + at, second->rgba.begin() + at + 4),
              (std::vector<std::uint8_t>{6, 5, 0, 255}));
    EXPECT_FALSE(std::filesystem::exists(out() / "frame_00004.png"));

    // Standard error is no terminal here: a line at each tenth, the last at 3/3.
    EXPECT_EQ(result.err.find("moviecapture: 1/3 frames (33%)"), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 3) << result.err;
    EXPECT_EQ(moviehost::testing::lastLine(result.err)
                  .rfind("moviecapture: 3/3 frames (100%) written to " + out().string(), 0),
              0u)
        << result.err;

    const auto stubLog = log();
    EXPECT_EQ(stubLog.startValue("argv0"), m_movie);
    EXPECT_EQ(stubLog.startValue("argv1"), "5");
    EXPECT_EQ(stubLog.startValue("argv2"), "3");
    EXPECT_EQ(stubLog.startValue("argv3"), std::to_string(result.pid)) << "moviecapture's own pid";
    EXPECT_EQ(stubLog.endReason(), "finish") << "ended through the end marker";
}

TEST_F(MovieCapture, WritesRawFramesToStandardOutput) {
    const auto result = run({m_movie, "--size", "3x2", "--frames", "4", "--raw"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string expected;
    for (std::uint32_t n = 1; n <= 4; ++n) {
        const auto bytes = moviehost::testing::patternFrame(frameState(n), 3, 2);
        expected.append(bytes.begin(), bytes.end());
    }
    EXPECT_EQ(result.out.size(), 4u * 3 * 2 * 4);
    EXPECT_EQ(result.out, expected);
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_FALSE(std::filesystem::exists(out()));
}

TEST_F(MovieCapture, OnTheVirtualClockEachFrameShowsExactlyItsScriptedInput) {
    const auto result = run({m_movie, "--size", "5x3", "--frames", "5", "--out", out().string(), "--click", "2,1@3",
                             "--move", "4,0@2", "--move", "1,1@1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // The whole script went ahead of the first frame, in frame order, each
    // record stamped with its frame; the end marker's request is for now.
    const auto records = log().records();
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> sent = {{wire::MouseMove, 1},
                                                                       {wire::MouseMove, 2},
                                                                       {wire::LeftButtonDown, 3},
                                                                       {wire::LeftButtonUp, 3},
                                                                       {wire::Finish, 0}};
    ASSERT_EQ(records.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(records[i].message, sent[i].first) << "record " << i;
        EXPECT_EQ(records[i].time, sent[i].second) << "record " << i;
        if (i + 1 < sent.size()) {
            EXPECT_EQ(records[i].after, 0u) << "record " << i << " arrived before frame 1";
        }
    }

    // Frame F shows the input for F and nothing later: (records so far, mark).
    const struct {
        std::uint32_t records, x, y, message;
    } shown[] = {{1, 1, 1, wire::MouseMove},
                 {2, 4, 0, wire::MouseMove},
                 {4, 2, 1, wire::LeftButtonUp},
                 {4, 2, 1, wire::LeftButtonUp},
                 {4, 2, 1, wire::LeftButtonUp}};
    for (std::uint32_t n = 1; n <= 5; ++n) {
        moviehost::testing::PatternState state = frameState(n);
        state.mouseRecords = shown[n - 1].records;
        state.marked = true;
        state.markX = shown[n - 1].x;
        state.markY = shown[n - 1].y;
        state.markMessage = shown[n - 1].message;
        const auto png = moviehost::testing::readPng(out() / ("frame_0000" + std::to_string(n) + ".png"));
        ASSERT_TRUE(png.has_value()) << "frame " << n;
        EXPECT_EQ(png->rgba, moviehost::testing::patternFrame(state, 5, 3)) << "frame " << n;
    }
}

TEST_F(MovieCapture, TheHostRunsOnTheClockTheOptionsAskFor) {
    const struct {
        std::vector<std::string> arguments;  // after the movie
        std::optional<std::string> clock, rate;
        std::string movie;  // instead of the 24 fps test movie
    } cases[] = {
        {{}, "virtual", "24", {}},
        {{"--rate", "29.97"}, "virtual", "29.97", {}},
        {{"--rate", "12.5"}, "virtual", "12.5", {}},
        // What our own environment says never reaches the host in place of ours.
        {{"--realtime"}, std::nullopt, std::nullopt, {}},
        {{"--size", "2x2"}, "virtual", std::nullopt, "http://example.invalid/movie.swf"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {c.movie.empty() ? m_movie : c.movie, "--raw"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(arguments.back());
        std::filesystem::remove(m_dir / "log");
        const auto result = run(arguments, {}, {{"MOVIEHOST_CLOCK", "virtual"}, {"MOVIEHOST_FRAME_RATE", "5"}});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(log().startValue("clock"), c.clock);
        EXPECT_EQ(log().startValue("rate"), c.rate);
    }
}

TEST_F(MovieCapture, OnTheWallClockScriptedInputGoesOnceThePreviousFrameWasRead) {
    const auto result = run({m_movie, "--size", "5x3", "--frames", "5", "--out", out().string(), "--move", "4,0@2",
                             "--click", "2,1@3", "--realtime"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const auto records = log().records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].message, wire::MouseMove);
    EXPECT_EQ(records[0].lParam, 4u);
    EXPECT_GE(records[0].after, 1u) << "the move waits until frame 1 was read";
    EXPECT_EQ(records[1].message, wire::LeftButtonDown);
    EXPECT_EQ(records[1].lParam, 2u | (1u << 16));
    EXPECT_GE(records[1].after, 2u) << "the click waits until frame 2 was read";
    EXPECT_EQ(records[1].time, 0u) << "live input is for now";
    EXPECT_EQ(records[2].message, wire::LeftButtonUp);
    EXPECT_EQ(records[2].lParam, 2u | (1u << 16));
    EXPECT_EQ(records[3].message, wire::Finish);

    // Frame 1 was read before any input was sent; the stub shows a record in
    // the frame after the one being read at the latest.
    const auto first = moviehost::testing::readPng(out() / "frame_00001.png");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->rgba, moviehost::testing::patternFrame(frameState(1), 5, 3));

    moviehost::testing::PatternState clicked = frameState(5);
    clicked.mouseRecords = 3;
    clicked.marked = true;
    clicked.markX = 2;
    clicked.markY = 1;
    clicked.markMessage = wire::LeftButtonUp;
    const auto fifth = moviehost::testing::readPng(out() / "frame_00005.png");
    ASSERT_TRUE(fifth.has_value());
    EXPECT_EQ(fifth->rgba, moviehost::testing::patternFrame(clicked, 5, 3));
}

TEST_F(MovieCapture, LengthAndVideoRateFollowTheOutputRate) {
    // The test movie: two frames at 24 per second.
    const struct {
        std::vector<std::string> arguments;
        const char* output;  // a folder, or a video to decode
        int frames;
        AVRational rate;
    } cases[] = {
        {{"--seconds", "0.25"}, "out", 6, {}},
        {{"--seconds", "0.1", "--realtime"}, "out", 3, {}},
        {{"--frames", "all"}, "out", 2, {}},
        {{"--frames", "all", "--rate", "48"}, "clip.mkv", 4, {48, 1}},
        {{"--seconds", "1", "--rate", "29.97"}, "clip.mov", 30, {30000, 1001}},
        {{"--frames", "3"}, "clip.mp4", 3, {24, 1}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {m_movie, "--out", (m_dir / c.output).string()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.output + (" " + c.arguments[0] + " " + c.arguments[1]));
        std::filesystem::remove_all(m_dir / c.output);
        const auto result = run(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        if (c.rate.num == 0) {
            EXPECT_TRUE(std::filesystem::exists(m_dir / c.output / frameFile(c.frames)));
            EXPECT_FALSE(std::filesystem::exists(m_dir / c.output / frameFile(c.frames + 1)));
            continue;
        }
        const auto video = moviehost::testing::decodeVideo(m_dir / c.output);
        EXPECT_EQ(video.frames, c.frames);
        EXPECT_EQ(video.width, 6) << "the movie's own size";
        EXPECT_EQ(video.height, 4);
        EXPECT_EQ(av_cmp_q(video.rate, c.rate), 0) << video.rate.num << "/" << video.rate.den;
    }
}

TEST_F(MovieCapture, PassesUrlsThrough) {
    const std::string url = "http://example.invalid/movie.swf";
    const auto result = run({url, "--size", "2x2", "--raw"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(log().startValue("argv0"), url);
}

TEST_F(MovieCapture, TheHostOptionComesBeforeTheEnvironment) {
    const auto byOption =
        run({m_movie, "--size", "2x2", "--raw", "--host", moviehost::testing::stubHostPath().string()}, {},
            {{"MOVIEHOST_HOST", "/nonexistent/host"}});
    EXPECT_EQ(byOption.exitCode, 0) << byOption.err;
}

TEST_F(MovieCapture, WithoutOptionOrEnvironmentTheHostIsFoundNextToItself) {
    TempDir bin;
    std::filesystem::copy_file(moviehost::testing::moviecapturePath(), bin / "moviecapture");
    std::filesystem::copy_file(moviehost::testing::stubHostPath(), bin / "moviehost");
    auto environment = std::vector<EnvironmentChange>{{"MOVIEHOST_STUB_LOG", (m_dir / "log").string()},
                                                      {"MOVIEHOST_STUB_PERIOD_MS", "2"},
                                                      {"MOVIEHOST_STUB_MODE", std::nullopt},
                                                      {"MOVIEHOST_HOST", std::nullopt}};
    const auto nextToItself =
        moviehost::testing::runProgram(bin / "moviecapture", {m_movie, "--size", "2x2", "--raw"}, environment);
    EXPECT_EQ(nextToItself.exitCode, 0) << nextToItself.err;
    EXPECT_EQ(nextToItself.out.size(), 16u);
}

TEST_F(MovieCapture, AMissingHostIsNamedWithItsStatus) {
    const auto missing = run({m_movie, "--size", "2x2", "--raw"}, {}, {{"MOVIEHOST_HOST", "/nonexistent/host"}});
    EXPECT_EQ(missing.exitCode, 4) << missing.err;
    EXPECT_EQ(missing.err, "moviecapture: host program not found: /nonexistent/host (use --host or MOVIEHOST_HOST)\n");
}

struct Failure {
    std::vector<std::string> arguments;  // after the movie and --size 5x3
    std::string mode;
    int exitCode;
    std::string message;  // a part of the last line of standard error
};

TEST_F(MovieCapture, FailsWithAReasonAndItsOwnStatus) {
    std::ofstream(m_dir / "a-file") << "in the way";
    std::filesystem::create_directories(m_dir / "blocked" / "frame_00001.png");
    const Failure cases[] = {
        {{"--frames", "3"},
         "exit-early:1:3",
         5,
         "host ended early: the host's output ended without an end marker "
         "after 1 frame (exit status 3)"},
        {{"--frames", "3"}, "signal:2", 5, "(killed by signal 9"},
        {{"--frames", "3"}, "truncate:2", 5, "in the middle of frame 2 (30 of 60 bytes)"},
        {{"--frames", "3"}, "no-marker", 5, "host ended early"},
        // Whether the click or the next read meets the ended host first is a
        // race; both are the same failure.
        {{"--frames", "3", "--click", "1,1@3"}, "exit-early:2:0", 5, "(exit status 0)"},
        {{"--frames", "1"}, "finish-status:4", 5, "the host failed after its last frame (exit status 4)"},
        {{"--frames", "3"}, "bad-kind:2", 6, "malformed frame stream: the host sent a message of unknown kind 7"},
        {{"--frames", "3"}, "bad-size:1", 6, "malformed frame stream: the host sent frame 1 as 6x3"},
        {{"--frames", "1"}, "trailing", 6, "more after its end marker"},
        {{"--frames", "2", "--timeout", "0.3"},
         "silent",
         8,
         "host timed out: the host did not send the header of "
         "frame 1 within 300 ms"},
        {{"--frames", "2", "--click", "5,0@1"}, "", 2, "--click 5,0 lies outside the 5x3 frame"},
        {{"--wobble"}, "", 2, "unknown option --wobble (see moviecapture --help)"},
        {{"--out", (m_dir / "a-file" / "sub").string()}, "", 7, "cannot create the output folder"},
        {{"--out", (m_dir / "blocked").string()}, "", 7, "frame_00001.png: Is a directory"},
    };
    for (const auto& test : cases) {
        std::vector<std::string> arguments = {m_movie, "--size", "5x3", "--out", out().string()};
        if (std::find(test.arguments.begin(), test.arguments.end(), "--out") != test.arguments.end())
            arguments.resize(3);
        arguments.insert(arguments.end(), test.arguments.begin(), test.arguments.end());
        SCOPED_TRACE(test.mode + " " + test.message);
        std::filesystem::remove(m_dir / "log");

        const auto result = run(arguments, test.mode);
        ASSERT_TRUE(result.exited) << "signal " << result.signal;
        EXPECT_EQ(result.exitCode, test.exitCode) << result.err;
        const auto line = moviehost::testing::lastLine(result.err);
        EXPECT_EQ(line.rfind("moviecapture: ", 0), 0u) << line;
        EXPECT_NE(line.find(test.message), std::string::npos)
            << "expected '" << test.message << "' in '" << line << "'";
        EXPECT_EQ(result.err.back(), '\n');
    }
}

TEST_F(MovieCapture, AClosedStandardOutputIsAnErrorNotASignal) {
    const auto result = moviehost::testing::runProgram(moviehost::testing::moviecapturePath(),
                                                       {m_movie, "--size", "5x3", "--frames", "3", "--raw"},
                                                       {{"MOVIEHOST_HOST", moviehost::testing::stubHostPath().string()},
                                                        {"MOVIEHOST_STUB_LOG", (m_dir / "log").string()},
                                                        {"MOVIEHOST_STUB_PERIOD_MS", "2"}},
                                                       moviehost::testing::StdoutMode::ClosedPipe);
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 7);
    EXPECT_EQ(result.err, "moviecapture: standard output was closed by its reader\n");
    EXPECT_EQ(log().endReason(), "quit") << "the host was asked to quit";
}

TEST_F(MovieCapture, AMissingMovieStartsNothing) {
    const auto result = run({(m_dir / "absent.swf").string(), "--size", "5x3", "--out", out().string()});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "moviecapture: movie not found: " + (m_dir / "absent.swf").string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "log")) << "no host was started";
    EXPECT_FALSE(std::filesystem::exists(out()));
}

TEST_F(MovieCapture, PrintsHelp) {
    const auto result = run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("usage: moviecapture MOVIE [--size WxH", 0), 0u) << result.out;
    EXPECT_TRUE(result.err.empty());
}

}  // namespace
