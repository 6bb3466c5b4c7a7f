// The one monotonic millisecond clock that timers, message times and
// GetTickCount read. Tests may swap in a manual clock (platform/testing.h).
#pragma once

#include "platform/types.h"

#include <chrono>

namespace platform::detail {

[[nodiscard]] ULONGLONG monotonicMilliseconds();

// True while the manual test clock is in use; waits for a due time cannot be
// timed then and rely on AdvanceManualClock waking them.
[[nodiscard]] bool clockIsManual();

// The real-clock instant of a reading of the real clock, for timed waits.
[[nodiscard]] std::chrono::steady_clock::time_point realInstantOf(ULONGLONG milliseconds);

}  // namespace platform::detail
