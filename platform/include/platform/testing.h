// Hooks for tests only. Production code never calls these.
//
// The clock: timers, GetTickCount and message times all read one monotonic
// millisecond clock. A test can replace it with a manual clock that moves only
// when told, so that timer behaviour is checked exactly and without sleeping.
// Switch clocks only while no timer is set: due times are kept in the clock's
// own time base.
//
// The keyboard: GetAsyncKeyState reads every key as up; a test can mark keys
// as held to exercise code that looks at Ctrl and Shift.
#pragma once

#include "platform/types.h"

namespace platform::testing {

// From now on the clock reads `startMs` until advanced.
void UseManualClock(ULONGLONG startMs);

// Moves the manual clock forward and wakes every thread waiting in GetMessageW
// so that it sees timers that have become due. No effect on the real clock.
void AdvanceManualClock(ULONGLONG milliseconds);

// Back to the system's monotonic clock.
void UseRealClock();

// GetAsyncKeyState(virtualKey) reports 0x8000 while `held` is true, 0 after.
// Keys outside 0..255 are ignored.
void SetAsyncKeyHeld(int virtualKey, bool held);

// Every key reads as up again.
void ReleaseAllAsyncKeys();

}  // namespace platform::testing
