// The renderer's benchmarks, through the control as the host reaches it:
// IViewObject::Draw into a bottom-up DIB section in a memory DC.
//   drawFullFrame      a scene of 300 shapes at 640 x 480, the whole surface
//   drawMovingObject   one small square moving by a pixel a frame; only its
//                      invalidated rectangles are drawn, clipped by a region
//                      selected into the DC as the host does. The counter
//                      partial_to_full is its cost over a full draw.
#include "control_harness.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

using namespace controltest;

namespace {

constexpr LONG kWidth = 640;
constexpr LONG kHeight = 480;
constexpr uint16_t MoverDepth = 1000;

// A few hundred shapes: solid and gradient rectangles, some turned, some
// outlined, and a small red square on top.
std::vector<uint8_t> busyMovie(int shapes) {
    swfwriter::MovieWriter movie({.width = kWidth, .height = kHeight, .frameRate = 30});
    movie.background({240, 240, 240});
    for (int i = 0; i < shapes; ++i) {
        const swfwriter::Color c{uint8_t(i * 37), uint8_t(i * 91), uint8_t(i * 53), uint8_t(128 + i % 128)};
        swfwriter::ShapeBuilder s;
        uint32_t fill = 0;
        if (i % 4 == 1) {
            const auto box = swfwriter::FillStyle::gradientBox(0, 0, 1600, 1200);
            const std::vector<swfwriter::GradientStop> stops = {{0, c},
                                                                {255, {uint8_t(255 - c.r), c.g, uint8_t(255 - c.b)}}};
            fill = s.addFill(i % 8 == 1 ? swfwriter::FillStyle::linear(box, stops)
                                        : swfwriter::FillStyle::radial(box, stops));
        } else {
            fill = s.addSolidFill(c);
        }
        s.setFill1(fill);
        if (i % 3 == 0)
            s.setLine(s.addLine(40, {0, 0, 0}));
        s.rectangle(0, 0, 1600, 1200);
        const uint16_t id = movie.defineShape(s, 3);
        const double angle = (i % 5 == 0) ? i * 0.1 : 0.0;
        const auto x = int32_t((i * 997) % (kWidth * 20 - 1600));
        const auto y = int32_t((i * 631) % (kHeight * 20 - 1200));
        movie.place(
            id, uint16_t(i + 1),
            {.matrix = swfwriter::Matrix{std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), x, y}});
    }
    const uint16_t mover = movie.rectangle(0, 0, 400, 400, {255, 0, 0});
    movie.place(mover, MoverDepth, {.matrix = swfwriter::Matrix::translate(6000, 4000)});
    movie.showFrame();
    // The square moves a pixel a frame, 150 frames, and the movie loops.
    for (int f = 1; f < 150; ++f) {
        movie.modify(MoverDepth, {.move = true, .matrix = swfwriter::Matrix::translate(6000 + 20 * f, 4000)});
        movie.showFrame();
    }
    return movie.finish();
}

// A control showing the busy movie, stopped, with its site. Files go to the
// system's temporary folder (there is no test folder here).
struct Bench {
    Bench() {
        control.activate(kWidth, kHeight);
        path = (std::filesystem::temp_directory_path() / "engine_control_bench_busy.swf").string();
        const std::vector<uint8_t> bytes = busyMovie(300);
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        ok = loadMovie(control.flash.get(), path) == S_OK && control.flash->StopPlay() == S_OK;
    }
    ~Bench() { std::filesystem::remove(path); }

    Control control;
    std::string path;
    bool ok = false;
};

double secondsPerFullDraw(const Bench& bench, const DibSurface& surface, int runs) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        (void)surface.draw(bench.control.view.get());
    return std::chrono::duration<double>(Clock::now() - start).count() / runs;
}

void drawFullFrame(benchmark::State& state) {
    Bench bench;
    if (!bench.ok) {
        state.SkipWithError("the movie did not load");
        return;
    }
    DibSurface surface(kWidth, kHeight, false);
    for (auto _ : state) {
        if (surface.draw(bench.control.view.get()) != S_OK)
            state.SkipWithError("Draw failed");
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(drawFullFrame)->Unit(benchmark::kMillisecond);

void drawMovingObject(benchmark::State& state) {
    Bench bench;
    if (!bench.ok) {
        state.SkipWithError("the movie did not load");
        return;
    }
    DibSurface surface(kWidth, kHeight, false);
    const double full = secondsPerFullDraw(bench, surface, 10);
    using Clock = std::chrono::steady_clock;
    double partial = 0.0;
    int64_t frames = 0;
    size_t rects = 0;
    for (auto _ : state) {
        // One step of the movie; the site collects what it invalidated.
        bench.control.site.clear();
        (void)bench.control.flash->Forward();
        if (bench.control.site.invalidations.empty())
            (void)bench.control.flash->Rewind();
        std::vector<RECT> clip;
        for (const auto& r : bench.control.site.invalidations)
            clip.push_back(r.value_or(RECT{0, 0, kWidth, kHeight}));
        rects += clip.size();
        surface.clip(clip);
        const auto start = Clock::now();
        (void)surface.draw(bench.control.view.get());
        partial += std::chrono::duration<double>(Clock::now() - start).count();
        ++frames;
    }
    state.counters["full_ms"] = full * 1000.0;
    state.counters["partial_to_full"] = frames > 0 ? partial / double(frames) / full : 0.0;
    state.counters["rects_per_frame"] = frames > 0 ? double(rects) / double(frames) : 0.0;
}
BENCHMARK(drawMovingObject)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
