#include "frame_rate.h"

#include <cmath>
#include <cstdio>
#include <numeric>
#include <optional>

namespace moviecapture {

namespace {

Rational reduced(std::int64_t num, std::int64_t den) {
    const std::int64_t divisor = std::gcd(num, den);
    return {static_cast<std::int32_t>(num / divisor), static_cast<std::int32_t>(den / divisor)};
}

// Whole rates and the NTSC family; nothing for the rest.
std::optional<Rational> wholeOrNtsc(double framesPerSecond) {
    const double whole = std::round(framesPerSecond);
    if (std::fabs(framesPerSecond - whole) < 1e-6)
        return Rational{static_cast<std::int32_t>(whole), 1};
    // An 8.8 header is off by up to 1/512; a typed 29.97 by 0.00003.
    const double ntsc = std::round(framesPerSecond * 1001.0 / 1000.0);
    if (ntsc >= 1 && std::fabs(ntsc * 1000.0 / 1001.0 - framesPerSecond) < 0.002)
        return reduced(static_cast<std::int64_t>(ntsc) * 1000, 1001);
    return std::nullopt;
}

bool usable(double framesPerSecond) {
    return std::isfinite(framesPerSecond) && framesPerSecond >= MinRate && framesPerSecond <= MaxRate;
}

}  // namespace

Rational exactRate(double framesPerSecond) {
    if (!usable(framesPerSecond))
        return {30, 1};
    if (const auto rate = wholeOrNtsc(framesPerSecond))
        return *rate;
    return reduced(std::llround(framesPerSecond * 1000.0), 1000);
}

Rational headerRate(double framesPerSecond) {
    if (!usable(framesPerSecond))
        return NominalRate;
    if (const auto rate = wholeOrNtsc(framesPerSecond))
        return *rate;
    return reduced(std::llround(framesPerSecond * 256.0), 256);
}

std::string rateText(Rational rate) {
    // Exact when the denominator has only the factors 2 and 5.
    std::int64_t rest = rate.den;
    while (rest % 2 == 0)
        rest /= 2;
    while (rest % 5 == 0)
        rest /= 5;
    char text[64];
    if (rest == 1)
        std::snprintf(text, sizeof text, "%.10f", rate.value());
    else
        std::snprintf(text, sizeof text, "%.15g", rate.value());
    std::string result(text);
    if (rest == 1 && result.find('.') != std::string::npos) {
        result.erase(result.find_last_not_of('0') + 1);
        if (result.back() == '.')
            result.pop_back();
    }
    return result;
}

}  // namespace moviecapture
