#include "last_error.h"

namespace platform::detail {

namespace {
thread_local DWORD t_last_error = ERROR_SUCCESS;
}

void set_last_error(DWORD error) noexcept { t_last_error = error; }

DWORD last_error() noexcept { return t_last_error; }

}  // namespace platform::detail
