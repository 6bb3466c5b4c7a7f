// The wire protocol's numbers and layout, input record encoding, frame
// accessors and exit status texts.

#include <moviehost/client/exit_status.h>
#include <moviehost/client/frame.h>
#include <moviehost/client/input_record.h>
#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <signal.h>

#include <stdexcept>
#include <vector>

namespace {

using namespace moviehost::client;
namespace wire = moviehost::wire;

// The numbers the host and every parent were built for; the one place they
// are written out, so that a change to the shared header shows here.
TEST(WireProtocol, KeepsItsNumbers) {
    const std::pair<std::uint64_t, std::uint64_t> numbers[] = {
        {wire::MouseMove, 512},     {wire::LeftButtonDown, 513},  {wire::LeftButtonUp, 514},
        {wire::Finish, 2024},       {wire::Quit, 2025},           {wire::RecordBytes, 28},
        {wire::RecordMessageAt, 4}, {wire::RecordWParamAt, 8},    {wire::RecordLParamAt, 12},
        {wire::RecordTimeAt, 16},   {wire::FrameHeaderBytes, 12}, {wire::FrameKind, 1},
        {wire::EndMarker, 0},
    };
    for (std::size_t i = 0; i < std::size(numbers); ++i)
        EXPECT_EQ(numbers[i].first, numbers[i].second) << "entry " << i;
}

TEST(WireProtocol, IntegersAreLittleEndianAndRecordsRoundTrip) {
    EXPECT_EQ(wire::integerBytes(0x11223344u), (std::array<std::uint8_t, 4>{0x44, 0x33, 0x22, 0x11}));
    const wire::Record record{1, 2, 0xFFFFFFFFu, 0x80000000u, 5, 6, 7};
    EXPECT_EQ(wire::Record::decode(record.encode()), record);
    EXPECT_EQ(wire::frameHeader(5, 3), (std::array<std::uint8_t, 12>{1, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_EQ(wire::mouseX(wire::mouseLParam(65535, 1)), 65535u);
    EXPECT_EQ(wire::mouseY(wire::mouseLParam(65535, 1)), 1u);
}

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
    const auto down = InputRecord::mouse(wire::LeftButtonDown, 50, 100);
    EXPECT_EQ(down.message, wire::LeftButtonDown);
    EXPECT_EQ(down.lParam, 50u + 100u * 65536u);
    EXPECT_EQ(down.wParam, 0u);

    const auto move = InputRecord::mouse(wire::MouseMove, 1, 65535);
    EXPECT_EQ(move.lParam, 0xFFFF0001u);
    const auto bytes = move.encode();
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + wire::RecordLParamAt, bytes.begin() + wire::RecordTimeAt),
              (std::vector<std::uint8_t>{0x01, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(InputRecord::control(wire::Finish).encode(), wire::encodeRecord(wire::Finish));
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
