// Start-up, loop and shutdown of the host against a fake loader and player:
// the order of the player calls and how each way out of the loop behaves.
#include "host_messages.h"
#include "host_state.h"
#include "message_loop.h"
#include "start_up.h"

#include "fake_player.h"
#include "moviehost/testing/platform_pipe.h"

#include "platform/kernel.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using moviehost::testing::FakeLoader;
using moviehost::testing::FakePlayer;
using moviehost::testing::Pipe;
using moviehost::testing::takePostedMessages;
using Calls = std::vector<std::string>;

class HostFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        takePostedMessages();
        m_loader.player = &m_player;
    }

    HostState& host() {
        if (!m_host) {
            platform::ScopedHandle self(OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId()));
            m_host = std::make_unique<HostState>(WIDE("movie.swf"), *FrameGeometry::From(4, 3), std::move(self),
                                                 GetCurrentThreadId(), &m_loader, m_pipe.write.get());
        }
        return *m_host;
    }

    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), message, wParam, lParam));
    }

    Pipe m_pipe;
    FakeLoader m_loader;
    FakePlayer m_player;
    std::unique_ptr<HostState> m_host;
};

TEST_F(HostFlowTest, FinishBeforeTheFirstTickWritesOnlyTheMarker) {
    ASSERT_TRUE(StartUp(host()));
    // Posted messages come before timers, so the marker is all there is.
    post(FINISH_MESSAGE);
    RunMessageLoop(host());
    ASSERT_TRUE(ShutDown(host()));

    EXPECT_EQ(m_pipe.drain(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(m_loader.calls, (Calls{"NewPlayer(4,3)", "DeletePlayer(player)"}));
    EXPECT_EQ(m_player.calls, (Calls{"OpenMovie(location)", "PlayMovie()", "HaltMovie()"}));
    EXPECT_EQ(host().failure.Code(), ExitCode::Success);
}

TEST_F(HostFlowTest, MouseMessagesReachThePlayerInOrderUntilQuit) {
    ASSERT_TRUE(StartUp(host()));
    post(WM_MOUSEMOVE, 0, (20 << 16) | 10);
    post(WM_LBUTTONDOWN, 0, (20 << 16) | 10);
    post(0x7777);  // unknown: dispatched, ignored
    post(WM_LBUTTONUP, 0, (21 << 16) | 11);
    post(QUIT_MESSAGE);
    post(WM_MOUSEMOVE, 0, 0);  // after the end: never handled
    RunMessageLoop(host());
    ASSERT_TRUE(ShutDown(host()));

    EXPECT_TRUE(m_pipe.drain().empty()) << "quit writes nothing";
    EXPECT_EQ(m_player.calls,
              (Calls{"OpenMovie(location)", "PlayMovie()", "MoveMouse(10,20)", "ChangeMouseButton(10,20,0,down)",
                     "ChangeMouseButton(11,21,0,up)", "HaltMovie()"}));
}

TEST_F(HostFlowTest, WmQuitEndsTheLoopLikeQuitMessage) {
    ASSERT_TRUE(StartUp(host()));
    PostQuitMessage(0);
    RunMessageLoop(host());
    ASSERT_TRUE(ShutDown(host()));
    EXPECT_TRUE(m_pipe.drain().empty());
    EXPECT_EQ(host().failure.Code(), ExitCode::Success);
}

TEST_F(HostFlowTest, ComErrorInStartUpEndsWithTheControlFailureAndGivesThePlayerBack) {
    m_player.raise["PlayMovie"] = static_cast<HRESULT>(0x80004005u);
    m_player.raise["HaltMovie"] = static_cast<HRESULT>(0x8000FFFFu);  // a second failure is not told
    EXPECT_FALSE(StartUp(host()));
    ASSERT_TRUE(ShutDown(host()));
    EXPECT_EQ(host().failure.Code(), ExitCode::ControlFailed);
    EXPECT_EQ(m_loader.calls, (Calls{"NewPlayer(4,3)", "DeletePlayer(player)"}));
    EXPECT_TRUE(m_pipe.drain().empty());
}

TEST_F(HostFlowTest, NoPlayerOrARaisingNewPlayerEndsBeforeAnythingRuns) {
    m_loader.player = nullptr;
    EXPECT_FALSE(StartUp(host()));
    ASSERT_TRUE(ShutDown(host()));
    EXPECT_EQ(host().failure.Code(), ExitCode::NoControl);
    EXPECT_EQ(m_loader.calls, (Calls{"NewPlayer(4,3)"}));

    m_host.reset();
    m_loader.calls.clear();
    m_loader.raiseInNewPlayer = E_OUTOFMEMORY;
    EXPECT_FALSE(StartUp(host()));
    ASSERT_TRUE(ShutDown(host()));
    EXPECT_EQ(host().failure.Code(), ExitCode::ControlFailed);
    EXPECT_EQ(m_loader.calls, (Calls{"NewPlayer(4,3)"}));
}

TEST_F(HostFlowTest, ComErrorFromAMouseOperationLeavesTheLoopAtOnce) {
    m_player.raise["MoveMouse"] = E_FAIL;
    ASSERT_TRUE(StartUp(host()));
    post(WM_MOUSEMOVE, 0, 0);
    post(FINISH_MESSAGE);  // would write a marker if the loop went on
    RunMessageLoop(host());
    ASSERT_TRUE(ShutDown(host()));
    EXPECT_EQ(host().failure.Code(), ExitCode::ControlFailed);
    EXPECT_TRUE(m_pipe.drain().empty());
}

TEST_F(HostFlowTest, FramesFlowWhileNothingEndsTheLoop) {
    ASSERT_TRUE(StartUp(host()));
    // Let a few ticks happen, then finish: whole frames, then the marker.
    const DWORD start = GetTickCount();
    MSG msg{};
    while (GetTickCount() - start < 100 && GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    post(FINISH_MESSAGE);
    RunMessageLoop(host());
    ASSERT_TRUE(ShutDown(host()));

    const std::vector<std::uint8_t> bytes = m_pipe.drain();
    const std::size_t frameBytes = moviehost::wire::frameMessageBytes(4, 3);
    ASSERT_GE(bytes.size(), frameBytes + 4);
    EXPECT_EQ((bytes.size() - 4) % frameBytes, 0u) << "whole frames only, got " << bytes.size() << " bytes";
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

}  // namespace
