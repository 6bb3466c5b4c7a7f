// The owning wrappers free exactly once; the scoped selection restores.
#include "gdi_test_support.h"

#include <utility>

using platform::ScopedBitmap;
using platform::ScopedBrush;
using platform::ScopedMemoryDC;
using platform::ScopedRegion;
using platform::ScopedSelectObject;
using platform::ScopedWindowDC;

namespace {

bool alive(HGDIOBJ object) { return GetObjectType(object) != 0; }

}  // namespace

TEST(ScopedGdi, EachWrapperFreesItsObjectOnScopeExit) {
    HRGN region = nullptr;
    HBRUSH brush = nullptr;
    HDC memory = nullptr;
    HDC window = nullptr;
    {
        ScopedRegion r(CreateRectRgn(0, 0, 1, 1));
        ScopedBrush b(CreateSolidBrush(0));
        ScopedMemoryDC m(CreateCompatibleDC(nullptr));
        ScopedWindowDC w(GetDC(GetDesktopWindow()));
        region = r.get();
        brush = b.get();
        memory = m.get();
        window = w.get();
        ASSERT_TRUE(alive(region) && alive(brush) && alive(memory) && alive(window));
    }
    EXPECT_FALSE(alive(region));
    EXPECT_FALSE(alive(brush));
    EXPECT_FALSE(alive(memory)) << "DeleteDC";
    EXPECT_FALSE(alive(window)) << "ReleaseDC";
}

TEST(ScopedGdi, MoveTransfersOwnershipAndFreesOnce) {
    ScopedRegion target;
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    {
        ScopedRegion source(region);
        target = std::move(source);
        EXPECT_FALSE(source) << "moved-from wrapper is empty";
    }
    EXPECT_TRUE(alive(region)) << "the moved-from wrapper freed nothing";
    ScopedRegion constructed(std::move(target));
    EXPECT_FALSE(target);
    EXPECT_EQ(region, constructed.get());
    constructed.reset();
    EXPECT_FALSE(alive(region));
}

TEST(ScopedGdi, ResetFreesTheOldAndReleaseGivesUp) {
    HRGN first = CreateRectRgn(0, 0, 1, 1);
    HRGN second = CreateRectRgn(0, 0, 2, 2);
    ScopedRegion r(first);
    r.reset(second);
    EXPECT_FALSE(alive(first));
    EXPECT_TRUE(alive(second));
    HRGN released = r.release();
    EXPECT_EQ(second, released);
    EXPECT_FALSE(r);
    EXPECT_TRUE(alive(second)) << "released, not freed";
    EXPECT_EQ(TRUE, DeleteObject(released));
}

TEST(ScopedGdi, SelectionPutsThePreviousBitmapBack) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ stock = GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
        ScopedSelectObject selection(dc.get(), bitmap.get());
        EXPECT_TRUE(selection.selected());
        EXPECT_EQ(bitmap.get(), GetCurrentObject(dc.get(), OBJ_BITMAP));
        EXPECT_EQ(FALSE, DeleteObject(bitmap.get())) << "still selected";
    }
    EXPECT_EQ(stock, GetCurrentObject(dc.get(), OBJ_BITMAP));
    EXPECT_EQ(TRUE, DeleteObject(bitmap.release())) << "free once the selection ended";
}

TEST(ScopedGdi, RefusedSelectionRestoresNothing) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
    ScopedMemoryDC holder(CreateCompatibleDC(nullptr));
    ScopedMemoryDC other(CreateCompatibleDC(nullptr));
    ScopedSelectObject held(holder.get(), bitmap.get());
    ASSERT_TRUE(held.selected());
    HGDIOBJ before = GetCurrentObject(other.get(), OBJ_BITMAP);
    {
        ScopedSelectObject refused(other.get(), bitmap.get());
        EXPECT_FALSE(refused.selected());
    }
    EXPECT_EQ(before, GetCurrentObject(other.get(), OBJ_BITMAP));
    EXPECT_EQ(bitmap.get(), GetCurrentObject(holder.get(), OBJ_BITMAP));
}

TEST(ScopedGdi, SelectionOfABrush) {
    ScopedBrush brush(CreateSolidBrush(RGB(9, 9, 9)));
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    {
        ScopedSelectObject selection(dc.get(), brush.get());
        EXPECT_EQ(brush.get(), GetCurrentObject(dc.get(), OBJ_BRUSH));
    }
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(dc.get(), OBJ_BRUSH));
}
