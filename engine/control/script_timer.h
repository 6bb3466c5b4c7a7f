// The clock of the movie's setInterval and setTimeout timers: a thread timer
// set for the earliest of them, so that each fires at its own time between
// frames rather than waiting for the next frame (a host on the virtual clock
// then fires it at exactly its virtual time). One shot: the owner arms it
// again after every entry into the scripts.
#pragma once

#include "platform/user.h"

#include <functional>

namespace control {

class ScriptTimer {
public:
    explicit ScriptTimer(std::function<void()> onDue) : m_onDue(std::move(onDue)) {}
    ~ScriptTimer() { disarm(); }
    ScriptTimer(const ScriptTimer&) = delete;
    ScriptTimer& operator=(const ScriptTimer&) = delete;

    // Calls the owner once, when the tick count reaches `dueTicks`, on the
    // calling thread; an arming for another time is replaced, one for the
    // same time kept (setting it again would lose time to the platform's
    // 10 ms minimum). False when the platform refused the timer.
    [[nodiscard]] bool armAt(ULONGLONG dueTicks);
    void disarm() noexcept;
    [[nodiscard]] bool armed() const noexcept { return m_id != 0; }

private:
    static void CALLBACK timerProc(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);

    std::function<void()> m_onDue;
    UINT_PTR m_id = 0;
    DWORD m_thread = 0;
    ULONGLONG m_due = 0;
};

}  // namespace control
