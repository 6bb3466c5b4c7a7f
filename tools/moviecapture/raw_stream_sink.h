#pragma once
// Frames as raw RGBA pixels back to back on a file descriptor (standard
// output), without headers, for piping into other tools.

#include "frame_sink.h"

namespace moviecapture {

class RawStreamSink final : public FrameSink {
public:
    explicit RawStreamSink(int fd) : m_fd(fd) {}

    // Refuses a terminal: a screenful of pixel bytes helps nobody.
    [[nodiscard]] std::optional<std::string> open() override;
    [[nodiscard]] std::optional<std::string> write(const moviehost::client::Frame& frame,
                                                   std::uint64_t number) override;
    [[nodiscard]] std::optional<std::string> close() override { return std::nullopt; }

private:
    int m_fd{-1};
};

}  // namespace moviecapture
