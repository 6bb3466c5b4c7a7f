// The thread's last-error value as the COM, registry and library stand-ins
// set it. Kept here until the kernel's SetLastError/GetLastError exist; then
// these forward to them.
#pragma once

#include "platform/types.h"

namespace platform::detail {

void set_last_error(DWORD error) noexcept;
[[nodiscard]] DWORD last_error() noexcept;

}  // namespace platform::detail
