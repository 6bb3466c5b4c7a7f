// Where the control library is: the registered in-process server of the
// control's class; without one, a fixed file name, looked for beside the
// executable (and by the platform's library search), then in the folder the
// installed package keeps it in, reached from the executable's folder and by
// its installed path.
#pragma once

#include "platform/wide.h"

#include <string>
#include <string_view>
#include <vector>

namespace moviehost {

inline constexpr LPCWSTR FallbackControlLibrary = WIDE("flash10c.ocx");

// Fills `path` with the default value of
// HKEY_CLASSES_ROOT\CLSID\{D27CDB6E-AE6D-11CF-96B8-444553540000}\InprocServer32
// when that is a REG_SZ that fits the buffer with its terminator, and returns
// true; otherwise fills it with the fallback name and returns false. Never
// fails; nothing is reported.
bool FindControlLibrary(WCHAR (&path)[MAX_PATH]) noexcept;

// The files to try, in order, when the registry names no library: the
// fallback name, then the fallback name in `folderFromExecutable` (relative
// to the folder of `executable`), then in `installedFolder`. An empty
// argument leaves its place out.
[[nodiscard]] std::vector<platform::WideString> FallbackControlLibraries(platform::WideStringView executable,
                                                                         platform::WideStringView folderFromExecutable,
                                                                         platform::WideStringView installedFolder);

// The first of the fallback files that loads for this executable and the
// installed package, or null.
[[nodiscard]] HMODULE LoadFallbackControlLibrary() noexcept;

}  // namespace moviehost
