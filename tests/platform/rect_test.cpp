// Rectangle helpers: right and bottom exclusive, inverted means empty.
#include "gdi_test_support.h"

#include <climits>

using moviehost::testing::rectIs;

TEST(Rect, IsRectEmptyFollowsExclusiveEdges) {
    const RECT zeroWidth{5, 5, 5, 20};
    const RECT inverted{10, 0, 0, 10};
    const RECT onePixel{0, 0, 1, 1};
    const RECT negative{-10, -10, -5, -5};
    EXPECT_TRUE(IsRectEmpty(&zeroWidth)) << "right == left";
    EXPECT_TRUE(IsRectEmpty(&inverted)) << "right < left";
    EXPECT_FALSE(IsRectEmpty(&onePixel));
    EXPECT_FALSE(IsRectEmpty(&negative));
    EXPECT_TRUE(IsRectEmpty(nullptr));
}

TEST(Rect, UnionRectOfTwoEmptyIsEmptyAndFalse) {
    const RECT a{5, 5, 5, 20};
    const RECT b{10, 0, 0, 10};
    RECT out{1, 2, 3, 4};
    EXPECT_EQ(FALSE, UnionRect(&out, &a, &b));
    EXPECT_TRUE(rectIs(out, 0, 0, 0, 0));
}

TEST(Rect, UnionRectWithOneEmptyIsTheOther) {
    const RECT empty{150, 10, 100, 20};
    const RECT r{-5, 0, 20, 20};
    RECT out{};
    EXPECT_EQ(TRUE, UnionRect(&out, &empty, &r));
    EXPECT_TRUE(rectIs(out, -5, 0, 20, 20)) << "empty first";
    EXPECT_EQ(TRUE, UnionRect(&out, &r, &empty));
    EXPECT_TRUE(rectIs(out, -5, 0, 20, 20)) << "empty second";
}

TEST(Rect, UnionRectIsTheBoundingBox) {
    const RECT a{0, 0, 10, 10};
    const RECT b{5, -5, 15, 8};
    RECT out{};
    EXPECT_EQ(TRUE, UnionRect(&out, &a, &b));
    EXPECT_TRUE(rectIs(out, 0, -5, 15, 10));
    EXPECT_EQ(TRUE, UnionRect(&out, &out, &a)) << "destination may be an operand";
    EXPECT_TRUE(rectIs(out, 0, -5, 15, 10));
}

TEST(Rect, IntersectRect) {
    const RECT a{0, 0, 10, 10};
    const RECT b{5, 5, 15, 15};
    const RECT touching{10, 0, 20, 10};
    RECT out{};
    EXPECT_EQ(TRUE, IntersectRect(&out, &a, &b));
    EXPECT_TRUE(rectIs(out, 5, 5, 10, 10));
    out = RECT{1, 1, 2, 2};
    EXPECT_EQ(FALSE, IntersectRect(&out, &a, &touching)) << "touching edges share no pixel";
    EXPECT_TRUE(rectIs(out, 0, 0, 0, 0));
}

TEST(Rect, NullPointersAreRefused) {
    RECT a{1, 2, 3, 4};
    EXPECT_EQ(FALSE, EqualRect(&a, nullptr));
    EXPECT_EQ(FALSE, SetRect(nullptr, 0, 0, 1, 1));
    EXPECT_EQ(FALSE, CopyRect(&a, nullptr));
    EXPECT_EQ(FALSE, UnionRect(nullptr, &a, &a));
    EXPECT_EQ(FALSE, IntersectRect(&a, nullptr, &a));
    EXPECT_TRUE(rectIs(a, 1, 2, 3, 4)) << "untouched";
}

TEST(Rect, OffsetAndInflate) {
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(TRUE, OffsetRect(&r, -3, 4));
    EXPECT_TRUE(rectIs(r, -3, 4, 7, 14));
    EXPECT_EQ(TRUE, InflateRect(&r, 1, -2));
    EXPECT_TRUE(rectIs(r, -4, 6, 8, 12));
}

TEST(Rect, OffsetRectWrapsAround) {
    RECT r{INT_MAX - 1, 0, INT_MAX, 1};
    EXPECT_EQ(TRUE, OffsetRect(&r, 2, 0));
    EXPECT_TRUE(rectIs(r, INT_MIN, 0, INT_MIN + 1, 1));
}

TEST(Rect, PtInRectIncludesLeftTopOnly) {
    const RECT r{0, 0, 10, 10};
    EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
    EXPECT_TRUE(PtInRect(&r, POINT{9, 9}));
    EXPECT_FALSE(PtInRect(&r, POINT{10, 5}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 10}));
    EXPECT_FALSE(PtInRect(&r, POINT{-1, 5}));
    EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
}
