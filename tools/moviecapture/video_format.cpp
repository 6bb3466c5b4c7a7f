#include "video_format.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace moviecapture {

std::optional<VideoFormat> videoFormatFor(const std::filesystem::path& out) {
    std::string extension = out.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mp4")
        return VideoFormat::Mp4;
    if (extension == ".webm")
        return VideoFormat::WebM;
    if (extension == ".mkv")
        return VideoFormat::Mkv;
    if (extension == ".mov")
        return VideoFormat::Mov;
    if (extension == ".gif")
        return VideoFormat::Gif;
    return std::nullopt;
}

}  // namespace moviecapture
