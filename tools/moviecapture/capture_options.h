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
    std::int32_t width{0};
    std::int32_t height{0};
    std::uint64_t frames{1};
    bool raw{false};
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

// --seconds converted at the host's nominal rate (one frame per 30 ms),
// rounded up so the capture covers at least that long; at least one frame.
[[nodiscard]] std::uint64_t framesForSeconds(double seconds);

[[nodiscard]] std::string usageText();

}  // namespace moviecapture
