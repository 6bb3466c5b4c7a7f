// Renderer speed: full redraws of a busy 640x480 scene, and the partial
// redraw of one small moving object against a full redraw of the same frame.
#include "render/renderer.h"
#include "render_fixture.h"

#include "model/stage.h"
#include "model/transform.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

using namespace rendertest;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr uint16_t Mover = 1000;  // depth and id of the moving object

// A few hundred shapes: rectangles, rotated ones, gradients, outlines, and
// one small square on top that moves.
std::unique_ptr<model::Stage> busyStage(int shapes) {
    MovieBuilder b({0, kWidth * 20, 0, kHeight * 20}, {240, 240, 240, 255});
    std::vector<swf::ControlTag> tags;
    for (int i = 0; i < shapes; ++i) {
        const auto id = uint16_t(i + 1);
        const swf::Rgba c{uint8_t(i * 37), uint8_t(i * 91), uint8_t(i * 53), uint8_t(128 + i % 128)};
        swf::Shape s;
        if (i % 4 == 1) {
            swf::FillStyle g;
            g.kind = i % 8 == 1 ? swf::FillKind::LinearGradient : swf::FillKind::RadialGradient;
            g.gradient.stops = {{0, c}, {255, {uint8_t(255 - c.r), c.g, uint8_t(255 - c.b), 255}}};
            g.matrix = {0.05, 0.0, 0.0, 0.05, 800.0, 600.0};
            s = rectShape({0, 1600, 0, 1200}, g);
        } else {
            s = rectShape({0, 1600, 0, 1200}, solid(c));
        }
        if (i % 3 == 0) {
            swf::LineStyle line;
            line.width = 40;
            line.color = {0, 0, 0, 255};
            s.lineStyles.push_back(line);
            auto& first = std::get<swf::StyleChange>(s.records.front());
            first.hasLine = true;
            first.line = 1;
        }
        b.add(id, s);
        const double angle = (i % 5 == 0) ? i * 0.1 : 0.0;
        const double x = (i * 997) % (kWidth * 20 - 1600);
        const double y = (i * 631) % (kHeight * 20 - 1200);
        tags.push_back(place(id, id, {std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), x, y}));
    }
    b.add(Mover, rectShape({0, 400, 0, 400}, solid({255, 0, 0, 255})));
    tags.push_back(place(Mover, Mover, swf::Matrix::translation(6000, 4000)));
    b.frame(tags);
    auto stage = model::Stage::create(b.build());
    (void)stage->takePendingActions();
    return stage;
}

void fullRedraw(benchmark::State& state) {
    auto stage = busyStage(int(state.range(0)));
    PixelBuffer buffer(kWidth, kHeight, render::RowOrder::BottomUp);
    const render::Target target = buffer.target();
    render::Renderer renderer;
    for (auto _ : state) {
        if (renderer.draw(*stage, target, render::Aspect::Opaque, render::Quality::High) != render::DrawError::None)
            state.SkipWithError("draw failed");
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(fullRedraw)->Arg(300)->Unit(benchmark::kMillisecond);

void fullRedrawLowQuality(benchmark::State& state) {
    auto stage = busyStage(int(state.range(0)));
    PixelBuffer buffer(kWidth, kHeight, render::RowOrder::BottomUp);
    render::Renderer renderer;
    for (auto _ : state)
        (void)renderer.draw(*stage, buffer.target(), render::Aspect::Opaque, render::Quality::Low);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(fullRedrawLowQuality)->Arg(300)->Unit(benchmark::kMillisecond);

// Moves the small square by a pixel per frame and redraws only its old and
// new area, as the host's dirty-region drawing does. The counter
// "partial_to_full" is the cost of that redraw over a full redraw.
void partialRedrawOfAMovingObject(benchmark::State& state) {
    auto stage = busyStage(int(state.range(0)));
    PixelBuffer buffer(kWidth, kHeight, render::RowOrder::BottomUp);
    render::Renderer renderer;
    const render::PixelRect surface{0, 0, kWidth, kHeight};
    const render::StageMapping mapping = render::showAll(stage->stageRect(), surface);

    using Clock = std::chrono::steady_clock;
    constexpr int FullRuns = 20;
    const auto fullStart = Clock::now();
    for (int i = 0; i < FullRuns; ++i)
        (void)renderer.draw(*stage, buffer.target(), render::Aspect::Opaque, render::Quality::High);
    const double fullSeconds = std::chrono::duration<double>(Clock::now() - fullStart).count() / FullRuns;

    model::DisplayObject* mover = stage->root().displayList().at(Mover);
    double x = 6000;
    int64_t frames = 0;
    const auto partialStart = Clock::now();
    for (auto _ : state) {
        const render::PixelRect before = render::toPixels(model::coveringRect(mover->stageBounds()), mapping, surface);
        x = x >= 9000 ? 6000 : x + 20;
        mover->setMatrix(swf::Matrix::translation(x, 4000));
        const render::PixelRect after = render::toPixels(model::coveringRect(mover->stageBounds()), mapping, surface);
        const render::Target target = buffer.target({before, after}, surface);
        (void)renderer.draw(*stage, target, render::Aspect::Opaque, render::Quality::High);
        ++frames;
    }
    const double partialSeconds = std::chrono::duration<double>(Clock::now() - partialStart).count() / double(frames);
    state.counters["full_ms"] = fullSeconds * 1000.0;
    state.counters["partial_to_full"] = partialSeconds / fullSeconds;
}
BENCHMARK(partialRedrawOfAMovingObject)->Arg(300)->Unit(benchmark::kMicrosecond);

// A script drawing of 1,000 segments (a filled chart under its outline),
// redrawn from scratch every frame and painted over the whole 640x480 surface.
void scriptedDrawingPerFrame(benchmark::State& state) {
    MovieBuilder b({0, kWidth * 20, 0, kHeight * 20}, {240, 240, 240, 255});
    b.frame({});
    auto stage = model::Stage::create(b.build());
    PixelBuffer buffer(kWidth, kHeight, render::RowOrder::BottomUp);
    render::Renderer renderer;
    model::Drawing& d = stage->root().drawing();
    int frame = 0;
    for (auto _ : state) {
        d.clear();
        swf::LineStyle line;
        line.width = 40;
        line.color = {0, 0, 0, 255};
        d.lineStyle(line);
        swf::FillStyle fill;
        fill.color = {200, 40, 40, 255};
        d.moveTo(0, kHeight * 20);
        d.beginFill(fill);
        for (int i = 0; i < 998; ++i) {
            const double t = (i + frame) * 0.05;
            d.lineTo(i * kWidth * 20.0 / 998, (240 + 200 * std::sin(t) * std::cos(t * 0.13)) * 20);
        }
        d.lineTo(kWidth * 20, kHeight * 20);
        d.endFill();
        ++frame;
        (void)renderer.draw(*stage, buffer.target(), render::Aspect::Opaque, render::Quality::High);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(scriptedDrawingPerFrame)->Unit(benchmark::kMillisecond);

// A still clip with three filters moved by a pixel each frame, against
// blitting a surface of its cached layer's size. "to_blit" is the ratio.
void movedFilteredClip(benchmark::State& state) {
    MovieBuilder b({0, kWidth * 20, 0, kHeight * 20}, {240, 240, 240, 255});
    b.frame({});
    auto stage = model::Stage::create(b.build());
    auto clip = stage->root().createEmptyClip(16385, "c");
    swf::FillStyle fill;
    fill.color = {40, 120, 200, 255};
    clip->drawing().beginFill(fill);
    clip->drawing().lineTo(4000, 0);
    clip->drawing().lineTo(4000, 3000);
    clip->drawing().lineTo(0, 3000);
    clip->drawing().endFill();
    swf::Filter blur;
    blur.blurX = blur.blurY = 8;
    blur.passes = 2;
    swf::Filter glow = blur;
    glow.kind = swf::FilterKind::Glow;
    glow.color = {255, 255, 0, 255};
    glow.strength = 2;
    glow.compositeSource = true;
    swf::Filter shadow = glow;
    shadow.kind = swf::FilterKind::DropShadow;
    shadow.distance = 6;
    shadow.angle = 0.7;
    clip->setOwnFilters({glow, shadow, blur});
    PixelBuffer buffer(kWidth, kHeight, render::RowOrder::BottomUp);
    render::Renderer renderer;
    const render::PixelRect surface{0, 0, kWidth, kHeight};
    const render::StageMapping mapping = render::showAll(stage->stageRect(), surface);
    (void)renderer.draw(*stage, buffer.target(), render::Aspect::Opaque, render::Quality::High);

    // The blit alone: a surface of the same size composed onto the target.
    using Clock = std::chrono::steady_clock;
    const render::PixelRect box = render::toPixels(model::coveringRect(clip->stageBounds()), mapping, surface);
    cairo_surface_t* layer =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, box.right - box.left + 60, box.bottom - box.top + 60);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    {
        // A fresh surface is known to be clear, and cairo skips painting it.
        cairo_t* fill = cairo_create(layer);
        cairo_set_source_rgba(fill, 0.2, 0.4, 0.6, 0.8);
        cairo_paint(fill);
        cairo_destroy(fill);
    }
    cairo_t* cr = cairo_create(target);
    constexpr int BlitRuns = 200;
    const auto blitStart = Clock::now();
    for (int i = 0; i < BlitRuns; ++i) {
        cairo_set_source_surface(cr, layer, i % 50, 10);
        cairo_paint(cr);
    }
    cairo_surface_flush(target);
    const double blitSeconds = std::chrono::duration<double>(Clock::now() - blitStart).count() / BlitRuns;
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    cairo_surface_destroy(layer);

    double x = 0;
    int64_t frames = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        const render::PixelRect before = render::toPixels(model::coveringRect(clip->stageBounds()), mapping, surface);
        x = x >= 4000 ? 0 : x + 20;
        clip->setMatrix(swf::Matrix::translation(x, 2000));
        const render::PixelRect after = render::toPixels(model::coveringRect(clip->stageBounds()), mapping, surface);
        // The old and new place, grown by what the filters reach.
        auto grow = [&surface](render::PixelRect r) {
            return render::PixelRect{std::max(r.left - 40, 0), std::max(r.top - 40, 0),
                                     std::min(r.right + 40, surface.right), std::min(r.bottom + 40, surface.bottom)};
        };
        (void)renderer.draw(*stage, buffer.target({grow(before), grow(after)}, surface), render::Aspect::Opaque,
                            render::Quality::High);
        ++frames;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count() / double(frames);
    state.counters["layer_hits"] = double(renderer.layerHits());
    state.counters["blit_us"] = blitSeconds * 1e6;
    state.counters["to_blit"] = seconds / blitSeconds;
}
BENCHMARK(movedFilteredClip)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
