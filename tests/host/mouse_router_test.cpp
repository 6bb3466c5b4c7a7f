// Mouse records reaching the player, with the position taken from lParam.
#include "mouse_router.h"

#include "fake_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using moviehost::testing::FakePlayer;

struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* expected;  // the player call, or "" for none
};

TEST(MouseRouter, MessagesBecomePlayerCallsWithUnsignedHalves) {
    const Case cases[] = {
        {WM_LBUTTONDOWN, 0, static_cast<LPARAM>((100u << 16) | 50u), "ChangeMouseButton(50,100,0,down)"},
        {WM_LBUTTONUP, 0, static_cast<LPARAM>((100u << 16) | 50u), "ChangeMouseButton(50,100,0,up)"},
        // All high bits set: y is 65535, not -1.
        {WM_MOUSEMOVE, 0, static_cast<LPARAM>(0xFFFF0001u), "MoveMouse(1,65535)"},
        {WM_MOUSEMOVE, 0, static_cast<LPARAM>(0x0000FFFFu), "MoveMouse(65535,0)"},
        // A sign-extended lParam reads the same: only the record's 32 bits count.
        {WM_MOUSEMOVE, 0, static_cast<LPARAM>(static_cast<LONG>(0xFFFF0001u)), "MoveMouse(1,65535)"},
        // wParam carries nothing the router uses.
        {WM_LBUTTONDOWN, 0xFFFFFFFFu, 0, "ChangeMouseButton(0,0,0,down)"},
        {WM_RBUTTONDOWN, 0, 0, ""},
        {WM_TIMER, 0, 0, ""},
    };
    for (const Case& c : cases) {
        FakePlayer player;
        EXPECT_EQ(RouteMouse(&player, c.message, c.wParam, c.lParam), 0);
        const std::vector<std::string> expected =
            std::string(c.expected).empty() ? std::vector<std::string>{} : std::vector<std::string>{c.expected};
        EXPECT_EQ(player.calls, expected) << "message 0x" << std::hex << c.message << ", lParam 0x" << c.lParam;
    }
}

TEST(MouseRouter, NoPlayerNoCall) { EXPECT_EQ(RouteMouse(nullptr, WM_MOUSEMOVE, 0, 0x00010001), 0); }

}  // namespace
