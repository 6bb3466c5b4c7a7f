#pragma once
// Frames encoded into one video file in the process, through FFmpeg's
// libraries: H.264 in MP4, MOV and MKV, VP9 in WebM, and GIF with a palette
// made per frame. Frames stream through the encoder; none are kept.

#include "frame_rate.h"
#include "frame_sink.h"
#include "progress_line.h"
#include "video_format.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace moviecapture {

struct VideoSettings {
    std::filesystem::path path;
    VideoFormat format{VideoFormat::Mp4};
    std::int32_t width{0};
    std::int32_t height{0};
    Rational rate;
    std::optional<int> crf;  // encoder default when unset
};

class VideoSink final : public FrameSink {
public:
    // Progress goes to `progress` as one line rewritten in place.
    VideoSink(VideoSettings settings, std::uint64_t total, std::ostream& progress);
    ~VideoSink() override;
    VideoSink(const VideoSink&) = delete;
    VideoSink& operator=(const VideoSink&) = delete;

    [[nodiscard]] std::optional<std::string> open() override;
    [[nodiscard]] std::optional<std::string> write(const moviehost::client::Frame& frame,
                                                   std::uint64_t number) override;
    [[nodiscard]] std::optional<std::string> close() override;

private:
    struct Encoder;
    VideoSettings m_settings;
    ProgressLine m_progress;
    std::unique_ptr<Encoder> m_encoder;
};

}  // namespace moviecapture
