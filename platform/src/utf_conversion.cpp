// UTF-8 <-> UTF-16 conversion, in the platform's own wide character type. No
// part of Win32, so it is built on Windows too.
#include "platform/wide.h"

namespace platform {

namespace {

constexpr char32_t Replacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendUtf16(WideString& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<WCHAR>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<WCHAR>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<WCHAR>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes one code point starting at text[i] and advances i past it. Overlong
// forms, surrogates and values above U+10FFFF are ill-formed; an ill-formed
// sequence consumes one byte and yields U+FFFD.
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return Replacement;
    }
    if (text.size() - i < static_cast<std::size_t>(extra))
        return Replacement;
    for (int k = 0; k < extra; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((byte & 0xC0) != 0x80)
            return Replacement;
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return Replacement;
    i += static_cast<std::size_t>(extra);
    return cp;
}

}  // namespace

WideString utf8_to_utf16(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        appendUtf16(out, decodeUtf8(text, i));
    return out;
}

std::string utf16_to_utf8(WideStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = Replacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

WideString utf8_to_utf16(const char* text) {
    return text == nullptr ? WideString() : utf8_to_utf16(std::string_view(text));
}

std::string utf16_to_utf8(const WCHAR* text) {
    return text == nullptr ? std::string() : utf16_to_utf8(WideStringView(text));
}

}  // namespace platform
