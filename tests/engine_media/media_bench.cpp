// Mixing 32 voices for one second (budget: 2% of a core, 20 ms), decoding
// a 3-minute 128 kbit/s MP3 (budget: 2 s), and decoding and drawing a
// 640x480 video (budget: 10x its frame rate).
#include "media/decoded_sound.h"
#include "media/event_sound.h"
#include "media/mixer.h"
#include "render/video_frames.h"

#include "flv_reader.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

void mix32VoicesOneSecond(benchmark::State& state) {
    auto tone = std::make_shared<media::DecodedSound>();
    for (int i = 0; i < 44100 * 2; ++i) {
        auto v = int16_t(3000 * std::sin(i * 0.0627));
        tone->samples.insert(tone->samples.end(), {v, v});
    }
    tone->frames = tone->storedFrames();
    std::vector<int16_t> out(1470 * 2);  // one frame of a 30 fps movie
    for (auto _ : state) {
        state.PauseTiming();
        media::Mixer mixer;
        for (int v = 0; v < 32; ++v)
            mixer.play(std::make_unique<media::EventSound>(tone, media::EventPlayback{}),
                       {uint32_t(v), 0, media::SoundTransform::fromPan(v * 6 - 96, 80)});
        state.ResumeTiming();
        for (int f = 0; f < 30; ++f) {
            mixer.mix(out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.counters["core_share_per_audio_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(mix32VoicesOneSecond)->Unit(benchmark::kMillisecond);

void decodeMp3ThreeMinutes(benchmark::State& state) {
    std::ifstream in(std::string(MEDIA_FIXTURES) + "/long.mp3", std::ios::binary);
    swf::Sound sound;
    sound.format = {swf::SoundCodec::Mp3, 3, true, true};
    sound.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    sound.sampleCount = 44100 * 180;
    sound.seekSamples = 1105;
    if (sound.data.empty()) {
        state.SkipWithError("long.mp3 missing");
        return;
    }
    for (auto _ : state) {
        auto decoded = media::decodeSound(sound);
        benchmark::DoNotOptimize(decoded->samples.data());
        state.counters["frames"] = double(decoded->frames);
    }
}
BENCHMARK(decodeMp3ThreeMinutes)->Unit(benchmark::kMillisecond)->Iterations(2);

// Every frame of a 10-second 640x480 30 fps Sorenson H.263 stream (ffmpeg
// has no VP6 encoder; H.263 is the nearest block codec it writes) decoded
// and drawn, scaled by 1.5, onto a 960x720 surface as the stage draws it.
// "x_frame_rate" is the frames per second over the stream's 30.
void decodeAndDrawVideo640x480(benchmark::State& state) {
    swf::VideoStream stream;
    stream.codec = swf::VideoCodec::SorensonH263;
    stream.width = 640;
    stream.height = 480;
    for (auto& packet : mediatest::readPackets(std::string(MEDIA_FIXTURES) + "/busy_640x480.flv", true))
        stream.frames.push_back({uint16_t(stream.frames.size()), std::move(packet)});
    stream.frameCount = uint16_t(stream.frames.size());
    if (stream.frames.empty()) {
        state.SkipWithError("busy_640x480.flv missing");
        return;
    }
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 960, 720);
    cairo_t* cr = cairo_create(target);
    cairo_scale(cr, 1.5, 1.5);
    int64_t frames = 0;
    for (auto _ : state) {
        render::VideoFrames videos;  // a fresh decoder: the stream is played from its start
        for (uint16_t k = 0; k < stream.frameCount; ++k) {
            const auto picture = videos.picture(1, stream, k, 0);
            if (!picture) {
                state.SkipWithError("a frame did not decode");
                break;
            }
            cairo_set_source_surface(cr, picture.get(), 0, 0);
            cairo_paint(cr);
            ++frames;
        }
        cairo_surface_flush(target);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    state.counters["x_frame_rate"] = benchmark::Counter(double(frames) / 30.0, benchmark::Counter::kIsRate);
}
BENCHMARK(decodeAndDrawVideo640x480)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
