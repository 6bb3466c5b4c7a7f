// A streaming MP3 (Sound.loadSound(url, true)) played while it decodes: the
// voice decodes a slice of the file whenever the mixer needs more than it
// has, so playback starts at once instead of after decoding the whole file,
// and the work is spread over the ticks that play it.
//
// The decoded length so far lives in a StreamProgress that outlives the
// voice, so Sound.duration grows as the sound plays and keeps its length
// once it has played out.
#pragma once

#include "media/audio_decoder.h"
#include "media/sound_source.h"
#include "moviehost/expected.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace media {

// A file's bytes as they arrive: a download appends and finally marks it
// complete; a file that is all there is complete from the start.
struct ArrivingBytes {
    std::vector<uint8_t> bytes;
    bool complete = true;
};

struct StreamProgress {
    uint64_t decodedFrames = 0;  // output frames decoded so far
    bool complete = false;       // the whole file is decoded
};

// Output frames an MP3 holds, from its frame headers alone (nothing is
// decoded): a loaded streaming sound knows its length before it plays.
[[nodiscard]] uint64_t mp3OutputFrames(std::span<const uint8_t> mp3);

class ProgressiveSound final : public SoundSource {
public:
    // Coded bytes fed to the decoder per slice.
    static constexpr size_t SliceBytes = 4096;

    // `mp3`: MP3 frames (an ID3v2 tag before them already skipped). While
    // they have not all arrived, a voice that catches up with them plays
    // silence (not counted in its position) and waits for more. Fails when
    // no decoder is there.
    [[nodiscard]] static moviehost::Expected<std::unique_ptr<ProgressiveSound>, MediaError> create(
        std::shared_ptr<const ArrivingBytes> mp3, std::shared_ptr<StreamProgress> progress);

    size_t read(std::span<int16_t> out) override;
    [[nodiscard]] uint64_t position() const override { return m_position; }

private:
    ProgressiveSound(std::shared_ptr<const ArrivingBytes> mp3, std::shared_ptr<StreamProgress> progress,
                     AudioDecoder decoder)
        : m_mp3(std::move(mp3)), m_progress(std::move(progress)), m_decoder(std::move(decoder)) {}
    enum class Slice : uint8_t { Decoded, Waiting, Done };
    // Decodes one more slice, or says why not.
    Slice decodeSlice();

    std::shared_ptr<const ArrivingBytes> m_mp3;
    std::shared_ptr<StreamProgress> m_progress;
    AudioDecoder m_decoder;
    std::vector<int16_t> m_ready;  // decoded, not yet played
    size_t m_readyAt = 0;          // samples of m_ready already played
    size_t m_fed = 0;              // bytes of m_mp3 given to the decoder
    bool m_flushed = false;
    uint64_t m_position = 0;
};

}  // namespace media
