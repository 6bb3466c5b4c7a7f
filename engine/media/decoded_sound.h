// A DefineSound decoded once into the output format, ready for any number of voices.
#pragma once

#include "media/pcm.h"
#include "swf/sound.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace media {

struct DecodedSound {
    // Interleaved stereo frames. `frames` may be longer than samples.size() / 2:
    // the rest is silence (an undecodable sound keeps its length without memory).
    std::vector<int16_t> samples;
    uint64_t frames = 0;
    bool decoded = false;  // false: the codec was unknown or missing, the sound is silence

    [[nodiscard]] uint64_t storedFrames() const { return samples.size() / OutputChannels; }
};

struct DecodeLimits {
    // Decoded frames kept per sound (15 minutes); longer sounds are cut.
    uint64_t maxFrames = uint64_t(OutputRate) * 60 * 15;
};

// Decodes the whole sound. Its length is the sample count the file claims
// (MP3's encoder delay skipped) when the data holds that much, else what the
// data holds; an undecodable sound is silence of the claimed length.
[[nodiscard]] std::shared_ptr<const DecodedSound> decodeSound(const swf::Sound& sound, const DecodeLimits& limits = {});

}  // namespace media
