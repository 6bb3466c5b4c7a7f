// The movie's clock: a thread timer on the thread that starts it (the host
// thread, whose message loop dispatches WM_TIMER) that calls its owner once
// per frame.
//
// Tick n (from 1) is due ceil(n * 1000 / rate) ms after the start, each due
// time computed from the start rather than by adding rounded periods, so the
// movie keeps its rate exactly over any length: after every tick the timer is
// set again for the time left to the next. A clock that fell a whole frame
// behind starts over from now, never catching up in a burst. (The platform
// holds a timer to at least 10 ms, so rates above 100 frames per second run
// slower.) Its procedure finds the object through control/timer_table.h.
#pragma once

#include "platform/user.h"

#include <moviehost/frame_rate.h>

#include <cstdint>
#include <functional>

namespace control {

class PlaybackTimer {
public:
    // Movies that give no rate play at this many frames per second.
    static constexpr std::uint64_t DefaultFrameRate = 12;

    explicit PlaybackTimer(std::function<void()> onTick) : m_onTick(std::move(onTick)) {}
    ~PlaybackTimer() { stop(); }
    PlaybackTimer(const PlaybackTimer&) = delete;
    PlaybackTimer& operator=(const PlaybackTimer&) = delete;

    // The rate of a movie whose header holds `frameRate88` (8.8 fixed point).
    [[nodiscard]] static moviehost::FrameRate movieRate(std::uint16_t frameRate88) {
        return moviehost::FrameRate::fromFixed88(frameRate88, DefaultFrameRate);
    }

    // (Re)starts on the calling thread at the rate, from now. False when the
    // platform refused the timer (the clock then stays stopped).
    [[nodiscard]] bool start(moviehost::FrameRate rate);
    void stop() noexcept;
    [[nodiscard]] bool running() const noexcept { return m_id != 0; }

    // After tick `ticks` at `now` (ms, the tick count) on a clock started at
    // `start`: the delay to the next tick, and `start` moved on when the
    // clock had fallen a whole frame behind.
    struct Next {
        ULONGLONG start = 0;
        ULONGLONG delay = 0;
    };
    [[nodiscard]] static Next nextTick(const moviehost::FrameRate& rate, ULONGLONG start, std::uint64_t ticks,
                                       ULONGLONG now);

private:
    static void CALLBACK timerProc(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);
    void rearm();

    std::function<void()> m_onTick;
    moviehost::FrameRate m_rate = moviehost::FrameRate::fromFraction(DefaultFrameRate, 1);
    ULONGLONG m_start = 0;
    std::uint64_t m_ticks = 0;
    std::uint64_t m_generation = 0;
    UINT_PTR m_id = 0;
    DWORD m_thread = 0;
};

}  // namespace control
