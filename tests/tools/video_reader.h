#pragma once
// Video files decoded back through libav, for checking what moviecapture wrote.

#include <cstdint>
#include <filesystem>

extern "C" {
#include <libavutil/rational.h>
}

namespace moviehost::testing {

struct DecodedVideo {
    int frames = 0;
    int width = 0;
    int height = 0;
    AVRational rate{0, 1};      // the stream's frame rate as the container states it
    AVRational timeBase{0, 1};  // the stream's
    std::int64_t firstPts = 0;  // presentation times of the first and last frame
    std::int64_t lastPts = 0;
    std::uint8_t r = 0, g = 0, b = 0;  // the centre pixel of the last frame
};

// Zero frames when the file cannot be read.
[[nodiscard]] DecodedVideo decodeVideo(const std::filesystem::path& path);

}  // namespace moviehost::testing
