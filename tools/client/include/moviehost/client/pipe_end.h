#pragma once
// The system's names for a pipe end and a process, as the parent side holds
// them: file descriptors and pids on POSIX, handles and process ids on Windows.

#ifdef _WIN32
#include <moviehost/client/unique_handle.h>
#else
#include <moviehost/client/unique_fd.h>

#include <sys/types.h>
#endif

namespace moviehost::client {

#ifdef _WIN32
using PipeEnd = UniqueHandle;
using ProcessId = unsigned long;  // DWORD
inline constexpr ProcessId NoProcess = 0;
#else
using PipeEnd = UniqueFd;
using ProcessId = pid_t;
inline constexpr ProcessId NoProcess = -1;
#endif

}  // namespace moviehost::client
