// Sound tags: DefineSound, StartSound/StartSound2, the stream head and
// blocks, and DefineButtonSound's per-transition sounds.
//
// The parser keeps the coded bytes as they are; decoding belongs to the media
// layer. Every count here was checked against the tag's data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace swf {

// Codec ids of the file format (the same numbering as FLV's audio tags).
namespace SoundCodec {
inline constexpr uint8_t NativePcm = 0;  // uncompressed in the writer's byte order (little-endian in practice)
inline constexpr uint8_t Adpcm = 1;
inline constexpr uint8_t Mp3 = 2;
inline constexpr uint8_t LittleEndianPcm = 3;
inline constexpr uint8_t Nellymoser16k = 4;
inline constexpr uint8_t Nellymoser8k = 5;
inline constexpr uint8_t Nellymoser = 6;
inline constexpr uint8_t Speex = 11;
}  // namespace SoundCodec

struct SoundFormat {
    uint8_t codec = SoundCodec::NativePcm;  // SoundCodec, or an unknown value as stored
    uint8_t rateCode = 0;                   // 0: 5.5 kHz, 1: 11 kHz, 2: 22 kHz, 3: 44 kHz
    bool sixteenBit = false;
    bool stereo = false;

    // Samples per second per channel. "5.5 kHz" is 44,100 / 8 = 5512.5 Hz: this
    // returns 5512 and callers that need exact ratios use the rate code.
    // Nellymoser at 8 and 16 kHz and Speex (16 kHz) ignore the rate code.
    [[nodiscard]] uint32_t sampleRate() const;
    [[nodiscard]] uint8_t channels() const { return stereo ? 2 : 1; }
};

// DefineSound. For MP3 the two-byte SeekSamples (the encoder's delay, in
// samples to skip) is split off, and `data` holds the MP3 frames alone.
struct Sound {
    SoundFormat format;
    uint32_t sampleCount = 0;  // per channel, as the file claims (may disagree with the data)
    int16_t seekSamples = 0;   // MP3 only
    std::vector<uint8_t> data;
};

// Envelope levels run 0..32768; positions count 44.1 kHz samples from the
// start of the sound. Points are kept in file order, even when out of order.
struct SoundEnvelopePoint {
    uint32_t position44 = 0;
    uint16_t left = 32768;
    uint16_t right = 32768;
};

struct SoundInfo {
    bool syncStop = false;             // stop every instance of the sound instead of starting one
    bool syncNoMultiple = false;       // do not start when an instance is already playing
    std::optional<uint32_t> inPoint;   // samples (at the sound's own rate) to skip
    std::optional<uint32_t> outPoint;  // last sample (at the sound's own rate) to play
    uint16_t loops = 1;                // times played; 0 in the file is read as 1
    std::vector<SoundEnvelopePoint> envelope;
};

// StartSound names a sound by id; StartSound2 by its exported class name.
struct StartSound {
    uint8_t version = 1;
    uint16_t soundId = 0;
    std::string className;  // StartSound2, UTF-8
    SoundInfo info;
};

// SoundStreamHead and SoundStreamHead2.
struct SoundStreamHead {
    uint8_t version = 1;
    SoundFormat playback;  // the player's advisory output format
    SoundFormat stream;    // how the blocks are coded
    uint16_t samplesPerBlock = 0;
    int16_t latencySeek = 0;  // MP3 only
};

// One frame's share of the stream sound, coded as its timeline's head says.
struct SoundStreamBlock {
    std::vector<uint8_t> data;
};

// An MP3 stream block's fields: samples in this block, the samples of the
// first frame to skip, then the MP3 frames. Empty when the block is too short.
struct Mp3StreamBlock {
    uint16_t sampleCount = 0;
    int16_t seekSamples = 0;
    std::span<const uint8_t> frames;
};
[[nodiscard]] std::optional<Mp3StreamBlock> splitMp3StreamBlock(std::span<const uint8_t> block);

// DefineButtonSound: one sound per transition; id 0 means none.
struct ButtonSound {
    uint16_t soundId = 0;
    SoundInfo info;
};
namespace ButtonSoundSlot {
inline constexpr size_t OverUpToIdle = 0;      // roll out
inline constexpr size_t IdleToOverUp = 1;      // roll over
inline constexpr size_t OverUpToOverDown = 2;  // press
inline constexpr size_t OverDownToOverUp = 3;  // release
inline constexpr size_t Count = 4;
}  // namespace ButtonSoundSlot

}  // namespace swf
