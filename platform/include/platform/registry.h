// Reading the registry: open a key, read a value, close the key.
//
// Off Windows the registry is a text file in the .reg format that regedit
// exports ("Windows Registry Editor Version 5.00" or "REGEDIT4"):
//   [HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32]
//   @="/opt/lib/control.so"             default value, REG_SZ
//   "Name"="text with \\ and \""         named REG_SZ
//   "Count"=dword:0000002a               REG_DWORD
//   "Path"=hex(2):25,00,48,00,00,00      REG_EXPAND_SZ as UTF-16LE bytes;
//                                        a line ending in '\' continues
// The file named by the environment variable MOVIEHOST_REGISTRY is used; if
// that is unset or empty, $XDG_CONFIG_HOME/moviehost/registry.reg, else
// $HOME/.config/moviehost/registry.reg. It is read afresh by every open, so a
// changed file is seen by the next RegOpenKeyW. A missing or unreadable file is
// an empty registry; lines that cannot be understood are skipped. Key and value
// names compare without regard to ASCII case. The registry is read-only.
#pragma once

#include "platform/types.h"

#ifndef _WIN32

using LSTATUS = LONG;
using PHKEY = HKEY*;
using REGSAM = DWORD;

// The predefined root keys; always open, closing them does nothing.
#define PLATFORM_PREDEFINED_HKEY(value) \
    (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(value)))))
#define HKEY_CLASSES_ROOT PLATFORM_PREDEFINED_HKEY(0x80000000u)
#define HKEY_CURRENT_USER PLATFORM_PREDEFINED_HKEY(0x80000001u)
#define HKEY_LOCAL_MACHINE PLATFORM_PREDEFINED_HKEY(0x80000002u)
#define HKEY_USERS PLATFORM_PREDEFINED_HKEY(0x80000003u)
#define HKEY_CURRENT_CONFIG PLATFORM_PREDEFINED_HKEY(0x80000005u)

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define KEY_QUERY_VALUE 0x0001
#define KEY_READ 0x20019

#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif

// Opens `lpSubKey` below `hKey` (null or empty opens `hKey` itself once more).
// ERROR_SUCCESS and a handle for RegCloseKey; ERROR_FILE_NOT_FOUND when there
// is no such key; ERROR_INVALID_HANDLE for a handle that is not open;
// ERROR_BAD_PATHNAME for a path with an empty component ("a\\b", "\a").
extern "C" LSTATUS WINAPI RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) noexcept;
extern "C" LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                        PHKEY phkResult) noexcept;

// Reads a value of an open key; null or empty `lpValueName` names the default
// value. `*lpcbData` is the buffer size in bytes on entry and the value's size
// on return; string values count their terminating zero. With a null `lpData`
// the call only reports type and size. A buffer too small gives ERROR_MORE_DATA
// with the needed size in `*lpcbData` and leaves the buffer untouched. A
// missing value gives ERROR_FILE_NOT_FOUND. `lpReserved` must be null.
extern "C" LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                           LPBYTE lpData, LPDWORD lpcbData) noexcept;

// Closes a key from RegOpenKeyW; ERROR_INVALID_HANDLE for one that is not open.
extern "C" LSTATUS WINAPI RegCloseKey(HKEY hKey) noexcept;

#endif  // _WIN32

#include "platform/scoped.h"

namespace platform {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle key) noexcept { RegCloseKey(key); }
};
using ScopedRegistryKey = Scoped<RegistryKeyTraits>;

}  // namespace platform
