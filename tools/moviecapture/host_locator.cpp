#include "host_locator.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace moviecapture {

std::filesystem::path locateHost(const std::optional<std::filesystem::path>& fromOption, const char* fromEnvironment,
                                 const std::filesystem::path& self) {
    if (fromOption)
        return *fromOption;
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
        // The build puts every executable into one bin/ folder, so the host sits
        // next to us.
#ifdef _WIN32
    return self.parent_path() / "moviehost.exe";
#else
    return self.parent_path() / "moviehost";
#endif
}

#ifdef _WIN32
std::filesystem::path ownExecutable() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::filesystem::path() : std::filesystem::path(path);
}
#else
std::filesystem::path ownExecutable() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}
#endif

}  // namespace moviecapture
