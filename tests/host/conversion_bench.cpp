// The per-tick conversion at 1920x1080 against a plain memcpy of the same
// bytes. Each iteration times a memcpy and a conversion back to back and the
// ratio is taken pair by pair, so that a machine whose speed drifts (other
// work on the cores, the memory bus) moves both alike; the median pair ratio
// is reported as the counter x_memcpy.
#include "pixel_conversion.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t KWidth = 1920;
constexpr std::size_t KHeight = 1080;
constexpr std::size_t KBytes = KWidth * KHeight * 4;

struct Buffers {
    std::vector<BYTE> source = std::vector<BYTE>(KBytes);
    std::vector<BYTE> destination = std::vector<BYTE>(KBytes);
    Buffers() {
        for (std::size_t i = 0; i < KBytes; ++i)
            source[i] = static_cast<BYTE>(i * 131 + (i >> 11));
        std::memset(destination.data(), 1, KBytes);  // touch every page before timing
    }
};

Buffers& sharedBuffers() {
    static Buffers buffers;
    return buffers;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

void BM_ConvertVsMemcpy(benchmark::State& state, pixel_conversion::RowConverter convert) {
    using Clock = std::chrono::steady_clock;
    Buffers& b = sharedBuffers();
    std::vector<double> copyMs;
    std::vector<double> convertMs;
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::memcpy(b.destination.data(), b.source.data(), KBytes);
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        ConvertFrameWith(convert, b.source.data(), b.destination.data(), KWidth, KHeight);
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        const double copy = std::chrono::duration<double, std::milli>(t1 - t0).count();
        const double conversion = std::chrono::duration<double, std::milli>(t2 - t1).count();
        state.SetIterationTime(conversion / 1000.0);
        copyMs.push_back(copy);
        convertMs.push_back(conversion);
        ratios.push_back(conversion / copy);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * KBytes));
    state.counters["memcpy_ms"] = median(copyMs);
    state.counters["convert_ms"] = median(convertMs);
    state.counters["x_memcpy"] = median(ratios);
}

}  // namespace

int main(int argc, char** argv) {
    for (const auto& variant : pixel_conversion::AvailableVariants()) {
        const bool selected = variant.convert == pixel_conversion::SelectedVariant().convert;
        const std::string name = std::string("ConvertVsMemcpy_1920x1080/") + variant.name + (selected ? "(host)" : "");
        benchmark::RegisterBenchmark(name.c_str(), BM_ConvertVsMemcpy, variant.convert)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->MinTime(0.5);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
