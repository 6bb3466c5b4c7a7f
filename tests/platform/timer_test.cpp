// Thread timers on the manual clock: when WM_TIMER appears, that it never
// piles up, and that DispatchMessageW calls only genuine timer procedures.
#include "fresh_thread.h"

#include "platform/kernel.h"
#include "platform/testing.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <future>
#include <random>
#include <thread>
#include <vector>

using moviehost::testing::runOnFreshThread;

namespace {

struct ProcCall {
    TIMERPROC proc;
    UINT message;
    UINT_PTR id;
};

thread_local std::vector<ProcCall> t_calls;

void CALLBACK firstProc(HWND hwnd, UINT message, UINT_PTR id, DWORD) {
    EXPECT_EQ(hwnd, nullptr);
    t_calls.push_back({firstProc, message, id});
}

void CALLBACK secondProc(HWND, UINT message, UINT_PTR id, DWORD) { t_calls.push_back({secondProc, message, id}); }

// A real function that is no timer's procedure.
void CALLBACK strangerProc(HWND, UINT message, UINT_PTR id, DWORD) { t_calls.push_back({strangerProc, message, id}); }

LPARAM asLParam(TIMERPROC proc) { return reinterpret_cast<LPARAM>(proc); }

// The next message if there is one, WM_NULL otherwise.
MSG takeMessage() {
    MSG msg{};
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        msg.message = WM_NULL;
    return msg;
}

int countTimerMessages() {
    int count = 0;
    for (MSG msg = takeMessage(); msg.message != WM_NULL; msg = takeMessage())
        count += msg.message == WM_TIMER;
    return count;
}

class Timer : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::UseManualClock(1'000'000); }
    void TearDown() override { platform::testing::UseRealClock(); }

    static void advance(ULONGLONG ms) { platform::testing::AdvanceManualClock(ms); }
};

}  // namespace

TEST_F(Timer, FirstTickComesOnePeriodAfterSetTimer) {
    runOnFreshThread([] {
        const UINT_PTR id = SetTimer(nullptr, 0, 30, firstProc);
        ASSERT_NE(id, UINT_PTR{0});
        advance(29);
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_NULL)) << "no tick before the period has passed";
        advance(1);
        const MSG msg = takeMessage();
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(msg.hwnd, nullptr);
        EXPECT_EQ(msg.wParam, id) << "WM_TIMER carries the timer id in wParam";
        EXPECT_EQ(msg.lParam, asLParam(firstProc)) << "WM_TIMER carries the procedure in lParam";
    });
}

TEST_F(Timer, PeriodsMissedWhileBusyYieldOneTick) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 30, firstProc), UINT_PTR{0});
        advance(5 * 30 + 7);
        EXPECT_EQ(countTimerMessages(), 1) << "five elapsed periods must coalesce into one WM_TIMER";
        // Fallen behind: the next period starts from now, not from the missed schedule.
        advance(29);
        EXPECT_EQ(countTimerMessages(), 0);
        advance(1);
        EXPECT_EQ(countTimerMessages(), 1);
    });
}

TEST_F(Timer, SlightlyLateTickKeepsTheCadence) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 30, firstProc), UINT_PTR{0});
        advance(40);  // taken 10 ms late
        EXPECT_EQ(countTimerMessages(), 1);
        advance(20);  // 60 ms after SetTimer: the second period is over
        EXPECT_EQ(countTimerMessages(), 1) << "expected the tick at 60 ms, not one period after the late one";
    });
}

TEST_F(Timer, TickWaitsWhilePostedMessagesAreQueued) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 30, firstProc), UINT_PTR{0});
        advance(30);
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0));
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER + 1, 0, 0));
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_USER));
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_TIMER)) << "WM_TIMER only once the queue is empty";
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_NULL));
    });
}

TEST_F(Timer, QuitRequestComesBeforeTick) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 30, firstProc), UINT_PTR{0});
        advance(30);
        PostQuitMessage(0);
        MSG msg{};
        EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
        EXPECT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    });
}

TEST_F(Timer, SeveralTimersTickOnTheirOwnPeriods) {
    runOnFreshThread([] {
        const UINT_PTR fast = SetTimer(nullptr, 0, 30, firstProc);
        const UINT_PTR slow = SetTimer(nullptr, 0, 50, secondProc);
        ASSERT_NE(fast, UINT_PTR{0});
        ASSERT_NE(slow, UINT_PTR{0});
        EXPECT_NE(fast, slow);

        advance(30);
        EXPECT_EQ(takeMessage().wParam, fast);
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_NULL));
        advance(20);  // 50
        EXPECT_EQ(takeMessage().wParam, slow);
        advance(10);  // 60
        EXPECT_EQ(takeMessage().wParam, fast);
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_NULL));

        advance(100);  // both overdue: one tick each, earliest due first
        const MSG first = takeMessage();
        const MSG second = takeMessage();
        EXPECT_EQ(first.wParam, fast) << "fast was due at 90, slow at 100";
        EXPECT_EQ(second.wParam, slow);
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_NULL));
    });
}

TEST_F(Timer, KillTimerStopsTicksEvenOneAlreadyDue) {
    runOnFreshThread([] {
        const UINT_PTR id = SetTimer(nullptr, 0, 30, firstProc);
        advance(30);
        EXPECT_TRUE(KillTimer(nullptr, id));
        EXPECT_EQ(countTimerMessages(), 0) << "a killed timer yields no pending tick";
        advance(300);
        EXPECT_EQ(countTimerMessages(), 0);
        EXPECT_FALSE(KillTimer(nullptr, id)) << "killing twice must fail";
    });
}

TEST_F(Timer, SetTimerWithLiveIdRestartsThatTimer) {
    runOnFreshThread([] {
        const UINT_PTR id = SetTimer(nullptr, 0, 30, firstProc);
        advance(20);
        EXPECT_EQ(SetTimer(nullptr, id, 50, secondProc), id);
        advance(30);  // 50 after the first SetTimer, 30 after the restart
        EXPECT_EQ(takeMessage().message, static_cast<UINT>(WM_NULL));
        advance(20);
        const MSG msg = takeMessage();
        EXPECT_EQ(msg.wParam, id);
        EXPECT_EQ(msg.lParam, asLParam(secondProc));
    });
}

TEST_F(Timer, ShortPeriodsAreRaisedToTheMinimum) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 0, firstProc), UINT_PTR{0});
        advance(USER_TIMER_MINIMUM - 1);
        EXPECT_EQ(countTimerMessages(), 0);
        advance(1);
        EXPECT_EQ(countTimerMessages(), 1);
    });
}

TEST_F(Timer, PeekWithoutRemoveLeavesTheTickPending) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 30, firstProc), UINT_PTR{0});
        advance(30);
        MSG msg{};
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(countTimerMessages(), 1);
    });
}

TEST_F(Timer, FilterWithoutWmTimerSkipsTicks) {
    runOnFreshThread([] {
        ASSERT_NE(SetTimer(nullptr, 0, 30, firstProc), UINT_PTR{0});
        advance(30);
        MSG msg{};
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
        EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    });
}

TEST_F(Timer, GetMessageWakesWhenTheClockMakesATimerDue) {
    std::promise<void> timerSet;
    std::promise<MSG> received;
    std::thread loop([&] {
        const UINT_PTR id = SetTimer(nullptr, 0, 30, firstProc);
        EXPECT_NE(id, UINT_PTR{0});
        timerSet.set_value();
        MSG msg{};
        EXPECT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
        received.set_value(msg);
    });
    timerSet.get_future().wait();
    advance(30);
    const MSG msg = received.get_future().get();
    loop.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
}

TEST_F(Timer, DispatchCallsTheProcedureOfATick) {
    runOnFreshThread([] {
        const UINT_PTR id = SetTimer(nullptr, 0, 30, firstProc);
        advance(30);
        MSG msg{};
        ASSERT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
        EXPECT_EQ(TranslateMessage(&msg), FALSE);
        EXPECT_EQ(DispatchMessageW(&msg), LRESULT{0});
        ASSERT_EQ(t_calls.size(), 1u) << "expected one call of the timer procedure";
        EXPECT_EQ(t_calls[0].proc, firstProc);
        EXPECT_EQ(t_calls[0].message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(t_calls[0].id, id);
    });
}

TEST_F(Timer, ForgedTimerMessagesCallNothing) {
    runOnFreshThread([] {
        const UINT_PTR first = SetTimer(nullptr, 0, 30, firstProc);
        const UINT_PTR second = SetTimer(nullptr, 0, 30, secondProc);
        const UINT_PTR killed = SetTimer(nullptr, 0, 30, firstProc);
        KillTimer(nullptr, killed);
        struct Forged {
            const char* what;
            HWND hwnd;
            WPARAM wParam;
            LPARAM lParam;
        } cases[] = {
            {"live id, another timer's procedure", nullptr, first, asLParam(secondProc)},
            {"live id, a function that is no timer's", nullptr, first, asLParam(strangerProc)},
            {"live id, procedure plus one", nullptr, first, asLParam(firstProc) + 1},
            {"live id, no procedure", nullptr, first, 0},
            {"unknown id, a real procedure", nullptr, first + second + 1000, asLParam(firstProc)},
            {"killed timer with its own procedure", nullptr, killed, asLParam(firstProc)},
            {"a window with a genuine pair", reinterpret_cast<HWND>(0x10), first, asLParam(firstProc)},
        };
        for (const Forged& forged : cases) {
            const MSG msg{forged.hwnd, WM_TIMER, forged.wParam, forged.lParam, 0, {0, 0}};
            EXPECT_EQ(DispatchMessageW(&msg), LRESULT{0}) << forged.what;
            EXPECT_TRUE(t_calls.empty()) << forged.what << ": expected no call, got " << t_calls.size();
            t_calls.clear();
        }

        // Random parameters: calling any of them as a function would crash.
        std::mt19937_64 random(20240501);
        for (int i = 0; i < 2000; ++i) {
            const MSG msg{nullptr, WM_TIMER, static_cast<WPARAM>(random()), static_cast<LPARAM>(random()), 0, {0, 0}};
            DispatchMessageW(&msg);
        }
        EXPECT_TRUE(t_calls.empty());

        // Other thread messages are not dispatched anywhere, whatever lParam holds.
        for (UINT message : {UINT{WM_NULL}, UINT{WM_MOUSEMOVE}, UINT{WM_USER + 1000}, UINT{0x0118}}) {
            const MSG msg{nullptr, message, first, asLParam(firstProc), 0, {0, 0}};
            EXPECT_EQ(DispatchMessageW(&msg), LRESULT{0});
        }
        EXPECT_TRUE(t_calls.empty()) << "expected no call for non-timer messages, got " << t_calls.size();
        EXPECT_EQ(DispatchMessageW(nullptr), LRESULT{0});
    });
}

TEST_F(Timer, TimersBelongToTheThreadThatSetThem) {
    std::promise<UINT_PTR> otherId;
    std::promise<void> done;
    std::thread other([&] {
        otherId.set_value(SetTimer(nullptr, 0, 30, firstProc));
        done.get_future().wait();
    });
    const UINT_PTR foreign = otherId.get_future().get();
    runOnFreshThread([foreign] {
        EXPECT_FALSE(KillTimer(nullptr, foreign)) << "another thread's timer cannot be killed here";
        advance(30);
        EXPECT_EQ(countTimerMessages(), 0) << "another thread's timer does not tick here";
        const MSG msg{nullptr, WM_TIMER, foreign, asLParam(firstProc), 0, {0, 0}};
        DispatchMessageW(&msg);
        EXPECT_TRUE(t_calls.empty()) << "another thread's timer is not called here";
    });
    done.set_value();
    other.join();
}

TEST_F(Timer, ScopedThreadTimerKillsOnScopeExit) {
    runOnFreshThread([] {
        UINT_PTR id = 0;
        {
            platform::ScopedThreadTimer timer(SetTimer(nullptr, 0, 30, firstProc));
            id = timer.get();
            ASSERT_NE(id, UINT_PTR{0});
        }
        EXPECT_FALSE(KillTimer(nullptr, id)) << "the wrapper should have killed the timer";
        advance(30);
        EXPECT_EQ(countTimerMessages(), 0);
    });
}

TEST_F(Timer, SetTimerRejectsWindows) {
    runOnFreshThread([] {
        EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x10), 1, 30, firstProc), UINT_PTR{0});
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    });
}

TEST(TimerOnRealClock, GetMessageDeliversTheTickWhenItIsDue) {
    // The path the host takes: no manual clock, GetMessageW sleeps until the
    // timer's due time. Only the outcome is checked, not how long it took.
    runOnFreshThread([] {
        const UINT_PTR id = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, firstProc);
        ASSERT_NE(id, UINT_PTR{0});
        MSG msg{};
        ASSERT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(msg.wParam, id);
        EXPECT_TRUE(KillTimer(nullptr, id));
    });
}
