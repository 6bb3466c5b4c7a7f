#pragma once
// Which output names ask for a video rather than a folder of PNG files.

#include <filesystem>
#include <optional>

namespace moviecapture {

enum class VideoFormat { Mp4, WebM, Mkv, Mov, Gif };

// The format an output name asks for, by its extension (any case); nothing
// for names that are no video (a folder of PNG files).
[[nodiscard]] std::optional<VideoFormat> videoFormatFor(const std::filesystem::path& out);

}  // namespace moviecapture
