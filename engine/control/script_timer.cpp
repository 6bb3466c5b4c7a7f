#include "control/script_timer.h"

#include "control/timer_table.h"

#include "platform/kernel.h"

#include <algorithm>

namespace control {

bool ScriptTimer::armAt(ULONGLONG dueTicks) {
    const bool here = m_id != 0 && GetCurrentThreadId() == m_thread;
    if (here && dueTicks == m_due)
        return true;
    const ULONGLONG now = GetTickCount64();
    const UINT delay = UINT(std::clamp<ULONGLONG>(dueTicks > now ? dueTicks - now : 0, 1, USER_TIMER_MAXIMUM));
    if (here) {
        if (SetTimer(nullptr, m_id, delay, &ScriptTimer::timerProc) == 0)
            return false;
        m_due = dueTicks;
        return true;
    }
    disarm();
    const UINT_PTR id = SetTimer(nullptr, 0, delay, &ScriptTimer::timerProc);
    if (id == 0)
        return false;
    m_id = id;
    m_thread = GetCurrentThreadId();
    m_due = dueTicks;
    timer_table::add(m_thread, m_id, this);
    return true;
}

void ScriptTimer::disarm() noexcept {
    if (m_id == 0)
        return;
    timer_table::forget(m_thread, m_id);
    if (GetCurrentThreadId() == m_thread)
        KillTimer(nullptr, m_id);
    m_id = 0;
    m_thread = 0;
    m_due = 0;
}

void CALLBACK ScriptTimer::timerProc(HWND, UINT, UINT_PTR timerId, DWORD) {
    auto* timer = static_cast<ScriptTimer*>(timer_table::find(GetCurrentThreadId(), timerId));
    if (timer == nullptr) {
        KillTimer(nullptr, timerId);
        return;
    }
    timer->disarm();
    if (timer->m_onDue)
        timer->m_onDue();
}

}  // namespace control
