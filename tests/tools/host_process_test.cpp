// The client library against the stub host: frames, records, the end marker
// and every way the host can break the stream.

#include "stub_log.h"
#include "stub_pattern.h"

#include "moviehost/testing/host_driver.h"

#include <moviehost/client/host_process.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <thread>

namespace {

using namespace moviehost::client;
using namespace std::chrono_literals;
using moviehost::testing::TempDir;
namespace wire = moviehost::wire;

HostOptions stubOptions(const TempDir& dir, const std::string& mode = {}) {
    HostOptions options;
    options.program = moviehost::testing::stubHostPath();
    options.movie = "movie.swf";
    options.width = 5;
    options.height = 3;
    options.timeout = 10s;
    options.stderrMode = StderrMode::Capture;
    options.environment = {{"MOVIEHOST_STUB_LOG", (dir / "log").string()}, {"MOVIEHOST_STUB_PERIOD_MS", "2"}};
    if (!mode.empty())
        options.environment.emplace_back("MOVIEHOST_STUB_MODE", mode);
    return options;
}

std::vector<std::uint8_t> bytesOf(const Frame& frame) { return {frame.bytes().begin(), frame.bytes().end()}; }

moviehost::testing::PatternState frameState(std::uint32_t frame, std::uint32_t records = 0) {
    moviehost::testing::PatternState state;
    state.frame = frame;
    state.mouseRecords = records;
    return state;
}

TEST(HostProcess, ReadsFramesAsTheHostDrewThem) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;

    for (std::uint32_t n = 1; n <= 3; ++n) {
        auto frame = host->readFrame();
        ASSERT_TRUE(frame.has_value()) << frame.error().message;
        EXPECT_EQ(frame->width(), 5);
        EXPECT_EQ(frame->height(), 3);
        EXPECT_EQ(bytesOf(*frame), moviehost::testing::patternFrame(frameState(n), 5, 3)) << "frame " << n;
        // Worked out by hand: ((x + n), (y + 2n), 0, 255).
        if (n == 1) {
            EXPECT_EQ(frame->pixel(0, 0), (Rgba{1, 2, 0, 255}));
            EXPECT_EQ(frame->pixel(4, 2), (Rgba{5, 4, 0, 255}));
        }
        if (n == 3) {
            EXPECT_EQ(frame->pixel(4, 2), (Rgba{7, 8, 0, 255}));
        }
    }
}

TEST(HostProcess, FinishReadsUpToTheMarkerAndNothingAfterIt) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->readFrame().has_value());

    auto passed = host->finish();
    ASSERT_TRUE(passed.has_value()) << passed.error().message;
    // The stub keeps at most one frame in flight.
    EXPECT_LE(*passed, 1u);
    EXPECT_EQ(host->framesRead(), 1u + *passed);
    auto status = host->wait();
    ASSERT_TRUE(status.has_value()) << status.error().message;
    EXPECT_TRUE(status->success()) << status->describe();
    EXPECT_EQ(moviehost::testing::readStubLog(dir / "log").endReason(), "finish");

    auto after = host->readFrame();
    ASSERT_FALSE(after.has_value());
    EXPECT_EQ(after.error().code, ErrorCode::HostEnded);
}

TEST(HostProcess, StartsTheHostWithMovieSizeAndOurProcessId) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->finish().has_value());

    const auto log = moviehost::testing::readStubLog(dir / "log");
    EXPECT_EQ(log.startValue("argc"), "4");
    EXPECT_EQ(log.startValue("argv0"), "movie.swf");
    EXPECT_EQ(log.startValue("argv1"), "5");
    EXPECT_EQ(log.startValue("argv2"), "3");
    EXPECT_EQ(log.startValue("argv3"), std::to_string(::getpid()));
}

TEST(HostProcess, MouseRecordsShowInTheFrameAfterNext) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->readFrame().has_value());

    ASSERT_TRUE(host->click(2, 1).has_value());
    ASSERT_TRUE(host->readFrame().has_value());
    auto third = host->readFrame();
    ASSERT_TRUE(third.has_value()) << third.error().message;
    EXPECT_EQ(third->pixel(2, 1), (Rgba{255, 2, 255, 255})) << "the button-up mark at the click";
    EXPECT_EQ(third->pixel(0, 0), (Rgba{3, 6, 2, 255})) << "two mouse records counted";

    ASSERT_TRUE(host->moveMouse(1, 65535).has_value());
    ASSERT_TRUE(host->finish().has_value());

    const auto records = moviehost::testing::readStubLog(dir / "log").records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].message, wire::LeftButtonDown);
    EXPECT_EQ(records[0].lParam, 2u | (1u << 16));
    EXPECT_GE(records[0].after, 1u) << "sent only after frame 1 was read";
    EXPECT_EQ(records[1].message, wire::LeftButtonUp);
    EXPECT_EQ(records[1].lParam, 2u | (1u << 16));
    EXPECT_EQ(records[2].message, wire::MouseMove);
    EXPECT_EQ(records[2].lParam, 0xFFFF0001u) << "y = 65535 stays unsigned";
    EXPECT_EQ(records[3].message, wire::Finish);
}

TEST(HostProcess, RecordsArriveWholeWhateverTheWrites) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;

    const auto first = InputRecord::mouse(wire::LeftButtonDown, 50, 100).encode();
    ASSERT_TRUE(host->sendBytes(std::span(first).first(10)).has_value());
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(host->sendBytes(std::span(first).subspan(10, 10)).has_value());
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(host->sendBytes(std::span(first).subspan(20)).has_value());

    InputRecord custom;
    custom.message = 600;
    custom.wParam = 0x01020304;
    custom.lParam = 0xA0B0C0D0;
    std::vector<std::uint8_t> two;
    for (const auto& record : {custom, InputRecord::mouse(wire::LeftButtonUp, 7, 8)})
        for (const auto byte : record.encode())
            two.push_back(byte);
    ASSERT_TRUE(host->sendBytes(two).has_value());
    ASSERT_TRUE(host->finish().has_value());

    const auto records = moviehost::testing::readStubLog(dir / "log").records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].message, wire::LeftButtonDown);
    EXPECT_EQ(records[0].lParam, 50u | (100u << 16));
    EXPECT_EQ(records[1].message, 600u);
    EXPECT_EQ(records[1].wParam, 0x01020304u);
    EXPECT_EQ(records[1].lParam, 0xA0B0C0D0u);
    EXPECT_EQ(records[2].message, wire::LeftButtonUp);
    EXPECT_EQ(records[2].lParam, 7u | (8u << 16));
    EXPECT_EQ(records[3].message, wire::Finish);
}

// More records than any pipe holds: what does not fit before the start is
// queued, flushed in order, and a quit drops the rest only at a record's end.
TEST(HostProcess, InitialInputMoreThanThePipeHoldsArrivesWholeAndInOrder) {
    constexpr std::uint32_t Count = 50'000;  // 1.4 MB of records
    for (const bool quitEarly : {false, true}) {
        SCOPED_TRACE(quitEarly ? "quit" : "flush");
        TempDir dir;
        auto options = stubOptions(dir);
        for (std::uint32_t i = 0; i < Count; ++i) {
            const auto bytes =
                InputRecord::mouse(wire::MouseMove, static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i >> 16))
                    .encode();
            options.initialInput.insert(options.initialInput.end(), bytes.begin(), bytes.end());
        }
        auto host = HostProcess::start(options);
        ASSERT_TRUE(host.has_value()) << host.error().message;
        ASSERT_GT(host->queuedInputBytes(), 0u) << "the pipe took it all; the test needs more";
        if (quitEarly) {
            ASSERT_TRUE(host->quit().has_value());
            ASSERT_TRUE(host->wait().has_value());
        } else {
            ASSERT_TRUE(host->flushInput(true).has_value());
            EXPECT_EQ(host->queuedInputBytes(), 0u);
            ASSERT_TRUE(host->finish().has_value());
        }

        const auto log = moviehost::testing::readStubLog(dir / "log");
        auto records = log.records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.back().message, quitEarly ? wire::Quit : wire::Finish);
        records.pop_back();
        if (quitEarly)
            EXPECT_LT(records.size(), Count);
        else
            EXPECT_EQ(records.size(), Count);
        for (std::uint32_t i = 0; i < records.size(); ++i) {
            ASSERT_EQ(records[i].message, wire::MouseMove) << "record " << i;
            ASSERT_EQ(records[i].lParam, i) << "record " << i;
        }
        EXPECT_EQ(log.endReason(), quitEarly ? "quit" : "finish");
    }
}

TEST(HostProcess, QuitEndsTheStreamWithoutMarker) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->readFrame().has_value());
    ASSERT_TRUE(host->quit().has_value());

    Frame frame;
    Expected<MessageKind> kind = MessageKind::Frame;
    for (int i = 0; i < 3 && kind.has_value(); ++i) {
        kind = host->readMessage(frame);
        if (kind.has_value()) {
            EXPECT_EQ(*kind, MessageKind::Frame);
        }
    }
    ASSERT_FALSE(kind.has_value()) << "the stream must end after a quit";
    EXPECT_EQ(kind.error().code, ErrorCode::HostEnded);
    EXPECT_NE(kind.error().message.find("without an end marker"), std::string::npos) << kind.error().message;
    EXPECT_EQ(kind.error().exitStatus, (ExitStatus{ExitStatus::Kind::Exited, 0}));
    EXPECT_EQ(moviehost::testing::readStubLog(dir / "log").endReason(), "quit");
}

TEST(HostProcess, AnUnaskedEndMarkerIsNoFrame) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->send(InputRecord::control(wire::Finish)).has_value());
    Expected<Frame> frame = Frame(5, 3);
    for (int i = 0; i < 3 && frame.has_value(); ++i)
        frame = host->readFrame();
    ASSERT_FALSE(frame.has_value());
    EXPECT_EQ(frame.error().code, ErrorCode::UnexpectedEndMarker) << frame.error().message;
}

struct BrokenStream {
    std::string mode;
    bool viaFinish;  // the fault shows when asking for the end marker
    ErrorCode code;
    std::string message;  // a part of the error message
    std::optional<ExitStatus> status;
};

TEST(HostProcess, ReportsEveryWayTheStreamBreaks) {
    const ExitStatus exited0{ExitStatus::Kind::Exited, 0};
    const BrokenStream cases[] = {
        {"exit-early:2:3", false, ErrorCode::HostEnded, "without an end marker after 2 frames (exit status 3)",
         ExitStatus{ExitStatus::Kind::Exited, 3}},
        {"signal:1", false, ErrorCode::HostEnded, "after 1 frame (killed by signal 9",
         ExitStatus{ExitStatus::Kind::Signaled, SIGKILL}},
        {"truncate:2", false, ErrorCode::HostEnded, "in the middle of frame 2 (30 of 60 bytes) (exit status 0)",
         exited0},
        {"bad-kind:2", false, ErrorCode::MalformedStream, "unknown kind 7 where frame 2 was due", std::nullopt},
        {"bad-size:2", false, ErrorCode::MalformedStream, "frame 2 as 6x3 but was started for 5x3", std::nullopt},
        {"silent", false, ErrorCode::Timeout, "did not send the header of frame 1 within 300 ms", std::nullopt},
        {"no-marker", true, ErrorCode::HostEnded, "without an end marker", exited0},
        {"trailing", true, ErrorCode::MalformedStream, "more after its end marker", std::nullopt},
        {"ignore-finish", true, ErrorCode::Timeout, "no end marker within 300 ms", std::nullopt},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.mode);
        TempDir dir;
        auto options = stubOptions(dir, test.mode);
        // Short only where the timeout is the point: a loaded machine may take
        // longer than that for a host to end.
        options.timeout = test.code == ErrorCode::Timeout ? 300ms : 10s;
        auto host = HostProcess::start(options);
        ASSERT_TRUE(host.has_value()) << host.error().message;

        std::optional<Error> error;
        if (test.viaFinish) {
            auto frame = host->readFrame();
            ASSERT_TRUE(frame.has_value()) << frame.error().message;
            auto finished = host->finish();
            if (!finished.has_value())
                error = finished.error();
        } else {
            for (int i = 0; i < 5 && !error; ++i) {
                auto frame = host->readFrame();
                if (!frame.has_value())
                    error = frame.error();
            }
        }
        ASSERT_TRUE(error.has_value()) << "expected " << toString(test.code) << ", got no error";
        EXPECT_EQ(error->code, test.code)
            << "expected " << toString(test.code) << ", got " << toString(error->code) << ": " << error->message;
        EXPECT_NE(error->message.find(test.message), std::string::npos)
            << "expected a message with '" << test.message << "', got '" << error->message << "'";
        if (test.status) {
            EXPECT_EQ(error->exitStatus, test.status) << error->message;
        }

        // The first error sticks.
        auto again = host->readFrame();
        ASSERT_FALSE(again.has_value());
        EXPECT_EQ(again.error().code, error->code);
    }
}

TEST(HostProcess, RefusesHostsThatCannotRun) {
    TempDir dir;
    const auto plain = dir / "not-executable";
    std::ofstream(plain) << "#!/bin/sh\n";
    ::chmod(plain.c_str(), 0644);

    for (const auto& program : {dir / "missing", dir.path(), plain}) {
        auto options = stubOptions(dir);
        options.program = program;
        auto host = HostProcess::start(options);
        ASSERT_FALSE(host.has_value()) << program;
        EXPECT_EQ(host.error().code, ErrorCode::HostMissing) << host.error().message;
        EXPECT_NE(host.error().message.find(program.string()), std::string::npos) << host.error().message;
    }
}

TEST(HostProcess, RefusesFrameSizesTheProtocolCannotCarry) {
    TempDir dir;
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 3}, {5, 0}, {-1, 3}, {65536, 1}, {16385, 16384}};
    for (const auto& [width, height] : sizes) {
        auto options = stubOptions(dir);
        options.width = width;
        options.height = height;
        auto host = HostProcess::start(options);
        ASSERT_FALSE(host.has_value()) << width << "x" << height;
        EXPECT_EQ(host.error().code, ErrorCode::InvalidArgument) << host.error().message;
    }
    EXPECT_TRUE(isValidFrameSize(16384, 16384)) << "exactly 1 GiB";
    EXPECT_TRUE(isValidFrameSize(65535, 1));
    EXPECT_FALSE(isValidFrameSize(16385, 16384));
    EXPECT_FALSE(moviehost::testing::stubHostPath().empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "log")) << "no host may start for a refused size";
}

TEST(HostProcess, WritingToAnEndedHostIsAnErrorNotASignal) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir, "exit-early:0:0"));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->wait().has_value());

    // Without care this would raise SIGPIPE and end the test binary.
    for (int i = 0; i < 3; ++i) {
        auto sent = host->moveMouse(1, 1);
        ASSERT_FALSE(sent.has_value());
        EXPECT_EQ(sent.error().code, ErrorCode::HostGone) << sent.error().message;
        EXPECT_NE(sent.error().message.find("(exit status 0)"), std::string::npos) << sent.error().message;
    }
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE)) << "no SIGPIPE left pending";
}

TEST(HostProcess, CapturesTheHostsStandardError) {
    TempDir dir;
    auto host = HostProcess::start(stubOptions(dir, "stderr:stub says hello"));
    ASSERT_TRUE(host.has_value()) << host.error().message;
    ASSERT_TRUE(host->readFrame().has_value());
    ASSERT_TRUE(host->quit().has_value());
    ASSERT_TRUE(host->wait().has_value());
    EXPECT_EQ(host->capturedErrors(), "stub says hello\n");
}

TEST(HostProcess, StartsWithAnyArgumentVectorOnRequest) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"movie.swf", "5", "3"}, std::vector<std::string>{"movie.swf", "5", "3", "1", "x"}}) {
        TempDir dir;
        auto options = stubOptions(dir);
        options.arguments = arguments;
        auto host = HostProcess::start(options);
        ASSERT_TRUE(host.has_value()) << host.error().message;
        auto rest = host->readToEnd(1000);
        ASSERT_TRUE(rest.has_value()) << rest.error().message;
        EXPECT_TRUE(rest->empty()) << rest->size() << " bytes";
        auto status = host->wait();
        ASSERT_TRUE(status.has_value());
        EXPECT_TRUE(status->success()) << status->describe();
        EXPECT_EQ(moviehost::testing::readStubLog(dir / "log").startValue("argc"), std::to_string(arguments.size()));
    }
}

TEST(HostProcess, DestructionEndsAHostThatIgnoresItsInput) {
    TempDir dir;
    pid_t pid = -1;
    {
        auto host = HostProcess::start(stubOptions(dir, "deaf"));
        ASSERT_TRUE(host.has_value()) << host.error().message;
        pid = host->pid();
        ASSERT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_EQ(::kill(pid, 0), -1) << "the host was killed and reaped";
    EXPECT_EQ(errno, ESRCH);
}

TEST(HostProcess, MovesKeepOneOwner) {
    TempDir dir;
    auto started = HostProcess::start(stubOptions(dir));
    ASSERT_TRUE(started.has_value()) << started.error().message;
    const pid_t pid = started->pid();
    HostProcess host = std::move(*started);
    EXPECT_EQ(started->pid(), -1);
    EXPECT_EQ(host.pid(), pid);
    ASSERT_TRUE(host.readFrame().has_value());
    ASSERT_TRUE(host.finish().has_value());
}

}  // namespace
