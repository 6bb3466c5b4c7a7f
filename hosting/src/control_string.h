// Strings on their way to and from the control.
#pragma once

#include "platform/oleauto.h"
#include "platform/wide.h"

namespace moviehost {

// A BSTR copy of `text` for one control call, ending at its first zero. Null
// stays null (the control reads it as an empty string). Raises E_OUTOFMEMORY
// when the copy cannot be made.
[[nodiscard]] platform::ScopedBstr ToControlString(LPCWSTR text);

// Replaces `target` with the characters of `value` up to its first zero (a
// null BSTR is empty). Raises E_OUTOFMEMORY, leaving `target` as it was, when
// memory runs out.
void CopyControlString(BSTR value, platform::WideString& target);

// The characters of `value` up to its first zero, without copying.
[[nodiscard]] platform::WideStringView ControlStringView(BSTR value) noexcept;

}  // namespace moviehost
