// The bulk pixel operations on a full-HD bitmap.
#include "bitmap/bitmap_data.h"

#include <benchmark/benchmark.h>

namespace {

using namespace bitmap;

BitmapData hd(bool transparent, uint32_t fill) {
    return std::move(BitmapData::create(1920, 1080, transparent, fill).value());
}

void fillRect(benchmark::State& state) {
    BitmapData b = hd(true, 0);
    for (auto _ : state) {
        b.fillRect(b.rect(), 0x80FF8040);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(fillRect);

void copyPixels(benchmark::State& state) {
    const bool merge = state.range(0) != 0;
    BitmapData source = hd(true, 0x80FF8040);
    BitmapData dest = hd(true, 0xFF000000);
    for (auto _ : state) {
        dest.copyPixels(source, source.rect(), {}, nullptr, {}, merge);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(copyPixels)->Arg(0)->Arg(1)->ArgName("mergeAlpha");

void threshold(benchmark::State& state) {
    BitmapData source = hd(true, 0);
    source.noise(1, 0, 255, channel::Red | channel::Green | channel::Blue | channel::Alpha);
    BitmapData dest = hd(true, 0);
    for (auto _ : state) {
        uint32_t n = dest.threshold(source, source.rect(), {}, ThresholdOperation::Greater, 0x80000000, 0xFFFF0000,
                                    0xFF000000, true);
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(threshold);

}  // namespace

BENCHMARK_MAIN();
