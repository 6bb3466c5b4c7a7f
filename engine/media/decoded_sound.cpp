// Whole-sound decoding for event sounds.
#include "media/decoded_sound.h"

#include "media/audio_decoder.h"

#include <algorithm>

namespace media {

std::shared_ptr<const DecodedSound> decodeSound(const swf::Sound& sound, const DecodeLimits& limits) {
    auto out = std::make_shared<DecodedSound>();
    uint32_t rate = sound.format.sampleRate();
    uint64_t claimed = std::min(outputFrames(sound.sampleCount, rate), limits.maxFrames);
    auto decoder = AudioDecoder::create(sound.format);
    if (!decoder) {
        out->frames = claimed;
        return out;
    }
    out->decoded = true;
    // Decode in slices so that a sound whose data decodes to far more than
    // the limit stops early instead of filling memory first.
    constexpr size_t Slice = 1 << 16;
    std::span<const uint8_t> data = sound.data;
    uint64_t cap = limits.maxFrames + outputFrames(uint64_t(std::max<int16_t>(sound.seekSamples, 0)), rate);
    size_t sliceSize = Slice;
    if (sound.format.codec == swf::SoundCodec::Adpcm && !data.empty()) {
        // One packet, as ADPCM blocks are not byte-aligned; cut to what the
        // frame limit can use, so the decoder never allocates for more.
        uint64_t samples = cap * rate / OutputRate + 4096;
        uint64_t bits = uint64_t((data[0] >> 6) + 2);
        uint64_t channels = sound.format.channels();
        uint64_t bytes = samples * channels * bits / 8 + (samples / 4096 + 1) * channels * 3 + 1;
        data = data.first(size_t(std::min<uint64_t>(bytes, data.size())));
        sliceSize = data.size();
    } else if (sound.format.codec == swf::SoundCodec::Speex) {
        sliceSize = data.size();
    }
    for (size_t at = 0; at < data.size() && out->storedFrames() < cap; at += sliceSize)
        decoder->decode(data.subspan(at, std::min(sliceSize, data.size() - at)), out->samples,
                        cap - out->storedFrames());
    decoder->flush(out->samples);

    uint64_t skip = 0;
    if (sound.format.codec == swf::SoundCodec::Mp3 && sound.seekSamples > 0)
        skip = std::min(outputFrames(uint64_t(sound.seekSamples), rate), out->storedFrames());
    out->samples.erase(out->samples.begin(), out->samples.begin() + ptrdiff_t(skip * OutputChannels));
    uint64_t length = std::min(out->storedFrames(), limits.maxFrames);
    // The claimed count cuts codec padding; with no count at all, keep what decoded.
    if (claimed > 0)
        length = std::min(length, claimed);
    out->samples.resize(size_t(length) * OutputChannels);
    out->samples.shrink_to_fit();
    out->frames = length;
    return out;
}

}  // namespace media
