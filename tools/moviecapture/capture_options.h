#pragma once
// moviecapture's command line, parsed and checked against itself (sizes,
// frame counts, positions inside the frame); nothing here touches files.

#include <moviehost/client/error.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moviecapture {

struct ScriptedInput {
    enum class Kind { Move, Click };

    Kind kind{Kind::Move};
    std::uint32_t x{0};  // checked to lie inside the frame, so it fits 16 bits
    std::uint32_t y{0};
    std::uint64_t frame{1};  // sent before this frame (counted from 1) is read

    bool operator==(const ScriptedInput&) const = default;
};

struct CaptureOptions {
    bool help{false};
    std::string movie;
    // Zero until given by --size or taken from the movie's header.
    std::int32_t width{0};
    std::int32_t height{0};
    double scale{1.0};  // applies to the movie's own size, not to --size
    std::uint64_t frames{1};
    bool allFrames{false};          // --frames all: the root timeline's frame count
    std::optional<double> seconds;  // --seconds, turned into frames once the rate is known
    std::optional<int> crf;         // video quality
    bool raw{false};
    bool noAudio{false};                             // --no-audio: no sound track in a video
    std::optional<std::filesystem::path> audioFile;  // --audio FILE.wav: the sound alone
    // A folder for numbered PNG files, or a video file chosen by its extension.
    std::filesystem::path outputFolder{"frames"};
    std::vector<ScriptedInput> inputs;  // in command-line order
    std::optional<std::filesystem::path> host;
    std::chrono::milliseconds timeout{10000};
};

inline constexpr std::uint64_t MaxFrames = 1'000'000'000;

// Everything after the program name. Errors are InvalidArgument with a
// message fit to follow "moviecapture: ".
[[nodiscard]] moviehost::client::Expected<CaptureOptions> parseCaptureOptions(
    const std::vector<std::string>& arguments);

struct MovieInfo;

// Fills in what the command line left to the movie (its size, scaled, and
// its frame count for --frames all) and checks the scripted input against
// the final size and frame count. `movie` is empty when the header could
// not be read (a URL).
[[nodiscard]] moviehost::client::Expected<CaptureOptions> resolveCaptureOptions(CaptureOptions options,
                                                                                const MovieInfo* movie);

// --seconds converted at the host's nominal rate (one frame per 30 ms),
// rounded up so the capture covers at least that long; at least one frame.
[[nodiscard]] std::uint64_t framesForSeconds(double seconds);

[[nodiscard]] std::string usageText();

}  // namespace moviecapture
