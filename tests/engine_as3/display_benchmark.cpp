// Frames of a movie that moves 5,000 script-made sprites every frame, each
// frame run and drawn at 640x480; and the pointer's hit test against them.
#include "as3/player.h"

#include "recording_host.h"

#include "render/renderer.h"
#include "swf/movie.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct Played {
    std::unique_ptr<model::Stage> stage;
    as3test::RecordingHost host;
    std::unique_ptr<as3::Player> player;
};

std::unique_ptr<Played> playSprites() {
#ifndef AS3_SPRITES_MOVIE
    return nullptr;  // haxe was not found at configuration time
#else
    auto movie = swf::parseMovieFile(AS3_SPRITES_MOVIE);
    if (!movie)
        return nullptr;
    auto played = std::make_unique<Played>();
    played->stage = model::Stage::create(*movie);
    played->player = as3::Player::create(*played->stage, played->host, u"file:///sprites.swf", {});
    played->player->start();
    return played;
#endif
}

void SpritesMovedAndDrawn(benchmark::State& state) {
    auto p = playSprites();
    if (!p || !p->host.errors.empty() || p->stage->root().displayList().size() != 5000) {
        const std::u16string why = p && !p->host.errors.empty() ? p->host.errors[0] : u"the movie did not load";
        state.SkipWithError(std::string(why.begin(), why.end()).c_str());
        return;
    }
    std::vector<uint32_t> pixels(640 * 480);
    render::Target target{reinterpret_cast<uint8_t*>(pixels.data()),
                          640,
                          480,
                          640 * 4,
                          render::RowOrder::TopDown,
                          {{0, 0, 640, 480}},
                          {0, 0, 640, 480}};
    render::Renderer renderer;
    for (auto _ : state) {
        p->player->tick();
        benchmark::DoNotOptimize(renderer.draw(*p->stage, target, render::Aspect::Opaque, render::Quality::High));
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(SpritesMovedAndDrawn)->Unit(benchmark::kMillisecond);

void PointerHitTest(benchmark::State& state) {
    auto p = playSprites();
    if (!p) {
        state.SkipWithError("the sprites movie did not start");
        return;
    }
    // The player's own pick of the target (the sprites' shapes, topmost
    // first), with the over/out events it sends.
    double x = 0;
    for (auto _ : state) {
        x = x >= 12000 ? 0 : x + 37;
        p->player->mouseMove({x, 4700});
    }
}
BENCHMARK(PointerHitTest)->Unit(benchmark::kMicrosecond);

}  // namespace
BENCHMARK_MAIN();
