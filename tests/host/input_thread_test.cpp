// The input thread's passes: records posted in order, a gone parent turned
// into QUIT_MESSAGE, and a pause after every pass that gave up.
#include "input_thread.h"

#include "host_messages.h"
#include "moviehost/testing/platform_pipe.h"

#include "platform/user.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <optional>
#include <thread>
#include <vector>

namespace {

using moviehost::testing::takePostedMessages;

// A channel that gives the bytes it holds, then fails every look (or reports
// a gone parent), for a fixed number of looks before it asks to stop.
class CountingSource final : public InputSource {
public:
    enum class After { ChannelFails, ParentGone };

    CountingSource(std::vector<BYTE> bytes, After after, int looksBeforeStop)
        : m_bytes(bytes.begin(), bytes.end()), m_after(after), m_looksLeft(looksBeforeStop) {}

    bool StopRequested() noexcept override { return m_looksLeft <= 0; }
    bool ParentEnded() noexcept override {
        if (m_bytes.empty() && m_after == After::ParentGone) {
            --m_looksLeft;
            return true;
        }
        return false;
    }
    std::optional<DWORD> Available() noexcept override {
        if (!m_bytes.empty())
            return static_cast<DWORD>(m_bytes.size());
        --m_looksLeft;
        return std::nullopt;
    }
    DWORD Read(BYTE* into, DWORD count) noexcept override {
        for (DWORD i = 0; i < count; ++i) {
            into[i] = m_bytes.front();
            m_bytes.pop_front();
        }
        return count;
    }
    void Pause() noexcept override { ++pauses; }

    int pauses = 0;

private:
    std::deque<BYTE> m_bytes;
    After m_after;
    int m_looksLeft;
};

std::vector<BYTE> recordBytes(DWORD message, DWORD wParam, DWORD lParam) {
    moviehost::wire::Record record;
    // The fields the host ignores hold noise.
    record.window = record.time = record.pointX = record.pointY = 0xCCCCCCCCu;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    const auto bytes = record.encode();
    return {bytes.begin(), bytes.end()};
}

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Posted&) const = default;
};

std::vector<Posted> takePosted() {
    std::vector<Posted> posted;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        posted.push_back({msg.message, msg.wParam, msg.lParam});
    return posted;
}

TEST(InputThread, RecordsArePostedInOrderThenFailedLooksPauseEachTime) {
    takePostedMessages();
    std::vector<BYTE> bytes = recordBytes(WM_MOUSEMOVE, 7, 0xFFFF0001u);
    const std::vector<BYTE> second = recordBytes(FINISH_MESSAGE, 0, 0);
    bytes.insert(bytes.end(), second.begin(), second.end());
    CountingSource source(bytes, CountingSource::After::ChannelFails, 5);

    InputThread::Pump(source, GetCurrentThreadId());
    EXPECT_EQ(takePosted(),
              (std::vector<Posted>{{WM_MOUSEMOVE, 7, static_cast<LPARAM>(0xFFFF0001u)}, {FINISH_MESSAGE, 0, 0}}));
    EXPECT_EQ(source.pauses, 5) << "one pause after each of the 5 failed looks, never a spin";
}

// With the virtual clock's inbox nothing is posted: the records, a Finish
// among them, wait in the inbox in order with their times, and a failed
// channel (the parent's end of input) tells the inbox no more will come.
TEST(InputThread, WithAnInboxRecordsGoThereInOrderAndTheEndIsTold) {
    takePostedMessages();
    moviehost::wire::Record held;
    held.message = WM_LBUTTONDOWN;
    held.time = 3;
    const auto heldBytes = held.encode();
    std::vector<BYTE> bytes(heldBytes.begin(), heldBytes.end());
    for (const UINT message : {UINT(WM_MOUSEMOVE), FINISH_MESSAGE}) {
        const auto more = recordBytes(message, 0, 0);  // time 0xCCCCCCCC: far later
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    CountingSource source(bytes, CountingSource::After::ChannelFails, 2);
    RecordInbox inbox;
    InputThread::Pump(source, GetCurrentThreadId(), &inbox);
    EXPECT_TRUE(takePosted().empty());

    std::vector<InputRecord> taken;
    inbox.TakeFor(2, taken);  // the input has ended: no wait
    EXPECT_TRUE(taken.empty());
    inbox.TakeFor(3, taken);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, UINT(WM_LBUTTONDOWN));
    inbox.TakeFor(0xCCCCCCCCu, taken);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[1].message, UINT(WM_MOUSEMOVE));
    EXPECT_EQ(taken[2].message, FINISH_MESSAGE);
}

TEST(InputThread, AFullQueueIsWaitedOutAndNoRecordIsDropped) {
    takePostedMessages();
    // More records than the queue holds, while this thread is not taking any.
    constexpr DWORD Count = 10500;
    std::vector<BYTE> bytes;
    for (DWORD i = 0; i < Count; ++i) {
        const auto record = recordBytes(WM_USER, i, 0);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    const auto finish = recordBytes(FINISH_MESSAGE, 0, 0);
    bytes.insert(bytes.end(), finish.begin(), finish.end());
    CountingSource source(bytes, CountingSource::After::ChannelFails, 1);
    const DWORD host = GetCurrentThreadId();
    std::atomic<bool> done = false;
    std::thread pump([&] {
        InputThread::Pump(source, host);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<Posted> posted;
    for (;;) {
        const bool finished = done.load();
        const auto taken = takePosted();
        posted.insert(posted.end(), taken.begin(), taken.end());
        if (finished && taken.empty())
            break;
    }
    pump.join();
    ASSERT_EQ(posted.size(), Count + 1);
    for (DWORD i = 0; i < Count; ++i)
        ASSERT_EQ(posted[i].wParam, i) << "record " << i;
    EXPECT_EQ(posted.back().message, static_cast<UINT>(FINISH_MESSAGE));
}

TEST(InputThread, GoneParentPostsQuitOnEveryPassWithAPauseBetween) {
    takePostedMessages();
    CountingSource source({}, CountingSource::After::ParentGone, 3);
    InputThread::Pump(source, GetCurrentThreadId());
    EXPECT_EQ(takePostedMessages(), (std::vector<UINT>{QUIT_MESSAGE, QUIT_MESSAGE, QUIT_MESSAGE}));
    EXPECT_EQ(source.pauses, 3);
}

TEST(InputThread, RealThreadWithoutAParentEndsTheHostAndStopsWhenAsked) {
    takePostedMessages();
    InputThread thread(GetCurrentThreadId(), nullptr);
    ASSERT_TRUE(thread.Start());
    MSG msg{};
    ASSERT_GT(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, QUIT_MESSAGE);
    EXPECT_TRUE(thread.Stop());
    for (const UINT message : takePostedMessages())
        EXPECT_EQ(message, QUIT_MESSAGE);
    EXPECT_TRUE(takePostedMessages().empty()) << "nothing comes after Stop";
}

}  // namespace
