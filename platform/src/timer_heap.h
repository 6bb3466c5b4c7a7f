// The thread timers of one message queue, ordered by due time.
//
// Invariants: every live timer has exactly one heap entry carrying its current
// generation; entries of killed or restarted timers are stale and are dropped
// when they reach the top, or all at once when they outnumber the live ones.
// A timer yields at most one tick per due time, and a timer that fell behind
// by a whole period or more starts its period over from now, so ticks never
// pile up or come in a burst.
#pragma once

#include "platform/user.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform::detail {

class TimerHeap {
public:
    // A thread may keep this many timers; more are refused.
    static constexpr std::size_t MaxTimers = 10000;

    struct Tick {
        UINT_PTR id = 0;
        TIMERPROC proc = nullptr;
    };

    // Restarts live timer `id` with the new period and procedure, or makes a
    // new timer with a fresh process-unique id. Returns the id, or 0 when the
    // thread already has MaxTimers timers.
    [[nodiscard]] UINT_PTR set(UINT_PTR id, ULONGLONG period, TIMERPROC proc, ULONGLONG now);

    // False when `id` is not live.
    bool kill(UINT_PTR id);

    // The procedure of live timer `id` when it was set with exactly `proc`
    // (a WM_TIMER's lParam); NULL otherwise.
    [[nodiscard]] TIMERPROC matchingProc(UINT_PTR id, LPARAM proc) const;

    // The earliest due time of a live timer.
    [[nodiscard]] std::optional<ULONGLONG> nextDue();

    // The earliest timer due at `now`. With `consume`, its next due time is
    // set: one period after this one, or one period from `now` if that has
    // already passed.
    [[nodiscard]] std::optional<Tick> takeDue(ULONGLONG now, bool consume);

    [[nodiscard]] std::size_t size() const { return m_timers.size(); }

private:
    struct Timer {
        ULONGLONG period = 0;
        TIMERPROC proc = nullptr;
        ULONGLONG due = 0;
        std::uint64_t generation = 0;
    };
    struct Entry {
        ULONGLONG due = 0;
        UINT_PTR id = 0;
        std::uint64_t generation = 0;
    };

    void schedule(UINT_PTR id, Timer& timer, ULONGLONG due);
    [[nodiscard]] bool isCurrent(const Entry& entry) const;
    void dropStaleTop();
    void compactIfStale();

    std::unordered_map<UINT_PTR, Timer> m_timers;
    std::vector<Entry> m_heap;
    std::uint64_t m_nextGeneration = 1;
};

}  // namespace platform::detail
