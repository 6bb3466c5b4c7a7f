#pragma once
// Frame rates as exact fractions, from a decimal on the command line or the
// 8.8 fixed-point rate in a movie's header, and back to the decimal text the
// host reads from MOVIEHOST_FRAME_RATE.

#include <cstdint>
#include <string>

namespace moviecapture {

struct Rational {
    std::int32_t num{30};
    std::int32_t den{1};
    bool operator==(const Rational&) const = default;
    [[nodiscard]] double value() const { return static_cast<double>(num) / den; }
};

// The host's own pace without a rate: one frame per 30 ms.
inline constexpr Rational NominalRate{100, 3};
inline constexpr double MinRate = 0.01;
inline constexpr double MaxRate = 1000;

// A decimal rate as a fraction: 24 gives 24/1, 12.5 gives 25/2, and values
// within 0.002 of n*1000/1001 (29.97, 23.976, 59.94) give that fraction;
// others to a thousandth of a frame per second. Rates that are no positive
// finite number give 30/1.
[[nodiscard]] Rational exactRate(double framesPerSecond);

// A header's 8.8 rate: the NTSC fractions as above, otherwise exactly what
// the header says (10.1015625 stays 1293/128). Zero, which names no rate,
// gives NominalRate.
[[nodiscard]] Rational headerRate(double framesPerSecond);

// The rate as a decimal the host parses back to the same fraction: exact
// when it has one (12.5), otherwise to 15 significant digits (29.97002997...).
[[nodiscard]] std::string rateText(Rational rate);

}  // namespace moviecapture
