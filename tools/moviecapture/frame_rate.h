#pragma once
// Output frame rates as moviecapture uses them: read like the host reads
// MOVIEHOST_FRAME_RATE (moviehost::FrameRate, so both snap 29.97 and its
// family alike), taken from a movie's 8.8 header like the control takes it,
// and written back as a decimal the host parses to the same fraction.

#include <moviehost/frame_rate.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace moviecapture {

// A rate as the video container stores it.
struct Rational {
    std::int32_t num{30};
    std::int32_t den{1};
    bool operator==(const Rational&) const = default;
    [[nodiscard]] double value() const { return static_cast<double>(num) / den; }
};

// The host's own pace without a rate: one frame per 30 ms.
inline constexpr Rational NominalRate{100, 3};

// A decimal as typed (at most six places, 0.01 to 1000): 24 gives 24/1,
// 12.5 gives 25/2, and values within 0.002 of 24, 30, 48, 60, 120 or 240
// times 1000/1001 give that fraction (29.97 is 30000/1001). Nothing for
// anything else.
[[nodiscard]] std::optional<Rational> parseRate(std::string_view text);

// A movie header's 8.8 rate (as frames per second) the way the control plays
// it (NTSC values snapped, 0 is 12 frames per second), exactly: 1293/128 is
// 10.1015625, which the host takes as it is.
[[nodiscard]] Rational headerRate(double framesPerSecond);

// The rate as a decimal that parseRate, and the host, read back as the same
// fraction (29.97 for 30000/1001; eight places at most). For rates that have
// no such decimal, the nearest one of six places.
[[nodiscard]] std::string rateText(Rational rate);

}  // namespace moviecapture
