#include "avm2/abc_reader.h"

#include <cstring>

namespace avm2 {

void AbcReader::fail() {
    if (!m_failed)
        m_failedAt = m_pos;
    m_failed = true;
    m_pos = m_data.size();
}

uint8_t AbcReader::u8() {
    if (m_pos >= m_data.size()) {
        fail();
        return 0;
    }
    return m_data[m_pos++];
}

uint16_t AbcReader::u16() {
    uint16_t low = u8();
    return uint16_t(low | (u8() << 8));
}

int32_t AbcReader::s24() {
    uint32_t v = u8();
    v |= uint32_t(u8()) << 8;
    v |= uint32_t(u8()) << 16;
    if (v & 0x800000)
        v |= 0xFF000000u;
    return int32_t(v);
}

uint32_t AbcReader::u32() {
    uint32_t result = 0;
    for (int i = 0; i < 5; ++i) {
        uint8_t b = u8();
        result |= uint32_t(b & 0x7F) << (7 * i);
        if (!(b & 0x80))
            return result;
    }
    // A fifth byte that still says "more" is not an integer of this format.
    fail();
    return 0;
}

// Compilers write negative ints as the full five bytes of their two's
// complement, and small positive ones in one byte whose high data bit may be
// set (100 is 0x64), so the value is the unsigned one reinterpreted.
int32_t AbcReader::s32() { return int32_t(u32()); }

double AbcReader::d64() {
    auto b = bytes(8);
    if (b.size() != 8)
        return 0.0;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | b[size_t(i)];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::string AbcReader::string() {
    uint32_t length = u30();
    auto b = bytes(length);
    return std::string(b.begin(), b.end());
}

uint32_t AbcReader::count(size_t minBytes) {
    uint32_t n = u30();
    if (minBytes != 0 && size_t(n) > remaining() / minBytes) {
        fail();
        return 0;
    }
    return n;
}

uint32_t AbcReader::poolCount(size_t minBytes) {
    uint32_t n = u30();
    if (n > 1 && size_t(n - 1) > remaining() / minBytes) {
        fail();
        return 0;
    }
    return n;
}

std::span<const uint8_t> AbcReader::bytes(size_t length) {
    if (m_failed || length > remaining()) {
        fail();
        return {};
    }
    auto out = m_data.subspan(m_pos, length);
    m_pos += length;
    return out;
}

}  // namespace avm2
