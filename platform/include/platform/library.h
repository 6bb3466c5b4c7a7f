// Loading a library at run time and finding its exports.
#pragma once

#include "platform/types.h"

#ifndef _WIN32

// An exported function, to be cast to its real type before the call (see
// platform::ProcedureAs).
using FARPROC = INT_PTR(WINAPI*)();

#ifndef ERROR_BAD_EXE_FORMAT
#define ERROR_BAD_EXE_FORMAT 193L
#endif
#ifndef ERROR_INSUFFICIENT_BUFFER
#define ERROR_INSUFFICIENT_BUFFER 122L
#endif

// Loads a shared library. A name containing '/' is loaded as given. A bare
// file name is looked for first in the folder of the running executable, then
// by the system's own library search. A library found there that cannot be
// loaded is a failure, not a reason to search on. Null on failure, with the
// thread's last error set to ERROR_MOD_NOT_FOUND, ERROR_BAD_EXE_FORMAT or
// ERROR_INVALID_PARAMETER (null or empty name). Each success needs one
// FreeLibrary.
extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) noexcept;

// The address of an export by name, or null (last error ERROR_PROC_NOT_FOUND,
// or ERROR_INVALID_HANDLE for a module that is not loaded). Lookups by ordinal
// are not supported and fail with ERROR_PROC_NOT_FOUND.
extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) noexcept;

// Drops one load of the module. A null handle, or one that LoadLibraryW did not
// return, fails harmlessly: FALSE and ERROR_INVALID_HANDLE.
extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule) noexcept;

// The full path of a module LoadLibraryW returned, or of the running
// executable for a null module, copied into `lpFilename` with its terminator.
// Returns the length without the terminator. A path that does not fit is cut
// to nSize - 1 characters and terminated; the result is then nSize and the
// last error ERROR_INSUFFICIENT_BUFFER. 0 on failure (ERROR_INVALID_HANDLE for
// a module not loaded through us, ERROR_INVALID_PARAMETER for no buffer).
extern "C" DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) noexcept;

#endif  // _WIN32

#include "platform/scoped.h"

namespace platform {

struct LibraryTraits {
    using Handle = HMODULE;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle module) noexcept { FreeLibrary(module); }
};
using ScopedLibrary = Scoped<LibraryTraits>;

// An export as the function it really is. FARPROC's type matches no real
// export, so the cast passes through void (*)(), the one function type
// compilers let code cast to any other without a warning.
template <typename Function>
[[nodiscard]] Function ProcedureAs(FARPROC procedure) noexcept {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure));
}

}  // namespace platform
