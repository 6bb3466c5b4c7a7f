// GetAsyncKeyState. No keyboard is attached to a headless process off
// Windows, so keys are up unless a test holds them down.
#include "platform/testing.h"
#include "platform/user.h"

#include <array>
#include <atomic>

namespace {

constexpr int KeyCount = 256;

std::array<std::atomic<bool>, KeyCount> s_held{};

bool isKey(int virtualKey) { return virtualKey >= 0 && virtualKey < KeyCount; }

}  // namespace

SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    if (!isKey(virtualKey) || !s_held[static_cast<std::size_t>(virtualKey)].load(std::memory_order_relaxed))
        return 0;
    // Bit 15, "held now", as the platform reports it.
    return static_cast<SHORT>(0x8000u);
}

namespace platform::testing {

void SetAsyncKeyHeld(int virtualKey, bool held) {
    if (isKey(virtualKey))
        s_held[static_cast<std::size_t>(virtualKey)].store(held, std::memory_order_relaxed);
}

void ReleaseAllAsyncKeys() {
    for (auto& key : s_held)
        key.store(false, std::memory_order_relaxed);
}

}  // namespace platform::testing
