#include "clock_settings.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty())
        return std::nullopt;
    return value;
}

std::string Refusal(std::string_view name, std::string_view value, std::string_view wanted) {
    std::string line(name);
    line.push_back('=');
    // The value as given, but always on one line.
    for (const char c : value)
        line.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
    line.append(" is not allowed: ").append(wanted);
    return line;
}

}  // namespace

moviehost::Expected<ClockSettings, std::string> ClockSettings::From(const Lookup& lookup) {
    ClockSettings settings;
    const auto read = [&](const char* name) -> std::string_view {
        const char* value = lookup(name);
        return value ? std::string_view(value) : std::string_view();
    };

    if (const std::string_view clock = read("MOVIEHOST_CLOCK"); clock == "virtual") {
        settings.virtualClock = true;
    } else if (!clock.empty() && clock != "realtime" && clock != "wall") {
        return moviehost::Unexpected(Refusal("MOVIEHOST_CLOCK", clock, "it must be virtual, realtime or wall"));
    }
    if (const std::string_view rate = read("MOVIEHOST_FRAME_RATE"); !rate.empty()) {
        const std::optional<moviehost::FrameRate> parsed = moviehost::FrameRate::parseDecimal(rate);
        if (!parsed)
            return moviehost::Unexpected(
                Refusal("MOVIEHOST_FRAME_RATE", rate, "frames per second, a decimal number from 0.01 to 1000"));
        settings.rate = *parsed;
        settings.rateGiven = true;
    }
    if (const std::string_view seed = read("MOVIEHOST_SEED"); !seed.empty()) {
        const std::optional<std::uint64_t> parsed = ParseUnsigned(seed);
        if (!parsed)
            return moviehost::Unexpected(Refusal("MOVIEHOST_SEED", seed, "it must be an unsigned integer below 2^64"));
        settings.seed = *parsed;
    }
    if (const std::string_view epoch = read("MOVIEHOST_EPOCH"); !epoch.empty()) {
        const std::optional<std::uint64_t> parsed = ParseUnsigned(epoch);
        if (!parsed || *parsed > MaxEpochSeconds)
            return moviehost::Unexpected(
                Refusal("MOVIEHOST_EPOCH", epoch, "seconds since 1970, an unsigned integer up to 253402300799"));
        settings.epochSeconds = *parsed;
    }
    return settings;
}

moviehost::Expected<ClockSettings, std::string> ClockSettings::FromEnvironment() {
    return From([](const char* name) { return static_cast<const char*>(std::getenv(name)); });
}

unsigned ClockSettings::WallPeriodMs() const {
    const double ms = std::round(1000.0 / rate.framesPerSecond());
    return ms < 1.0 ? 1u : static_cast<unsigned>(ms);
}
