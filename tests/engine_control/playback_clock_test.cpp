// The control's playback timer against the host's frame schedule on the
// virtual clock, over 100,000 frames: the host moves the clock to
// ceil(k * 1000 / rate) ms for output frame k and fires every timer due by
// then, in time order; with the output rate equal to the movie's, exactly k
// movie ticks have come by frame k. (Its own process: the clock is
// process-wide.)
#include "control/playback_timer.h"

#include "platform/user.h"
#include "platform/virtual_clock.h"

#include <moviehost/frame_rate.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// What the host's loop does before drawing a frame.
void fireTimersUntil(ULONGLONG until) {
    for (auto due = platform::NextThreadTimerDue(); due && *due <= until; due = platform::NextThreadTimerDue()) {
        platform::AdvanceVirtualClockTo(*due);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    platform::AdvanceVirtualClockTo(until);
}

TEST(PlaybackClock, OutputFrameKFollowsExactlyKMovieTicksOver100000Frames) {
    constexpr std::uint64_t Frames = 100'000;
    platform::UseVirtualClock(0);
    const struct {
        const char* hostRate;
        std::uint16_t movieRate88;
    } cases[] = {
        {"24", 24 * 256}, {"29.97", 7672},  // 29.97 as a header holds it: 29.96875
        {"23.976", 6138},                   // 23.9765625
        {"59.94", 15345},                   // 59.94140625
        {"12", 12 * 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hostRate);
        const auto hostRate = moviehost::FrameRate::parseDecimal(c.hostRate);
        ASSERT_TRUE(hostRate);
        std::uint64_t ticks = 0;
        control::PlaybackTimer timer([&] { ++ticks; });
        const ULONGLONG start = platform::VirtualClockElapsed();
        ASSERT_TRUE(timer.start(control::PlaybackTimer::movieRate(c.movieRate88)));
        int wrong = 0;
        for (std::uint64_t k = 0; k < Frames && wrong < 5; ++k) {
            fireTimersUntil(start + hostRate->millisecondsAt(k));
            if (ticks != k) {
                ++wrong;
                ADD_FAILURE() << "output frame " << k << " after " << ticks << " movie ticks";
            }
        }
        timer.stop();
    }
}

// Output and movie rates that differ: movie frame n shows from the first
// output frame at or after its own due time, never earlier or later.
TEST(PlaybackClock, AnotherOutputRateShowsEachMovieFrameFromItsDueTime) {
    platform::UseVirtualClock(0);
    const auto hostRate = moviehost::FrameRate::defaultHostRate();  // 30 ms
    const auto movieRate = control::PlaybackTimer::movieRate(24 * 256);
    std::uint64_t ticks = 0;
    control::PlaybackTimer timer([&] { ++ticks; });
    const ULONGLONG start = platform::VirtualClockElapsed();
    ASSERT_TRUE(timer.start(movieRate));
    for (std::uint64_t k = 0; k < 10'000; ++k) {
        fireTimersUntil(start + hostRate.millisecondsAt(k));
        ASSERT_EQ(ticks, k * 30 * 24 / 1000) << "output frame " << k;
    }
}

}  // namespace
