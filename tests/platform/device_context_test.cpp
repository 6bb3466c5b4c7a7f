// Contexts: what a new one holds, selection rules, clip regions, and handles
// that are stale, forged or of the wrong kind.
#include "gdi_test_support.h"

#include <cstdint>

using moviehost::testing::rectsAre;
using platform::ScopedBitmap;
using platform::ScopedBrush;
using platform::ScopedMemoryDC;
using platform::ScopedRegion;

namespace {

ScopedBitmap makeDib(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return ScopedBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
}

template <typename Handle>
Handle forged(std::uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

}  // namespace

TEST(MemoryDC, StartsWithTheStockOneByOneMonochromeBitmap) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    EXPECT_EQ(DWORD{OBJ_MEMDC}, GetObjectType(dc.get()));
    HGDIOBJ bitmap = GetCurrentObject(dc.get(), OBJ_BITMAP);
    ASSERT_NE(nullptr, bitmap);
    BITMAP bm{};
    ASSERT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bitmap, sizeof bm, &bm));
    EXPECT_EQ(1, bm.bmWidth);
    EXPECT_EQ(1, bm.bmHeight);
    EXPECT_EQ(1, bm.bmBitsPixel);
    EXPECT_EQ(nullptr, bm.bmBits);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(dc.get(), OBJ_BRUSH));
}

TEST(MemoryDC, EveryNewContextSharesTheStockBitmap) {
    ScopedMemoryDC a(CreateCompatibleDC(nullptr));
    ScopedMemoryDC b(CreateCompatibleDC(a.get()));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(GetCurrentObject(a.get(), OBJ_BITMAP), GetCurrentObject(b.get(), OBJ_BITMAP));
}

TEST(MemoryDC, SelectObjectReturnsThePreviousBitmap) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedBitmap first = makeDib(4, 4);
    ScopedBitmap second = makeDib(4, 4);
    HGDIOBJ stock = GetCurrentObject(dc.get(), OBJ_BITMAP);
    EXPECT_EQ(stock, SelectObject(dc.get(), first.get()));
    EXPECT_EQ(first.get(), SelectObject(dc.get(), second.get()));
    EXPECT_EQ(second.get(), GetCurrentObject(dc.get(), OBJ_BITMAP));
    EXPECT_EQ(second.get(), SelectObject(dc.get(), second.get())) << "selecting it again returns itself";
    EXPECT_EQ(second.get(), SelectObject(dc.get(), stock));
}

TEST(MemoryDC, ABitmapLivesInOneContextAtATime) {
    ScopedMemoryDC a(CreateCompatibleDC(nullptr));
    ScopedMemoryDC b(CreateCompatibleDC(nullptr));
    ScopedBitmap bitmap = makeDib(4, 4);
    HGDIOBJ stock = SelectObject(a.get(), bitmap.get());
    ASSERT_NE(nullptr, stock);
    EXPECT_EQ(nullptr, SelectObject(b.get(), bitmap.get())) << "already selected into another context";
    EXPECT_EQ(stock, GetCurrentObject(b.get(), OBJ_BITMAP)) << "the refused context keeps its bitmap";
    SelectObject(a.get(), stock);
    EXPECT_EQ(stock, SelectObject(b.get(), bitmap.get())) << "free again once the first context let go";
    SelectObject(b.get(), stock);
}

TEST(MemoryDC, DeleteObjectRefusesASelectedBitmap) {
    ScopedBitmap bitmap = makeDib(4, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, SelectObject(dc, bitmap.get()));
    EXPECT_EQ(FALSE, DeleteObject(bitmap.get()));
    EXPECT_EQ(DWORD{OBJ_BITMAP}, GetObjectType(bitmap.get())) << "the bitmap survives";
    EXPECT_EQ(TRUE, DeleteDC(dc));
    EXPECT_EQ(TRUE, DeleteObject(bitmap.release())) << "deleting the context let go of it";
}

TEST(MemoryDC, DeleteObjectRefusesASelectedBrush) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ previous = SelectObject(dc.get(), brush);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), previous);
    EXPECT_EQ(FALSE, DeleteObject(brush));
    EXPECT_EQ(brush, SelectObject(dc.get(), previous));
    EXPECT_EQ(TRUE, DeleteObject(brush));
}

TEST(MemoryDC, StockObjectsSurviveDeleteObject) {
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    ASSERT_NE(nullptr, black);
    EXPECT_EQ(TRUE, DeleteObject(black));
    EXPECT_EQ(DWORD{OBJ_BRUSH}, GetObjectType(black));
    LOGBRUSH lb{};
    ASSERT_EQ(static_cast<int>(sizeof lb), GetObjectW(black, sizeof lb, &lb));
    EXPECT_EQ(UINT{BS_SOLID}, lb.lbStyle);
    EXPECT_EQ(COLORREF{0}, lb.lbColor);
    EXPECT_EQ(nullptr, GetStockObject(6)) << "no stock object past NULL_BRUSH";
    EXPECT_EQ(nullptr, GetStockObject(-1));
}

TEST(MemoryDC, DeleteDCTwiceFailsTheSecondTime) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(TRUE, DeleteDC(dc));
    EXPECT_EQ(FALSE, DeleteDC(dc));
    EXPECT_EQ(nullptr, SelectObject(dc, GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(nullptr, GetCurrentObject(dc, OBJ_BITMAP));
    EXPECT_EQ(0u, GetObjectType(dc));
}

TEST(WindowDC, DesktopContextComesAndGoesThroughGetDCAndReleaseDC) {
    HWND desktop = GetDesktopWindow();
    ASSERT_NE(nullptr, desktop);
    HDC dc = GetDC(desktop);
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(DWORD{OBJ_DC}, GetObjectType(dc));
    EXPECT_EQ(desktop, WindowFromDC(dc));
    EXPECT_EQ(FALSE, DeleteDC(dc)) << "window contexts go back through ReleaseDC";
    EXPECT_EQ(1, ReleaseDC(desktop, dc));
    EXPECT_EQ(0, ReleaseDC(desktop, dc)) << "already released";
}

TEST(WindowDC, NullWindowMeansTheDesktop) {
    HDC dc = GetDC(nullptr);
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(GetDesktopWindow(), WindowFromDC(dc));
    EXPECT_EQ(1, ReleaseDC(nullptr, dc));
}

TEST(WindowDC, UnknownWindowsAndMemoryContextsAreRefused) {
    EXPECT_EQ(nullptr, GetDC(forged<HWND>(0x4242)));
    ScopedMemoryDC memory(CreateCompatibleDC(nullptr));
    EXPECT_EQ(0, ReleaseDC(nullptr, memory.get()));
    EXPECT_EQ(nullptr, WindowFromDC(memory.get()));
}

TEST(WindowDC, NoBitmapCanBeSelectedIntoIt) {
    platform::ScopedWindowDC screen(GetDC(GetDesktopWindow()));
    ScopedBitmap bitmap = makeDib(2, 2);
    EXPECT_EQ(nullptr, SelectObject(screen.get(), bitmap.get()));
    ScopedMemoryDC memory(CreateCompatibleDC(screen.get()));
    EXPECT_TRUE(memory) << "a memory context compatible with the screen";
}

TEST(ClipRegion, NoneUntilOneIsSelected) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedRegion out(CreateRectRgn(7, 7, 8, 8));
    EXPECT_EQ(0, GetClipRgn(dc.get(), out.get()));
    EXPECT_TRUE(rectsAre(out.get(), {{7, 7, 8, 8}})) << "untouched without a clip";
}

TEST(ClipRegion, SelectClipRgnTakesACopy) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedRegion clip(CreateRectRgn(0, 0, 10, 10));
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(dc.get(), clip.get()));
    ASSERT_EQ(TRUE, SetRectRgn(clip.get(), 50, 50, 60, 60));
    ScopedRegion out(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(1, GetClipRgn(dc.get(), out.get()));
    EXPECT_TRUE(rectsAre(out.get(), {{0, 0, 10, 10}})) << "later changes to the source do not reach the clip";
    clip.reset();
    EXPECT_EQ(1, GetClipRgn(dc.get(), out.get())) << "the source may be deleted";
}

TEST(ClipRegion, NullRemovesTheClip) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedRegion clip(CreateRectRgn(0, 0, 10, 10));
    ASSERT_EQ(SIMPLEREGION, SelectClipRgn(dc.get(), clip.get()));
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(dc.get(), nullptr));
    EXPECT_EQ(0, GetClipRgn(dc.get(), clip.get()));
}

TEST(ClipRegion, SelectObjectWithARegionSetsTheClipAndReturnsItsType) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedRegion a(CreateRectRgn(0, 0, 10, 10));
    ScopedRegion b(CreateRectRgn(20, 0, 30, 10));
    ASSERT_EQ(COMPLEXREGION, CombineRgn(b.get(), a.get(), b.get(), RGN_OR));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SIMPLEREGION), SelectObject(dc.get(), a.get()));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(COMPLEXREGION), SelectObject(dc.get(), b.get()));
    ScopedRegion out(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(1, GetClipRgn(dc.get(), out.get()));
    EXPECT_TRUE(rectsAre(out.get(), {{0, 0, 10, 10}, {20, 0, 30, 10}}));
    EXPECT_EQ(TRUE, DeleteObject(b.release())) << "a region is copied, never held";
    EXPECT_EQ(HGDI_ERROR, SelectObject(forged<HDC>(0x777), a.get()));
}

TEST(ClipRegion, BadHandles) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedRegion region(CreateRectRgn(0, 0, 1, 1));
    EXPECT_EQ(-1, GetClipRgn(nullptr, region.get()));
    EXPECT_EQ(-1, GetClipRgn(dc.get(), nullptr));
    EXPECT_EQ(ERROR, SelectClipRgn(nullptr, region.get()));
    EXPECT_EQ(ERROR, SelectClipRgn(dc.get(), forged<HRGN>(0x10001)));
}

TEST(Handles, StaleHandlesFailHarmlessly) {
    HRGN region = CreateRectRgn(0, 0, 10, 10);
    ASSERT_EQ(TRUE, DeleteObject(region));
    RECT box{};
    EXPECT_EQ(ERROR, GetRgnBox(region, &box));
    EXPECT_EQ(ERROR, CombineRgn(region, region, region, RGN_OR));
    EXPECT_EQ(FALSE, DeleteObject(region)) << "second delete";
    EXPECT_EQ(0u, GetObjectType(region));

    ScopedBitmap bitmap = makeDib(2, 2);
    const HBITMAP stale = bitmap.get();
    bitmap.reset();
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    EXPECT_EQ(nullptr, SelectObject(dc.get(), stale));
    DIBSECTION ds{};
    EXPECT_EQ(0, GetObjectW(stale, sizeof ds, &ds));
}

TEST(Handles, AReusedSlotDoesNotReviveAStaleHandle) {
    HRGN first = CreateRectRgn(0, 0, 1, 1);
    ASSERT_EQ(TRUE, DeleteObject(first));
    for (int i = 0; i < 100; ++i) {
        ScopedRegion next(CreateRectRgn(0, 0, 2, 2));
        ASSERT_TRUE(next);
        ASSERT_NE(first, next.get());
        ASSERT_EQ(0u, GetObjectType(first));
    }
}

TEST(Handles, ForgedHandlesFailHarmlessly) {
    for (std::uintptr_t value : {std::uintptr_t{1}, std::uintptr_t{0xFFFF}, std::uintptr_t{0x8000FFFF},
                                 std::uintptr_t{0xDEADBEEF}, ~std::uintptr_t{0}}) {
        RECT box{};
        EXPECT_EQ(ERROR, GetRgnBox(forged<HRGN>(value), &box)) << value;
        EXPECT_EQ(FALSE, DeleteObject(forged<HGDIOBJ>(value))) << value;
        EXPECT_EQ(FALSE, DeleteDC(forged<HDC>(value))) << value;
        EXPECT_EQ(0u, GetObjectType(forged<HGDIOBJ>(value))) << value;
        EXPECT_EQ(nullptr, CreateCompatibleDC(forged<HDC>(value))) << value;
    }
}

TEST(Handles, WrongKindIsRefused) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    ScopedRegion region(CreateRectRgn(0, 0, 5, 5));
    RECT box{};
    EXPECT_EQ(ERROR, GetRgnBox(reinterpret_cast<HRGN>(brush.get()), &box)) << "brush as region";
    EXPECT_EQ(FALSE, FillRgn(reinterpret_cast<HDC>(region.get()), region.get(), brush.get())) << "region as context";
    EXPECT_EQ(FALSE, FillRgn(dc.get(), region.get(), reinterpret_cast<HBRUSH>(region.get()))) << "region as brush";
    EXPECT_EQ(FALSE, DeleteDC(reinterpret_cast<HDC>(brush.get()))) << "brush as context";
    EXPECT_EQ(FALSE, DeleteObject(dc.get())) << "contexts go through DeleteDC";
    EXPECT_EQ(nullptr, SelectObject(dc.get(), dc.get())) << "a context is not selectable";
    EXPECT_EQ(0, GetObjectW(region.get(), 100, &box)) << "regions have no description";
}

TEST(Brush, GetObjectDescribesTheSolidColour) {
    ScopedBrush brush(CreateSolidBrush(RGB(0x11, 0x22, 0x33)));
    LOGBRUSH lb{};
    ASSERT_EQ(static_cast<int>(sizeof lb), GetObjectW(brush.get(), sizeof lb, &lb));
    EXPECT_EQ(UINT{BS_SOLID}, lb.lbStyle);
    EXPECT_EQ(COLORREF{0x00332211}, lb.lbColor);
    EXPECT_EQ(DWORD{OBJ_BRUSH}, GetObjectType(brush.get()));
}
