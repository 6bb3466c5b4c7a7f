#pragma once
// Writes one frame as an 8-bit RGBA PNG file.

#include <moviehost/client/frame.h>

#include <filesystem>
#include <optional>
#include <string>

namespace moviecapture {

// Returns libpng's or the system's message when the file could not be
// written; a half-written file is removed.
[[nodiscard]] std::optional<std::string> writePng(const std::filesystem::path& path,
                                                  const moviehost::client::Frame& frame);

}  // namespace moviecapture
