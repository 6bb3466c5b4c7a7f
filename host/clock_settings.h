// How the host keeps time, from its environment:
//   MOVIEHOST_CLOCK       unset, empty, `realtime` or `wall`: the wall clock;
//                         `virtual`: a clock that moves only as frames are made
//   MOVIEHOST_FRAME_RATE  output frames per second (decimals allowed);
//                         unset: one frame every 30 ms
//   MOVIEHOST_SEED        seed of the movie's random numbers (virtual clock)
//   MOVIEHOST_EPOCH       seconds since 1970 the virtual clock starts at
// An empty variable counts as unset. Any other value is refused with one line
// naming the variable and its value.
#pragma once

#include <moviehost/expected.h>
#include <moviehost/frame_rate.h>

#include <cstdint>
#include <functional>
#include <string>

struct ClockSettings {
    // 2000-01-01T00:00:00Z.
    static constexpr std::uint64_t DefaultEpochSeconds = 946684800;
    static constexpr std::uint64_t DefaultSeed = 1;
    // The end of year 9999: later dates are no date a movie can show.
    static constexpr std::uint64_t MaxEpochSeconds = 253402300799;

    // Reads a variable by name; null when it is not set.
    using Lookup = std::function<const char*(const char*)>;

    bool virtualClock = false;
    bool rateGiven = false;
    moviehost::FrameRate rate = moviehost::FrameRate::defaultHostRate();
    std::uint64_t seed = DefaultSeed;
    std::uint64_t epochSeconds = DefaultEpochSeconds;

    // The settings, or the line that refuses the first bad value.
    [[nodiscard]] static moviehost::Expected<ClockSettings, std::string> From(const Lookup& lookup);
    [[nodiscard]] static moviehost::Expected<ClockSettings, std::string> FromEnvironment();

    // The wall clock's frame timer period for the rate, in whole ms.
    [[nodiscard]] unsigned WallPeriodMs() const;
};
