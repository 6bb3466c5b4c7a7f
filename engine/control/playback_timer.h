// The movie's clock: a thread timer on the thread that starts it (the host
// thread, whose message loop dispatches WM_TIMER) that calls its owner once
// per frame.
//
// A thread timer's procedure learns only the timer's id, so the module keeps
// one table from (thread, id) to the timer object. A timer stopped from
// another thread than its own cannot be killed there; its entry goes, and its
// next WM_TIMER, finding none, kills it on its own thread.
#pragma once

#include "platform/user.h"

#include <functional>

namespace control {

class PlaybackTimer {
public:
    // Rates of 0 (or nonsense) play at this many frames per second.
    static constexpr double DefaultFrameRate = 12.0;

    explicit PlaybackTimer(std::function<void()> onTick) : m_onTick(std::move(onTick)) {}
    ~PlaybackTimer() { stop(); }
    PlaybackTimer(const PlaybackTimer&) = delete;
    PlaybackTimer& operator=(const PlaybackTimer&) = delete;

    // (Re)starts on the calling thread at the rate. False when the platform
    // refused the timer (the clock then stays stopped).
    [[nodiscard]] bool start(double framesPerSecond);
    void stop() noexcept;
    [[nodiscard]] bool running() const noexcept { return m_id != 0; }
    [[nodiscard]] UINT interval() const noexcept { return m_interval; }

    // Milliseconds per frame, rounded, at least 1 (the platform raises it to
    // its own minimum).
    [[nodiscard]] static UINT intervalFor(double framesPerSecond);

private:
    static void CALLBACK timerProc(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);

    std::function<void()> m_onTick;
    UINT_PTR m_id = 0;
    DWORD m_thread = 0;
    UINT m_interval = 0;
};

}  // namespace control
