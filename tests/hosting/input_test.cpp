// Mouse and keyboard input as the window messages the control receives:
// wParam and lParam packing, button flags, wheel delta, Ctrl and Shift.
#include "hosting_test_support.h"

#include "platform/testing.h"

namespace {

using moviehost::testing::PlayerTest;

class InputTest : public PlayerTest {
protected:
    void SetUp() override {
        platform::testing::ReleaseAllAsyncKeys();
        PlayerTest::SetUp();
        m_player = make(640, 480);
        ASSERT_NE(nullptr, m_player->Windowless());
        latestFake().clearLog();
    }
    void TearDown() override {
        platform::testing::ReleaseAllAsyncKeys();
        PlayerTest::TearDown();
    }

    [[nodiscard]] std::vector<std::string> sent() {
        auto log = latestFake().log();
        latestFake().clearLog();
        return log;
    }

    std::unique_ptr<moviehost::CMoviePlayer> m_player;
};

TEST_F(InputTest, ButtonsAreCarriedUntilReleased) {
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(10, 20, 0, true));
    EXPECT_EQ(S_OK, m_player->MoveMouse(15, 25));
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(15, 25, 1, true));
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(15, 25, 2, true));
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(15, 25, 1, false));
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(15, 25, 2, false));
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(15, 25, 0, false));
    EXPECT_EQ(S_OK, m_player->ChangeMouseButton(15, 25, 0, false));
    EXPECT_EQ((std::vector<std::string>{
                  "OnWindowMessage(0x201, 0x1, 0x14000a)",   // left down carries its own bit
                  "OnWindowMessage(0x200, 0x1, 0x19000f)",   // still held while moving
                  "OnWindowMessage(0x204, 0x3, 0x19000f)",   // right with left held
                  "OnWindowMessage(0x207, 0x13, 0x19000f)",  // middle too
                  "OnWindowMessage(0x205, 0x11, 0x19000f)",  // right up no longer carries its bit
                  "OnWindowMessage(0x208, 0x1, 0x19000f)", "OnWindowMessage(0x202, 0x0, 0x19000f)",
                  "OnWindowMessage(0x202, 0x0, 0x19000f)",  // a release without a press is sent all the same
              }),
              sent());
}

TEST_F(InputTest, TheWheelCarriesItsDeltaInTheHighWordAtTheLastPosition) {
    m_player->MoveMouse(15, 25);
    latestFake().clearLog();
    m_player->TurnMouseWheel(120);
    m_player->TurnMouseWheel(-120);
    m_player->ChangeMouseButton(1, 2, 0, true);
    m_player->TurnMouseWheel(65536 + 3);
    EXPECT_EQ((std::vector<std::string>{
                  "OnWindowMessage(0x20a, 0x780000, 0x19000f)",
                  "OnWindowMessage(0x20a, 0xff880000, 0x19000f)",  // -120 as a 16-bit value, not sign extended
                  "OnWindowMessage(0x201, 0x1, 0x20001)",
                  "OnWindowMessage(0x20a, 0x30001, 0x20001)",  // only the low 16 bits of the delta
              }),
              sent());
}

TEST_F(InputTest, OnlyTheLow16BitsOfEachCoordinateAreSent) {
    m_player->MoveMouse(-1, -1);
    m_player->MoveMouse(65536 + 10, 3);
    EXPECT_EQ(65536 + 10, m_player->LastMousePosition().x) << "the player keeps the full value";
    m_player->MoveMouse(-32768, 32767);
    EXPECT_EQ((std::vector<std::string>{
                  "OnWindowMessage(0x200, 0x0, 0xffffffff)",
                  "OnWindowMessage(0x200, 0x0, 0x3000a)",
                  "OnWindowMessage(0x200, 0x0, 0x7fff8000)",
              }),
              sent());
}

TEST_F(InputTest, CtrlAndShiftComeFromTheLocalKeyboardForMouseMessagesOnly) {
    platform::testing::SetAsyncKeyHeld(VK_CONTROL, true);
    m_player->MoveMouse(1, 1);
    platform::testing::SetAsyncKeyHeld(VK_SHIFT, true);
    m_player->ChangeMouseButton(1, 1, 0, true);
    platform::testing::SetAsyncKeyHeld(VK_CONTROL, false);
    m_player->TurnMouseWheel(1);
    m_player->ChangeKey(true, 0x41, 0x1E0001);
    m_player->ChangeKey(false, 0x41, 0xC01E0001);
    m_player->TypeChar(0x61, 0x1E0001);
    EXPECT_EQ((std::vector<std::string>{
                  "OnWindowMessage(0x200, 0x8, 0x10001)",
                  "OnWindowMessage(0x201, 0xd, 0x10001)",
                  "OnWindowMessage(0x20a, 0x10005, 0x10001)",
                  "OnWindowMessage(0x100, 0x41, 0x1e0001)",  // keys pass through unchanged
                  "OnWindowMessage(0x101, 0x41, 0xc01e0001)",
                  "OnWindowMessage(0x102, 0x61, 0x1e0001)",
              }),
              sent());
}

TEST_F(InputTest, AnUnknownButtonMovesThePointerAndSendsNothing) {
    EXPECT_EQ(E_INVALIDARG, m_player->ChangeMouseButton(5, 6, 3, true));
    EXPECT_EQ(E_INVALIDARG, m_player->ChangeMouseButton(5, 6, -1, true));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(0u, m_player->MouseButtons());
    m_player->TurnMouseWheel(0);
    EXPECT_EQ(std::vector<std::string>{"OnWindowMessage(0x20a, 0x0, 0x60005)"}, sent());
}

TEST_F(InputTest, TheControlsResultIsReturnedNotRaised) {
    auto& fake = latestFake();
    fake.setResult("OnWindowMessage", S_FALSE);
    EXPECT_EQ(S_FALSE, m_player->MoveMouse(1, 1));
    fake.setResult("OnWindowMessage", E_UNEXPECTED);
    EXPECT_EQ(E_UNEXPECTED, m_player->ChangeMouseButton(1, 1, 0, true));
    EXPECT_EQ(E_UNEXPECTED, m_player->TurnMouseWheel(1));
    EXPECT_EQ(E_UNEXPECTED, m_player->ChangeKey(true, 1, 1));
    EXPECT_EQ(E_UNEXPECTED, m_player->TypeChar(1, 1));
    EXPECT_EQ(MK_LBUTTON, m_player->MouseButtons()) << "the press counts whatever the control answered";
}

}  // namespace
