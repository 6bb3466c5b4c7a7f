// The seed of a movie's random numbers. A host on the virtual clock
// (MOVIEHOST_CLOCK=virtual in its environment) wants runs it can repeat from
// a seed it chooses: MOVIEHOST_SEED, an unsigned integer, default 1. The host
// refuses bad values before the control is made; here one reads as the
// default.
#pragma once

#include <cstdint>

namespace control {

// The seed for the script engine, given the two variables' values (null
// when unset); `fallback` without the virtual clock.
[[nodiscard]] std::uint64_t randomSeedFor(const char* clock, const char* seed, std::uint64_t fallback);

// The same, from the process's environment.
[[nodiscard]] std::uint64_t randomSeedFromEnvironment(std::uint64_t fallback);

}  // namespace control
