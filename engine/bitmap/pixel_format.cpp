#include "bitmap/pixel_format.h"

#include <array>

namespace bitmap {
namespace {

using Table = std::array<uint8_t, 256 * 256>;

Table buildPremultiply() {
    Table t{};
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c)
            t[a * 256 + c] = uint8_t((c * a + 127) / 255);
    return t;
}

Table buildUnpremultiply() {
    Table t{};
    for (uint32_t a = 1; a < 256; ++a)
        for (uint32_t p = 0; p < 256; ++p) {
            uint32_t c = (p * 255 + a / 2) / a;
            t[a * 256 + p] = uint8_t(c > 255 ? 255 : c);
        }
    return t;
}

}  // namespace

const uint8_t* premultiplyTable() {
    static const Table Premultiplied = buildPremultiply();
    return Premultiplied.data();
}

const uint8_t* unpremultiplyTable() {
    static const Table Unpremultiplied = buildUnpremultiply();
    return Unpremultiplied.data();
}

}  // namespace bitmap
