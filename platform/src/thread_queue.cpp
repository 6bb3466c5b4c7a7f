#include "thread_queue.h"

#include "clock.h"

#include <algorithm>

namespace platform::detail {

namespace {

MSG threadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = nullptr;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(monotonicMilliseconds());
    return msg;
}

}  // namespace

ThreadQueue::PostResult ThreadQueue::post(UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return PostResult::Closed;
        if (m_posted.size() >= kMaxPosted)
            return PostResult::Full;
        m_posted.push_back(threadMessage(message, wParam, lParam));
    }
    m_changed.notify_one();
    return PostResult::Posted;
}

bool ThreadQueue::takeReady(MSG& msg, MessageFilter filter, Take take) {
    const auto posted =
        std::find_if(m_posted.begin(), m_posted.end(), [filter](const MSG& m) { return filter.accepts(m.message); });
    if (posted != m_posted.end()) {
        msg = *posted;
        if (take == Take::Remove)
            m_posted.erase(posted);
        return true;
    }
    if (m_quitRequested) {
        msg = threadMessage(WM_QUIT, static_cast<WPARAM>(m_quitCode), 0);
        if (take == Take::Remove)
            m_quitRequested = false;
        return true;
    }
    if (filter.accepts(WM_TIMER)) {
        const ULONGLONG now = monotonicMilliseconds();
        if (const auto tick = m_timers.takeDue(now, take == Take::Remove)) {
            msg = threadMessage(WM_TIMER, tick->id, reinterpret_cast<LPARAM>(tick->proc));
            return true;
        }
    }
    return false;
}

bool ThreadQueue::take(MSG& msg, MessageFilter filter, Take take, Wait wait) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (takeReady(msg, filter, take))
            return true;
        if (wait == Wait::Poll)
            return false;
        // A timer the filter leaves out must not set a deadline: it would stay
        // due and turn the wait into a spin.
        const auto due = filter.accepts(WM_TIMER) ? m_timers.nextDue() : std::nullopt;
        if (due && !clockIsManual())
            m_changed.wait_until(lock, realInstantOf(*due));
        else
            m_changed.wait(lock);
    }
}

void ThreadQueue::postQuit(int exitCode) {
    std::lock_guard lock(m_mutex);
    m_quitRequested = true;
    m_quitCode = exitCode;
}

UINT_PTR ThreadQueue::setTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) {
    const ULONGLONG period = std::clamp<ULONGLONG>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    std::lock_guard lock(m_mutex);
    return m_timers.set(id, period, proc, monotonicMilliseconds());
}

bool ThreadQueue::killTimer(UINT_PTR id) {
    std::lock_guard lock(m_mutex);
    return m_timers.kill(id);
}

TIMERPROC ThreadQueue::matchingTimerProc(UINT_PTR id, LPARAM proc) {
    std::lock_guard lock(m_mutex);
    return m_timers.matchingProc(id, proc);
}

std::optional<ULONGLONG> ThreadQueue::nextTimerDue() {
    std::lock_guard lock(m_mutex);
    return m_timers.nextDue();
}

void ThreadQueue::wake() {
    // Notifying under the lock: a waiter that read the clock just before the
    // change is already waiting when the notice comes.
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

void ThreadQueue::close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
}

}  // namespace platform::detail
