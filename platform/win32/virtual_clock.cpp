// Windows has no virtual clock: the system's clock and timers are the SDK's
// own and cannot be moved. Callers ask VirtualClockAvailable() first; the
// rest does nothing.
#include "platform/virtual_clock.h"

namespace platform {

bool VirtualClockAvailable() { return false; }

void UseVirtualClock(long long) {}

ULONGLONG VirtualClockElapsed() { return 0; }

void AdvanceVirtualClockTo(ULONGLONG) {}

std::optional<ULONGLONG> NextThreadTimerDue() { return std::nullopt; }

}  // namespace platform
