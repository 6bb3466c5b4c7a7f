// The host at 1920x1080 with a parent that reads as fast as it can: the frame
// rate it holds and the CPU it spends per frame, next to what converting and
// writing one frame cost on their own.
//
//   HostAt1920x1080      wall_ms_per_frame   should stay at the 30 ms tick
//                        host_cpu_ms_per_frame   the host's time on a processor,
//                                                all threads, per frame
//   ConvertAndWrite      cpu_ms_per_frame    conversion plus one write of the
//                                            pixels into a pipe that another
//                                            thread drains, this thread only
#include "pixel_conversion.h"

#include "platform/kernel.h"

#include "moviehost/testing/host_driver.h"

#include <moviehost/client/host_process.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t Width = 1920;
constexpr std::int32_t Height = 1080;
constexpr std::size_t PixelBytes = std::size_t{Width} * Height * 4;

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void BM_HostAt1920x1080(benchmark::State& state) {
    const moviehost::testing::HostWorkspace workspace;
    const auto frames = static_cast<int>(state.range(0));
    double wallMs = 0;
    double cpuMs = 0;
    for (auto _ : state) {
        moviehost::client::HostOptions options = workspace.options();
        options.width = Width;
        options.height = Height;
        // Without the call log: the bench is about the host, not the fake's file.
        options.environment.pop_back();
        auto host = moviehost::client::HostProcess::start(options);
        if (!host.has_value()) {
            state.SkipWithError(host.error().message.c_str());
            break;
        }
        moviehost::client::Frame frame;
        // The first frame carries the start-up; measure from it on.
        if (!host->readMessage(frame).has_value()) {
            state.SkipWithError("no first frame");
            break;
        }
        const double cpuBefore = moviehost::testing::processCpuMs(host->pid());
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) {
            if (!host->readMessage(frame).has_value()) {
                state.SkipWithError("the host ended early");
                break;
            }
        }
        const auto end = std::chrono::steady_clock::now();
        cpuMs += moviehost::testing::processCpuMs(host->pid()) - cpuBefore;
        wallMs += std::chrono::duration<double, std::milli>(end - start).count();
        static_cast<void>(host->finish());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    const double total = static_cast<double>(frames) * static_cast<double>(state.iterations());
    state.counters["wall_ms_per_frame"] = wallMs / total;
    state.counters["host_cpu_ms_per_frame"] = cpuMs / total;
}

void BM_ConvertAndWrite(benchmark::State& state) {
    std::vector<BYTE> bitmap(PixelBytes, 0x5A);
    std::vector<BYTE> converted(PixelBytes, 0);
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) {
        state.SkipWithError("no pipe");
        return;
    }
    platform::ScopedHandle reader(readEnd);
    platform::ScopedHandle writer(writeEnd);
    // The parent's part: read everything as fast as possible.
    std::thread drain([&] {
        std::vector<BYTE> chunk(1 << 20);
        DWORD got = 0;
        while (ReadFile(reader.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0) {
        }
    });
    double cpuMs = 0;
    for (auto _ : state) {
        const double before = threadCpuMs();
        ConvertFrame(bitmap.data(), converted.data(), Width, Height);
        static_cast<void>(WriteFile(writer.get(), converted.data(), static_cast<DWORD>(PixelBytes), nullptr, nullptr));
        cpuMs += threadCpuMs() - before;
    }
    writer.reset();
    drain.join();
    state.counters["cpu_ms_per_frame"] = cpuMs / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_HostAt1920x1080)->Arg(100)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertAndWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
