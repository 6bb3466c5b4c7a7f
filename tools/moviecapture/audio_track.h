#pragma once
// The sound track of a video file: the host's 44,100 Hz stereo samples
// resampled to what the encoder takes (libswresample) and encoded (AAC or
// Opus) into a stream of the caller's muxer, in frames of the encoder's size.
// Encoding runs on a thread of its own so it overlaps the video's.

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

    // Queues the samples for the encoder's thread (waiting while it is far
    // behind) and muxes the packets it finished; a message once it failed.
    // Call from the muxer's thread.
    [[nodiscard]] std::optional<std::string> write(std::span<const std::int16_t> samples);
    // Waits for the queue, encodes what waits (padded with silence to a whole
    // frame), drains the encoder and muxes the rest; before the muxer's trailer.
    [[nodiscard]] std::optional<std::string> finish();

private:
    struct State;
    explicit AudioTrack(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace moviecapture
