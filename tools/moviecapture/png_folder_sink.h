#pragma once
// Frames as numbered PNG files in a folder, with a progress line.

#include "frame_sink.h"
#include "progress_line.h"

#include <filesystem>
#include <ostream>

namespace moviecapture {

// "frame_00042.png": zero-padded to five digits, or wider when `total` needs it.
[[nodiscard]] std::string frameFileName(std::uint64_t number, std::uint64_t total);

class PngFolderSink final : public FrameSink {
public:
    // Progress goes to `progress` as one line rewritten with carriage returns.
    PngFolderSink(std::filesystem::path folder, std::uint64_t total, std::ostream& progress);

    [[nodiscard]] std::optional<std::string> open() override;
    [[nodiscard]] std::optional<std::string> write(const moviehost::client::Frame& frame,
                                                   std::uint64_t number) override;
    [[nodiscard]] std::optional<std::string> close() override;

private:
    std::filesystem::path m_folder;
    std::uint64_t m_total{0};
    ProgressLine m_progress;
};

}  // namespace moviecapture
