// Reads the file's little-endian bytes and MSB-first bit fields.
//
// Errors stick: a read past the end returns 0 (or an empty value), sets the
// failed flag and leaves the position at the end, so callers may read a whole
// record and check failed() once. No read ever touches memory outside the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace swf {

class BitReader {
public:
    BitReader() = default;
    explicit BitReader(std::span<const uint8_t> data) : m_data(data) {}

    // Byte-level reads align to the next byte first.
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int16_t s16() { return int16_t(u16()); }
    int32_t s32() { return int32_t(u32()); }
    float f32();            // IEEE single, little-endian
    double fixed8();        // signed 8.8
    double fixed16();       // signed 16.16
    uint32_t encodedU32();  // 1-5 bytes, 7 bits each, low group first

    // Bit fields of 0..32 bits. UB: unsigned, SB: sign-extended, FB: SB as 16.16.
    uint32_t ub(unsigned bits);
    int32_t sb(unsigned bits);
    double fb(unsigned bits) { return sb(bits) / 65536.0; }
    bool flag() { return ub(1) != 0; }
    void align() {
        if (m_bit != 0) {
            m_bit = 0;
            ++m_pos;
        }
    }

    // A zero-terminated string. SWF 6 and later store UTF-8 (invalid sequences
    // become U+FFFD); older files store the ANSI code page, read as
    // Windows-1252. Returned as UTF-8. A missing terminator fails the reader
    // and returns what was there.
    std::string string(uint8_t swfVersion);
    // `length` bytes of ANSI/UTF-8 text without terminator (font names); a
    // trailing zero byte is dropped.
    std::string fixedString(size_t length, uint8_t swfVersion);

    // Takes `count` bytes as a view; fails (and returns an empty span) if fewer remain.
    std::span<const uint8_t> bytes(size_t count);
    std::span<const uint8_t> rest();
    void skip(size_t count) { (void)bytes(count); }

    // Byte offset of the next byte-level read.
    [[nodiscard]] size_t position() const { return m_pos + (m_bit != 0 ? 1 : 0); }
    [[nodiscard]] size_t remaining() const { return m_data.size() - position(); }
    [[nodiscard]] size_t size() const { return m_data.size(); }
    [[nodiscard]] bool atEnd() const { return remaining() == 0; }
    [[nodiscard]] bool failed() const { return m_failed; }
    void fail() {
        m_failed = true;
        m_pos = m_data.size();
        m_bit = 0;
    }
    // Moves to an absolute byte offset; past the end fails.
    void seek(size_t offset);

private:
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;    // byte holding the next bit; m_pos <= size, and m_bit == 0 when m_pos == size
    unsigned m_bit = 0;  // bits already taken from byte m_pos (0..7)
    bool m_failed = false;
};

// UTF-8 from Windows-1252 bytes (undefined code points map to U+FFFD).
[[nodiscard]] std::string ansiToUtf8(std::span<const uint8_t> bytes);
// Replaces invalid UTF-8 sequences with U+FFFD.
[[nodiscard]] std::string sanitizeUtf8(std::span<const uint8_t> bytes);
// Appends one code point (at most U+10FFFF, no surrogate) as UTF-8.
void appendUtf8(std::string& out, uint32_t cp);

}  // namespace swf
