// BSTR in and out of the control's members.
#pragma once

#include "platform/oleauto.h"

#include <string>
#include <string_view>

namespace control {

// The characters of a BSTR by its length prefix; null reads as empty.
[[nodiscard]] inline std::u16string_view bstrView(BSTR value) noexcept {
    return value == nullptr ? std::u16string_view() : std::u16string_view(value, SysStringLen(value));
}

// Hands a copy of `text` to the caller in *out: S_OK, or E_POINTER (null
// out) / E_OUTOFMEMORY with error information naming `member`.
// The text in double quotes, for error descriptions.
[[nodiscard]] std::u16string quoted(std::u16string_view text);

HRESULT returnBstr(std::u16string_view text, BSTR* out, std::u16string_view member) noexcept;

}  // namespace control
