// Number formatting and parsing.
#include "script/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace script {

namespace {

std::u16string ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' || c == 0xA0;
}

int digitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z')
        return c - u'A' + 10;
    return 99;
}

// Length of the decimal literal at the start of `t` (0 when there is none).
size_t decimalPrefix(std::u16string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    size_t digits = 0;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
        ++i;
        ++digits;
    }
    if (i < t.size() && t[i] == u'.') {
        size_t j = i + 1;
        size_t fraction = 0;
        while (j < t.size() && t[j] >= u'0' && t[j] <= u'9') {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == u'+' || t[j] == u'-'))
            ++j;
        size_t expDigits = 0;
        while (j < t.size() && t[j] >= u'0' && t[j] <= u'9') {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i;
}

double parseDecimal(std::u16string_view t) {
    std::string narrow(t.begin(), t.end());
    return std::strtod(narrow.c_str(), nullptr);
}

}  // namespace

std::u16string numberToString(double n) {
    if (std::isnan(n))
        return u"NaN";
    if (std::isinf(n))
        return n > 0 ? u"Infinity" : u"-Infinity";
    if (n == 0)
        return u"0";
    if (std::fabs(n) < 1e15 && n == std::trunc(n)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", n);
        return ascii(buf);
    }
    // 15 significant digits: d.dddddddddddddde[+-]x
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", n);
    std::string s(buf);
    size_t e = s.find('e');
    int exponent = std::atoi(s.c_str() + e + 1);
    bool negative = s[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i) {
        if (s[i] != '.')
            digits.push_back(s[i]);
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += exponent < 0 ? "e-" : "e+";
        out += std::to_string(exponent < 0 ? -exponent : exponent);
    } else if (exponent < 0) {
        out += "0.";
        out.append(size_t(-exponent - 1), '0');
        out += digits;
    } else {
        size_t whole = size_t(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits;
            out.append(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole);
            out += '.';
            out += digits.substr(whole);
        }
    }
    return ascii(out);
}

std::u16string numberToRadixString(double n, int radix) {
    if (radix < 2 || radix > 36 || radix == 10 || !std::isfinite(n))
        return numberToString(n);
    double whole = std::trunc(n);
    bool negative = whole < 0;
    whole = std::fabs(whole);
    if (whole == 0)
        return u"0";
    std::u16string digits;
    // Beyond 2^53 the low digits are not meaningful, but the loop still ends:
    // each step divides by at least 2.
    while (whole >= 1 && digits.size() < 1100) {
        double rem = std::fmod(whole, radix);
        int d = int(rem);
        digits.push_back(char16_t(d < 10 ? u'0' + d : u'a' + d - 10));
        whole = std::floor(whole / radix);
    }
    if (negative)
        digits.push_back(u'-');
    return std::u16string(digits.rbegin(), digits.rend());
}

std::optional<double> parseNumberLiteral(std::u16string_view t) {
    while (!t.empty() && isSpace(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && isSpace(t.back()))
        t.remove_suffix(1);
    if (t.empty())
        return std::nullopt;
    bool negative = false;
    std::u16string_view body = t;
    if (body[0] == u'-' || body[0] == u'+') {
        negative = body[0] == u'-';
        body.remove_prefix(1);
    }
    if (body.size() > 2 && body[0] == u'0' && (body[1] == u'x' || body[1] == u'X')) {
        double value = 0;
        for (size_t i = 2; i < body.size(); ++i) {
            int d = digitValue(body[i]);
            if (d >= 16)
                return std::nullopt;
            value = value * 16 + d;
        }
        return negative ? -value : value;
    }
    if (decimalPrefix(t) != t.size())
        return std::nullopt;
    return parseDecimal(t);
}

double parseFloatPrefix(std::u16string_view t) {
    while (!t.empty() && isSpace(t.front()))
        t.remove_prefix(1);
    size_t n = decimalPrefix(t);
    if (n == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return parseDecimal(t.substr(0, n));
}

double parseIntPrefix(std::u16string_view t, std::optional<int> radix) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    while (!t.empty() && isSpace(t.front()))
        t.remove_prefix(1);
    bool negative = false;
    if (!t.empty() && (t[0] == u'-' || t[0] == u'+')) {
        negative = t[0] == u'-';
        t.remove_prefix(1);
    }
    int base = radix.value_or(0);
    if (radix && (base < 2 || base > 36))
        return nan;
    if ((base == 0 || base == 16) && t.size() >= 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        base = 16;
        t.remove_prefix(2);
    } else if (base == 0 && t.size() >= 2 && t[0] == u'0') {
        base = 8;  // a leading zero means octal when no radix is given
    } else if (base == 0) {
        base = 10;
    }
    double value = 0;
    size_t used = 0;
    for (char16_t c : t) {
        int d = digitValue(c);
        if (d >= base)
            break;
        value = value * base + d;
        ++used;
    }
    if (used == 0)
        return nan;
    return negative ? -value : value;
}

int32_t toInt32(double n) { return int32_t(toUint32(n)); }

uint32_t toUint32(double n) {
    if (!std::isfinite(n))
        return 0;
    double t = std::trunc(n);
    double m = std::fmod(t, 4294967296.0);
    if (m < 0)
        m += 4294967296.0;
    return uint32_t(m);
}

}  // namespace script
