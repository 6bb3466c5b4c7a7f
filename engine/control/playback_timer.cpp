#include "control/playback_timer.h"

#include "control/timer_table.h"

#include "platform/kernel.h"

#include <algorithm>

namespace control {

namespace {

UINT timerDelay(ULONGLONG delay) { return UINT(std::clamp<ULONGLONG>(delay, 1, USER_TIMER_MAXIMUM)); }

}  // namespace

PlaybackTimer::Next PlaybackTimer::nextTick(const moviehost::FrameRate& rate, ULONGLONG start, std::uint64_t ticks,
                                            ULONGLONG now) {
    ULONGLONG due = start + rate.millisecondsAt(ticks + 1);
    if (due <= now) {
        // A whole frame behind: this tick counts as on time from here on.
        const ULONGLONG sinceStart = rate.millisecondsAt(ticks);
        start = now >= sinceStart ? now - sinceStart : 0;
        due = start + rate.millisecondsAt(ticks + 1);
    }
    return {start, due > now ? due - now : 1};
}

bool PlaybackTimer::start(moviehost::FrameRate rate) {
    stop();
    const ULONGLONG now = GetTickCount64();
    const UINT_PTR id = SetTimer(nullptr, 0, timerDelay(rate.millisecondsAt(1)), &PlaybackTimer::timerProc);
    if (id == 0)
        return false;
    m_rate = rate;
    m_start = now;
    m_ticks = 0;
    ++m_generation;
    m_id = id;
    m_thread = GetCurrentThreadId();
    timer_table::add(m_thread, m_id, this);
    return true;
}

void PlaybackTimer::stop() noexcept {
    if (m_id == 0)
        return;
    timer_table::forget(m_thread, m_id);
    if (GetCurrentThreadId() == m_thread)
        KillTimer(nullptr, m_id);
    ++m_generation;
    m_id = 0;
    m_thread = 0;
}

void PlaybackTimer::rearm() {
    ++m_ticks;
    const Next next = nextTick(m_rate, m_start, m_ticks, GetTickCount64());
    m_start = next.start;
    // The same id again: the timer restarts with the time left.
    (void)SetTimer(nullptr, m_id, timerDelay(next.delay), &PlaybackTimer::timerProc);
}

void CALLBACK PlaybackTimer::timerProc(HWND, UINT, UINT_PTR timerId, DWORD) {
    const DWORD thread = GetCurrentThreadId();
    auto* timer = static_cast<PlaybackTimer*>(timer_table::find(thread, timerId));
    if (timer == nullptr) {
        KillTimer(nullptr, timerId);
        return;
    }
    const std::uint64_t generation = timer->m_generation;
    if (timer->m_onTick)
        timer->m_onTick();
    // The tick may have stopped or restarted this clock, or ended its owner.
    timer = static_cast<PlaybackTimer*>(timer_table::find(thread, timerId));
    if (timer != nullptr && timer->m_generation == generation)
        timer->rearm();
}

}  // namespace control
