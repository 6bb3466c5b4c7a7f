#pragma once
// Frames encoded into one video file in the process, through FFmpeg's
// libraries: H.264 in MP4, MOV and MKV, VP9 in WebM, and GIF with a palette
// made per frame; the sound, when asked for, in a track of its own (audio_track.h). Frames stream through the encoder;
// none are kept.

#include "frame_rate.h"
#include "frame_sink.h"
#include "progress_line.h"
#include "sound_sink.h"
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
    // A sound track from writeSound: AAC in MP4 and MOV, Opus in WebM and
    // MKV; a GIF has none.
    bool sound{false};
};

class VideoSink final : public FrameSink, public SoundSink {
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
    // Samples at 44,100 Hz from the video's start (nothing without a sound track).
    [[nodiscard]] std::optional<std::string> writeSound(std::span<const std::int16_t> samples) override;

private:
    struct Encoder;
    VideoSettings m_settings;
    ProgressLine m_progress;
    std::unique_ptr<Encoder> m_encoder;
};

}  // namespace moviecapture
