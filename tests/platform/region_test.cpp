// Regions: union and the other combinations, bounding boxes, region types and
// the canonical banded form GetRegionData hands out.
#include "gdi_test_support.h"

#include <climits>
#include <random>

using moviehost::testing::rectIs;
using moviehost::testing::rectsAre;
using platform::ScopedRegion;

namespace {

ScopedRegion rgn(int l, int t, int r, int b) { return ScopedRegion(CreateRectRgn(l, t, r, b)); }

// a ∪ b into a fresh region; the type CombineRgn returned goes to *type.
ScopedRegion unite(int* type, const RECT& a, const RECT& b) {
    ScopedRegion x(CreateRectRgnIndirect(&a));
    ScopedRegion y(CreateRectRgnIndirect(&b));
    ScopedRegion out(CreateRectRgn(0, 0, 0, 0));
    *type = CombineRgn(out.get(), x.get(), y.get(), RGN_OR);
    return out;
}

int boxOf(HRGN region, RECT* box) { return GetRgnBox(region, box); }

}  // namespace

TEST(RegionUnion, OverlappingSplitsIntoBands) {
    int type = 0;
    ScopedRegion u = unite(&type, RECT{0, 0, 10, 10}, RECT{5, 5, 15, 15});
    EXPECT_EQ(COMPLEXREGION, type);
    EXPECT_TRUE(rectsAre(u.get(), {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
    RECT box{};
    EXPECT_EQ(COMPLEXREGION, boxOf(u.get(), &box));
    EXPECT_TRUE(rectIs(box, 0, 0, 15, 15));
}

TEST(RegionUnion, TouchingSideBySideMergeIntoOne) {
    int type = 0;
    ScopedRegion u = unite(&type, RECT{0, 0, 10, 10}, RECT{10, 0, 20, 10});
    EXPECT_EQ(SIMPLEREGION, type);
    EXPECT_TRUE(rectsAre(u.get(), {{0, 0, 20, 10}}));
}

TEST(RegionUnion, TouchingAboveEachOtherMergeWhenSpansMatch) {
    int type = 0;
    ScopedRegion same = unite(&type, RECT{0, 0, 10, 10}, RECT{0, 10, 10, 20});
    EXPECT_EQ(SIMPLEREGION, type);
    EXPECT_TRUE(rectsAre(same.get(), {{0, 0, 10, 20}}));

    ScopedRegion different = unite(&type, RECT{0, 0, 10, 10}, RECT{0, 10, 5, 20});
    EXPECT_EQ(COMPLEXREGION, type);
    EXPECT_TRUE(rectsAre(different.get(), {{0, 0, 10, 10}, {0, 10, 5, 20}}));
}

TEST(RegionUnion, DisjointStayApartInBandOrder) {
    int type = 0;
    ScopedRegion row = unite(&type, RECT{20, 0, 30, 10}, RECT{0, 0, 10, 10});
    EXPECT_EQ(COMPLEXREGION, type);
    EXPECT_TRUE(rectsAre(row.get(), {{0, 0, 10, 10}, {20, 0, 30, 10}}));

    ScopedRegion diagonal = unite(&type, RECT{20, 20, 30, 30}, RECT{0, 0, 10, 10});
    EXPECT_TRUE(rectsAre(diagonal.get(), {{0, 0, 10, 10}, {20, 20, 30, 30}}));
    RECT box{};
    EXPECT_EQ(COMPLEXREGION, boxOf(diagonal.get(), &box));
    EXPECT_TRUE(rectIs(box, 0, 0, 30, 30));
}

TEST(RegionUnion, ContainedAddsNothing) {
    int type = 0;
    ScopedRegion u = unite(&type, RECT{0, 0, 10, 10}, RECT{2, 2, 5, 5});
    EXPECT_EQ(SIMPLEREGION, type);
    EXPECT_TRUE(rectsAre(u.get(), {{0, 0, 10, 10}}));
}

TEST(RegionUnion, EmptyRectanglesAddNothing) {
    int type = 0;
    ScopedRegion one = unite(&type, RECT{0, 0, 10, 10}, RECT{5, 5, 5, 20});
    EXPECT_EQ(SIMPLEREGION, type);
    EXPECT_TRUE(rectsAre(one.get(), {{0, 0, 10, 10}}));

    ScopedRegion none = unite(&type, RECT{5, 5, 5, 20}, RECT{3, 3, 8, 3});
    EXPECT_EQ(NULLREGION, type);
    RECT box{1, 1, 1, 1};
    EXPECT_EQ(NULLREGION, boxOf(none.get(), &box));
    EXPECT_TRUE(rectIs(box, 0, 0, 0, 0));
}

TEST(RegionUnion, NegativeCoordinates) {
    int type = 0;
    ScopedRegion u = unite(&type, RECT{-10, -10, 0, 0}, RECT{-5, -5, 5, 5});
    EXPECT_EQ(COMPLEXREGION, type);
    EXPECT_TRUE(rectsAre(u.get(), {{-10, -10, 0, -5}, {-10, -5, 5, 0}, {-5, 0, 5, 5}}));
    RECT box{};
    boxOf(u.get(), &box);
    EXPECT_TRUE(rectIs(box, -10, -10, 5, 5));
}

// The union loop of the frame drawing: one region from the first rectangle,
// then one scratch region reset per further rectangle, a new union each time.
TEST(RegionUnion, IncrementalUnionWithScratchRegion) {
    const RECT dirty[] = {{0, 0, 10, 10}, {20, 20, 30, 30}, {5, 5, 25, 25}};
    HRGN current = CreateRectRgnIndirect(&dirty[0]);
    HRGN scratch = CreateRectRgn(0, 0, 0, 0);
    for (std::size_t i = 1; i < std::size(dirty); ++i) {
        ASSERT_EQ(TRUE, SetRectRgn(scratch, dirty[i].left, dirty[i].top, dirty[i].right, dirty[i].bottom));
        HRGN next = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(ERROR, CombineRgn(next, current, scratch, RGN_OR));
        ASSERT_EQ(TRUE, DeleteObject(current));
        current = next;
    }
    EXPECT_EQ(TRUE, DeleteObject(scratch));
    RECT box{};
    EXPECT_EQ(COMPLEXREGION, GetRgnBox(current, &box));
    EXPECT_TRUE(rectIs(box, 0, 0, 30, 30));
    EXPECT_TRUE(rectsAre(current, {{0, 0, 10, 5}, {0, 5, 25, 10}, {5, 10, 25, 20}, {5, 20, 30, 25}, {20, 25, 30, 30}}));
    EXPECT_EQ(TRUE, DeleteObject(current));
}

TEST(RegionCombine, IntersectSubtractXorCopy) {
    ScopedRegion a = rgn(0, 0, 10, 10);
    ScopedRegion b = rgn(5, 5, 15, 15);
    ScopedRegion out = rgn(0, 0, 0, 0);
    EXPECT_EQ(SIMPLEREGION, CombineRgn(out.get(), a.get(), b.get(), RGN_AND));
    EXPECT_TRUE(rectsAre(out.get(), {{5, 5, 10, 10}}));
    EXPECT_EQ(COMPLEXREGION, CombineRgn(out.get(), a.get(), b.get(), RGN_DIFF));
    EXPECT_TRUE(rectsAre(out.get(), {{0, 0, 10, 5}, {0, 5, 5, 10}}));
    EXPECT_EQ(COMPLEXREGION, CombineRgn(out.get(), a.get(), b.get(), RGN_XOR));
    EXPECT_TRUE(rectsAre(out.get(), {{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}));
    EXPECT_EQ(SIMPLEREGION, CombineRgn(out.get(), b.get(), nullptr, RGN_COPY)) << "RGN_COPY ignores src2";
    EXPECT_TRUE(rectsAre(out.get(), {{5, 5, 15, 15}}));
}

TEST(RegionCombine, SubtractingAHoleLeavesAFrame) {
    ScopedRegion outer = rgn(0, 0, 30, 30);
    ScopedRegion hole = rgn(10, 10, 20, 20);
    EXPECT_EQ(COMPLEXREGION, CombineRgn(outer.get(), outer.get(), hole.get(), RGN_DIFF));
    EXPECT_TRUE(rectsAre(outer.get(), {{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}}));
    EXPECT_FALSE(PtInRegion(outer.get(), 15, 15));
    EXPECT_TRUE(PtInRegion(outer.get(), 5, 15));
}

TEST(RegionCombine, DisjointIntersectionIsNull) {
    ScopedRegion a = rgn(0, 0, 10, 10);
    ScopedRegion b = rgn(10, 0, 20, 10);
    EXPECT_EQ(NULLREGION, CombineRgn(a.get(), a.get(), b.get(), RGN_AND));
}

TEST(RegionCombine, DestinationMayBeEitherOperand) {
    ScopedRegion a = rgn(0, 0, 10, 10);
    ScopedRegion b = rgn(10, 0, 20, 10);
    EXPECT_EQ(SIMPLEREGION, CombineRgn(b.get(), a.get(), b.get(), RGN_OR));
    EXPECT_TRUE(rectsAre(b.get(), {{0, 0, 20, 10}}));
    EXPECT_EQ(SIMPLEREGION, CombineRgn(a.get(), a.get(), a.get(), RGN_OR));
    EXPECT_TRUE(rectsAre(a.get(), {{0, 0, 10, 10}}));
}

TEST(RegionCombine, BadArgumentsLeaveTheDestinationAlone) {
    ScopedRegion a = rgn(0, 0, 10, 10);
    ScopedRegion b = rgn(5, 5, 15, 15);
    EXPECT_EQ(ERROR, CombineRgn(a.get(), a.get(), b.get(), 0)) << "unknown mode";
    EXPECT_EQ(ERROR, CombineRgn(a.get(), a.get(), b.get(), 6)) << "unknown mode";
    EXPECT_EQ(ERROR, CombineRgn(a.get(), a.get(), nullptr, RGN_OR)) << "missing src2";
    EXPECT_TRUE(rectsAre(a.get(), {{0, 0, 10, 10}}));
}

TEST(RegionCreate, InvertedCornersAreSwappedAsWindowsDoes) {
    ScopedRegion r = rgn(10, 0, 0, 10);
    RECT box{};
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(r.get(), &box));
    EXPECT_TRUE(rectIs(box, 0, 0, 10, 10));

    const RECT clampedOutside{150, 10, 100, 20};
    ScopedRegion indirect(CreateRectRgnIndirect(&clampedOutside));
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(indirect.get(), &box));
    EXPECT_TRUE(rectIs(box, 100, 10, 150, 20));
}

TEST(RegionCreate, ZeroWidthOrHeightIsNull) {
    RECT box{};
    ScopedRegion flat = rgn(5, 5, 5, 20);
    EXPECT_EQ(NULLREGION, GetRgnBox(flat.get(), &box));
    ScopedRegion thin = rgn(0, 7, 100, 7);
    EXPECT_EQ(NULLREGION, GetRgnBox(thin.get(), &box));
    EXPECT_EQ(nullptr, CreateRectRgnIndirect(nullptr));
}

TEST(RegionCreate, ExtremeCoordinates) {
    ScopedRegion all = rgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    RECT box{};
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(all.get(), &box));
    EXPECT_TRUE(rectIs(box, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_TRUE(PtInRegion(all.get(), INT_MIN, 0));
    EXPECT_FALSE(PtInRegion(all.get(), INT_MAX, 0));
}

TEST(RegionCreate, SetRectRgnReplacesEverything) {
    ScopedRegion r = rgn(0, 0, 10, 10);
    ScopedRegion other = rgn(20, 20, 30, 30);
    ASSERT_EQ(COMPLEXREGION, CombineRgn(r.get(), r.get(), other.get(), RGN_OR));
    EXPECT_EQ(TRUE, SetRectRgn(r.get(), 1, 2, 3, 4));
    EXPECT_TRUE(rectsAre(r.get(), {{1, 2, 3, 4}}));
    EXPECT_EQ(TRUE, SetRectRgn(r.get(), 3, 3, 3, 3));
    EXPECT_TRUE(rectsAre(r.get(), {}));
}

TEST(RegionBox, ErrorForBadArguments) {
    RECT box{};
    ScopedRegion r = rgn(0, 0, 1, 1);
    EXPECT_EQ(ERROR, GetRgnBox(r.get(), nullptr));
    EXPECT_EQ(ERROR, GetRgnBox(nullptr, &box));
}

TEST(RegionQuery, PtInRegionEdges) {
    ScopedRegion r = rgn(0, 0, 10, 10);
    EXPECT_TRUE(PtInRegion(r.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(r.get(), 9, 9));
    EXPECT_FALSE(PtInRegion(r.get(), 10, 0));
    EXPECT_FALSE(PtInRegion(r.get(), 0, 10));
    EXPECT_FALSE(PtInRegion(nullptr, 0, 0));
}

TEST(RegionQuery, OffsetMovesAndRefusesOverflow) {
    ScopedRegion r = rgn(0, 0, 10, 10);
    EXPECT_EQ(SIMPLEREGION, OffsetRgn(r.get(), -5, 3));
    EXPECT_TRUE(rectsAre(r.get(), {{-5, 3, 5, 13}}));
    EXPECT_EQ(ERROR, OffsetRgn(r.get(), INT_MAX, 0));
    EXPECT_TRUE(rectsAre(r.get(), {{-5, 3, 5, 13}})) << "a refused offset changes nothing";
    ScopedRegion empty = rgn(0, 0, 0, 0);
    EXPECT_EQ(NULLREGION, OffsetRgn(empty.get(), INT_MAX, INT_MAX));
}

TEST(RegionQuery, EqualRgnComparesPointSets) {
    // The same L shape built two ways.
    ScopedRegion a = rgn(0, 0, 10, 5);
    ScopedRegion a2 = rgn(0, 5, 5, 10);
    ASSERT_EQ(COMPLEXREGION, CombineRgn(a.get(), a.get(), a2.get(), RGN_OR));
    ScopedRegion b = rgn(0, 0, 5, 10);
    ScopedRegion b2 = rgn(5, 0, 10, 5);
    ASSERT_EQ(COMPLEXREGION, CombineRgn(b.get(), b.get(), b2.get(), RGN_OR));
    EXPECT_EQ(TRUE, EqualRgn(a.get(), b.get()));
    ScopedRegion c = rgn(0, 0, 10, 10);
    EXPECT_EQ(FALSE, EqualRgn(a.get(), c.get()));
    EXPECT_EQ(ERROR, EqualRgn(a.get(), nullptr));
}

// Random unions checked against a grid of pixels painted directly: the pieces
// lie inside the painted cells, never overlap, cover exactly the painted
// cells, and the same set of rectangles in reverse order gives the same list.
TEST(RegionProperty, RandomUnionsMatchAPaintedGrid) {
    constexpr int Size = 24;
    constexpr int Cells = Size + 16;  // room for coordinates from -4 to size + 8
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> coord(-4, Size - 1);
    std::uniform_int_distribution<int> extent(0, 9);
    for (int round = 0; round < 200; ++round) {
        std::vector<RECT> rects;
        const int count = 1 + round % 12;
        for (int i = 0; i < count; ++i) {
            const int l = coord(random);
            const int t = coord(random);
            rects.push_back(RECT{l, t, l + extent(random), t + extent(random)});
        }
        bool grid[Cells][Cells] = {};
        for (const RECT& r : rects)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    grid[y + 4][x + 4] = true;

        ScopedRegion forward = rgn(0, 0, 0, 0);
        ScopedRegion backward = rgn(0, 0, 0, 0);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            ScopedRegion f(CreateRectRgnIndirect(&rects[i]));
            ScopedRegion b(CreateRectRgnIndirect(&rects[rects.size() - 1 - i]));
            ASSERT_NE(ERROR, CombineRgn(forward.get(), forward.get(), f.get(), RGN_OR));
            ASSERT_NE(ERROR, CombineRgn(backward.get(), backward.get(), b.get(), RGN_OR));
        }

        int coveredByPieces[Cells][Cells] = {};
        for (const RECT& piece : moviehost::testing::regionRects(forward.get())) {
            ASSERT_FALSE(IsRectEmpty(&piece)) << "round " << round << ": empty piece " << piece;
            for (int y = piece.top; y < piece.bottom; ++y)
                for (int x = piece.left; x < piece.right; ++x)
                    ++coveredByPieces[y + 4][x + 4];
        }
        for (int y = 0; y < Cells; ++y) {
            for (int x = 0; x < Cells; ++x) {
                ASSERT_EQ(grid[y][x] ? 1 : 0, coveredByPieces[y][x])
                    << "round " << round << ": pixel (" << x - 4 << ", " << y - 4 << ")";
                ASSERT_EQ(grid[y][x], PtInRegion(forward.get(), x - 4, y - 4) != FALSE);
            }
        }
        EXPECT_EQ(TRUE, EqualRgn(forward.get(), backward.get())) << "round " << round;
        EXPECT_TRUE(rectsAre(backward.get(), moviehost::testing::regionRects(forward.get()))) << "round " << round;
    }
}
