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

#include <moviehost/client/host_process.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1080;
constexpr std::size_t kPixelBytes = std::size_t{kWidth} * kHeight * 4;

// Time on a processor of every thread of a running process, in milliseconds:
// the scheduler's own exact sum per thread, rather than tick samples.
double ProcessCpuMs(pid_t pid) {
    double total = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        unsigned long long runNs = 0;
        if (schedstat >> runNs)
            total += static_cast<double>(runNs) / 1e6;
    }
    return total;
}

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void BM_HostAt1920x1080(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / ("moviehost-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "registry.reg")
        << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
        << "@=\"" << FAKE_CONTROL_MODULE_PATH << "\"\n";

    const auto frames = static_cast<int>(state.range(0));
    double wallMs = 0;
    double cpuMs = 0;
    for (auto _ : state) {
        moviehost::client::HostOptions options;
        options.program = MOVIEHOST_PATH;
        options.movie = "movie.swf";
        options.width = kWidth;
        options.height = kHeight;
        options.environment = {{"MOVIEHOST_REGISTRY", (folder / "registry.reg").string()}};
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
        const double cpuBefore = ProcessCpuMs(host->pid());
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) {
            if (!host->readMessage(frame).has_value()) {
                state.SkipWithError("the host ended early");
                break;
            }
        }
        const auto end = std::chrono::steady_clock::now();
        cpuMs += ProcessCpuMs(host->pid()) - cpuBefore;
        wallMs += std::chrono::duration<double, std::milli>(end - start).count();
        static_cast<void>(host->finish());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    const double total = static_cast<double>(frames) * static_cast<double>(state.iterations());
    state.counters["wall_ms_per_frame"] = wallMs / total;
    state.counters["host_cpu_ms_per_frame"] = cpuMs / total;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

void BM_ConvertAndWrite(benchmark::State& state) {
    std::vector<BYTE> bitmap(kPixelBytes, 0x5A);
    std::vector<BYTE> converted(kPixelBytes, 0);
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
        const double before = ThreadCpuMs();
        ConvertFrame(bitmap.data(), converted.data(), kWidth, kHeight);
        static_cast<void>(WriteFile(writer.get(), converted.data(), static_cast<DWORD>(kPixelBytes), nullptr, nullptr));
        cpuMs += ThreadCpuMs() - before;
    }
    writer.reset();
    drain.join();
    state.counters["cpu_ms_per_frame"] = cpuMs / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_HostAt1920x1080)->Arg(100)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertAndWrite)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
