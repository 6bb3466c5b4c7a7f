#pragma once
// moviecapture's command line, parsed and checked against itself (sizes,
// frame counts, positions inside the frame); nothing here touches files.

#include "frame_rate.h"

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
    // Frame F (counted from 1) is the first to show it: the record's time
    // field says F on the virtual clock; on the wall clock it is sent once
    // frame F - 1 was read.
    std::uint64_t frame{1};

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
    bool allFrames{false};          // --frames all: the root timeline's length
    std::optional<double> seconds;  // --seconds, turned into frames once the rate is known
    // Output frames per second: --rate, else the movie's own, else (a URL,
    // or the wall clock) the host's nominal one frame per 30 ms.
    Rational rate{NominalRate};
    bool rateGiven{false};
    bool realtime{false};    // the host on the wall clock, as without a virtual one
    std::optional<int> crf;  // video quality
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

// Fills in what the command line left to the movie (its size, scaled, its
// rate, and its length for --frames all), turns --seconds into frames, and
// checks the scripted input against the final size and frame count. `movie`
// is empty when the header could not be read (a URL).
[[nodiscard]] moviehost::client::Expected<CaptureOptions> resolveCaptureOptions(CaptureOptions options,
                                                                                const MovieInfo* movie);

// round(seconds * rate), at least one frame; more than MaxFrames gives MaxFrames + 1.
[[nodiscard]] std::uint64_t framesForSeconds(double seconds, Rational rate);

// round(frameCount * rate / movieRate), at least one frame: the movie's main
// timeline played once at its own rate, in frames of the output rate.
[[nodiscard]] std::uint64_t framesForTimeline(std::uint64_t frameCount, Rational rate, Rational movieRate);

[[nodiscard]] std::string usageText();

}  // namespace moviecapture
