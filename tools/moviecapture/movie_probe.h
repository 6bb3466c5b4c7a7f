#pragma once
// Reads what a capture needs from a movie file's header (stage size, frame
// rate, frame count) without starting the host, and refuses files that are
// no movie before a host is ever started for them.

#include <moviehost/expected.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace moviecapture {

struct MovieInfo {
    std::uint8_t version{0};
    std::int32_t width{0};  // pixels, rounded to the nearest whole pixel
    std::int32_t height{0};
    double frameRate{0.0};  // frames per second as the header states it (8.8)
    std::uint16_t frameCount{0};
};

// A message naming what is wrong ("not a movie: ...").
struct ProbeError {
    std::string message;
};

// Reads the header from the first bytes of a movie file. For compressed
// movies the body must inflate far enough to hold the header, and every
// byte of the stream read so far must be sound.
[[nodiscard]] moviehost::Expected<MovieInfo, ProbeError> probeMovie(std::span<const std::uint8_t> bytes);

// Reads at most a few hundred kilobytes of the file and probes them; whole
// compressed bodies are inflated in a streaming pass so a body that breaks
// later is refused too.
[[nodiscard]] moviehost::Expected<MovieInfo, ProbeError> probeMovieFile(const std::filesystem::path& path);

}  // namespace moviecapture
