#include "host_locator.h"

#include <system_error>

namespace moviecapture {

std::filesystem::path locateHost(const std::optional<std::filesystem::path>& fromOption, const char* fromEnvironment,
                                 const std::filesystem::path& self) {
    if (fromOption)
        return *fromOption;
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    // The build puts every executable into one bin/ folder, so the host sits
    // next to us.
    return self.parent_path() / "moviehost";
}

std::filesystem::path ownExecutable() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

}  // namespace moviecapture
