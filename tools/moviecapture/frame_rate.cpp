#include "frame_rate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace moviecapture {

namespace {

// What the control plays a movie at that names no rate.
constexpr std::uint64_t NoRateFramesPerSecond = 12;

// Every rate parseDecimal or fromFixed88 makes fits: at most 1000 * 10^6 / 1
// or 65535 / 256.
Rational rationalOf(const moviehost::FrameRate& rate) {
    return {static_cast<std::int32_t>(rate.numerator()), static_cast<std::int32_t>(rate.denominator())};
}

}  // namespace

std::optional<Rational> parseRate(std::string_view text) {
    const auto rate = moviehost::FrameRate::parseDecimal(text);
    if (!rate)
        return std::nullopt;
    return rationalOf(*rate);
}

Rational headerRate(double framesPerSecond) {
    const double raw = std::isfinite(framesPerSecond) ? std::round(framesPerSecond * 256.0) : 0.0;
    const auto fixed88 = static_cast<std::uint16_t>(std::clamp(raw, 0.0, 65535.0));
    const Rational exact = rationalOf(moviehost::FrameRate::fromFixed88(fixed88, NoRateFramesPerSecond));
    return parseRate(rateText(exact)).value_or(exact);
}

std::string rateText(Rational rate) {
    // The NTSC family: the host snaps the usual short form back.
    if (rate.den == 1001 && rate.num % 1000 == 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", rate.num / 1000 / 1.001);
        std::string result(text);
        result.erase(result.find_last_not_of('0') + 1);
        if (result.back() == '.')
            result.pop_back();
        if (parseRate(result) == rate)
            return result;
    }
    // Otherwise the exact decimal when it has at most eight places (every 8.8
    // header rate has), else six places, which the host always takes.
    constexpr long long EightPlaces = 100'000'000;
    const auto num = static_cast<long long>(rate.num);
    const auto den = static_cast<long long>(rate.den);
    const bool exact = den > 0 && (num * EightPlaces) % den == 0;
    const long long places = exact ? EightPlaces : 1'000'000;
    const long long scaled = exact ? num * EightPlaces / den : std::llround(rate.value() * 1e6);
    std::string result = std::to_string(scaled / places);
    if (const long long fraction = scaled % places; fraction != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, exact ? "%08lld" : "%06lld", fraction);
        std::string text(digits);
        text.erase(text.find_last_not_of('0') + 1);
        result += "." + text;
    }
    return result;
}

}  // namespace moviecapture
