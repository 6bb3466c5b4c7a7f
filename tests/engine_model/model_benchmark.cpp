// advance() plus collectChanges() for scenes of a few hundred shapes: every
// shape moving each tick, and a still scene (the cost of finding nothing).
#include "model/stage.h"

#include "swf/movie.h"

#include "movie_writer.h"

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<model::Stage> scene(int shapes, bool moving) {
    swfwriter::MovieWriter m;
    uint16_t square = m.rectangle(0, 0, 400, 400, {200, 40, 40});
    for (int i = 0; i < shapes; ++i) {
        swfwriter::Place p;
        p.matrix = swfwriter::Matrix::translate((i % 25) * 420, (i / 25) * 420);
        m.place(square, uint16_t(i + 1), p);
    }
    m.showFrame();
    for (int i = 0; i < shapes; ++i) {
        swfwriter::Place p;
        p.matrix = swfwriter::Matrix::translate((i % 25) * 420 + 100, (i / 25) * 420);
        m.modify(uint16_t(i + 1), p);
    }
    m.showFrame();
    auto parsed = swf::parseMovie(m.finish());
    if (!parsed.has_value())
        return nullptr;
    auto stage = model::Stage::create(parsed.value());
    if (!moving)
        stage->stop();
    (void)stage->collectChanges();
    return stage;
}

void advanceAndCollect(benchmark::State& state, bool moving) {
    auto stage = scene(int(state.range(0)), moving);
    if (!stage) {
        state.SkipWithError("the scene did not load");
        return;
    }
    size_t rects = 0;
    for (auto _ : state) {
        stage->advance();
        model::ChangeSet changes = stage->collectChanges();
        rects += changes.rects.size();
        (void)stage->takePendingActions();
        benchmark::DoNotOptimize(changes);
    }
    state.counters["rects/tick"] = benchmark::Counter(double(rects) / double(state.iterations()));
}

void allShapesMoving(benchmark::State& state) { advanceAndCollect(state, true); }
void stillScene(benchmark::State& state) { advanceAndCollect(state, false); }

BENCHMARK(allShapesMoving)->Arg(100)->Arg(300)->Arg(600);
BENCHMARK(stillScene)->Arg(300);

}  // namespace

BENCHMARK_MAIN();
