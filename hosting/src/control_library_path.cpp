#include "control_library_path.h"

#include "platform/registry.h"
#include "platform/wide.h"

#include <algorithm>

namespace moviehost {

namespace {

constexpr LPCWSTR kServerKey = WIDE("CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32");

}  // namespace

void FindControlLibrary(WCHAR (&path)[MAX_PATH]) noexcept {
    std::fill(std::begin(path), std::end(path), WCHAR{0});
    lstrcpyW(path, kFallbackControlLibrary);

    platform::ScopedRegistryKey key;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, kServerKey, key.receive()) != ERROR_SUCCESS)
        return;
    std::fill(std::begin(path), std::end(path), WCHAR{0});
    DWORD type = REG_NONE;
    DWORD size = sizeof(path);
    const LSTATUS status = RegQueryValueExW(key.get(), WIDE(""), nullptr, &type, reinterpret_cast<LPBYTE>(path), &size);
    // A value that fills the whole buffer has no room left for a terminator
    // of its own and would be read past the end.
    const bool terminated = size < sizeof(path) || path[MAX_PATH - 1] == 0;
    if (status != ERROR_SUCCESS || type != REG_SZ || !terminated) {
        std::fill(std::begin(path), std::end(path), WCHAR{0});
        lstrcpyW(path, kFallbackControlLibrary);
    }
}

}  // namespace moviehost
