// GetLastError/SetLastError and the errno translation.
#include "last_error.h"

#include "platform/kernel.h"

#include <cerrno>

#define ERROR_GEN_FAILURE 31L
#define ERROR_DISK_FULL 112L

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

}  // namespace

DWORD WINAPI GetLastError() { return t_lastError; }

void WINAPI SetLastError(DWORD error) { t_lastError = error; }

namespace platform::detail {

DWORD errorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case 0:
        return ERROR_SUCCESS;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EPIPE:
        // Writing to a pipe whose reader is gone: "the pipe is being closed".
        return ERROR_NO_DATA;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
    case EAGAIN:
    case EMFILE:
    case ENFILE:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
    case ESRCH:
        return ERROR_INVALID_PARAMETER;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENOSYS:
        return ERROR_NOT_SUPPORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

void setLastErrorFromErrno(int errnoValue) { SetLastError(errorFromErrno(errnoValue)); }

}  // namespace platform::detail
