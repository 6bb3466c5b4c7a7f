#include "control_library_path.h"

#include "platform/library.h"
#include "platform/registry.h"
#include "platform/wide.h"

#include <algorithm>
#include <new>

namespace moviehost {

namespace {

constexpr LPCWSTR ServerKey = WIDE("CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32");

// Where the package installs the control (set by the build), as seen from the
// folder of its executables and as an absolute path.
constexpr const char* ControlFolderFromExecutable = MOVIEHOST_CONTROL_DIR_FROM_BINDIR;
constexpr const char* InstalledControlFolder = MOVIEHOST_CONTROL_INSTALLED_DIR;

platform::WideString InFolder(platform::WideStringView folder, platform::WideStringView file) {
    platform::WideString path(folder);
    if (!path.empty() && path.back() != WIDE('/'))
        path += WIDE('/');
    return path.append(file);
}

}  // namespace

bool FindControlLibrary(WCHAR (&path)[MAX_PATH]) noexcept {
    std::fill(std::begin(path), std::end(path), WCHAR{0});
    lstrcpyW(path, FallbackControlLibrary);

    platform::ScopedRegistryKey key;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, ServerKey, key.receive()) != ERROR_SUCCESS)
        return false;
    std::fill(std::begin(path), std::end(path), WCHAR{0});
    DWORD type = REG_NONE;
    DWORD size = sizeof(path);
    const LSTATUS status = RegQueryValueExW(key.get(), WIDE(""), nullptr, &type, reinterpret_cast<LPBYTE>(path), &size);
    // A value that fills the whole buffer has no room left for a terminator
    // of its own and would be read past the end.
    const bool terminated = size < sizeof(path) || path[MAX_PATH - 1] == 0;
    if (status != ERROR_SUCCESS || type != REG_SZ || !terminated) {
        std::fill(std::begin(path), std::end(path), WCHAR{0});
        lstrcpyW(path, FallbackControlLibrary);
        return false;
    }
    return true;
}

std::vector<platform::WideString> FallbackControlLibraries(platform::WideStringView executable,
                                                           platform::WideStringView folderFromExecutable,
                                                           platform::WideStringView installedFolder) {
    const platform::WideStringView name = FallbackControlLibrary;
    std::vector<platform::WideString> files{platform::WideString(name)};
    const std::size_t slash = executable.rfind(WIDE('/'));
    if (slash != platform::WideStringView::npos && !folderFromExecutable.empty())
        files.push_back(InFolder(InFolder(executable.substr(0, slash + 1), folderFromExecutable), name));
    if (!installedFolder.empty())
        files.push_back(InFolder(installedFolder, name));
    return files;
}

HMODULE LoadFallbackControlLibrary() noexcept {
    WCHAR executable[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, executable, MAX_PATH);
    const platform::WideStringView executablePath(executable, length < MAX_PATH ? length : 0);
    try {
        for (const platform::WideString& file :
             FallbackControlLibraries(executablePath, platform::utf8_to_utf16(ControlFolderFromExecutable),
                                      platform::utf8_to_utf16(InstalledControlFolder)))
            if (HMODULE library = LoadLibraryW(file.c_str()))
                return library;
        return nullptr;
    } catch (const std::bad_alloc&) {
        return LoadLibraryW(FallbackControlLibrary);
    }
}

}  // namespace moviehost
