// Writes the movie format's little-endian bytes and MSB-first bit fields.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace swfwriter {

struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
};

// Twips rectangle.
struct Rect {
    int32_t xMin = 0;
    int32_t xMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty; tx/ty in twips.
struct Matrix {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    int32_t tx = 0;
    int32_t ty = 0;

    static Matrix translate(int32_t x, int32_t y) { return {1.0, 0.0, 0.0, 1.0, x, y}; }
    static Matrix scale(double sx, double sy, int32_t x = 0, int32_t y = 0) { return {sx, 0.0, 0.0, sy, x, y}; }
};

// Multipliers 8.8 (256 = 1.0), adds in colour units.
struct CxForm {
    int16_t rMult = 256, gMult = 256, bMult = 256, aMult = 256;
    int16_t rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;
};

class BitWriter {
public:
    BitWriter& ub(unsigned bits, uint32_t value);
    BitWriter& sb(unsigned bits, int32_t value);
    BitWriter& fb(unsigned bits, double value) { return sb(bits, toFixed16(value)); }
    BitWriter& flag(bool value) { return ub(1, value ? 1 : 0); }
    BitWriter& align();

    BitWriter& u8(uint8_t v);
    BitWriter& u16(uint16_t v);
    BitWriter& u32(uint32_t v);
    BitWriter& s16(int16_t v) { return u16(uint16_t(v)); }
    BitWriter& f32(float v);
    BitWriter& fixed8(double v) { return s16(int16_t(v * 256.0)); }
    BitWriter& fixed16(double v) { return u32(uint32_t(toFixed16(v))); }
    BitWriter& encodedU32(uint32_t v);
    BitWriter& string(const std::string& s);  // zero-terminated, bytes as given
    BitWriter& bytes(std::span<const uint8_t> data);

    BitWriter& rect(const Rect& r);
    BitWriter& matrix(const Matrix& m);
    BitWriter& cxform(const CxForm& c, bool withAlpha);
    BitWriter& rgb(Color c) { return u8(c.r).u8(c.g).u8(c.b); }
    BitWriter& rgba(Color c) { return u8(c.r).u8(c.g).u8(c.b).u8(c.a); }

    [[nodiscard]] const std::vector<uint8_t>& data() { return align().m_data; }
    [[nodiscard]] size_t size() { return align().m_data.size(); }
    // Overwrites a 16-bit value written earlier at byte `offset`.
    void patchU16(size_t offset, uint16_t v);
    void patchU32(size_t offset, uint32_t v);

    // Smallest field widths that hold a value.
    static unsigned bitsUnsigned(uint32_t v);
    static unsigned bitsSigned(int32_t v);
    static int32_t toFixed16(double v);

private:
    std::vector<uint8_t> m_data;
    unsigned m_bit = 0;  // bits used in the last byte (0 = byte-aligned)
};

}  // namespace swfwriter
