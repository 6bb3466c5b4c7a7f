// Parser and geometry speed on movies of realistic size.
#include "swf/geometry.h"
#include "swf/movie.h"

#include "movie_writer.h"

#include <benchmark/benchmark.h>

namespace {

using namespace swfwriter;

std::vector<uint8_t> manyShapes(int count, Compression compression) {
    MovieWriter m({.compression = compression});
    for (int i = 0; i < count; ++i) {
        ShapeBuilder s;
        s.setFill1(s.addSolidFill({uint8_t(i), 100, 200})).setLine(s.addLine(20, {}));
        s.circle(1000, 1000, 200 + i % 50);
        s.rectangle(0, 0, 400, 300);
        m.place(m.defineShape(s), uint16_t(i + 1), {.matrix = Matrix::translate(i * 20, i * 10)});
    }
    m.showFrame();
    return m.finish();
}

void parseThreeHundredShapes(benchmark::State& state) {
    auto file = manyShapes(300, state.range(0) ? Compression::Zlib : Compression::None);
    for (auto _ : state) {
        auto movie = swf::parseMovie(file);
        benchmark::DoNotOptimize(movie.has_value());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(parseThreeHundredShapes)->Arg(0)->Arg(1);

void geometryOfAGridOfCircles(benchmark::State& state) {
    MovieWriter m;
    ShapeBuilder s;
    s.setFill1(s.addSolidFill({1, 2, 3}));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            s.circle(x * 500, y * 500, 200);
    uint16_t id = m.defineShape(s);
    auto movie = swf::parseMovie(m.finish());
    const swf::Shape* shape = movie.value()->characters.find<swf::Shape>(id);
    for (auto _ : state) {
        auto g = swf::buildGeometry(*shape);
        benchmark::DoNotOptimize(g.paths.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(shape->records.size()));
}
BENCHMARK(geometryOfAGridOfCircles);

}  // namespace

BENCHMARK_MAIN();
