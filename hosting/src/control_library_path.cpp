#include "control_library_path.h"

#include "platform/library.h"
#include "platform/registry.h"
#include "platform/wide.h"

#include <algorithm>
#include <new>

namespace moviehost {

namespace {

constexpr LPCWSTR kServerKey = WIDE("CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32");

// Where the package installs the control (set by the build), as seen from the
// folder of its executables and as an absolute path.
constexpr const char* kControlFolderFromExecutable = MOVIEHOST_CONTROL_DIR_FROM_BINDIR;
constexpr const char* kInstalledControlFolder = MOVIEHOST_CONTROL_INSTALLED_DIR;

std::u16string InFolder(std::u16string_view folder, std::u16string_view file) {
    std::u16string path(folder);
    if (!path.empty() && path.back() != u'/')
        path += u'/';
    return path.append(file);
}

}  // namespace

bool FindControlLibrary(WCHAR (&path)[MAX_PATH]) noexcept {
    std::fill(std::begin(path), std::end(path), WCHAR{0});
    lstrcpyW(path, kFallbackControlLibrary);

    platform::ScopedRegistryKey key;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, kServerKey, key.receive()) != ERROR_SUCCESS)
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
        lstrcpyW(path, kFallbackControlLibrary);
        return false;
    }
    return true;
}

std::vector<std::u16string> FallbackControlLibraries(std::u16string_view executable,
                                                     std::u16string_view folderFromExecutable,
                                                     std::u16string_view installedFolder) {
    const std::u16string_view name = kFallbackControlLibrary;
    std::vector<std::u16string> files{std::u16string(name)};
    const std::size_t slash = executable.rfind(u'/');
    if (slash != std::u16string_view::npos && !folderFromExecutable.empty())
        files.push_back(InFolder(InFolder(executable.substr(0, slash + 1), folderFromExecutable), name));
    if (!installedFolder.empty())
        files.push_back(InFolder(installedFolder, name));
    return files;
}

HMODULE LoadFallbackControlLibrary() noexcept {
    WCHAR executable[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, executable, MAX_PATH);
    const std::u16string_view executablePath(executable, length < MAX_PATH ? length : 0);
    try {
        for (const std::u16string& file :
             FallbackControlLibraries(executablePath, platform::utf8_to_utf16(kControlFolderFromExecutable),
                                      platform::utf8_to_utf16(kInstalledControlFolder)))
            if (HMODULE library = LoadLibraryW(file.c_str()))
                return library;
        return nullptr;
    } catch (const std::bad_alloc&) {
        return LoadLibraryW(kFallbackControlLibrary);
    }
}

}  // namespace moviehost
