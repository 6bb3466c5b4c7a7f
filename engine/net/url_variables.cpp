#include "net/url_variables.h"

namespace net {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

bool isPlain(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string unescapeText(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out.push_back(char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string escapeText(std::string_view text) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (isPlain(byte)) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(Digits[byte >> 4]);
            out.push_back(Digits[byte & 15]);
        }
    }
    return out;
}

Variables decodeVariables(std::string_view text) {
    Variables out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view pair = text.substr(start, end - start);
        const size_t equals = pair.find('=');
        std::string name = unescapeText(pair.substr(0, equals), true);
        if (!name.empty()) {
            std::string value =
                equals == std::string_view::npos ? std::string() : unescapeText(pair.substr(equals + 1), true);
            out.emplace_back(std::move(name), std::move(value));
        }
        start = end + 1;
    }
    return out;
}

std::string encodeVariables(const Variables& variables) {
    std::string out;
    for (const auto& [name, value] : variables) {
        if (!out.empty())
            out.push_back('&');
        out += escapeText(name);
        out.push_back('=');
        out += escapeText(value);
    }
    return out;
}

}  // namespace net
