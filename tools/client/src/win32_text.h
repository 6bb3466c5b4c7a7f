#pragma once
// Text at the Windows API's edge: UTF-8 to UTF-16 and back, and the system's
// message for an error code.

#include <string>
#include <string_view>

namespace moviehost::client::detail {

[[nodiscard]] std::wstring widen(std::string_view text);
[[nodiscard]] std::string narrow(std::wstring_view text);
// "The pipe has been ended. (error 109)"; the number alone when the system
// has no text for it.
[[nodiscard]] std::string systemMessage(unsigned long error);

}  // namespace moviehost::client::detail
