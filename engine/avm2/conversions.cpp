#include "avm2/conversions.h"

#include "avm2/string.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace avm2 {

namespace {

bool isSpace(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0xA0 || c == 0x2028 ||
           c == 0x2029 || c == 0xFEFF;
}

std::u16string ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

double stringToNumber(std::u16string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    if (begin == end)
        return 0.0;
    std::string s;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] > 0x7F)
            return std::numeric_limits<double>::quiet_NaN();
        s.push_back(char(text[i]));
    }
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        double v = 0;
        for (size_t i = 2; i < s.size(); ++i) {
            const char c = s[i];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0)
                return std::numeric_limits<double>::quiet_NaN();
            v = v * 16 + digit;
        }
        return v;
    }
    size_t at = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        at = 1;
    }
    if (s.compare(at, std::string::npos, "Infinity") == 0)
        return negative ? -INFINITY : INFINITY;
    // Only digits, one point and an exponent: strtod alone would also take
    // "nan", "inf" and hex floats.
    bool digits = false;
    size_t i = at;
    while (i < s.size() && std::isdigit(uint8_t(s[i])))
        ++i, digits = true;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(uint8_t(s[i])))
            ++i, digits = true;
    }
    if (digits && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t e = i + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            ++e;
        size_t start = e;
        while (e < s.size() && std::isdigit(uint8_t(s[e])))
            ++e;
        i = e > start ? e : s.size() + 1;
    }
    if (!digits || i != s.size())
        return std::numeric_limits<double>::quiet_NaN();
    return std::strtod(s.c_str(), nullptr);
}

int32_t toInt32(double d) { return int32_t(toUInt32(d)); }

uint32_t toUInt32(double d) {
    if (!std::isfinite(d))
        return 0;
    if (d >= 0 && d < 4294967296.0)
        return uint32_t(d);
    double m = std::fmod(std::trunc(d), 4294967296.0);
    if (m < 0)
        m += 4294967296.0;
    return uint32_t(m);
}

double primitiveToNumber(const Value& v) {
    switch (v.tag()) {
    case Tag::Undefined:
        return std::numeric_limits<double>::quiet_NaN();
    case Tag::Null:
        return 0.0;
    case Tag::Boolean:
        return v.asBoolean() ? 1.0 : 0.0;
    case Tag::Int:
    case Tag::UInt:
    case Tag::Number:
        return v.numeric();
    case Tag::String:
        return stringToNumber(v.asString()->text());
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
}

bool toBoolean(const Value& v) {
    switch (v.tag()) {
    case Tag::Undefined:
    case Tag::Null:
        return false;
    case Tag::Boolean:
        return v.asBoolean();
    case Tag::Int:
        return v.asInt() != 0;
    case Tag::UInt:
        return v.asUInt() != 0;
    case Tag::Number:
        return !std::isnan(v.asDouble()) && v.asDouble() != 0.0;
    case Tag::String:
        return !v.asString()->text().empty();
    default:
        return true;
    }
}

std::u16string numberToString(double d) {
    if (std::isnan(d))
        return u"NaN";
    if (d == 0)
        return u"0";
    if (std::isinf(d))
        return d < 0 ? u"-Infinity" : u"Infinity";
    std::u16string out;
    if (d < 0) {
        out = u"-";
        d = -d;
    }
    // Shortest round-trip digits and the decimal exponent from to_chars.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific);
    std::string sci(buffer, result.ptr);
    const size_t ePos = sci.find('e');
    std::string digits;
    for (size_t i = 0; i < ePos; ++i) {
        if (sci[i] != '.')
            digits.push_back(sci[i]);
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    const int k = int(digits.size());
    const int n = exponent + 1;  // the decimal point sits after n digits
    std::string text;
    if (k <= n && n <= 21) {
        text = digits + std::string(size_t(n - k), '0');
    } else if (0 < n && n <= 21) {
        text = digits.substr(0, size_t(n)) + "." + digits.substr(size_t(n));
    } else if (-6 < n && n <= 0) {
        text = "0." + std::string(size_t(-n), '0') + digits;
    } else {
        text = digits.substr(0, 1);
        if (k > 1)
            text += "." + digits.substr(1);
        text += (n - 1 >= 0 ? "e+" : "e-") + std::to_string(std::abs(n - 1));
    }
    return out + ascii(text);
}

}  // namespace avm2
