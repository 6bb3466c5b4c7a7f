// UTF-8 <-> UTF-16 for both script machines and their libraries. Invalid
// UTF-8 becomes U+FFFD (a truncated or overlong sequence, a surrogate or a
// value past U+10FFFF, once per sequence); a lone surrogate in UTF-16 is
// written as U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace moviehost {

// The code point of the UTF-8 sequence at `i`, moving `i` past it; U+FFFD
// for an invalid one.
[[nodiscard]] inline char32_t decodeUtf8(std::string_view in, size_t& i) {
    const auto byte = [&](size_t k) { return uint8_t(in[k]); };
    const uint8_t b = byte(i);
    uint32_t cp = 0;
    size_t need = 0;
    uint32_t min = 0;
    if (b < 0x80) {
        ++i;
        return b;
    } else if ((b & 0xE0) == 0xC0) {
        cp = b & 0x1F;
        need = 1;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        cp = b & 0x0F;
        need = 2;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        cp = b & 0x07;
        need = 3;
        min = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    size_t k = 1;
    for (; k <= need; ++k) {
        if (i + k >= in.size() || (byte(i + k) & 0xC0) != 0x80)
            break;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (k <= need) {
        i += k;
        return 0xFFFD;
    }
    i += need + 1;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    return cp;
}

// Appends `cp` as UTF-8; a surrogate or a value past U+10FFFF as U+FFFD.
inline void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

[[nodiscard]] inline std::u16string utf8ToUtf16(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        char32_t cp = decodeUtf8(in, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

[[nodiscard]] inline std::string utf16ToUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        }
        appendUtf8(out, cp);
    }
    return out;
}

}  // namespace moviehost
