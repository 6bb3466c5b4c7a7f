#include "swf/bit_reader.h"

#include <cstring>

namespace swf {

uint8_t BitReader::u8() {
    align();
    if (m_pos >= m_data.size()) {
        fail();
        return 0;
    }
    return m_data[m_pos++];
}

uint16_t BitReader::u16() {
    align();
    if (m_data.size() - m_pos < 2) {
        fail();
        return 0;
    }
    uint16_t v = uint16_t(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

uint32_t BitReader::u32() {
    align();
    if (m_data.size() - m_pos < 4) {
        fail();
        return 0;
    }
    uint32_t v = uint32_t(m_data[m_pos]) | uint32_t(m_data[m_pos + 1]) << 8 | uint32_t(m_data[m_pos + 2]) << 16 |
                 uint32_t(m_data[m_pos + 3]) << 24;
    m_pos += 4;
    return v;
}

float BitReader::f32() {
    uint32_t bits = u32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double BitReader::fixed8() { return s16() / 256.0; }
double BitReader::fixed16() { return s32() / 65536.0; }

uint32_t BitReader::encodedU32() {
    uint32_t value = 0;
    for (unsigned i = 0; i < 5; ++i) {
        uint8_t b = u8();
        value |= uint32_t(b & 0x7F) << (7 * i);  // the fifth group's high bits fall off, as 32 bits allow
        if (!(b & 0x80))
            break;
    }
    return value;
}

uint32_t BitReader::ub(unsigned bits) {
    if (bits == 0)
        return 0;
    if (bits > 32) {
        fail();
        return 0;
    }
    // Enough bits left? (remaining whole bits from the current position)
    uint64_t available = (uint64_t(m_data.size()) - m_pos) * 8 - m_bit;
    if (m_pos >= m_data.size() || available < bits) {
        fail();
        return 0;
    }
    uint64_t value = 0;
    while (bits > 0) {
        unsigned take = 8 - m_bit;
        if (take > bits)
            take = bits;
        unsigned shift = 8 - m_bit - take;
        uint32_t chunk = (m_data[m_pos] >> shift) & ((1u << take) - 1);
        value = (value << take) | chunk;
        bits -= take;
        m_bit += take;
        if (m_bit == 8) {
            m_bit = 0;
            ++m_pos;
        }
    }
    return uint32_t(value);
}

int32_t BitReader::sb(unsigned bits) {
    if (bits == 0)
        return 0;
    uint32_t raw = ub(bits);
    if (bits < 32 && (raw & (1u << (bits - 1))))
        raw |= ~((1u << bits) - 1);  // sign-extend
    return int32_t(raw);
}

std::span<const uint8_t> BitReader::bytes(size_t count) {
    align();
    if (m_data.size() - m_pos < count) {
        fail();
        return {};
    }
    auto view = m_data.subspan(m_pos, count);
    m_pos += count;
    return view;
}

std::span<const uint8_t> BitReader::rest() {
    align();
    auto view = m_data.subspan(m_pos);
    m_pos = m_data.size();
    return view;
}

void BitReader::seek(size_t offset) {
    if (offset > m_data.size()) {
        fail();
        return;
    }
    m_pos = offset;
    m_bit = 0;
}

std::string BitReader::string(uint8_t swfVersion) {
    align();
    size_t end = m_pos;
    while (end < m_data.size() && m_data[end] != 0)
        ++end;
    auto raw = m_data.subspan(m_pos, end - m_pos);
    std::string text = swfVersion >= 6 ? sanitizeUtf8(raw) : ansiToUtf8(raw);
    if (end == m_data.size())
        fail();
    else
        m_pos = end + 1;
    return text;
}

std::string BitReader::fixedString(size_t length, uint8_t swfVersion) {
    auto raw = bytes(length);
    while (!raw.empty() && raw.back() == 0)
        raw = raw.first(raw.size() - 1);
    return swfVersion >= 6 ? sanitizeUtf8(raw) : ansiToUtf8(raw);
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five undefined positions.
constexpr uint16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::string ansiToUtf8(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (uint8_t b : bytes) {
        uint32_t cp = b;
        if (b >= 0x80 && b <= 0x9F)
            cp = Cp1252High[b - 0x80] ? Cp1252High[b - 0x80] : 0xFFFD;
        appendUtf8(out, cp);
    }
    return out;
}

std::string sanitizeUtf8(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        uint8_t b = bytes[i];
        unsigned length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool valid = length != 0 && i + length <= bytes.size();
        uint32_t cp = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        for (unsigned k = 1; valid && k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are invalid too.
        if (valid && ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000) ||
                      (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF))
            valid = false;
        if (valid) {
            out.append(reinterpret_cast<const char*>(bytes.data() + i), length);
            i += length;
        } else {
            appendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

}  // namespace swf
