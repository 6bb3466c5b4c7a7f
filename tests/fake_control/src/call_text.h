// Rendering call arguments as log text.
#pragma once

#include "platform/com.h"
#include "platform/oleauto.h"

#include <string>

namespace fake_control::text {

// A BSTR by its length prefix: "quoted", zero characters as \0; null as null.
[[nodiscard]] std::string bstr(BSTR value);
// A zero-terminated wide string: "quoted" or null.
[[nodiscard]] std::string wide(const OLECHAR* value);
[[nodiscard]] std::string rect(const RECT* value);
[[nodiscard]] std::string rect(const RECTL* value);
[[nodiscard]] std::string pointer(const void* value);
[[nodiscard]] std::string hex(unsigned long long value);
[[nodiscard]] std::string number(double value);
[[nodiscard]] std::string number(long long value);
[[nodiscard]] std::string iid(REFIID value);

// "a, b, c"
template <typename... Parts>
[[nodiscard]] std::string args(const Parts&... parts) {
    std::string out;
    ((out += (out.empty() ? "" : ", "), out += parts), ...);
    return out;
}

}  // namespace fake_control::text
