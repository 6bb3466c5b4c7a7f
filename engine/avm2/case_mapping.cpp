#include "avm2/case_mapping.h"

namespace avm2 {

namespace {

// Latin Extended-A pairs the upper case on the even unit, except in the two
// runs where it sits on the odd one.
bool oddUpperRun(char16_t c) { return (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E); }

}  // namespace

char16_t toUpperUnit(char16_t c) {
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? char16_t(c - 32) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return char16_t(c - 32);
    if (c == 0xFF)
        return 0x178;
    if (c == 0xB5)
        return 0x39C;  // micro sign
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x178) {
        if (c == 0x17F)
            return 'S';  // long s
        const bool odd = c & 1;
        return oddUpperRun(c) ? (odd ? c : char16_t(c - 1)) : (odd ? char16_t(c - 1) : c);
    }
    if (c == 0x131)
        return 'I';
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return char16_t(c - 32);
    if (c == 0x3C2)
        return 0x3A3;  // final sigma
    if (c >= 0x430 && c <= 0x44F)
        return char16_t(c - 32);
    if (c >= 0x450 && c <= 0x45F)
        return char16_t(c - 80);
    return c;
}

char16_t toLowerUnit(char16_t c) {
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return char16_t(c + 32);
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        const bool odd = c & 1;
        return oddUpperRun(c) ? (odd ? char16_t(c + 1) : c) : (odd ? c : char16_t(c + 1));
    }
    if (c == 0x130)
        return 'i';
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return char16_t(c + 32);
    if (c >= 0x410 && c <= 0x42F)
        return char16_t(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 80);
    return c;
}

}  // namespace avm2
