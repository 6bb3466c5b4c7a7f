// Kernel services of the Win32 subset: standard handles and pipes, process
// watching, threads, waiting, the per-thread last error, and ScopedHandle.
//
// Off Windows every HANDLE is an entry in the platform's handle table; a
// stale, forged or wrong-kind handle makes the call fail with
// ERROR_INVALID_HANDLE instead of touching memory.
#pragma once

#include "platform/scoped.h"
#include "platform/types.h"

#ifdef _WIN32

#include <io.h>  // _get_osfhandle lives in the C runtime
#include <windows.h>

#else

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

#define STD_INPUT_HANDLE (static_cast<DWORD>(-10))
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define SYNCHRONIZE 0x00100000u
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000u

#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000u

// Error codes beyond the ones in types.h that these calls report. Guarded,
// since other headers of the subset may name some of them too.
#ifndef ERROR_INVALID_FUNCTION
#define ERROR_INVALID_FUNCTION 1L
#endif
#ifndef ERROR_NOT_SUPPORTED
#define ERROR_NOT_SUPPORTED 50L
#endif
#ifndef ERROR_NOT_ENOUGH_QUOTA
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#endif

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Overlapped I/O is not offered; the type exists so that signatures match.
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

using THREAD_START_ROUTINE = DWORD WINAPI(LPVOID parameter);
using LPTHREAD_START_ROUTINE = THREAD_START_ROUTINE*;

// --- errors -----------------------------------------------------------------

// The calling thread's last error. Every call below that fails sets it; calls
// that succeed leave it alone unless stated.
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);

// --- handles ----------------------------------------------------------------

// Closes a handle from the handle table. Closing a process or thread handle
// only drops the reference: the thread keeps running. Closing a standard
// handle closes the descriptor behind it, as on Windows. FALSE with
// ERROR_INVALID_HANDLE for NULL, INVALID_HANDLE_VALUE, stale or forged values.
BOOL WINAPI CloseHandle(HANDLE object);

// STD_INPUT_HANDLE, STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. Returns the same
// handle on every call while the descriptor stays open; NULL when the process
// has no such descriptor; INVALID_HANDLE_VALUE (ERROR_INVALID_HANDLE) for any
// other argument.
HANDLE WINAPI GetStdHandle(DWORD stdHandle);

// The C runtime's handle behind a descriptor the process inherited (beyond
// the three standard ones): the same handle on every call while the
// descriptor stays open, -1 (INVALID_HANDLE_VALUE) when it is not open.
// Closing the handle closes the descriptor.
intptr_t _get_osfhandle(int fd);

// --- files and pipes ----------------------------------------------------------

// Reads at most `toRead` bytes with one read: from a pipe, whatever is there
// (blocking only while it is empty). End of a pipe whose writers are gone is
// FALSE with ERROR_BROKEN_PIPE; end of a file is TRUE with 0 bytes.
// `overlapped` must be NULL. `bytesRead` may be NULL.
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);

// Writes all `toWrite` bytes, retrying short writes and interrupted calls;
// TRUE only when every byte went out, and `*written` says how many did either
// way. A pipe whose reader is gone gives FALSE with ERROR_NO_DATA and never
// raises SIGPIPE. `overlapped` must be NULL. `written` may be NULL.
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);

// An anonymous pipe: `*read` and `*write` receive its two ends. Both are
// close-on-exec; `attributes` and `size` are accepted and ignored.
BOOL WINAPI CreatePipe(HANDLE* read, HANDLE* write, LPSECURITY_ATTRIBUTES attributes, DWORD size);

// Looks into a pipe without consuming or blocking. `*totalAvailable` gets the
// number of bytes that can be read now; up to `bufferSize` of them are copied
// into `buffer` (`*bytesRead` says how many); `*bytesLeftThisMessage` is 0
// (byte pipes have no messages). Every out pointer may be NULL. Fails with
// ERROR_BROKEN_PIPE when all writers are gone and nothing is left to read
// (data written before the close is still reported), and with
// ERROR_INVALID_FUNCTION when the handle is no pipe (a regular file, a
// terminal). A stream socket counts as a pipe.
BOOL WINAPI PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead, LPDWORD totalAvailable,
                          LPDWORD bytesLeftThisMessage);

// --- processes ------------------------------------------------------------------

// A handle to watch process `processId` end. It refers to that very process
// (a pidfd), so a later process that reuses the id is never mistaken for it.
// NULL with ERROR_INVALID_PARAMETER for id 0, an id beyond the platform's
// range, or a process that does not exist. Access rights and inheritance are
// not checked: every handle allows SYNCHRONIZE.
HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);

DWORD WINAPI GetCurrentProcessId();

// --- threads ------------------------------------------------------------------

// Starts `start(parameter)` on a new thread at once. Returns its handle and
// stores its id in `*threadId` (if given) before returning; the id equals what
// GetCurrentThreadId returns on the new thread. Closing the handle does not
// stop the thread. `flags` may be 0 or STACK_SIZE_PARAM_IS_A_RESERVATION;
// CREATE_SUSPENDED and others fail with ERROR_INVALID_PARAMETER, as does a
// NULL `start`. `attributes` is ignored; `stackSize` 0 means the default.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD flags, LPDWORD threadId);

// The kernel's id of the calling thread; never 0, stable for the thread's life.
DWORD WINAPI GetCurrentThreadId();

// Suspends the calling thread for `milliseconds`; 0 yields; INFINITE never returns.
void WINAPI Sleep(DWORD milliseconds);

// Milliseconds of the platform's monotonic clock (the one timers run on),
// wrapping after 49.7 days.
DWORD WINAPI GetTickCount();
ULONGLONG WINAPI GetTickCount64();

// 100-nanosecond intervals since 1601-01-01 UTC, split in two halves.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;

// The wall clock as UTC. While the process runs on a virtual clock
// (platform/virtual_clock.h) it reads the virtual epoch plus virtual time.
void WINAPI GetSystemTimeAsFileTime(LPFILETIME time);

// --- waiting ----------------------------------------------------------------------

// Waits for a process handle (signalled once the process has ended, zombie or
// reaped) or a thread handle (signalled once its procedure returned and the
// thread released its message queue). WAIT_OBJECT_0, WAIT_TIMEOUT, or
// WAIT_FAILED with ERROR_INVALID_HANDLE for anything else. INFINITE waits
// for good.
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);

#endif  // _WIN32

namespace platform {

struct HandleTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle handle) noexcept { CloseHandle(handle); }
};

// Owns a kernel handle (process, thread, pipe end) and closes it on scope exit.
using ScopedHandle = Scoped<HandleTraits>;

static_assert(sizeof(ScopedHandle) == sizeof(HANDLE));

}  // namespace platform
