#pragma once
// Where captured frames go: PNG files in a folder, or raw bytes on a stream.

#include <moviehost/client/frame.h>

#include <cstdint>
#include <optional>
#include <string>

namespace moviecapture {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Gets ready to take frames; returns a message when it cannot.
    [[nodiscard]] virtual std::optional<std::string> open() = 0;
    // `number` counts from 1. Returns a message when the frame was not stored.
    [[nodiscard]] virtual std::optional<std::string> write(const moviehost::client::Frame& frame,
                                                           std::uint64_t number) = 0;
    // Called once at the end, after success or failure alike.
    [[nodiscard]] virtual std::optional<std::string> close() = 0;
};

}  // namespace moviecapture
