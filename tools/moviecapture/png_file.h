#pragma once
// One frame as a PNG file: libpng on Linux, the Windows Imaging
// Component on Windows.

#include <moviehost/client/frame.h>

#include <filesystem>
#include <optional>
#include <string>

namespace moviecapture {

// The system's message when the file could not be written; a half-written
// file is removed.
[[nodiscard]] std::optional<std::string> writePngFile(const std::filesystem::path& path,
                                                      const moviehost::client::Frame& frame);

}  // namespace moviecapture
