#include "control/playback_timer.h"

#include "platform/kernel.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace control {

namespace {

struct TimerEntry {
    DWORD thread = 0;
    UINT_PTR id = 0;
    PlaybackTimer* timer = nullptr;
};

std::mutex g_timersMutex;
std::vector<TimerEntry> g_timers;

PlaybackTimer* findTimer(DWORD thread, UINT_PTR id) {
    std::lock_guard lock(g_timersMutex);
    for (const TimerEntry& entry : g_timers)
        if (entry.thread == thread && entry.id == id)
            return entry.timer;
    return nullptr;
}

void forgetTimer(DWORD thread, UINT_PTR id) {
    std::lock_guard lock(g_timersMutex);
    std::erase_if(g_timers, [&](const TimerEntry& e) { return e.thread == thread && e.id == id; });
}

}  // namespace

UINT PlaybackTimer::intervalFor(double framesPerSecond) {
    if (!(framesPerSecond > 0.0) || !std::isfinite(framesPerSecond))
        framesPerSecond = DefaultFrameRate;
    const double ms = std::round(1000.0 / framesPerSecond);
    return UINT(std::clamp(ms, 1.0, double(USER_TIMER_MAXIMUM)));
}

bool PlaybackTimer::start(double framesPerSecond) {
    stop();
    const UINT interval = intervalFor(framesPerSecond);
    const UINT_PTR id = SetTimer(nullptr, 0, interval, &PlaybackTimer::timerProc);
    if (id == 0)
        return false;
    m_id = id;
    m_thread = GetCurrentThreadId();
    m_interval = interval;
    std::lock_guard lock(g_timersMutex);
    g_timers.push_back({m_thread, m_id, this});
    return true;
}

void PlaybackTimer::stop() noexcept {
    if (m_id == 0)
        return;
    forgetTimer(m_thread, m_id);
    if (GetCurrentThreadId() == m_thread)
        KillTimer(nullptr, m_id);
    m_id = 0;
    m_thread = 0;
    m_interval = 0;
}

void CALLBACK PlaybackTimer::timerProc(HWND, UINT, UINT_PTR timerId, DWORD) {
    PlaybackTimer* timer = findTimer(GetCurrentThreadId(), timerId);
    if (timer == nullptr) {
        KillTimer(nullptr, timerId);
        return;
    }
    if (timer->m_onTick)
        timer->m_onTick();
}

}  // namespace control
