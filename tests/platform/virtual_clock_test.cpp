// The virtual clock moves only when told; tick counts, timers and the wall
// clock follow it. Each test runs in a process of its own (CTest runs tests
// one by one), since the clock is process-wide.
#include "fresh_thread.h"

#include "platform/kernel.h"
#include "platform/user.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include <vector>

using moviehost::testing::runOnFreshThread;

namespace {

thread_local std::vector<ULONGLONG> t_fired;

void CALLBACK recordTick(HWND, UINT, UINT_PTR, DWORD) { t_fired.push_back(platform::VirtualClockElapsed()); }

// Steps the clock to each due timer in turn up to `until`, dispatching it.
void runUntil(ULONGLONG until) {
    for (auto due = platform::NextThreadTimerDue(); due && *due <= until; due = platform::NextThreadTimerDue()) {
        platform::AdvanceVirtualClockTo(*due);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    platform::AdvanceVirtualClockTo(until);
}

TEST(VirtualClock, TimersFireAtTheirVirtualTimesAndTheClockNeverRunsBack) {
    platform::UseVirtualClock(946684800000);  // 2000-01-01T00:00:00Z
    runOnFreshThread([] {
        const DWORD start = GetTickCount();
        ASSERT_NE(SetTimer(nullptr, 0, 40, recordTick), 0u);
        ASSERT_NE(SetTimer(nullptr, 0, 100, recordTick), 0u);
        runUntil(200);
        EXPECT_EQ(t_fired, (std::vector<ULONGLONG>{40, 80, 100, 120, 160, 200, 200}));
        EXPECT_EQ(GetTickCount() - start, 200u);
        platform::AdvanceVirtualClockTo(150);
        EXPECT_EQ(platform::VirtualClockElapsed(), 200u);
    });
}

TEST(VirtualClock, WallClockStartsAtTheEpochAndFollowsVirtualTime) {
    platform::UseVirtualClock(946684800000);
    platform::AdvanceVirtualClockTo(1500);
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    const unsigned long long units = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    // 100 ns units since 1601: the epoch plus 1.5 s.
    EXPECT_EQ(units, 116444736000000000ull + (946684800000ull + 1500ull) * 10000ull);
}

TEST(VirtualClock, AThreadWithoutTimersHasNothingDue) {
    platform::UseVirtualClock(0);
    runOnFreshThread([] { EXPECT_EQ(platform::NextThreadTimerDue(), std::nullopt); });
}

}  // namespace
