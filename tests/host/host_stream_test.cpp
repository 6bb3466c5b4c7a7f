// The real moviehost hosting the fake control: the frame stream, the input
// records and how the parent ends it.
#include "moviehost/testing/host_driver.h"

#include <moviehost/client/host_process.h>
#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace moviehost::testing;
namespace wire = moviehost::wire;
using namespace moviehost::client;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(HostEndToEnd, WrongArgumentCountEndsAtOnceWithoutOutput) {
    HostWorkspace workspace;
    const std::string pid = std::to_string(::getpid());
    for (const auto& arguments : {std::vector<std::string>{"movie.swf", "8", "6"},
                                  std::vector<std::string>{"movie.swf", "8", "6", pid, "extra"}}) {
        SCOPED_TRACE(std::to_string(arguments.size()) + " arguments");
        HostOptions options = workspace.options();
        options.arguments = arguments;
        HostProcess host = startHost(options);
        EXPECT_TRUE(readToEnd(host).empty());
        const ExitStatus status = waitForExit(host);
        EXPECT_TRUE(status.success()) << status.describe();
        EXPECT_EQ(host.capturedErrors(), "");
    }
    EXPECT_TRUE(workspace.calls("Play").empty()) << "no control was made";
}

TEST(HostEndToEnd, EveryTickIsAWholeTopDownRgbaFrame) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    for (int n = 0; n < 5; ++n) {
        auto frame = host.readFrame();
        ASSERT_TRUE(frame.has_value()) << frame.error().message;
        ASSERT_EQ(frame->width(), HostWorkspace::Width);
        ASSERT_EQ(frame->height(), HostWorkspace::Height);
        ASSERT_EQ(frame->byteCount(), std::size_t{HostWorkspace::Width * HostWorkspace::Height * 4});
        // The fake control's first and only drawing: blue = x, green = y
        // counted from the top, red = 1 (its first Draw); alpha always 255.
        for (std::int32_t y = 0; y < HostWorkspace::Height; ++y)
            for (std::int32_t x = 0; x < HostWorkspace::Width; ++x)
                ASSERT_EQ(frame->pixel(x, y),
                          (Rgba{1, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x), 255}))
                    << "frame " << n << " at " << x << "," << y;
    }
    auto passed = host.finish();
    ASSERT_TRUE(passed.has_value()) << passed.error().message;
    EXPECT_TRUE(waitForExit(host).success());
    EXPECT_EQ(workspace.calls("put_Movie"), (std::vector<std::string>{"put_Movie(\"movie.swf\")"}));
    EXPECT_EQ(workspace.calls("Draw").size(), 1u) << "an unchanged movie is drawn once and sent on every tick";
    EXPECT_EQ(workspace.calls("StopPlay").size(), 1u) << "the movie is halted at the end";
}

TEST(HostEndToEnd, FinishWritesTheMarkerAfterWholeFrames) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    ASSERT_TRUE(host.readFrame().has_value());
    ASSERT_TRUE(host.sendBytes(wire::encodeRecord(wire::Finish)).has_value());
    expectFramesThenEndMarker(readToEnd(host));
    EXPECT_TRUE(waitForExit(host).success());
}

TEST(HostEndToEnd, QuitAndWmQuitEndWithoutTheMarker) {
    HostWorkspace workspace;
    constexpr std::uint32_t WmQuit = 0x0012;
    for (const std::uint32_t message : {wire::Quit, WmQuit}) {
        SCOPED_TRACE(message);
        HostProcess host = startHost(workspace.options());
        ASSERT_TRUE(host.readFrame().has_value());
        ASSERT_TRUE(host.sendBytes(wire::encodeRecord(message)).has_value());
        expectWholeFrames(readToEnd(host));
        const ExitStatus status = waitForExit(host);
        EXPECT_TRUE(status.success()) << status.describe();
    }
}

TEST(HostEndToEnd, ARecordInPiecesArrivesWhole) {
    // A move split 10, 10 and the rest, then a finish: the move arrives whole.
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    ASSERT_TRUE(host.readFrame().has_value());
    const auto move = wire::encodeRecord(wire::MouseMove, 0, wire::mouseLParam(7, 3));
    const std::span<const std::uint8_t> bytes(move);
    ASSERT_TRUE(host.sendBytes(bytes.subspan(0, 10)).has_value());
    std::this_thread::sleep_for(40ms);
    ASSERT_TRUE(host.sendBytes(bytes.subspan(10, 10)).has_value());
    std::this_thread::sleep_for(40ms);
    ASSERT_TRUE(host.sendBytes(bytes.subspan(20)).has_value());
    ASSERT_TRUE(host.finish().has_value());
    EXPECT_TRUE(waitForExit(host).success());
    EXPECT_EQ(workspace.calls("OnWindowMessage"), (std::vector<std::string>{"OnWindowMessage(0x200, 0x0, 0x30007)"}));
}

TEST(HostEndToEnd, TwoRecordsInOneWriteArriveInOrder) {
    // A press and the finish in one write: both, in order.
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    ASSERT_TRUE(host.readFrame().has_value());
    std::vector<std::uint8_t> both;
    for (const auto& record :
         {wire::encodeRecord(wire::LeftButtonDown, 0, wire::mouseLParam(4, 9)), wire::encodeRecord(wire::Finish)})
        both.insert(both.end(), record.begin(), record.end());
    ASSERT_TRUE(host.sendBytes(both).has_value());
    expectFramesThenEndMarker(readToEnd(host));
    EXPECT_TRUE(waitForExit(host).success());
    EXPECT_EQ(workspace.calls("OnWindowMessage"), (std::vector<std::string>{"OnWindowMessage(0x201, 0x1, 0x90004)"}));
}

TEST(HostEndToEnd, MouseRecordsReachTheControlWithUnsignedPositions) {
    HostWorkspace workspace;
    HostProcess host = startHost(workspace.options());
    ASSERT_TRUE(host.readFrame().has_value());
    ASSERT_TRUE(host.pressMouse(50, 100).has_value());
    // All high bits set: y is 65535, never -1.
    ASSERT_TRUE(host.sendBytes(wire::encodeRecord(wire::MouseMove, 0, wire::mouseLParam(1, 65535))).has_value());
    ASSERT_TRUE(host.releaseMouse(65535, 0).has_value());
    // wParam is not the host's to pass on: the key state comes from the player.
    ASSERT_TRUE(host.sendBytes(wire::encodeRecord(wire::MouseMove, 0xFFFFFFFFu, wire::mouseLParam(1, 2))).has_value());
    ASSERT_TRUE(host.finish().has_value());
    EXPECT_TRUE(waitForExit(host).success());
    EXPECT_EQ(workspace.calls("OnWindowMessage"), (std::vector<std::string>{
                                                      "OnWindowMessage(0x201, 0x1, 0x640032)",
                                                      "OnWindowMessage(0x200, 0x1, 0xffff0001)",
                                                      "OnWindowMessage(0x202, 0x0, 0xffff)",
                                                      "OnWindowMessage(0x200, 0x0, 0x20001)",
                                                  }));
}

TEST(HostEndToEnd, ThirtyThousandRecordsThenFinishStillEndWithTheMarker) {
    HostWorkspace workspace;
    HostOptions options = workspace.options();
    options.environment.erase(options.environment.begin() + 1);  // no call log
    HostProcess host = startHost(options);
    // More records than the host thread's queue holds at once, sent in one
    // go: none may be dropped, least of all the Finish at the end.
    constexpr std::uint32_t WmUser = 0x0400;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 30000; ++i) {
        const auto record = wire::encodeRecord(WmUser);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    const auto finish = wire::encodeRecord(wire::Finish);
    bytes.insert(bytes.end(), finish.begin(), finish.end());
    std::vector<std::uint8_t> output;
    std::thread reader([&] { output = readToEnd(host); });
    const auto sent = host.sendBytes(bytes);
    reader.join();
    ASSERT_TRUE(sent.has_value()) << sent.error().message;
    expectFramesThenEndMarker(output);
    EXPECT_TRUE(waitForExit(host).success());
}

TEST(HostEndToEnd, FloodOfRandomRecordsLeavesFramesComing) {
    HostWorkspace workspace;
    // Without the call log: the flood is about the host, not the fake's file.
    HostOptions options = workspace.options();
    options.environment.erase(options.environment.begin() + 1);
    HostProcess host = startHost(options);
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 100; ++i) {
            wire::EncodedRecord record{};
            for (auto& byte : record)
                byte = static_cast<std::uint8_t>(random());
            constexpr std::uint32_t WmTimer = 0x0113;
            constexpr std::uint32_t WmQuit = 0x0012;
            std::uint32_t message = 0;
            switch (i % 4) {
            case 0:
                message = WmTimer;  // with a forged id and procedure
                break;
            case 1:
                message = wire::MouseMove + static_cast<std::uint32_t>(random() % 3);
                break;
            default:
                message = static_cast<std::uint32_t>(random());
                break;
            }
            // The three ways to end the host are not noise.
            if (message == wire::Finish || message == wire::Quit || message == WmQuit)
                message = WmTimer;
            wire::putInteger(record.data() + wire::RecordMessageAt, message);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        ASSERT_TRUE(host.sendBytes(bytes).has_value()) << "round " << round;
        auto frame = host.readFrame();
        ASSERT_TRUE(frame.has_value()) << "round " << round << ": " << frame.error().message;
    }
    auto passed = host.finish();
    ASSERT_TRUE(passed.has_value()) << passed.error().message;
    const ExitStatus status = waitForExit(host);
    EXPECT_TRUE(status.success()) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
}

}  // namespace
