// The message queue of one thread: posted messages in order, the quit
// request, and the thread's timers.
//
// Any thread may post; only the owning thread takes messages and sets
// timers. Messages come out in the platform's priority: posted messages
// first, then WM_QUIT from PostQuitMessage, then WM_TIMER, which is made only
// when nothing else is waiting and so never piles up behind a busy thread.
#pragma once

#include "timer_heap.h"

#include <optional>

#include "platform/user.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace platform::detail {

// The message range a GetMessageW/PeekMessageW call asked for.
struct MessageFilter {
    UINT min = 0;
    UINT max = 0;

    // (0, 0) and an inverted range take everything.
    [[nodiscard]] bool accepts(UINT message) const {
        return min > max || (min == 0 && max == 0) || (message >= min && message <= max);
    }
};

class ThreadQueue {
public:
    // Posted messages waiting beyond this are refused, as on the platform,
    // so a flood from another thread cannot take unbounded memory.
    static constexpr std::size_t kMaxPosted = 10000;

    enum class PostResult { Posted, Closed, Full };
    enum class Take { Remove, Leave };
    enum class Wait { Block, Poll };

    [[nodiscard]] PostResult post(UINT message, WPARAM wParam, LPARAM lParam);

    // Fills `msg` with the next message the filter accepts. With Wait::block
    // waits until there is one; with Wait::poll returns false at once when
    // there is none.
    [[nodiscard]] bool take(MSG& msg, MessageFilter filter, Take take, Wait wait);

    void postQuit(int exitCode);

    [[nodiscard]] UINT_PTR setTimer(UINT_PTR id, UINT elapse, TIMERPROC proc);
    bool killTimer(UINT_PTR id);
    [[nodiscard]] TIMERPROC matchingTimerProc(UINT_PTR id, LPARAM proc);
    // The earliest due time of this thread's timers.
    [[nodiscard]] std::optional<ULONGLONG> nextTimerDue();

    // Wakes a waiting take() so that it looks at the clock again.
    void wake();

    // The owning thread has ended: later posts fail.
    void close();

private:
    [[nodiscard]] bool takeReady(MSG& msg, MessageFilter filter, Take take);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<MSG> m_posted;
    TimerHeap m_timers;
    int m_quitCode = 0;
    bool m_quitRequested = false;
    bool m_closed = false;
};

}  // namespace platform::detail
