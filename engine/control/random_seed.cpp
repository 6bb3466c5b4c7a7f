#include "control/random_seed.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace control {

namespace {

// Spreads neighbouring seeds (1, 2, 3 ...) over the generator's whole state,
// so their sequences have nothing in common from the first number on.
std::uint64_t mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

}  // namespace

std::uint64_t randomSeedFor(const char* clock, const char* seed, std::uint64_t fallback) {
    if (clock == nullptr || std::string_view(clock) != "virtual")
        return fallback;
    std::uint64_t value = 1;
    if (seed != nullptr && *seed != '\0') {
        const std::string_view text(seed);
        std::uint64_t parsed = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        if (error == std::errc() && end == text.data() + text.size())
            value = parsed;
    }
    return mix(value);
}

std::uint64_t randomSeedFromEnvironment(std::uint64_t fallback) {
    return randomSeedFor(std::getenv("MOVIEHOST_CLOCK"), std::getenv("MOVIEHOST_SEED"), fallback);
}

}  // namespace control
