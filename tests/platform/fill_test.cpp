// FillRgn on 32-bit DIB sections: which bytes change, in both row orders,
// under clip regions, with rectangles partly or wholly outside the bitmap.
#include "gdi_test_support.h"

#include <climits>

using moviehost::testing::DibSurface;
using moviehost::testing::Pixel;
using platform::ScopedBrush;
using platform::ScopedMemoryDC;
using platform::ScopedRegion;

namespace {

// RGB(0x11, 0x22, 0x33) lands in memory as blue, green, red and a zero.
constexpr COLORREF Color = RGB(0x11, 0x22, 0x33);
constexpr Pixel Painted{0x33, 0x22, 0x11, 0x00};
constexpr Pixel Background{0xEE, 0xEE, 0xEE, 0xEE};

// Fills `region` into a fresh 4 x 3 surface (negative height: top-down)
// that starts out as `background` everywhere.
struct FillCase {
    explicit FillCase(LONG height = 3) : surface(4, height) {
        EXPECT_TRUE(surface.ok());
        surface.fill(Background);
    }
    BOOL fill(int l, int t, int r, int b) {
        ScopedRegion region(CreateRectRgn(l, t, r, b));
        return FillRgn(surface.dc(), region.get(), brush.get());
    }
    DibSurface surface;
    ScopedBrush brush{CreateSolidBrush(Color)};
};

}  // namespace

TEST(FillRgn, TopRowOfABottomUpBitmapIsItsLastStoredRow) {
    FillCase c(3);
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 1));
    const std::uint8_t* bytes = c.surface.bits();
    // Rows are 16 bytes; bottom-up storage puts picture row 0 at bytes 32..47.
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(0xEE, bytes[i]) << "byte " << i << " belongs to rows 2 and 1";
    for (int i = 32; i < 48; i += 4) {
        EXPECT_EQ(0x33, bytes[i]) << "blue at byte " << i;
        EXPECT_EQ(0x22, bytes[i + 1]) << "green at byte " << i + 1;
        EXPECT_EQ(0x11, bytes[i + 2]) << "red at byte " << i + 2;
        EXPECT_EQ(0x00, bytes[i + 3]) << "fourth byte at " << i + 3;
    }
}

TEST(FillRgn, TopRowOfATopDownBitmapIsItsFirstStoredRow) {
    FillCase c(-3);
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 1));
    const std::uint8_t* bytes = c.surface.bits();
    for (int i = 0; i < 16; i += 4) {
        EXPECT_EQ(0x33, bytes[i]) << "blue at byte " << i;
        EXPECT_EQ(0x00, bytes[i + 3]) << "fourth byte at " << i + 3;
    }
    for (int i = 16; i < 48; ++i)
        ASSERT_EQ(0xEE, bytes[i]) << "byte " << i << " belongs to rows 1 and 2";
}

TEST(FillRgn, SinglePixelAtTheBottomRight) {
    for (LONG height : {3, -3}) {
        FillCase c(height);
        ASSERT_EQ(TRUE, c.fill(3, 2, 4, 3));
        EXPECT_TRUE(c.surface.only({{3, 2, 4, 3}}, Painted, Background)) << "height " << height;
        // Bottom-up: picture row 2 is stored first; top-down: last.
        const std::size_t offset = height > 0 ? 12 : 2 * 16 + 12;
        EXPECT_EQ(0x33, c.surface.bits()[offset]) << "height " << height;
    }
}

TEST(FillRgn, PartlyOutsideIsCutAtTheEdges) {
    for (LONG height : {3, -3}) {
        FillCase c(height);
        ASSERT_EQ(TRUE, c.fill(-5, -5, 2, 2));
        EXPECT_TRUE(c.surface.only({{0, 0, 2, 2}}, Painted, Background)) << "height " << height;
        ASSERT_EQ(TRUE, c.fill(3, 1, 100, 100));
        EXPECT_TRUE(c.surface.only({{0, 0, 2, 2}, {3, 1, 4, 3}}, Painted, Background)) << "height " << height;
    }
}

TEST(FillRgn, WhollyOutsideChangesNothing) {
    FillCase c;
    EXPECT_EQ(TRUE, c.fill(4, 0, 10, 3)) << "right of the bitmap";
    EXPECT_EQ(TRUE, c.fill(0, 3, 4, 10)) << "below the bitmap";
    EXPECT_EQ(TRUE, c.fill(-10, -10, 0, 0)) << "above and left";
    EXPECT_EQ(TRUE, c.fill(INT_MIN, INT_MIN, INT_MIN + 1, INT_MAX));
    EXPECT_TRUE(c.surface.only({}, Painted, Background));
}

TEST(FillRgn, HugeRegionFillsEverythingAndNoMore) {
    for (LONG height : {3, -3}) {
        FillCase c(height);
        ASSERT_EQ(TRUE, c.fill(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
        EXPECT_TRUE(c.surface.only({{0, 0, 4, 3}}, Painted, Background)) << "height " << height;
    }
}

TEST(FillRgn, ClipRegionLimitsTheFill) {
    FillCase c;
    ScopedRegion clip(CreateRectRgn(1, 1, 3, 2));
    ASSERT_EQ(SIMPLEREGION, SelectClipRgn(c.surface.dc(), clip.get()));
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 3));
    EXPECT_TRUE(c.surface.only({{1, 1, 3, 2}}, Painted, Background));
}

TEST(FillRgn, ClipRegionPartlyOutsideTheBitmap) {
    for (LONG height : {3, -3}) {
        FillCase c(height);
        ScopedRegion clip(CreateRectRgn(-5, 2, 100, 100));
        ASSERT_EQ(SIMPLEREGION, SelectClipRgn(c.surface.dc(), clip.get()));
        ASSERT_EQ(TRUE, c.fill(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
        EXPECT_TRUE(c.surface.only({{0, 2, 4, 3}}, Painted, Background)) << "height " << height;
    }
}

TEST(FillRgn, ComplexClipRegion) {
    FillCase c;
    ScopedRegion clip(CreateRectRgn(0, 0, 1, 1));
    ScopedRegion corner(CreateRectRgn(3, 2, 4, 3));
    ASSERT_EQ(COMPLEXREGION, CombineRgn(clip.get(), clip.get(), corner.get(), RGN_OR));
    ASSERT_EQ(COMPLEXREGION, SelectClipRgn(c.surface.dc(), clip.get()));
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 3));
    EXPECT_TRUE(c.surface.only({{0, 0, 1, 1}, {3, 2, 4, 3}}, Painted, Background));
}

TEST(FillRgn, EmptyClipRegionFillsNothingAndRemovingItFillsAll) {
    FillCase c;
    ScopedRegion empty(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(NULLREGION, SelectClipRgn(c.surface.dc(), empty.get()));
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 3));
    EXPECT_TRUE(c.surface.only({}, Painted, Background));
    ASSERT_EQ(SIMPLEREGION, SelectClipRgn(c.surface.dc(), nullptr));
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 3));
    EXPECT_TRUE(c.surface.only({{0, 0, 4, 3}}, Painted, Background));
}

TEST(FillRgn, TopByteOfTheColourIsIgnored) {
    FillCase c;
    c.brush.reset(CreateSolidBrush(0x01000000u | Color));
    ASSERT_EQ(TRUE, c.fill(0, 0, 4, 3));
    EXPECT_TRUE(c.surface.only({{0, 0, 4, 3}}, Painted, Background));
}

TEST(FillRgn, StockBrushes) {
    FillCase c;
    ScopedRegion all(CreateRectRgn(0, 0, 4, 3));
    ASSERT_EQ(TRUE, FillRgn(c.surface.dc(), all.get(), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))));
    EXPECT_TRUE(c.surface.only({}, Painted, Background)) << "the null brush paints nothing";
    ASSERT_EQ(TRUE, FillRgn(c.surface.dc(), all.get(), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    EXPECT_TRUE(c.surface.only({{0, 0, 4, 3}}, Pixel{0xFF, 0xFF, 0xFF, 0x00}, Background));
}

TEST(FillRgn, ContextsWithoutPixelsAreHarmless) {
    ScopedBrush brush(CreateSolidBrush(Color));
    ScopedRegion all(CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    ScopedMemoryDC fresh(CreateCompatibleDC(nullptr));
    EXPECT_EQ(TRUE, FillRgn(fresh.get(), all.get(), brush.get())) << "new memory context";
    platform::ScopedWindowDC screen(GetDC(nullptr));
    EXPECT_EQ(TRUE, FillRgn(screen.get(), all.get(), brush.get())) << "window context";
}

TEST(FillRgn, BadHandlesFail) {
    FillCase c;
    ScopedRegion all(CreateRectRgn(0, 0, 4, 3));
    EXPECT_EQ(FALSE, FillRgn(nullptr, all.get(), c.brush.get()));
    EXPECT_EQ(FALSE, FillRgn(c.surface.dc(), nullptr, c.brush.get()));
    EXPECT_EQ(FALSE, FillRgn(c.surface.dc(), all.get(), nullptr));
    EXPECT_TRUE(c.surface.only({}, Painted, Background));
}
