// BitBlt with SRCCOPY between 32-bit DIB sections: all four bytes, both row
// orders on either side, clipping by bitmaps and by the destination's clip.
#include "gdi_test_support.h"

#include <climits>

using moviehost::testing::DibSurface;
using moviehost::testing::Pixel;
using platform::ScopedMemoryDC;
using platform::ScopedRegion;

namespace {

constexpr Pixel Background{0xEE, 0xEE, 0xEE, 0xEE};

// Every source pixel differs, including in its fourth byte.
Pixel pattern(LONG x, LONG y) { return Pixel{std::uint8_t(x), std::uint8_t(y), 0xA5, std::uint8_t(0x10 + x + 16 * y)}; }

void paintPattern(DibSurface& s, LONG width, LONG height) {
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            s.set(x, y, pattern(x, y));
}

// Inside `area` each destination pixel (x, y) holds pattern(x + dx, y + dy);
// everywhere else the background.
::testing::AssertionResult copied(const DibSurface& dst, LONG width, LONG height, const std::vector<RECT>& area,
                                  LONG dx, LONG dy) {
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            bool inside = false;
            for (const RECT& r : area)
                inside = inside || PtInRect(&r, POINT{x, y});
            const Pixel want = inside ? pattern(x + dx, y + dy) : Background;
            if (dst.at(x, y) != want)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): expected " << moviehost::testing::describe(want)
                       << ", got " << moviehost::testing::describe(dst.at(x, y));
        }
    }
    return ::testing::AssertionSuccess();
}

// A 4 x 3 source holding the pattern and a 4 x 3 destination holding the
// background, each in its own row order.
struct BlitCase {
    BlitCase(LONG srcHeight, LONG dstHeight) : src(4, srcHeight), dst(4, dstHeight) {
        EXPECT_TRUE(src.ok() && dst.ok());
        paintPattern(src, 4, 3);
        dst.fill(Background);
    }
    DibSurface src;
    DibSurface dst;
};

}  // namespace

TEST(BitBlt, FullCopyInEveryRowOrderCombination) {
    for (LONG srcHeight : {3, -3}) {
        for (LONG dstHeight : {3, -3}) {
            BlitCase c(srcHeight, dstHeight);
            ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
            EXPECT_TRUE(copied(c.dst, 4, 3, {{0, 0, 4, 3}}, 0, 0))
                << "source height " << srcHeight << ", destination height " << dstHeight;
        }
    }
}

TEST(BitBlt, BottomUpToTopDownFlipsTheStorageOrder) {
    BlitCase c(3, -3);
    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
    // The top-left pixel: last stored row of the bottom-up source (byte 32),
    // first stored row of the top-down destination (byte 0).
    const std::uint8_t expected[4] = {0x00, 0x00, 0xA5, 0x10};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], c.src.bits()[32 + i]) << "source byte " << 32 + i;
        EXPECT_EQ(expected[i], c.dst.bits()[i]) << "destination byte " << i;
    }
    // The bottom-left pixel (0, 2): first stored source row, last stored destination row.
    EXPECT_EQ(0x30, c.src.bits()[3]);
    EXPECT_EQ(0x30, c.dst.bits()[32 + 3]);
}

TEST(BitBlt, OffsetsOnBothSides) {
    for (LONG height : {3, -3}) {
        BlitCase c(height, -height);
        ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 1, 1, 2, 2, c.src.dc(), 2, 0, SRCCOPY));
        EXPECT_TRUE(copied(c.dst, 4, 3, {{1, 1, 3, 3}}, 1, -1)) << "height " << height;
    }
}

TEST(BitBlt, DestinationPartlyOutside) {
    for (LONG height : {3, -3}) {
        BlitCase c(height, height);
        ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), -1, -1, 3, 3, c.src.dc(), 0, 0, SRCCOPY));
        EXPECT_TRUE(copied(c.dst, 4, 3, {{0, 0, 2, 2}}, 1, 1)) << "above and left, height " << height;
    }
    BlitCase c(3, -3);
    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 2, 1, 10, 10, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {{2, 1, 4, 3}}, -2, -1)) << "below and right";
}

TEST(BitBlt, SourcePartlyOutside) {
    BlitCase c(-3, 3);
    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 2, 1, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {{0, 0, 2, 2}}, 2, 1));
    BlitCase d(3, -3);
    ASSERT_EQ(TRUE, BitBlt(d.dst.dc(), 0, 0, 4, 3, d.src.dc(), -1, -2, SRCCOPY));
    EXPECT_TRUE(copied(d.dst, 4, 3, {{1, 2, 4, 3}}, -1, -2));
}

TEST(BitBlt, SmallerSourceLimitsTheCopy) {
    DibSurface src(2, 2);
    DibSurface dst(4, -3);
    ASSERT_TRUE(src.ok() && dst.ok());
    paintPattern(src, 2, 2);
    dst.fill(Background);
    ASSERT_EQ(TRUE, BitBlt(dst.dc(), 1, 1, 10, 10, src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(copied(dst, 4, 3, {{1, 1, 3, 3}}, -1, -1));
}

TEST(BitBlt, WhollyOutsideCopiesNothing) {
    BlitCase c(3, 3);
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), 10, 10, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), -4, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 4, 0, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, -3, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 0, 3, c.src.dc(), 0, 0, SRCCOPY)) << "zero width";
    EXPECT_TRUE(copied(c.dst, 4, 3, {}, 0, 0));
}

TEST(BitBlt, ExtremeCoordinates) {
    BlitCase c(3, -3);
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), INT_MAX, INT_MAX, INT_MAX, INT_MAX, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, INT_MAX, INT_MAX, c.src.dc(), INT_MIN, INT_MIN, SRCCOPY));
    EXPECT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, INT_MIN, INT_MIN, c.src.dc(), 3, 2, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {}, 0, 0)) << "none of these reaches the bitmap";

    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), -2, -1, INT_MAX, INT_MAX, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {{0, 0, 2, 2}}, 2, 1));
    BlitCase d(-3, 3);
    ASSERT_EQ(TRUE, BitBlt(d.dst.dc(), 4, 3, INT_MIN, INT_MIN, d.src.dc(), 4, 3, SRCCOPY));
    EXPECT_TRUE(copied(d.dst, 4, 3, {{0, 0, 4, 3}}, 0, 0)) << "negative extents ending at the far corner";
}

TEST(BitBlt, NegativeExtentsCountFromTheOtherCorner) {
    BlitCase c(3, 3);
    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 3, 3, -2, -2, c.src.dc(), 3, 3, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {{1, 1, 3, 3}}, 0, 0));
    BlitCase d(-3, 3);
    ASSERT_EQ(TRUE, BitBlt(d.dst.dc(), 2, 2, -2, -2, d.src.dc(), 4, 3, SRCCOPY));
    EXPECT_TRUE(copied(d.dst, 4, 3, {{0, 0, 2, 2}}, 2, 1));
}

TEST(BitBlt, DestinationClipRegionLimitsTheCopy) {
    for (LONG height : {3, -3}) {
        BlitCase c(-height, height);
        ScopedRegion clip(CreateRectRgn(1, 0, 2, 3));
        ScopedRegion other(CreateRectRgn(3, 0, 4, 3));
        ASSERT_EQ(COMPLEXREGION, CombineRgn(clip.get(), clip.get(), other.get(), RGN_OR));
        ASSERT_EQ(COMPLEXREGION, SelectClipRgn(c.dst.dc(), clip.get()));
        ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
        EXPECT_TRUE(copied(c.dst, 4, 3, {{1, 0, 2, 3}, {3, 0, 4, 3}}, 0, 0)) << "height " << height;
    }
}

TEST(BitBlt, ClipRegionPartlyOutsideTheBitmap) {
    BlitCase c(3, -3);
    ScopedRegion clip(CreateRectRgn(-10, -10, 2, 1));
    ASSERT_EQ(SIMPLEREGION, SelectClipRgn(c.dst.dc(), clip.get()));
    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {{0, 0, 2, 1}}, 0, 0));
}

TEST(BitBlt, SourceClipRegionDoesNotLimitTheCopy) {
    BlitCase c(3, 3);
    ScopedRegion clip(CreateRectRgn(0, 0, 1, 1));
    ASSERT_EQ(SIMPLEREGION, SelectClipRgn(c.src.dc(), clip.get()));
    ASSERT_EQ(TRUE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {{0, 0, 4, 3}}, 0, 0));
}

// Within one bitmap each piece of a clipped copy reads the picture as it was
// before the copy, not what an earlier piece wrote.
TEST(BitBlt, WithinOneBitmapReadsThePictureAsItWas) {
    for (LONG height : {2, -2}) {
        DibSurface s(6, height);
        ASSERT_TRUE(s.ok());
        paintPattern(s, 6, 2);
        ScopedRegion clip(CreateRectRgn(2, 0, 3, 2));
        ScopedRegion other(CreateRectRgn(4, 0, 5, 2));
        ASSERT_EQ(COMPLEXREGION, CombineRgn(clip.get(), clip.get(), other.get(), RGN_OR));
        ASSERT_EQ(COMPLEXREGION, SelectClipRgn(s.dc(), clip.get()));
        ASSERT_EQ(TRUE, BitBlt(s.dc(), 2, 0, 4, 2, s.dc(), 0, 0, SRCCOPY));
        for (LONG y = 0; y < 2; ++y) {
            for (LONG x = 0; x < 6; ++x) {
                const Pixel want = x == 2 ? pattern(0, y) : x == 4 ? pattern(2, y) : pattern(x, y);
                EXPECT_EQ(want, s.at(x, y)) << "pixel (" << x << ", " << y << "), height " << height;
            }
        }
    }
}

TEST(BitBlt, WithinOneBitmapDownAndUp) {
    for (LONG height : {3, -3}) {
        DibSurface down(4, height);
        ASSERT_TRUE(down.ok());
        paintPattern(down, 4, 3);
        ASSERT_EQ(TRUE, BitBlt(down.dc(), 0, 1, 4, 2, down.dc(), 0, 0, SRCCOPY));
        for (LONG x = 0; x < 4; ++x) {
            EXPECT_EQ(pattern(x, 0), down.at(x, 0)) << "row 0 stays, height " << height;
            EXPECT_EQ(pattern(x, 0), down.at(x, 1)) << "row 1 from row 0, height " << height;
            EXPECT_EQ(pattern(x, 1), down.at(x, 2)) << "row 2 from row 1, height " << height;
        }
        DibSurface up(4, height);
        ASSERT_TRUE(up.ok());
        paintPattern(up, 4, 3);
        ASSERT_EQ(TRUE, BitBlt(up.dc(), 0, 0, 4, 2, up.dc(), 0, 1, SRCCOPY));
        for (LONG x = 0; x < 4; ++x) {
            EXPECT_EQ(pattern(x, 1), up.at(x, 0)) << "row 0 from row 1, height " << height;
            EXPECT_EQ(pattern(x, 2), up.at(x, 1)) << "row 1 from row 2, height " << height;
            EXPECT_EQ(pattern(x, 2), up.at(x, 2)) << "row 2 stays, height " << height;
        }
    }
}

TEST(BitBlt, SourceWithoutPixelsFails) {
    BlitCase c(3, 3);
    ScopedMemoryDC fresh(CreateCompatibleDC(nullptr));
    EXPECT_EQ(FALSE, BitBlt(c.dst.dc(), 0, 0, 4, 3, fresh.get(), 0, 0, SRCCOPY)) << "new memory context";
    platform::ScopedWindowDC screen(GetDC(nullptr));
    EXPECT_EQ(FALSE, BitBlt(c.dst.dc(), 0, 0, 4, 3, screen.get(), 0, 0, SRCCOPY)) << "window context";
    EXPECT_TRUE(copied(c.dst, 4, 3, {}, 0, 0));
}

TEST(BitBlt, DestinationWithoutPixelsIsHarmless) {
    BlitCase c(3, 3);
    ScopedMemoryDC fresh(CreateCompatibleDC(nullptr));
    EXPECT_EQ(TRUE, BitBlt(fresh.get(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY)) << "new memory context";
    platform::ScopedWindowDC screen(GetDC(nullptr));
    EXPECT_EQ(TRUE, BitBlt(screen.get(), 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY)) << "window context";
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x)
            ASSERT_EQ(pattern(x, y), c.src.at(x, y)) << "source untouched at (" << x << ", " << y << ")";
}

TEST(BitBlt, OnlySrcCopyAndValidContexts) {
    BlitCase c(3, 3);
    EXPECT_EQ(FALSE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, 0x00000042)) << "BLACKNESS";
    EXPECT_EQ(FALSE, BitBlt(c.dst.dc(), 0, 0, 4, 3, c.src.dc(), 0, 0, 0x00EE0086)) << "SRCPAINT";
    EXPECT_EQ(FALSE, BitBlt(nullptr, 0, 0, 4, 3, c.src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(FALSE, BitBlt(c.dst.dc(), 0, 0, 4, 3, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(copied(c.dst, 4, 3, {}, 0, 0));
}
