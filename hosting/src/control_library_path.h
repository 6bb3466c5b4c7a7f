// Where the control library is: the registered in-process server of the
// control's class, or a fixed file name that the platform's library search
// resolves.
#pragma once

#include "platform/types.h"

namespace moviehost {

inline constexpr LPCWSTR kFallbackControlLibrary = WIDE("flash10c.ocx");

// Fills `path` with the default value of
// HKEY_CLASSES_ROOT\CLSID\{D27CDB6E-AE6D-11CF-96B8-444553540000}\InprocServer32
// when that is a REG_SZ that fits the buffer with its terminator; otherwise
// with the fallback name. Never fails; nothing is reported.
void FindControlLibrary(WCHAR (&path)[MAX_PATH]) noexcept;

}  // namespace moviehost
