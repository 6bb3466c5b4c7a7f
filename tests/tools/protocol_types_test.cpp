// Input record encoding, frame accessors and exit status texts.

#include <moviehost/client/exit_status.h>
#include <moviehost/client/frame.h>
#include <moviehost/client/input_record.h>

#include <gtest/gtest.h>

#include <signal.h>

#include <stdexcept>
#include <vector>

namespace {

using namespace moviehost::client;

TEST(InputRecord, EncodesFieldsLittleEndianInMsgOrder) {
    InputRecord record;
    record.window = 0x11223344;
    record.message = 0x00000201;
    record.wParam = 0x55667788;
    record.lParam = 0x99AABBCC;
    record.time = 0x01020304;
    record.pointX = -2;
    record.pointY = 0x7F000001;
    const auto bytes = record.encode();
    const std::vector<std::uint8_t> expected = {
        0x44, 0x33, 0x22, 0x11,  // hwnd
        0x01, 0x02, 0x00, 0x00,  // message
        0x88, 0x77, 0x66, 0x55,  // wParam
        0xCC, 0xBB, 0xAA, 0x99,  // lParam
        0x04, 0x03, 0x02, 0x01,  // time
        0xFE, 0xFF, 0xFF, 0xFF,  // pt.x
        0x01, 0x00, 0x00, 0x7F,  // pt.y
    };
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);
}

TEST(InputRecord, MousePutsXLowAndYHighWithoutSignExtension) {
    const auto down = InputRecord::mouse(513, 50, 100);
    EXPECT_EQ(down.message, 513u);
    EXPECT_EQ(down.lParam, 50u + 100u * 65536u);
    EXPECT_EQ(down.wParam, 0u);

    const auto move = InputRecord::mouse(512, 1, 65535);
    EXPECT_EQ(move.lParam, 0xFFFF0001u);
    const auto bytes = move.encode();
    EXPECT_EQ(bytes[12], 0x01);
    EXPECT_EQ(bytes[13], 0x00);
    EXPECT_EQ(bytes[14], 0xFF);
    EXPECT_EQ(bytes[15], 0xFF);

    EXPECT_EQ(InputRecord::control(2024).encode()[4], 0xE8);  // 2024 = 0x07E8
    EXPECT_EQ(InputRecord::control(2024).encode()[5], 0x07);
}

TEST(Frame, PixelsAreTopDownRowsOfRgba) {
    Frame frame(3, 2);
    ASSERT_EQ(frame.byteCount(), 24u);
    auto bytes = frame.bytes();
    // Pixel (2, 1) is the last one: row 1 starts at byte 12.
    bytes[20] = 10;
    bytes[21] = 20;
    bytes[22] = 30;
    bytes[23] = 255;
    EXPECT_EQ(frame.pixel(2, 1), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(frame.pixel(0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(frame.row(1).size(), 12u);
    EXPECT_EQ(frame.row(1)[8], 10);

    EXPECT_THROW((void)frame.pixel(3, 0), std::out_of_range);
    EXPECT_THROW((void)frame.pixel(0, 2), std::out_of_range);
    EXPECT_THROW((void)frame.pixel(-1, 0), std::out_of_range);
    EXPECT_THROW(Frame(0, 1), std::invalid_argument);
}

TEST(Frame, ResizeReusesTheAllocation) {
    Frame frame(8, 8);
    const auto* before = frame.bytes().data();
    frame.resize(4, 4);
    EXPECT_EQ(frame.byteCount(), 64u);
    frame.resize(8, 8);
    EXPECT_EQ(frame.bytes().data(), before);
}

TEST(ExitStatus, DescribesExitsAndSignals) {
    EXPECT_EQ((ExitStatus{ExitStatus::Kind::Exited, 3}).describe(), "exit status 3");
    EXPECT_EQ((ExitStatus{ExitStatus::Kind::Signaled, SIGKILL}).describe().rfind("killed by signal 9", 0), 0u);
    EXPECT_TRUE((ExitStatus{ExitStatus::Kind::Exited, 0}).success());
    EXPECT_FALSE((ExitStatus{ExitStatus::Kind::Signaled, 0}).success());
}

}  // namespace
