// The virtual clock: the manual clock with a fixed start and a virtual epoch
// for the wall clock.
#include "platform/virtual_clock.h"

#include "clock.h"
#include "queue_registry.h"

#include "platform/kernel.h"
#include "platform/testing.h"

#include <atomic>
#include <chrono>

namespace {

// Tick counts under the virtual clock start here: far from zero, so code
// that treats a zero tick count as "never" keeps working.
constexpr ULONGLONG VirtualStartTicks = 10'000'000;
// From 1601-01-01 to 1970-01-01 in 100 ns units.
constexpr unsigned long long FileTimeUnixOffset = 116'444'736'000'000'000ull;

std::atomic<bool> s_virtual{false};
std::atomic<long long> s_epochMs{0};

}  // namespace

namespace platform {

bool VirtualClockAvailable() { return true; }

void UseVirtualClock(long long epochMs) {
    s_epochMs.store(epochMs, std::memory_order_release);
    s_virtual.store(true, std::memory_order_release);
    testing::UseManualClock(VirtualStartTicks);
}

ULONGLONG VirtualClockElapsed() { return detail::monotonicMilliseconds() - VirtualStartTicks; }

void AdvanceVirtualClockTo(ULONGLONG elapsedMs) {
    const ULONGLONG now = VirtualClockElapsed();
    if (elapsedMs > now)
        testing::AdvanceManualClock(elapsedMs - now);
}

std::optional<ULONGLONG> NextThreadTimerDue() {
    const auto queue = detail::existingCurrentThreadQueue();
    if (!queue)
        return std::nullopt;
    const auto due = queue->nextTimerDue();
    if (!due)
        return std::nullopt;
    return *due > VirtualStartTicks ? *due - VirtualStartTicks : 0;
}

}  // namespace platform

void WINAPI GetSystemTimeAsFileTime(LPFILETIME time) {
    if (!time)
        return;
    long long unixMs = 0;
    if (s_virtual.load(std::memory_order_acquire)) {
        unixMs = s_epochMs.load(std::memory_order_acquire) + static_cast<long long>(platform::VirtualClockElapsed());
    } else {
        unixMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
    }
    const unsigned long long units = FileTimeUnixOffset + static_cast<unsigned long long>(unixMs) * 10'000ull;
    time->dwLowDateTime = static_cast<DWORD>(units & 0xFFFFFFFFu);
    time->dwHighDateTime = static_cast<DWORD>(units >> 32);
}
