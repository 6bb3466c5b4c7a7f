// The real moviehost hosting the fake control: the frame stream, the input
// records and how the parent ends it.
#include "host_workspace.h"

#include <moviehost/client/host_process.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace client_e2e;
using namespace moviehost::client;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(HostEndToEnd, WrongArgumentCountEndsAtOnceWithoutOutput) {
    HostWorkspace workspace;
    const std::string pid = std::to_string(::getpid());
    for (const auto& arguments : {std::vector<std::string>{"movie.swf", "8", "6"},
                                  std::vector<std::string>{"movie.swf", "8", "6", pid, "extra"}}) {
        SCOPED_TRACE(std::to_string(arguments.size()) + " arguments");
        HostOptions options = workspace.Options();
        options.arguments = arguments;
        HostProcess host = Start(options);
        EXPECT_TRUE(ReadToEnd(host).empty());
        const ExitStatus status = WaitForExit(host);
        EXPECT_TRUE(status.success()) << status.describe();
        EXPECT_EQ(host.capturedErrors(), "");
    }
    EXPECT_TRUE(workspace.Calls("Play").empty()) << "no control was made";
}

TEST(HostEndToEnd, EveryTickIsAWholeTopDownRgbaFrame) {
    HostWorkspace workspace;
    HostProcess host = Start(workspace.Options());
    for (int n = 0; n < 5; ++n) {
        auto frame = host.readFrame();
        ASSERT_TRUE(frame.has_value()) << frame.error().message;
        ASSERT_EQ(frame->width(), kWidth);
        ASSERT_EQ(frame->height(), kHeight);
        ASSERT_EQ(frame->byteCount(), std::size_t{kWidth * kHeight * 4});
        // The fake control's first and only drawing: blue = x, green = y
        // counted from the top, red = 1 (its first Draw); alpha always 255.
        for (std::int32_t y = 0; y < kHeight; ++y)
            for (std::int32_t x = 0; x < kWidth; ++x)
                ASSERT_EQ(frame->pixel(x, y),
                          (Rgba{1, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x), 255}))
                    << "frame " << n << " at " << x << "," << y;
    }
    auto passed = host.finish();
    ASSERT_TRUE(passed.has_value()) << passed.error().message;
    EXPECT_TRUE(WaitForExit(host).success());
    EXPECT_EQ(workspace.Calls("put_Movie"), (std::vector<std::string>{"put_Movie(\"movie.swf\")"}));
    EXPECT_EQ(workspace.Calls("Draw").size(), 1u) << "an unchanged movie is drawn once and sent on every tick";
    EXPECT_EQ(workspace.Calls("StopPlay").size(), 1u) << "the movie is halted at the end";
}

TEST(HostEndToEnd, FinishWritesTheMarkerQuitAndWmQuitDoNot) {
    HostWorkspace workspace;
    {
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().has_value());
        ASSERT_TRUE(host.sendBytes(Record(2024)).has_value());
        const std::vector<std::uint8_t> rest = ReadToEnd(host);
        ASSERT_GE(rest.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(rest.end() - 4, rest.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
        ExpectWholeFrames(std::vector<std::uint8_t>(rest.begin(), rest.end() - 4));
        EXPECT_TRUE(WaitForExit(host).success());
    }
    for (const std::uint32_t message : {2025u, 0x0012u /* WM_QUIT */}) {
        SCOPED_TRACE(message);
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().has_value());
        ASSERT_TRUE(host.sendBytes(Record(message)).has_value());
        ExpectWholeFrames(ReadToEnd(host));
        const ExitStatus status = WaitForExit(host);
        EXPECT_TRUE(status.success()) << status.describe();
    }
}

TEST(HostEndToEnd, RecordsInPiecesAndTwoInOneWrite) {
    HostWorkspace workspace;
    {
        // A move split 10, 10 and 8 bytes, then a finish: the move arrives whole.
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().has_value());
        const auto move = Record(512, 0, (3u << 16) | 7u);
        const std::span<const std::uint8_t> bytes(move);
        ASSERT_TRUE(host.sendBytes(bytes.subspan(0, 10)).has_value());
        std::this_thread::sleep_for(40ms);
        ASSERT_TRUE(host.sendBytes(bytes.subspan(10, 10)).has_value());
        std::this_thread::sleep_for(40ms);
        ASSERT_TRUE(host.sendBytes(bytes.subspan(20, 8)).has_value());
        ASSERT_TRUE(host.finish().has_value());
        EXPECT_TRUE(WaitForExit(host).success());
        EXPECT_EQ(workspace.Calls("OnWindowMessage"),
                  (std::vector<std::string>{"OnWindowMessage(0x200, 0x0, 0x30007)"}));
    }
    fs::remove(workspace.LogPath());
    {
        // A press and the finish in one write of 56 bytes: both, in order.
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().has_value());
        std::vector<std::uint8_t> both;
        for (const auto& record : {Record(513, 0, (9u << 16) | 4u), Record(2024)})
            both.insert(both.end(), record.begin(), record.end());
        ASSERT_TRUE(host.sendBytes(both).has_value());
        const std::vector<std::uint8_t> rest = ReadToEnd(host);
        ASSERT_GE(rest.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(rest.end() - 4, rest.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
        EXPECT_TRUE(WaitForExit(host).success());
        EXPECT_EQ(workspace.Calls("OnWindowMessage"),
                  (std::vector<std::string>{"OnWindowMessage(0x201, 0x1, 0x90004)"}));
    }
}

TEST(HostEndToEnd, MouseRecordsReachTheControlWithUnsignedPositions) {
    HostWorkspace workspace;
    HostProcess host = Start(workspace.Options());
    ASSERT_TRUE(host.readFrame().has_value());
    ASSERT_TRUE(host.pressMouse(50, 100).has_value());
    // All high bits set: y is 65535, never -1.
    ASSERT_TRUE(host.sendBytes(Record(512, 0, 0xFFFF0001u)).has_value());
    ASSERT_TRUE(host.releaseMouse(65535, 0).has_value());
    // wParam is not the host's to pass on: the key state comes from the player.
    ASSERT_TRUE(host.sendBytes(Record(512, 0xFFFFFFFFu, (2u << 16) | 1u)).has_value());
    ASSERT_TRUE(host.finish().has_value());
    EXPECT_TRUE(WaitForExit(host).success());
    EXPECT_EQ(workspace.Calls("OnWindowMessage"), (std::vector<std::string>{
                                                      "OnWindowMessage(0x201, 0x1, 0x640032)",
                                                      "OnWindowMessage(0x200, 0x1, 0xffff0001)",
                                                      "OnWindowMessage(0x202, 0x0, 0xffff)",
                                                      "OnWindowMessage(0x200, 0x0, 0x20001)",
                                                  }));
}

TEST(HostEndToEnd, FloodOfRandomRecordsLeavesFramesComing) {
    HostWorkspace workspace;
    // Without the call log: the flood is about the host, not the fake's file.
    HostOptions options = workspace.Options();
    options.environment.erase(options.environment.begin() + 1);
    HostProcess host = Start(options);
    std::mt19937 random(2024);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 100; ++i) {
            std::array<std::uint8_t, 28> record{};
            for (auto& byte : record)
                byte = static_cast<std::uint8_t>(random());
            std::uint32_t message = 0;
            switch (i % 4) {
            case 0:
                message = 0x0113;  // WM_TIMER with a forged id and procedure
                break;
            case 1:
                message = 512 + static_cast<std::uint32_t>(random() % 3);
                break;
            default:
                message = static_cast<std::uint32_t>(random());
                break;
            }
            // The three ways to end the host are not noise.
            if (message == 2024 || message == 2025 || message == 0x0012)
                message = 0x0113;
            for (int b = 0; b < 4; ++b)
                record[4 + b] = static_cast<std::uint8_t>(message >> (8 * b));
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        ASSERT_TRUE(host.sendBytes(bytes).has_value()) << "round " << round;
        auto frame = host.readFrame();
        ASSERT_TRUE(frame.has_value()) << "round " << round << ": " << frame.error().message;
    }
    auto passed = host.finish();
    ASSERT_TRUE(passed.has_value()) << passed.error().message;
    const ExitStatus status = WaitForExit(host);
    EXPECT_TRUE(status.success()) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
}

}  // namespace
