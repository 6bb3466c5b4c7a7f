// UTF-16 string helpers of the C runtime and kernel (`_wtoi`, `lstrcpyW`,
// `lstrlenW`), and the UTF-8 <-> UTF-16 conversions the Linux side needs where
// wide strings meet the file system, the environment and text files.
#pragma once

#include "platform/types.h"

#include <string>
#include <string_view>

#ifdef _WIN32

#include <stdlib.h>

#else

// Skips leading white space, takes an optional sign and decimal digits, and
// stops at the first other character. Values beyond the int range saturate to
// INT_MAX / INT_MIN rather than wrapping. Null or no digits gives 0.
[[nodiscard]] int _wtoi(const WCHAR* str) noexcept;

// Copies the zero-terminated `src` with its terminator into `dst` and returns
// `dst`; null for either argument copies nothing and returns null.
LPWSTR WINAPI lstrcpyW(LPWSTR dst, LPCWSTR src) noexcept;

// Number of characters before the terminator; 0 for null.
[[nodiscard]] int WINAPI lstrlenW(LPCWSTR str) noexcept;

#endif  // _WIN32

namespace platform {

// A wide string in the platform's own character type (UTF-16 everywhere).
using WideString = std::basic_string<WCHAR>;
using WideStringView = std::basic_string_view<WCHAR>;

// Ill-formed input (a stray surrogate, a bad UTF-8 sequence) becomes U+FFFD, so
// the conversions never fail and never drop the rest of the text.
[[nodiscard]] WideString utf8_to_utf16(std::string_view text);
[[nodiscard]] std::string utf16_to_utf8(WideStringView text);

// Zero-terminated overloads; null converts to the empty string.
[[nodiscard]] WideString utf8_to_utf16(const char* text);
[[nodiscard]] std::string utf16_to_utf8(const WCHAR* text);

}  // namespace platform
