// The monotonic clock, GetTickCount and the manual clock hook for tests.
#include "clock.h"

#include "queue_registry.h"

#include "platform/kernel.h"
#include "platform/testing.h"

#include <atomic>

namespace {

std::atomic<bool> s_manual{false};
std::atomic<ULONGLONG> s_manualNow{0};

}  // namespace

namespace platform::detail {

ULONGLONG monotonicMilliseconds() {
    if (s_manual.load(std::memory_order_acquire))
        return s_manualNow.load(std::memory_order_acquire);
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

bool clockIsManual() { return s_manual.load(std::memory_order_acquire); }

std::chrono::steady_clock::time_point realInstantOf(ULONGLONG milliseconds) {
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform::detail

namespace platform::testing {

void UseManualClock(ULONGLONG startMs) {
    s_manualNow.store(startMs, std::memory_order_release);
    s_manual.store(true, std::memory_order_release);
    detail::wakeAllThreadQueues();
}

void AdvanceManualClock(ULONGLONG milliseconds) {
    s_manualNow.fetch_add(milliseconds, std::memory_order_acq_rel);
    detail::wakeAllThreadQueues();
}

void UseRealClock() {
    s_manual.store(false, std::memory_order_release);
    detail::wakeAllThreadQueues();
}

}  // namespace platform::testing

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(platform::detail::monotonicMilliseconds()); }

ULONGLONG WINAPI GetTickCount64() { return platform::detail::monotonicMilliseconds(); }
