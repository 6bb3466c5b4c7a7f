// Region union as the frame drawing builds it, and full-surface fill and blit.
#include "platform/gdi.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<RECT> dirtyRects(int count) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> x(0, 1800);
    std::uniform_int_distribution<int> y(0, 1000);
    std::uniform_int_distribution<int> size(4, 120);
    std::vector<RECT> rects;
    for (int i = 0; i < count; ++i) {
        const int l = x(random);
        const int t = y(random);
        rects.push_back(RECT{l, t, l + size(random), t + size(random)});
    }
    return rects;
}

// One region from the first rectangle, then a scratch region and a new union per further one.
void BM_UnionOfDirtyRects(benchmark::State& state) {
    const std::vector<RECT> rects = dirtyRects(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        HRGN current = CreateRectRgnIndirect(&rects[0]);
        HRGN scratch = CreateRectRgn(0, 0, 0, 0);
        for (std::size_t i = 1; i < rects.size(); ++i) {
            SetRectRgn(scratch, rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
            HRGN next = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(next, current, scratch, RGN_OR);
            DeleteObject(current);
            current = next;
        }
        RECT box{};
        benchmark::DoNotOptimize(GetRgnBox(current, &box));
        DeleteObject(scratch);
        DeleteObject(current);
    }
}
BENCHMARK(BM_UnionOfDirtyRects)->Arg(1)->Arg(10)->Arg(100)->Arg(300);

struct FullHd {
    FullHd(LONG height) {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1920, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        stock = SelectObject(dc, bitmap);
    }
    ~FullHd() {
        SelectObject(dc, stock);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ stock = nullptr;
};

void BM_FillRgnFullSurface(benchmark::State& state) {
    FullHd surface(1080);
    HRGN all = CreateRectRgn(0, 0, 1920, 1080);
    SelectClipRgn(surface.dc, all);
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    for (auto _ : state)
        benchmark::DoNotOptimize(FillRgn(surface.dc, all, brush));
    DeleteObject(brush);
    DeleteObject(all);
}
BENCHMARK(BM_FillRgnFullSurface);

void BM_BitBltFullSurfaceTopDownToBottomUp(benchmark::State& state) {
    FullHd src(-1080);
    FullHd dst(1080);
    for (auto _ : state)
        benchmark::DoNotOptimize(BitBlt(dst.dc, 0, 0, 1920, 1080, src.dc, 0, 0, SRCCOPY));
}
BENCHMARK(BM_BitBltFullSurfaceTopDownToBottomUp);

}  // namespace

BENCHMARK_MAIN();
