#include "swf/records.h"

namespace swf {

Rect readRect(BitReader& r) {
    r.align();
    unsigned bits = r.ub(5);
    Rect rect;
    rect.xMin = r.sb(bits);
    rect.xMax = r.sb(bits);
    rect.yMin = r.sb(bits);
    rect.yMax = r.sb(bits);
    r.align();
    return rect;
}

Matrix readMatrix(BitReader& r) {
    r.align();
    Matrix m;
    if (r.flag()) {
        unsigned bits = r.ub(5);
        m.a = r.fb(bits);
        m.d = r.fb(bits);
    }
    if (r.flag()) {
        unsigned bits = r.ub(5);
        m.b = r.fb(bits);
        m.c = r.fb(bits);
    }
    unsigned bits = r.ub(5);
    m.tx = r.sb(bits);
    m.ty = r.sb(bits);
    r.align();
    return m;
}

namespace {

// Values wider than 16 bits cannot be stored in the 8.8 fields; the file's
// Nbits allows up to 15 bits, so a clamp only matters for hostile data.
int16_t narrow(int32_t v) { return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

ColorTransform readCxform(BitReader& r, bool withAlpha) {
    r.align();
    ColorTransform cx;
    bool hasAdd = r.flag();
    bool hasMult = r.flag();
    unsigned bits = r.ub(4);
    if (hasMult) {
        cx.rMult = narrow(r.sb(bits));
        cx.gMult = narrow(r.sb(bits));
        cx.bMult = narrow(r.sb(bits));
        if (withAlpha)
            cx.aMult = narrow(r.sb(bits));
    }
    if (hasAdd) {
        cx.rAdd = narrow(r.sb(bits));
        cx.gAdd = narrow(r.sb(bits));
        cx.bAdd = narrow(r.sb(bits));
        if (withAlpha)
            cx.aAdd = narrow(r.sb(bits));
    }
    r.align();
    return cx;
}

}  // namespace

ColorTransform readColorTransform(BitReader& r) { return readCxform(r, false); }
ColorTransform readColorTransformAlpha(BitReader& r) { return readCxform(r, true); }

Rgba readRgb(BitReader& r) {
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    c.a = 255;
    return c;
}

Rgba readRgba(BitReader& r) {
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    c.a = r.u8();
    return c;
}

Rgba readArgb(BitReader& r) {
    Rgba c;
    c.a = r.u8();
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    return c;
}

BlendMode blendModeFromByte(uint8_t value) {
    if (value >= 2 && value <= 14)
        return BlendMode(value);
    return BlendMode::Normal;
}

}  // namespace swf
