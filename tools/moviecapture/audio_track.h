#pragma once
// The sound track of a video file: the host's 44,100 Hz stereo samples
// resampled to what the encoder takes (libswresample) and encoded (AAC or
// Opus) into a stream of the caller's muxer, in frames of the encoder's size.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct AVFormatContext;

namespace moviecapture {

enum class AudioCodec { Aac, Opus };

class AudioTrack {
public:
    // Adds the stream; call before the muxer writes its header. A message when
    // the encoder is missing or refuses.
    [[nodiscard]] static std::unique_ptr<AudioTrack> add(AVFormatContext* format, AudioCodec codec,
                                                         std::string& failure);
    ~AudioTrack();
    AudioTrack(const AudioTrack&) = delete;
    AudioTrack& operator=(const AudioTrack&) = delete;

    // Encodes whole encoder frames of what has come so far; the rest waits.
    [[nodiscard]] std::optional<std::string> write(std::span<const std::int16_t> samples);
    // Encodes what waits (padded with silence to a whole frame) and drains the
    // encoder; before the muxer's trailer.
    [[nodiscard]] std::optional<std::string> finish();

private:
    struct State;
    explicit AudioTrack(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace moviecapture
