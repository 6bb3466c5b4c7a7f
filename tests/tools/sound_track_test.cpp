// Sound in captures: each video format with a sound track decodes back with
// its codec and with a tone starting where it was written; --audio writes a
// WAV file of exactly the samples given; and the real host's sound, captured
// by moviecapture into an MKV, starts with the frame that started it.
#include "sound_sink.h"
#include "video_sink.h"
#include "wav_file_sink.h"

#include "moviehost/testing/host_driver.h"

#include "movie_writer.h"

#include <moviehost/client/frame.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

using moviecapture::VideoFormat;
using moviehost::testing::TempDir;

struct DecodedSound {
    std::string codec;  // empty: the file has no sound
    int rate = 0;
    double onset = -1;     // seconds from the file's start to the first loud sample
    double lastLoud = -1;  // and to the last
    int64_t samples = 0;   // decoded, per channel
};

// The first channel's samples as floats, for the sample formats the decoders give.
float sampleAt(const AVFrame& frame, int i) {
    switch (frame.format) {
    case AV_SAMPLE_FMT_FLTP:
        return reinterpret_cast<const float*>(frame.data[0])[i];
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(frame.data[0])[i * frame.ch_layout.nb_channels];
    case AV_SAMPLE_FMT_S16P:
        return reinterpret_cast<const int16_t*>(frame.data[0])[i] / 32768.0f;
    case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const int16_t*>(frame.data[0])[i * frame.ch_layout.nb_channels] / 32768.0f;
    default:
        ADD_FAILURE() << "sample format " << frame.format;
        return 0;
    }
}

DecodedSound decodeSound(const std::filesystem::path& path) {
    DecodedSound out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return out;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> formatOwner(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return out;
    AVStream* stream = format->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    out.codec = avcodec_get_name(stream->codecpar->codec_id);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(context.get(), stream->codecpar);
    context->pkt_timebase = stream->time_base;
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return out;
    out.rate = context->sample_rate;
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    auto receive = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            out.samples += frame->nb_samples;
            const double start = double(frame->best_effort_timestamp) * av_q2d(stream->time_base);
            for (int i = 0; i < frame->nb_samples; ++i) {
                if (std::fabs(sampleAt(*frame, i)) > 0.1f) {
                    out.lastLoud = start + double(i) / frame->sample_rate;
                    if (out.onset < 0)
                        out.onset = out.lastLoud;
                }
            }
        }
    };
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context.get(), packet.get()) == 0)
            receive();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    receive();
    return out;
}

// Silence for `silent` frames of 44.1 kHz, then a 1 kHz tone at half scale.
std::vector<int16_t> toneAfter(size_t silent, size_t total) {
    std::vector<int16_t> samples(2 * total, 0);
    for (size_t i = silent; i < total; ++i) {
        const auto v = int16_t(std::lround(16384 * std::sin(2 * M_PI * 1000.0 * double(i - silent) / 44100.0)));
        samples[2 * i] = samples[2 * i + 1] = v;
    }
    return samples;
}

TEST(SoundTrack, EachVideoFormatCarriesTheSoundInItsCodecAndInTime) {
    TempDir folder;
    const struct {
        const char* name;
        const char* codec;  // "" for none
    } cases[] = {{"a.mp4", "aac"}, {"a.mov", "aac"}, {"a.webm", "opus"}, {"a.mkv", "opus"}, {"a.gif", ""}};
    // 30 frames at 30 fps; the tone starts at 0.4 s.
    const auto sound = toneAfter(17640, 44100);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = folder / c.name;
        const auto format = moviecapture::videoFormatFor(path);
        ASSERT_TRUE(format);
        std::ostringstream progress;
        moviecapture::VideoSink sink({path, *format, 32, 32, {30, 1}, std::nullopt, true}, 30, progress);
        ASSERT_EQ(sink.open(), std::nullopt);
        moviehost::client::Frame frame(32, 32);
        for (int n = 1; n <= 30; ++n) {
            ASSERT_EQ(sink.write(frame, uint64_t(n)), std::nullopt);
            // The sound of each frame comes after it, in uneven pieces.
            const size_t from = size_t(n - 1) * 1470, to = size_t(n) * 1470;
            ASSERT_EQ(sink.writeSound({sound.data() + 2 * from, 2 * (to - from)}), std::nullopt);
        }
        ASSERT_EQ(sink.close(), std::nullopt);
        const DecodedSound back = decodeSound(path);
        EXPECT_EQ(back.codec, c.codec);
        if (std::string(c.codec).empty())
            continue;
        EXPECT_NEAR(back.onset, 0.4, 0.01);
    }
}

// The encoder works on its own thread: sound written far faster than it
// encodes (a queue's worth and more, in pieces of every size) comes out
// whole, in order and in place, and a sink dropped unclosed stops cleanly.
TEST(SoundTrack, SoundWrittenFasterThanEncodedStaysWholeAndInOrder) {
    TempDir folder;
    // 12 s: a tone from 5 s to 7 s.
    auto sound = toneAfter(5 * 44100, 12 * 44100);
    std::fill(sound.begin() + 2 * 7 * 44100, sound.end(), int16_t(0));
    for (const char* name : {"long.mp4", "long.mkv", "dropped.mp4"}) {
        SCOPED_TRACE(name);
        const auto path = folder / name;
        const auto format = moviecapture::videoFormatFor(path);
        ASSERT_TRUE(format);
        std::ostringstream progress;
        auto sink = std::make_unique<moviecapture::VideoSink>(
            moviecapture::VideoSettings{path, *format, 16, 16, {25, 1}, std::nullopt, true}, 400, progress);
        ASSERT_EQ(sink->open(), std::nullopt);
        moviehost::client::Frame frame(16, 16);
        for (size_t n = 1, at = 0; at < sound.size() / 2; ++n) {
            ASSERT_EQ(sink->write(frame, n), std::nullopt);
            const size_t piece = std::min(sound.size() / 2 - at, size_t(1 + (n * 977) % 3000));
            ASSERT_EQ(sink->writeSound({sound.data() + 2 * at, 2 * piece}), std::nullopt);
            at += piece;
        }
        if (std::string(name) == "dropped.mp4") {
            sink.reset();
            continue;
        }
        ASSERT_EQ(sink->close(), std::nullopt);
        const DecodedSound back = decodeSound(path);
        EXPECT_NEAR(back.onset, 5.0, 0.01);
        EXPECT_NEAR(back.lastLoud, 7.0, 0.01);
        // Whole encoder frames: at most one frame of padding (and the codec's priming) more.
        EXPECT_GE(back.samples * 44100 / back.rate, int64_t(sound.size() / 2));
        EXPECT_LT(back.samples * 44100 / back.rate, int64_t(sound.size() / 2) + 4096);
    }
}

TEST(SoundTrack, TheWavFileHoldsExactlyTheSamples) {
    TempDir folder;
    moviecapture::WavFileSink wav(folder / "a.wav");
    ASSERT_EQ(wav.open(), std::nullopt);
    const auto sound = toneAfter(10, 1000);
    ASSERT_EQ(wav.writeSound({sound.data(), 600}), std::nullopt);
    ASSERT_EQ(wav.writeSound({sound.data() + 600, sound.size() - 600}), std::nullopt);
    ASSERT_EQ(wav.close(), std::nullopt);
    std::ifstream in(folder / "a.wav", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 44u + 4000u);
    auto u32 = [&](size_t at) {
        return uint32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    EXPECT_EQ(u32(4), 36u + 4000u) << "RIFF size";
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(u32(40), 4000u) << "data size";
    for (size_t i = 0; i < sound.size(); ++i)
        ASSERT_EQ(int16_t(bytes[44 + 2 * i] | bytes[45 + 2 * i] << 8), sound[i]) << "sample " << i;
}

// A movie at 10 frames per second that starts a tone on frame 5: the sound
// the control mixes is exact against its own frames, so the decoded track
// turns loud at 0.5 s whatever the wall clock did meanwhile.
TEST(SoundTrack, ACapturedMkvHasTheSoundFromItsFrame) {
    TempDir folder;
    swfwriter::MovieWriter movie({.width = 40, .height = 40, .frameRate = 10});
    const auto tone = toneAfter(0, 44100);
    std::vector<uint8_t> pcm;
    for (int16_t s : tone) {
        pcm.push_back(uint8_t(uint16_t(s)));
        pcm.push_back(uint8_t(uint16_t(s) >> 8));
    }
    const uint16_t sound = movie.defineSound({}, 44100, pcm);
    for (int frame = 0; frame < 20; ++frame) {
        if (frame == 5)
            movie.startSound(sound);
        movie.showFrame();
    }
    const auto moviePath = folder / "tone.swf";
    movie.save(moviePath.string());
    const auto out = folder / "tone.mkv";
    const auto wav = folder / "tone.wav";
    const auto run = moviehost::testing::runProgram(
        moviehost::testing::moviecapturePath(), {moviePath.string(), "--frames", "40", "--out", out.string(), "--audio",
                                                 wav.string(), "--host", moviehost::testing::moviehostPath().string()});
    ASSERT_TRUE(run.exited && run.exitCode == 0) << run.err;
    const DecodedSound back = decodeSound(out);
    EXPECT_EQ(back.codec, "opus");
    EXPECT_NEAR(back.onset, 0.5, 0.01);
    const DecodedSound alone = decodeSound(wav);
    EXPECT_EQ(alone.codec, "pcm_s16le");
    EXPECT_NEAR(alone.onset, 0.5, 0.001);

    const auto silent = folder / "silent.mkv";
    const auto quiet = moviehost::testing::runProgram(
        moviehost::testing::moviecapturePath(), {moviePath.string(), "--frames", "5", "--out", silent.string(),
                                                 "--no-audio", "--host", moviehost::testing::moviehostPath().string()});
    ASSERT_TRUE(quiet.exited && quiet.exitCode == 0) << quiet.err;
    EXPECT_EQ(decodeSound(silent).codec, "") << "--no-audio";
}

}  // namespace
