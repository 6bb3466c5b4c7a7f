// Speed of the two per-frame loops of drawing: the alpha pass over a full
// 1920 x 1080 surface, and building the union region of a dirty list.
#include "alpha_pass.h"
#include "union_region.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr LONG KWidth = 1920;
constexpr LONG KHeight = 1080;

void alphaPassFullHd(benchmark::State& state) {
    const std::size_t bytes = static_cast<std::size_t>(KWidth) * KHeight * 4;
    std::vector<BYTE> black(bytes);
    std::vector<BYTE> white(bytes);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < bytes; ++i) {
        black[i] = static_cast<BYTE>(random());
        white[i] = static_cast<BYTE>(random());
    }
    const RECT box = {0, 0, KWidth, KHeight};
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        moviehost::ComputeAlpha(black.data(), white.data(), KWidth, box);
        benchmark::DoNotOptimize(black.data());
        benchmark::ClobberMemory();
    }
    const auto elapsed = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    const double pixels = static_cast<double>(KWidth) * KHeight * static_cast<double>(state.iterations());
    char label[64];
    std::snprintf(label, sizeof label, "%.3f ns/pixel", elapsed / pixels);
    state.SetLabel(label);
    state.SetItemsProcessed(static_cast<std::int64_t>(pixels));
}
BENCHMARK(alphaPassFullHd)->Unit(benchmark::kMillisecond);

// Scattered rectangles of a dirty list as a movie's invalidations make them:
// small, overlapping now and then, all on the surface.
std::vector<RECT> dirtyList(std::size_t count) {
    std::mt19937 random(static_cast<std::mt19937::result_type>(count));
    std::uniform_int_distribution<LONG> x(0, KWidth - 200);
    std::uniform_int_distribution<LONG> y(0, KHeight - 200);
    std::uniform_int_distribution<LONG> size(8, 200);
    std::vector<RECT> rects;
    for (std::size_t i = 0; i < count; ++i) {
        const LONG left = x(random);
        const LONG top = y(random);
        rects.push_back(RECT{left, top, left + size(random), top + size(random)});
    }
    return rects;
}

void unionRegion(benchmark::State& state) {
    const std::vector<RECT> rects = dirtyList(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        platform::ScopedRegion region = moviehost::BuildUnionRegion(rects);
        benchmark::DoNotOptimize(region.get());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(unionRegion)->Arg(1)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
