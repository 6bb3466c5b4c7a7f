// A process clock that moves only when its owner moves it, for frame-exact,
// faster-than-real-time playback. Everything that reads time through the
// platform follows it: GetTickCount, message times, thread timers and
// GetSystemTimeAsFileTime. Not part of Win32: the stand-in offers it and a
// Windows build has none (VirtualClockAvailable() tells).
#pragma once

#include "platform/types.h"

#include <optional>

namespace platform {

// Whether this platform can run the process on a virtual clock.
[[nodiscard]] bool VirtualClockAvailable();

// Puts the process on the virtual clock, before any timer is set. Tick counts
// then start at a fixed value, so runs repeat exactly, and the wall clock
// reads `epochMs` (milliseconds since 1970-01-01 UTC) at that moment.
void UseVirtualClock(long long epochMs);

// Virtual milliseconds since UseVirtualClock.
[[nodiscard]] ULONGLONG VirtualClockElapsed();

// Moves the virtual clock forward to `elapsedMs` (as VirtualClockElapsed
// counts); an earlier value is ignored, time never runs back.
void AdvanceVirtualClockTo(ULONGLONG elapsedMs);

// When the calling thread's earliest timer is due, in VirtualClockElapsed
// terms; nothing when the thread has no timer.
[[nodiscard]] std::optional<ULONGLONG> NextThreadTimerDue();

}  // namespace platform
