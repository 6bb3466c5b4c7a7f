// UTF-16 helpers of the C runtime and kernel.
#include "platform/wide.h"

#include <climits>

int _wtoi(const WCHAR* str) noexcept {
    if (str == nullptr)
        return 0;
    const WCHAR* p = str;
    while (*p == u' ' || (*p >= u'\t' && *p <= u'\r'))
        ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-') {
        negative = *p == u'-';
        ++p;
    }
    // Accumulate as a negative number: its range is one larger, so INT_MIN
    // itself parses without overflow.
    int value = 0;
    bool saturated = false;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        const int digit = *p - u'0';
        if (saturated)
            continue;
        if (value < (INT_MIN + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated)
        return negative ? INT_MIN : INT_MAX;
    if (negative)
        return value;
    return value == INT_MIN ? INT_MAX : -value;
}

LPWSTR WINAPI lstrcpyW(LPWSTR dst, LPCWSTR src) noexcept {
    if (dst == nullptr || src == nullptr)
        return nullptr;
    LPWSTR out = dst;
    while ((*out++ = *src++) != 0) {
    }
    return dst;
}

int WINAPI lstrlenW(LPCWSTR str) noexcept {
    if (str == nullptr)
        return 0;
    int length = 0;
    while (str[length] != 0 && length < INT_MAX)
        ++length;
    return length;
}
