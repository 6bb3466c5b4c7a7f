// Ticks of the frame timer: the white start, what the player draws, whole
// frames only, and failures that end the host before a byte is written.
#include "frame_timer.h"

#include "fake_player.h"
#include "host_messages.h"
#include "moviehost/testing/platform_pipe.h"

#include "platform/gdi.h"
#include "platform/scoped_gdi.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

// The conversion buffer is the one array this process allocates without
// throwing; a test can make exactly that allocation fail.
std::atomic<std::size_t> g_failNothrowArrayOfSize = 0;

}  // namespace

// Array allocation is replaced as a whole, so that every new[] and delete[]
// pair stays matched (sanitizers check that).
void* operator new[](std::size_t size) {
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (size != 0 && size == g_failNothrowArrayOfSize.load())
        return nullptr;
    return std::malloc(size ? size : 1);
}
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

using moviehost::testing::FakePlayer;
using moviehost::testing::Pipe;
using moviehost::testing::takePostedMessages;

struct Pixel {
    BYTE r, g, b, a;
    bool operator==(const Pixel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "(" << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a) << ")";
}

class FrameTimerTest : public ::testing::Test {
protected:
    static constexpr LONG Width = 3;
    static constexpr LONG Height = 2;

    void SetUp() override { takePostedMessages(); }

    // The one frame on the pipe, as pixels in stream order (top row first).
    std::vector<Pixel> readFrame() {
        const std::vector<std::uint8_t> bytes = m_pipe.drain();
        EXPECT_EQ(bytes.size(), moviehost::wire::frameMessageBytes(Width, Height));
        if (bytes.size() != moviehost::wire::frameMessageBytes(Width, Height))
            return {};
        const auto header = moviehost::wire::frameHeader(Width, Height);
        EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
        std::vector<Pixel> pixels;
        for (std::size_t i = header.size(); i < bytes.size(); i += 4)
            pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
        return pixels;
    }

    Pipe m_pipe;
    HostFailure m_failure;
    OutputWriter m_output{m_pipe.write.get(), GetCurrentThreadId()};
    FrameTimer m_timer{*FrameGeometry::From(Width, Height), m_output, m_failure, GetCurrentThreadId()};
    FakePlayer m_player;
};

constexpr Pixel KWhite{255, 255, 255, 255};

TEST_F(FrameTimerTest, FirstTickSendsAWhitePictureAndAsksForTheDirtyList) {
    m_timer.Tick(&m_player);
    EXPECT_EQ(readFrame(), std::vector<Pixel>(Width * Height, KWhite));
    EXPECT_EQ(m_player.calls, (std::vector<std::string>{"CollectDirtyRects(null,first,count)"}));
    EXPECT_FALSE(m_failure.Failed());
}

TEST_F(FrameTimerTest, DrawingReachesTheStreamTopRowFirstAndStaysUntilRedrawn) {
    // Paint the surface's top-left pixel (GDI coordinates, origin top left).
    m_player.dirty = true;
    m_player.draw = [](HDC hdc) {
        const platform::ScopedRegion corner(CreateRectRgn(0, 0, 1, 1));
        const platform::ScopedBrush brush(CreateSolidBrush(RGB(10, 20, 30)));
        ASSERT_TRUE(FillRgn(hdc, corner.get(), brush.get()));
    };
    m_timer.Tick(&m_player);
    std::vector<Pixel> expected(Width * Height, KWhite);
    expected[0] = {10, 20, 30, 255};
    EXPECT_EQ(readFrame(), expected);

    // Nothing changed: the same picture again, without drawing.
    m_player.calls.clear();
    m_timer.Tick(&m_player);
    EXPECT_EQ(readFrame(), expected);
    EXPECT_EQ(m_player.calls, (std::vector<std::string>{"CollectDirtyRects(null,first,count)"}));
}

TEST_F(FrameTimerTest, ComErrorWhileDrawingWritesNothingAndEndsTheHost) {
    for (const char* operation : {"CollectDirtyRects", "DrawDirtyRegion"}) {
        SCOPED_TRACE(operation);
        HostFailure failure;
        OutputWriter output(m_pipe.write.get(), GetCurrentThreadId());
        FrameTimer timer(*FrameGeometry::From(Width, Height), output, failure, GetCurrentThreadId());
        FakePlayer player;
        player.dirty = true;
        player.raise[operation] = E_FAIL;

        timer.Tick(&player);
        EXPECT_TRUE(m_pipe.drain().empty()) << "no part of a frame";
        EXPECT_EQ(failure.Code(), ExitCode::ControlFailed);
        EXPECT_EQ(takePostedMessages(), (std::vector<UINT>{QUIT_MESSAGE}));

        // Later ticks stay silent too.
        player.raise.clear();
        timer.Tick(&player);
        EXPECT_TRUE(m_pipe.drain().empty());
    }
}

TEST_F(FrameTimerTest, NoConversionBufferEndsTheHostThroughTheQuitMessageWithoutAByte) {
    g_failNothrowArrayOfSize = Width * Height * 4;
    m_timer.Tick(&m_player);
    g_failNothrowArrayOfSize = 0;
    EXPECT_TRUE(m_pipe.drain().empty()) << "not even a header";
    EXPECT_EQ(takePostedMessages(), (std::vector<UINT>{QUIT_MESSAGE}));
    EXPECT_EQ(m_failure.Code(), ExitCode::OutOfMemory);
    // The failure sticks: later ticks write nothing either.
    m_timer.Tick(&m_player);
    EXPECT_TRUE(m_pipe.drain().empty());
}

TEST_F(FrameTimerTest, InstalledTimerTicksFromTheMessageLoop) {
    ASSERT_TRUE(m_timer.Install(&m_player));
    // The timer is due within 30 ms; dispatching its WM_TIMER runs a tick.
    MSG msg{};
    for (int i = 0; i < 100 && m_player.calls.empty(); ++i) {
        ASSERT_GT(GetMessageW(&msg, nullptr, 0, 0), 0);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(readFrame(), std::vector<Pixel>(Width * Height, KWhite));

    // Only one frame timer per process.
    HostFailure failure;
    OutputWriter output(m_pipe.write.get(), GetCurrentThreadId());
    FrameTimer second(*FrameGeometry::From(1, 1), output, failure, GetCurrentThreadId());
    EXPECT_FALSE(second.Install(&m_player));

    m_timer.Uninstall();
    m_player.calls.clear();
    Sleep(2 * FrameTimer::PeriodMs);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_TRUE(m_player.calls.empty()) << "no tick after Uninstall";
}

}  // namespace
