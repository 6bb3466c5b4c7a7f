// Translation of system errors into the platform's error codes.
#pragma once

#include "platform/types.h"

namespace platform::detail {

// The Win32 code closest to `errnoValue` (an errno value).
[[nodiscard]] DWORD errorFromErrno(int errnoValue);

// SetLastError(errorFromErrno(errnoValue)).
void setLastErrorFromErrno(int errnoValue);

}  // namespace platform::detail
