// Text speed: laying out and drawing a wrapped field of 2,000 characters in
// runs of differing format with device fonts, and the HTML round trip of
// that content.
#include "../engine_render/render_fixture.h"
#include "render/renderer.h"

#include "model/edit_text_object.h"
#include "model/stage.h"
#include "text/html_text.h"

#include <benchmark/benchmark.h>

using namespace rendertest;

namespace {

// Sentences cycling through five formats, 2,000 characters in all.
text::FormattedText multiFormat() {
    const std::u32string words = U"The quick brown fox jumps over the lazy dog, again and again. ";
    text::FormattedText t;
    size_t n = 0;
    while (t.size() < 2000) {
        text::TextFormat f = text::defaultFormat();
        f.size = 200.0 + 40.0 * double(n % 5);
        f.bold = n % 2 == 0;
        f.italic = n % 3 == 0;
        f.color = uint32_t(0x101010 * (n % 7));
        f.font = n % 4 == 0 ? "_serif" : "_sans";
        t.append(words.substr(0, std::min(words.size(), 2000 - t.size())), f);
        ++n;
    }
    return t;
}

void layoutAndDraw(benchmark::State& state) {
    swf::EditText spec;
    spec.bounds = {0, 640 * 20, 0, 480 * 20};
    spec.wordWrap = true;
    spec.multiline = true;
    MovieBuilder b(swf::Rect{0, 640 * 20, 0, 480 * 20});
    b.add(1, spec);
    b.frame({place(1, 1)});
    auto stage = model::Stage::create(b.build());
    (void)stage->takePendingActions();
    auto* field = stage->root().displayList().at(1)->as<model::EditTextObject>();
    const text::FormattedText content = multiFormat();
    PixelBuffer buffer(640, 480);
    render::Renderer renderer;
    for (auto _ : state) {
        field->setDocument(content);  // laid out again on the draw
        benchmark::DoNotOptimize(renderer.draw(*stage, buffer.target(), render::Aspect::Opaque, render::Quality::High));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(content.size()));
}
BENCHMARK(layoutAndDraw)->Unit(benchmark::kMillisecond);

void htmlRoundTrip(benchmark::State& state) {
    const text::FormattedText content = multiFormat();
    for (auto _ : state) {
        const std::string html = text::writeHtml(content);
        benchmark::DoNotOptimize(text::parseHtml(html, text::defaultFormat()));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(content.size()));
}
BENCHMARK(htmlRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
