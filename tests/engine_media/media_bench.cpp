// Mixing 32 voices for one second (budget: 2% of a core, 20 ms) and decoding
// a 3-minute 128 kbit/s MP3 (budget: 2 s).
#include "media/decoded_sound.h"
#include "media/event_sound.h"
#include "media/mixer.h"

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

}  // namespace

BENCHMARK_MAIN();
