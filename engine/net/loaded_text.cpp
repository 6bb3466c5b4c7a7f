#include "net/loaded_text.h"

#include "moviehost/utf.h"
#include "net/url_variables.h"

#include <array>
#include <cstdint>

namespace net {

namespace {

// 0x80 to 0x9F of code page 1252; the five holes map to the C1 controls, as
// Windows converts them.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t fromCodepage(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : byte; }

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = uint8_t(bytes[i]);
        const auto b = uint8_t(bytes[i + 1]);
        units.push_back(bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a));
    }
    return moviehost::utf16ToUtf8(units);
}

}  // namespace

std::string codepageToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        moviehost::appendUtf8(out, fromCodepage(uint8_t(c)));
    return out;
}

std::string loadedText(std::string_view bytes, bool codepage) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE"))
        return utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return utf16ToUtf8(bytes.substr(2), true);
    return codepage ? codepageToUtf8(bytes) : std::string(bytes);
}

std::string codepageEscapesToUtf8(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? hexValue(text[i + 1]) : -1;
        const int low = high >= 8 ? hexValue(text[i + 2]) : -1;
        if (low < 0) {
            out.push_back(text[i]);
            continue;
        }
        std::string utf8;
        moviehost::appendUtf8(utf8, fromCodepage(uint8_t(high << 4 | low)));
        for (const char c : utf8) {
            out.push_back('%');
            out.push_back(Hex[uint8_t(c) >> 4]);
            out.push_back(Hex[uint8_t(c) & 0xF]);
        }
        i += 2;
    }
    return out;
}

}  // namespace net
