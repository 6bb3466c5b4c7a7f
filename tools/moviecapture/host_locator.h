#pragma once
// Which host program moviecapture starts.

#include <filesystem>
#include <optional>

namespace moviecapture {

// --host when given, else $MOVIEHOST_HOST when set and not empty, else
// "moviehost" ("moviehost.exe" on Windows) in the folder of `self` (our own
// executable).
[[nodiscard]] std::filesystem::path locateHost(const std::optional<std::filesystem::path>& fromOption,
                                               const char* fromEnvironment, const std::filesystem::path& self);

// Our own executable (/proc/self/exe, or GetModuleFileNameW on Windows);
// empty when that cannot be read.
[[nodiscard]] std::filesystem::path ownExecutable();

}  // namespace moviecapture
