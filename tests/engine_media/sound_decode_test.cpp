// Decoding every sound codec of the file format: known tones come back at the
// right pitch, length and start, and hostile data stays bounded.
#include "media/audio_decoder.h"
#include "media/decoded_sound.h"
#include "media/speex_frames.h"
#include "media/stream_sound.h"

#include "flv_reader.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace mediatest;

enum class Source { Wav, Mp3, Flv };

struct ToneCase {
    const char* file;
    Source source;
    uint8_t codec;
    uint8_t rateCode;
    bool stereo;
    bool sixteenBit;
    uint32_t samples;   // claimed: one second at the source rate
    int16_t seek;       // MP3's encoder delay
    uint32_t delay;     // source samples the encoder adds before the tone (Nellymoser's 128)
    size_t onsetSlack;  // frames the codec may smear the tone's start by
};

swf::Sound makeSound(const ToneCase& c) {
    swf::Sound s;
    s.format = {c.codec, c.rateCode, c.sixteenBit, c.stereo};
    s.sampleCount = c.samples;
    s.seekSamples = c.seek;
    if (c.source == Source::Wav) {
        s.data = readWav(fixture(c.file)).data;
    } else if (c.source == Source::Mp3) {
        s.data = readFile(fixture(c.file));
    } else {
        for (const auto& p : readPackets(fixture(c.file), false))
            s.data.insert(s.data.end(), p.begin(), p.end());
    }
    return s;
}

TEST(SoundDecode, TonesComeBackAtPitchLengthAndStart) {
    using namespace swf::SoundCodec;
    const ToneCase cases[] = {
        {"t5_mono8.wav", Source::Wav, NativePcm, 0, false, false, 5512, 0, 0, 8},
        {"t11_stereo16.wav", Source::Wav, LittleEndianPcm, 1, true, true, 11025, 0, 0, 4},
        {"t22_stereo8.wav", Source::Wav, LittleEndianPcm, 2, true, false, 22050, 0, 0, 2},
        {"t44_stereo16.wav", Source::Wav, NativePcm, 3, true, true, 44100, 0, 0, 1},
        {"t44_stereo16.mp3", Source::Mp3, Mp3, 3, true, true, 44100, 1105, 0, 40},
        {"t22_mono16.mp3", Source::Mp3, Mp3, 2, false, true, 22050, 1105, 0, 80},
        {"t8_nelly.flv", Source::Flv, Nellymoser8k, 0, false, true, 8000, 0, 128, 60},
        {"t16_nelly.flv", Source::Flv, Nellymoser16k, 0, false, true, 16000, 0, 128, 60},
        {"t22_nelly.flv", Source::Flv, Nellymoser, 2, false, true, 22050, 0, 128, 60},
    };
    for (const ToneCase& c : cases) {
        SCOPED_TRACE(c.file);
        swf::Sound sound = makeSound(c);
        ASSERT_FALSE(sound.data.empty());
        auto decoded = media::decodeSound(sound);
        ASSERT_TRUE(decoded->decoded);
        const auto& pcm = decoded->samples;
        EXPECT_EQ(decoded->frames, decoded->storedFrames());
        // One second claimed; lossy codecs may end a block short.
        EXPECT_LE(decoded->frames, 44100u);
        EXPECT_GE(decoded->frames, 44100u - 1200u);
        EXPECT_NEAR(frequency(pcm, 0, 8820, 39690), 440.0, 440.0 * 0.01);
        EXPECT_NEAR(frequency(pcm, 1, 8820, 39690), c.stereo ? 660.0 : 440.0, 660.0 * 0.01);
        double start = 4410.0 + double(media::outputFrames(c.delay, sound.format.sampleRate()));
        EXPECT_NEAR(double(onset(pcm)), start, double(c.onsetSlack) + 60.0);
    }
}

TEST(SoundDecode, SpeexBlocksOfManyFramesDecodeWhole) {
    // All packets of a file in one sound: frames per packet 4 (whole bytes),
    // 1 and 2 (padded to bytes between packets), 3 (a terminator at the end).
    for (const char* file : {"t16_speex4.flv", "t16_speex1.flv", "t16_speex2.flv", "t16_speex3.flv"}) {
        SCOPED_TRACE(file);
        swf::Sound sound = makeSound({file, Source::Flv, swf::SoundCodec::Speex, 0, false, true, 16000, 0, 0, 0});
        ASSERT_FALSE(sound.data.empty());
        auto decoded = media::decodeSound(sound);
        ASSERT_TRUE(decoded->decoded);
        EXPECT_GE(decoded->frames, 44100u - 1200u);
        EXPECT_NEAR(frequency(decoded->samples, 0, 8820, 39690), 440.0, 440.0 * 0.01);
    }
}

TEST(SoundDecode, SpeexStreamBlockOfFourFramesDecodesAll) {
    auto packets = readPackets(fixture("t16_speex4.flv"), false);
    ASSERT_GT(packets.size(), 3u);
    auto decoder = media::AudioDecoder::create(swf::SoundFormat{swf::SoundCodec::Speex, 0, true, false});
    ASSERT_TRUE(decoder);
    std::vector<int16_t> pcm;
    decoder->decode(packets[2], pcm);
    EXPECT_EQ(decoder->decodedSamples(), 4u * media::SpeexFrameSamples);
}

TEST(SoundDecode, SpeexSplitterStopsAtBadData) {
    auto packets = readPackets(fixture("t16_speex4.flv"), false);
    ASSERT_FALSE(packets.empty());
    std::vector<uint8_t> good = packets[0];  // four frames of 556 bits, byte-aligned
    auto count = [](const std::vector<uint8_t>& block) {
        uint32_t frames = 0;
        uint32_t lost = media::splitSpeexFrames(block, [&](std::span<const uint8_t> f) {
            EXPECT_FALSE(f.empty());
            ++frames;
            return true;
        });
        return std::pair<uint32_t, uint32_t>(frames, lost);
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        uint32_t frames;
        uint32_t lost;
    };
    std::vector<uint8_t> cut(good.begin(), good.end() - 10);
    std::vector<uint8_t> invalidTail = good;
    invalidTail.insert(invalidTail.end(), 70 * 3, 0);
    invalidTail[good.size()] = 0x58;           // narrowband submode 11 does not exist
    std::vector<uint8_t> terminated = {0x7F};  // terminator, then the frames at the next byte
    terminated.insert(terminated.end(), good.begin(), good.end());
    const Case cases[] = {
        {"whole", good, 4, 0},
        {"last frame cut short", cut, 3, 0},
        {"invalid submode: the rest is silence", invalidTail, 4, 3},
        {"invalid from the start: nothing to judge by", {0x58, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, 0},
        {"terminator first", terminated, 4, 0},
        {"a lone submode 0 frame", {0x00}, 1, 0},
        {"empty", {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto [frames, lost] = count(c.block);
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(lost, c.lost);
    }
    // The lost frames keep their length as silence after the good ones.
    swf::Sound sound;
    sound.format = {swf::SoundCodec::Speex, 0, true, false};
    sound.data = invalidTail;
    auto decoded = media::decodeSound(sound);
    EXPECT_NEAR(double(decoded->frames), 7 * 882.0, 100.0);
    int tailPeak = 0;
    for (size_t i = 5 * 882 * 2; i < decoded->samples.size(); ++i)
        tailPeak = std::max(tailPeak, std::abs(int(decoded->samples[i])));
    EXPECT_LT(tailPeak, 300);
}

TEST(SoundDecode, MonoPlaysAtFullLevelOnBothSides) {
    ToneCase c{"t44_stereo16.wav", Source::Wav, swf::SoundCodec::NativePcm, 3, true, true, 44100, 0, 0, 0};
    swf::Sound stereo = makeSound(c);
    swf::Sound mono = stereo;
    mono.format.stereo = false;
    mono.data.clear();
    for (size_t i = 0; i + 3 < stereo.data.size(); i += 4)  // the left channel alone
        mono.data.insert(mono.data.end(), {stereo.data[i], stereo.data[i + 1]});
    auto a = media::decodeSound(stereo);
    auto b = media::decodeSound(mono);
    ASSERT_EQ(a->frames, b->frames);
    for (size_t i = 0; i < a->storedFrames(); i += 997) {
        EXPECT_EQ(b->samples[2 * i], a->samples[2 * i]);
        EXPECT_EQ(b->samples[2 * i + 1], a->samples[2 * i]);
    }
}

TEST(SoundDecode, StreamBlocksPlayContinuously) {
    // ADPCM: each FLV packet is a block of its own, as in a sound stream.
    swf::SoundStreamHead adpcm;
    adpcm.stream = {swf::SoundCodec::Adpcm, 1, true, true};
    // MP3: the file cut into blocks of any size, each with its sample count and seek fields.
    swf::SoundStreamHead mp3;
    mp3.stream = {swf::SoundCodec::Mp3, 3, true, true};
    struct Case {
        const char* name;
        swf::SoundStreamHead head;
        std::vector<std::vector<uint8_t>> blocks;
        double frames;  // what the blocks hold: ADPCM pads to whole 4096-sample blocks,
        double slack;   // MP3 to whole frames after its delay
    } cases[] = {{"adpcm", adpcm, readPackets(fixture("t11_adpcm.flv"), false), 3 * 4096 * 4, 0},
                 {"mp3", mp3, {}, 45100 - 1105, 1000}};
    auto file = readFile(fixture("t44_stereo16.mp3"));
    for (size_t at = 0; at < file.size(); at += 1000) {
        // The first block's seek field skips the encoder's delay.
        std::vector<uint8_t> block = {0x40, 0x06, uint8_t(at == 0 ? 0x51 : 0), uint8_t(at == 0 ? 0x04 : 0)};
        block.insert(block.end(), file.begin() + ptrdiff_t(at),
                     file.begin() + ptrdiff_t(std::min(at + 1000, file.size())));
        cases[1].blocks.push_back(std::move(block));
    }
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.blocks.empty());
        auto stream = media::StreamSound::create(c.head);
        ASSERT_NE(stream, nullptr);
        for (const auto& b : c.blocks)
            stream->pushBlock(b);
        stream->finish();
        std::vector<int16_t> pcm(2 * 50000);
        size_t got = stream->read(pcm);
        pcm.resize(2 * got);
        EXPECT_NEAR(double(got), c.frames, c.slack);
        EXPECT_NEAR(double(onset(pcm)), 4410.0, 100.0);
        EXPECT_NEAR(frequency(pcm, 0, 8820, 39690), 440.0, 5.0);
        EXPECT_NEAR(frequency(pcm, 1, 8820, 39690), 660.0, 7.0);
    }
}

TEST(SoundDecode, AdpcmEventSoundDecodesAsOneBitstream) {
    // An ADPCM event sound is one block sequence; one FLV packet is a whole one.
    auto packets = readPackets(fixture("t22_adpcm.flv"), false);
    ASSERT_FALSE(packets.empty());
    swf::Sound s;
    s.format = {swf::SoundCodec::Adpcm, 2, true, false};
    s.data = packets.front();
    s.sampleCount = 4096;
    auto decoded = media::decodeSound(s);
    ASSERT_TRUE(decoded->decoded);
    EXPECT_EQ(decoded->frames, 4096u * 2);
}

TEST(SoundDecode, HostileDataStaysBounded) {
    std::mt19937 rng(7);
    std::vector<uint8_t> noise(5000);
    for (auto& b : noise)
        b = uint8_t(rng());
    struct Case {
        const char* name;
        swf::SoundFormat format;
        uint32_t claimed;
        std::vector<uint8_t> data;
        uint64_t maxFrames;  // at most this long
        uint64_t minFrames;  // at least this long
    };
    const Case cases[] = {
        // A count far beyond the data decodes what is there.
        {"pcm count past the data",
         {swf::SoundCodec::LittleEndianPcm, 3, true, true},
         0xFFFFFFFF,
         std::vector<uint8_t>(40, 1),
         10,
         10},
        {"mp3 noise", {swf::SoundCodec::Mp3, 3, true, true}, 0xFFFFFFFF, noise, 1152 * 5, 0},
        {"adpcm cut to a byte", {swf::SoundCodec::Adpcm, 1, true, false}, 1000, {0x80}, 8000, 0},
        {"nellymoser off its block size",
         {swf::SoundCodec::Nellymoser, 1, false, false},
         100000,
         std::vector<uint8_t>(100, 7),
         1024 * 4,
         0},
        {"speex noise", {swf::SoundCodec::Speex, 0, false, true}, 16000, noise, 44100, 0},
        // No codec: silence of the claimed length, held without memory.
        {"unknown codec", {9, 2, true, true}, 22050, noise, 44100, 44100},
        {"unknown codec, absurd count", {15, 0, false, false}, 0xFFFFFFFF, {}, 44100ull * 60 * 15, 44100ull * 60 * 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        swf::Sound s;
        s.format = c.format;
        s.sampleCount = c.claimed;
        s.data = c.data;
        auto decoded = media::decodeSound(s);
        EXPECT_LE(decoded->frames, c.maxFrames);
        EXPECT_GE(decoded->frames, c.minFrames);
        EXPECT_LE(decoded->storedFrames(), decoded->frames);
    }
}

}  // namespace
