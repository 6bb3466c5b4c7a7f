// GetAsyncKeyState off Windows: no keyboard, keys held only in tests.
#include "platform/testing.h"
#include "platform/user.h"

#include <gtest/gtest.h>

namespace {

USHORT keyState(int key) { return static_cast<USHORT>(GetAsyncKeyState(key)); }

class AsyncKeyState : public ::testing::Test {
protected:
    void TearDown() override { platform::testing::ReleaseAllAsyncKeys(); }
};

}  // namespace

TEST_F(AsyncKeyState, KeysAreUpByDefault) {
    EXPECT_EQ(keyState(VK_CONTROL), 0u);
    EXPECT_EQ(keyState(VK_SHIFT), 0u);
}

TEST_F(AsyncKeyState, SimulatedKeyReportsHeldUntilReleased) {
    platform::testing::SetAsyncKeyHeld(VK_CONTROL, true);
    EXPECT_EQ(keyState(VK_CONTROL), 0x8000u) << "a held key reports bit 15";
    EXPECT_EQ(keyState(VK_SHIFT), 0u) << "only the held key is down";
    platform::testing::SetAsyncKeyHeld(VK_SHIFT, true);
    EXPECT_EQ(keyState(VK_SHIFT), 0x8000u);
    platform::testing::SetAsyncKeyHeld(VK_CONTROL, false);
    EXPECT_EQ(keyState(VK_CONTROL), 0u);
    platform::testing::ReleaseAllAsyncKeys();
    EXPECT_EQ(keyState(VK_SHIFT), 0u);
}

TEST_F(AsyncKeyState, KeysOutsideTheRangeReadAsUp) {
    platform::testing::SetAsyncKeyHeld(-1, true);
    platform::testing::SetAsyncKeyHeld(256, true);
    EXPECT_EQ(keyState(-1), 0u);
    EXPECT_EQ(keyState(256), 0u);
    EXPECT_EQ(keyState(255), 0u);
}
