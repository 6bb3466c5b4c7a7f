// The object table reached from two threads at once.
#include "gdi_test_support.h"

#include <atomic>
#include <thread>

namespace {

// Builds and tears down regions, brushes, bitmaps and contexts; counts every
// result that is not what a single thread would see.
int churn(int seed) {
    int wrong = 0;
    for (int i = 0; i < 500; ++i) {
        const int base = seed * 1000 + i;
        HRGN a = CreateRectRgn(base, 0, base + 10, 10);
        HRGN b = CreateRectRgn(base + 5, 5, base + 15, 15);
        RECT box{};
        if (CombineRgn(a, a, b, RGN_OR) != COMPLEXREGION || GetRgnBox(a, &box) != COMPLEXREGION || box.left != base ||
            box.right != base + 15 || box.bottom != 15)
            ++wrong;
        moviehost::testing::DibSurface surface(3, -2);
        HBRUSH brush = CreateSolidBrush(RGB(seed, 0, 0));
        HRGN all = CreateRectRgn(0, 0, 3, 2);
        if (!surface.ok() || FillRgn(surface.dc(), all, brush) != TRUE || surface.at(2, 1)[2] != seed)
            ++wrong;
        if (DeleteObject(a) != TRUE || DeleteObject(b) != TRUE || DeleteObject(all) != TRUE ||
            DeleteObject(brush) != TRUE)
            ++wrong;
        if (GetObjectType(a) != 0)
            ++wrong;
    }
    return wrong;
}

}  // namespace

TEST(GdiThreads, TwoThreadsShareTheTableSafely) {
    std::atomic<int> wrong{0};
    std::thread first([&] { wrong += churn(1); });
    std::thread second([&] { wrong += churn(2); });
    first.join();
    second.join();
    EXPECT_EQ(0, wrong.load());
}
