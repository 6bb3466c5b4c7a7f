#include "control/module_lock.h"

#include <atomic>

namespace control {

namespace {
// Objects may be released on any thread, so the counts are atomic.
std::atomic<long> g_objects{0};
std::atomic<long> g_serverLocks{0};
}  // namespace

void lockModule() noexcept { g_objects.fetch_add(1, std::memory_order_relaxed); }

void unlockModule() noexcept { g_objects.fetch_sub(1, std::memory_order_acq_rel); }

void lockServer() noexcept { g_serverLocks.fetch_add(1, std::memory_order_relaxed); }

void unlockServer() noexcept {
    long locks = g_serverLocks.load(std::memory_order_relaxed);
    while (locks > 0 && !g_serverLocks.compare_exchange_weak(locks, locks - 1, std::memory_order_acq_rel)) {
    }
}

bool moduleInUse() noexcept {
    return g_objects.load(std::memory_order_acquire) > 0 || g_serverLocks.load(std::memory_order_acquire) > 0;
}

}  // namespace control
