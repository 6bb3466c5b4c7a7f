#include "bit_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swfwriter {

BitWriter& BitWriter::ub(unsigned bits, uint32_t value) {
    for (unsigned i = bits; i-- > 0;) {
        if (m_bit == 0)
            m_data.push_back(0);
        if ((value >> i) & 1)
            m_data.back() |= uint8_t(0x80 >> m_bit);
        m_bit = (m_bit + 1) & 7;
    }
    return *this;
}

BitWriter& BitWriter::sb(unsigned bits, int32_t value) {
    uint32_t raw = uint32_t(value);
    if (bits < 32)
        raw &= (1u << bits) - 1;
    return ub(bits, raw);
}

BitWriter& BitWriter::align() {
    m_bit = 0;
    return *this;
}

BitWriter& BitWriter::u8(uint8_t v) {
    align();
    m_data.push_back(v);
    return *this;
}

BitWriter& BitWriter::u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
BitWriter& BitWriter::u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }

BitWriter& BitWriter::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return u32(bits);
}

BitWriter& BitWriter::encodedU32(uint32_t v) {
    do {
        uint8_t b = v & 0x7F;
        v >>= 7;
        u8(v ? (b | 0x80) : b);
    } while (v);
    return *this;
}

BitWriter& BitWriter::string(const std::string& s) {
    align();
    m_data.insert(m_data.end(), s.begin(), s.end());
    m_data.push_back(0);
    return *this;
}

BitWriter& BitWriter::bytes(std::span<const uint8_t> data) {
    align();
    m_data.insert(m_data.end(), data.begin(), data.end());
    return *this;
}

void BitWriter::patchU16(size_t offset, uint16_t v) {
    m_data.at(offset) = uint8_t(v);
    m_data.at(offset + 1) = uint8_t(v >> 8);
}

void BitWriter::patchU32(size_t offset, uint32_t v) {
    patchU16(offset, uint16_t(v));
    patchU16(offset + 2, uint16_t(v >> 16));
}

unsigned BitWriter::bitsUnsigned(uint32_t v) {
    unsigned n = 0;
    while (n < 32 && (v >> n) != 0)
        ++n;
    return n;
}

unsigned BitWriter::bitsSigned(int32_t v) {
    if (v == 0)
        return 0;
    // One more than the magnitude bits, for the sign.
    uint32_t magnitude = v < 0 ? uint32_t(~v) : uint32_t(v);
    return std::min(32u, bitsUnsigned(magnitude) + 1);
}

int32_t BitWriter::toFixed16(double v) { return int32_t(std::lround(v * 65536.0)); }

BitWriter& BitWriter::rect(const Rect& r) {
    align();
    unsigned bits = std::max({bitsSigned(r.xMin), bitsSigned(r.xMax), bitsSigned(r.yMin), bitsSigned(r.yMax), 1u});
    ub(5, bits).sb(bits, r.xMin).sb(bits, r.xMax).sb(bits, r.yMin).sb(bits, r.yMax);
    return align();
}

BitWriter& BitWriter::matrix(const Matrix& m) {
    align();
    bool hasScale = m.a != 1.0 || m.d != 1.0;
    flag(hasScale);
    if (hasScale) {
        int32_t a = toFixed16(m.a), d = toFixed16(m.d);
        unsigned bits = std::max({bitsSigned(a), bitsSigned(d), 1u});
        ub(5, bits).sb(bits, a).sb(bits, d);
    }
    bool hasRotate = m.b != 0.0 || m.c != 0.0;
    flag(hasRotate);
    if (hasRotate) {
        int32_t b = toFixed16(m.b), c = toFixed16(m.c);
        unsigned bits = std::max({bitsSigned(b), bitsSigned(c), 1u});
        ub(5, bits).sb(bits, b).sb(bits, c);
    }
    unsigned bits = std::max(bitsSigned(m.tx), bitsSigned(m.ty));
    ub(5, bits).sb(bits, m.tx).sb(bits, m.ty);
    return align();
}

BitWriter& BitWriter::cxform(const CxForm& c, bool withAlpha) {
    align();
    bool hasMult = c.rMult != 256 || c.gMult != 256 || c.bMult != 256 || (withAlpha && c.aMult != 256);
    bool hasAdd = c.rAdd != 0 || c.gAdd != 0 || c.bAdd != 0 || (withAlpha && c.aAdd != 0);
    unsigned bits = 1;
    if (hasMult)
        bits = std::max({bits, bitsSigned(c.rMult), bitsSigned(c.gMult), bitsSigned(c.bMult),
                         withAlpha ? bitsSigned(c.aMult) : 0u});
    if (hasAdd)
        bits = std::max(
            {bits, bitsSigned(c.rAdd), bitsSigned(c.gAdd), bitsSigned(c.bAdd), withAlpha ? bitsSigned(c.aAdd) : 0u});
    flag(hasAdd).flag(hasMult).ub(4, bits);
    if (hasMult) {
        sb(bits, c.rMult).sb(bits, c.gMult).sb(bits, c.bMult);
        if (withAlpha)
            sb(bits, c.aMult);
    }
    if (hasAdd) {
        sb(bits, c.rAdd).sb(bits, c.gAdd).sb(bits, c.bAdd);
        if (withAlpha)
            sb(bits, c.aAdd);
    }
    return align();
}

}  // namespace swfwriter
