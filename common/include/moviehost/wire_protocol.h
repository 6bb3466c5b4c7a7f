#pragma once
// The pipe protocol between a parent process and the host, written down once
// for both sides and for every test double that speaks it.
//
// Parent to host, on the host's standard input: input records of RecordBytes
// bytes, back to back with nothing between them, laid out like the 32-bit
// Windows MSG (window, message, wParam, lParam, time, point x, point y), every
// field a 32-bit little-endian integer. The host uses message, wParam and
// lParam, and on the virtual clock time: the frame (from 1) before whose
// drawing the record applies, 0 for the next frame.
//
// Host to parent, on the host's standard output: frames, each a header of
// three 32-bit little-endian integers (FrameKind, width, height) followed by
// width * height * BytesPerPixel bytes of pixels, rows top-down, each pixel
// red, green, blue, 255. After a Finish record the host writes the end marker,
// one 32-bit zero, and nothing more.

#include <array>
#include <cstddef>
#include <cstdint>

namespace moviehost::wire {

// Every integer on the wire.
inline constexpr std::size_t IntegerBytes = 4;

// ---- input records ---------------------------------------------------------

inline constexpr std::size_t RecordBytes = 28;
// Byte offsets of the fields within a record.
inline constexpr std::size_t RecordWindowAt = 0;
inline constexpr std::size_t RecordMessageAt = 4;
inline constexpr std::size_t RecordWParamAt = 8;
inline constexpr std::size_t RecordLParamAt = 12;
inline constexpr std::size_t RecordTimeAt = 16;
inline constexpr std::size_t RecordPointXAt = 20;
inline constexpr std::size_t RecordPointYAt = 24;

// Messages the host acts on. Any other number is passed to ordinary dispatch.
inline constexpr std::uint32_t MouseMove = 512;       // WM_MOUSEMOVE
inline constexpr std::uint32_t LeftButtonDown = 513;  // WM_LBUTTONDOWN
inline constexpr std::uint32_t LeftButtonUp = 514;    // WM_LBUTTONUP
inline constexpr std::uint32_t Finish = 2024;         // write the end marker, then end
inline constexpr std::uint32_t Quit = 2025;           // end without the marker

[[nodiscard]] constexpr bool isMouseMessage(std::uint32_t message) {
    return message == MouseMove || message == LeftButtonDown || message == LeftButtonUp;
}

using EncodedRecord = std::array<std::uint8_t, RecordBytes>;

// ---- frames ----------------------------------------------------------------

inline constexpr std::size_t FrameHeaderBytes = 3 * IntegerBytes;
// Byte offsets of the header's fields.
inline constexpr std::size_t FrameKindAt = 0;
inline constexpr std::size_t FrameWidthAt = 4;
inline constexpr std::size_t FrameHeightAt = 8;
inline constexpr std::uint32_t FrameKind = 1;
// The kind field of a message with no body: the stream ends here.
inline constexpr std::uint32_t EndMarker = 0;
inline constexpr std::size_t BytesPerPixel = 4;
// The host's nominal frame period.
inline constexpr int FramePeriodMs = 30;

// ---- integers --------------------------------------------------------------

[[nodiscard]] constexpr std::uint32_t readInteger(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

constexpr void putInteger(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

[[nodiscard]] constexpr std::array<std::uint8_t, IntegerBytes> integerBytes(std::uint32_t value) {
    std::array<std::uint8_t, IntegerBytes> bytes{};
    putInteger(bytes.data(), value);
    return bytes;
}

// ---- records as fields -----------------------------------------------------

struct Record {
    std::uint32_t window = 0;
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;
    std::uint32_t time = 0;
    std::uint32_t pointX = 0;
    std::uint32_t pointY = 0;

    [[nodiscard]] constexpr EncodedRecord encode() const {
        EncodedRecord bytes{};
        putInteger(bytes.data() + RecordWindowAt, window);
        putInteger(bytes.data() + RecordMessageAt, message);
        putInteger(bytes.data() + RecordWParamAt, wParam);
        putInteger(bytes.data() + RecordLParamAt, lParam);
        putInteger(bytes.data() + RecordTimeAt, time);
        putInteger(bytes.data() + RecordPointXAt, pointX);
        putInteger(bytes.data() + RecordPointYAt, pointY);
        return bytes;
    }

    [[nodiscard]] static constexpr Record decode(const EncodedRecord& bytes) {
        Record record;
        record.window = readInteger(bytes.data() + RecordWindowAt);
        record.message = readInteger(bytes.data() + RecordMessageAt);
        record.wParam = readInteger(bytes.data() + RecordWParamAt);
        record.lParam = readInteger(bytes.data() + RecordLParamAt);
        record.time = readInteger(bytes.data() + RecordTimeAt);
        record.pointX = readInteger(bytes.data() + RecordPointXAt);
        record.pointY = readInteger(bytes.data() + RecordPointYAt);
        return record;
    }

    constexpr bool operator==(const Record&) const = default;
};

// A record of `message` with only wParam and lParam set, as bytes.
[[nodiscard]] constexpr EncodedRecord encodeRecord(std::uint32_t message, std::uint32_t wParam = 0,
                                                   std::uint32_t lParam = 0) {
    Record record;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    return record.encode();
}

// ---- mouse positions -------------------------------------------------------

// x in the low 16 bits of lParam, y in the high 16, both unsigned.
[[nodiscard]] constexpr std::uint32_t mouseLParam(std::uint16_t x, std::uint16_t y) {
    return std::uint32_t{x} | std::uint32_t{y} << 16;
}
[[nodiscard]] constexpr std::uint32_t mouseX(std::uint32_t lParam) { return lParam & 0xFFFFu; }
[[nodiscard]] constexpr std::uint32_t mouseY(std::uint32_t lParam) { return lParam >> 16; }

// ---- frame headers ---------------------------------------------------------

[[nodiscard]] constexpr std::array<std::uint8_t, FrameHeaderBytes> frameHeader(std::uint32_t width,
                                                                               std::uint32_t height) {
    std::array<std::uint8_t, FrameHeaderBytes> bytes{};
    putInteger(bytes.data() + FrameKindAt, FrameKind);
    putInteger(bytes.data() + FrameWidthAt, width);
    putInteger(bytes.data() + FrameHeightAt, height);
    return bytes;
}

// A whole frame message of this size, header included.
[[nodiscard]] constexpr std::size_t frameMessageBytes(std::size_t width, std::size_t height) {
    return FrameHeaderBytes + width * height * BytesPerPixel;
}

}  // namespace moviehost::wire
