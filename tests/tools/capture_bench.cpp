// moviecapture end to end (the real host and our control, the pipe, the
// sink), as a user runs it, on examples/moving_gradient.swf:
//
//   Capture/raw|png|h264   at 640x480, 20 seconds of movie
//     movie_x              movie seconds captured per wall second
//                          (targets: raw >= 10, png >= 4, h264 >= 4)
//     cpu_x                movie seconds per processor second of moviecapture
//                          and the host together: the rate one core would hold
//   CaptureSound/audio|no_audio
//                          examples/sound.swf at 640x480, 20 seconds to MP4,
//                          with its sound (AAC) and with --no-audio
//     movie_x              as above (target: with sound within 10% of without)
//   CaptureSoundCost       five pairs of the two above, in turn
//     wall_ratio           median wall time with sound / without: the capture
//                          speed's loss (target: at most 1.10)
//     cpu_ratio            the same in processor time, the stricter measure
//                          on a busy machine; _min and _max its spread
//   Memory1080p            10,000 frames at 1920x1080 to H.264
//     capture_peak_mb      moviecapture's peak resident memory (VmHWM)
//     host_peak_mb         the host's                    (target: each < 300)
//     movie_x              as above
//
// Run one with --benchmark_filter=Capture/, =CaptureSound or =Memory; the memory run takes
// minutes.
#include "frame_rate.h"
#include "movie_probe.h"

#include "moviehost/testing/host_driver.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    bool ok = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // moviecapture and the host it reaped
    double capturePeakMb = 0;
    double hostPeakMb = 0;
};

// VmHWM of a process in MB, 0 when it is gone.
double peakMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream list(task.path() / "children");
        for (pid_t child = 0; list >> child;)
            children.push_back(child);
    }
    return children;
}

// Runs moviecapture with `arguments` (standard output and error to
// /dev/null), sampling the peak memory of it and of its host while it runs.
Run capture(const std::vector<std::string>& arguments, const fs::path& scratch) {
    std::vector<std::string> argv = {moviehost::testing::moviecapturePath().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers;
    for (auto& argument : argv)
        argvPointers.push_back(argument.data());
    argvPointers.push_back(nullptr);

    // No registry: the host loads our control from its own folder.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::string_view(*entry).rfind("MOVIEHOST_REGISTRY=", 0) != 0)
            environment.emplace_back(*entry);
    environment.push_back("MOVIEHOST_REGISTRY=" + (scratch / "none.reg").string());
    std::vector<char*> environmentPointers;
    for (auto& entry : environment)
        environmentPointers.push_back(entry.data());
    environmentPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Run run;
    pid_t pid = -1;
    const auto start = std::chrono::steady_clock::now();
    const int spawned =
        posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;

    // VmHWM only grows, so the last sample of each process is its peak
    // (short of what it grew in its final 100 ms).
    std::atomic<bool> done{false};
    std::map<pid_t, double> hostPeaks;
    double capturePeak = 0;
    std::thread sampler([&] {
        while (!done.load()) {
            capturePeak = std::max(capturePeak, peakMb(pid));
            for (const pid_t child : childrenOf(pid))
                hostPeaks[child] = std::max(hostPeaks[child], peakMb(child));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    sampler.join();

    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // The child's usage includes the host it waited for.
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.capturePeakMb = capturePeak;
    for (const auto& [child, peak] : hostPeaks)
        run.hostPeakMb = std::max(run.hostPeakMb, peak);
    return run;
}

fs::path movie() { return moviehost::testing::examplesFolder() / "moving_gradient.swf"; }

constexpr double MovieSeconds = 20;

void BM_Capture(benchmark::State& state, const std::string& output) {
    const moviehost::testing::TempDir scratch;
    for (auto _ : state) {
        std::vector<std::string> arguments = {movie().string(), "--size", "640x480", "--seconds",
                                              std::to_string(MovieSeconds)};
        if (output == "raw") {
            arguments.emplace_back("--raw");
        } else {
            arguments.emplace_back("--out");
            arguments.push_back((scratch / (output == "png" ? "frames" : "clip.mp4")).string());
        }
        const Run run = capture(arguments, scratch.path());
        if (!run.ok) {
            state.SkipWithError("moviecapture failed");
            return;
        }
        state.SetIterationTime(run.wallSeconds);
        state.counters["movie_x"] = MovieSeconds / run.wallSeconds;
        state.counters["cpu_x"] = MovieSeconds / run.cpuSeconds;
        fs::remove_all(scratch / "frames");
    }
}
BENCHMARK_CAPTURE(BM_Capture, raw, std::string("raw"))->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Capture, png, std::string("png"))->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Capture, h264, std::string("h264"))->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// examples/sound.swf at 640x480 to MP4, with its sound or without.
Run captureSound(const fs::path& scratch, bool audio) {
    std::vector<std::string> arguments = {(moviehost::testing::examplesFolder() / "sound.swf").string(),
                                          "--size",
                                          "640x480",
                                          "--seconds",
                                          std::to_string(MovieSeconds),
                                          "--out",
                                          (scratch / "clip.mp4").string()};
    if (!audio)
        arguments.emplace_back("--no-audio");
    return capture(arguments, scratch);
}

void BM_CaptureSound(benchmark::State& state, bool audio) {
    const moviehost::testing::TempDir scratch;
    for (auto _ : state) {
        const Run run = captureSound(scratch.path(), audio);
        if (!run.ok) {
            state.SkipWithError("moviecapture failed");
            return;
        }
        state.SetIterationTime(run.wallSeconds);
        state.counters["movie_x"] = MovieSeconds / run.wallSeconds;
        state.counters["cpu_x"] = MovieSeconds / run.cpuSeconds;
    }
}
BENCHMARK_CAPTURE(BM_CaptureSound, audio, true)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_CaptureSound, no_audio, false)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The sound's price in processor time: with and without it in turn, so a
// machine whose speed drifts moves both; the median of the pairs' ratios.
void BM_CaptureSoundCost(benchmark::State& state) {
    const moviehost::testing::TempDir scratch;
    constexpr int Pairs = 5;
    for (auto _ : state) {
        std::vector<double> ratios;
        std::vector<double> wallRatios;
        double wall = 0;
        for (int pair = 0; pair < Pairs; ++pair) {
            double cpu[2] = {};
            double wallOf[2] = {};
            for (const bool audio : {true, false}) {
                const Run run = captureSound(scratch.path(), audio);
                if (!run.ok) {
                    state.SkipWithError("moviecapture failed");
                    return;
                }
                cpu[audio ? 0 : 1] = run.cpuSeconds;
                wallOf[audio ? 0 : 1] = run.wallSeconds;
                wall += run.wallSeconds;
            }
            ratios.push_back(cpu[0] / cpu[1]);
            wallRatios.push_back(wallOf[0] / wallOf[1]);
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(wallRatios.begin(), wallRatios.end());
        state.counters["wall_ratio"] = wallRatios[Pairs / 2];
        state.SetIterationTime(wall);
        state.counters["cpu_ratio"] = ratios[Pairs / 2];
        state.counters["cpu_ratio_min"] = ratios.front();
        state.counters["cpu_ratio_max"] = ratios.back();
    }
}
BENCHMARK(BM_CaptureSoundCost)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_Memory1080p(benchmark::State& state) {
    const moviehost::testing::TempDir scratch;
    constexpr int Frames = 10'000;
    for (auto _ : state) {
        const Run run = capture({movie().string(), "--size", "1920x1080", "--frames", std::to_string(Frames), "--out",
                                 (scratch / "clip.mp4").string(), "--timeout", "60"},
                                scratch.path());
        if (!run.ok) {
            state.SkipWithError("moviecapture failed");
            return;
        }
        state.SetIterationTime(run.wallSeconds);
        state.counters["capture_peak_mb"] = run.capturePeakMb;
        state.counters["host_peak_mb"] = run.hostPeakMb;
        // The movie's own rate is the output rate: frames / rate is its length.
        const auto info = moviecapture::probeMovieFile(movie());
        const double rate = moviecapture::headerRate(info ? info->frameRate : 0).value();
        state.counters["movie_x"] = Frames / rate / run.wallSeconds;
    }
}
BENCHMARK(BM_Memory1080p)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
