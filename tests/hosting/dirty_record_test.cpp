// The dirty record: entry check, one-sided clamping, bounds, pruning order and
// what CollectDirtyRects reports.
#include "dirty_record.h"

#include "hosting_test_support.h"

#include <gtest/gtest.h>

namespace {

using moviehost::DirtyRecord;
using moviehost::RemoveCoveredRect;
using moviehost::testing::rectText;
using moviehost::testing::rectTexts;

std::vector<std::string> texts(const std::vector<RECT>& rects) {
    return rectTexts(rects.data(), static_cast<LONG>(rects.size()));
}

TEST(DirtyRecordAdd, EmptyRectanglesChangeNothing) {
    DirtyRecord record;
    for (const RECT r : {RECT{5, 5, 5, 20}, RECT{10, 0, 0, 10}, RECT{0, 0, 0, 0}}) {
        record.Add(&r, 640, 480);
        EXPECT_FALSE(record.IsDirty()) << "after " << rectText(r);
        EXPECT_TRUE(record.Rects().empty()) << "after " << rectText(r);
    }
    EXPECT_EQ(rectText(DirtyRecord::kResetBounds), rectText(record.Bounds()));
}

TEST(DirtyRecordAdd, NullReplacesEverythingWithTheWholeSurface) {
    DirtyRecord record;
    const RECT earlier = {1, 2, 3, 4};
    record.Add(&earlier, 640, 480);
    record.Add(nullptr, 640, 480);
    EXPECT_TRUE(record.IsDirty());
    EXPECT_EQ(std::vector<std::string>{"{0,0,640,480}"}, texts(record.Rects()));
    EXPECT_EQ("{0,0,640,480}", rectText(record.Bounds()));
}

TEST(DirtyRecordAdd, CoveredRectanglesAreDroppedUnclampedOnesGrowTheBounds) {
    DirtyRecord record;
    record.Add(nullptr, 640, 480);
    const RECT inside = {10, 10, 20, 20};
    record.Add(&inside, 640, 480);
    EXPECT_EQ(1u, record.Rects().size()) << "(10,10,20,20) lies inside the whole surface";

    // Its left lies outside, so the stored rectangle does not cover it as given.
    const RECT leftOutside = {-5, 0, 20, 20};
    record.Add(&leftOutside, 640, 480);
    EXPECT_EQ((std::vector<std::string>{"{0,0,640,480}", "{0,0,20,20}"}), texts(record.Rects()));
    EXPECT_EQ("{-5,0,640,480}", rectText(record.Bounds()));

    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(record.Collect(nullptr, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,640,480}"}, rectTexts(first, count));
}

TEST(DirtyRecordAdd, AfterAResetTheFirstRectangleIsTheBounds) {
    DirtyRecord record;
    record.Add(nullptr, 100, 100);
    record.Reset();
    const RECT r = {-10, -10, 20, 20};
    record.Add(&r, 100, 100);
    EXPECT_EQ("{-10,-10,20,20}", rectText(record.Bounds()));
    EXPECT_EQ(std::vector<std::string>{"{0,0,20,20}"}, texts(record.Rects()));
}

TEST(DirtyRecordAdd, ClampingIsOneSided) {
    // Right of the surface: left is not limited by the width, so the stored
    // copy is inverted, and empty.
    DirtyRecord record;
    const RECT right = {150, 10, 160, 20};
    record.Add(&right, 100, 100);
    EXPECT_TRUE(record.IsDirty());
    EXPECT_EQ("{150,10,160,20}", rectText(record.Bounds()));
    EXPECT_EQ(std::vector<std::string>{"{150,10,100,20}"}, texts(record.Rects()));

    // Above and left of it: right and bottom are not limited by 0.
    DirtyRecord above;
    const RECT r = {-30, -30, -10, -20};
    above.Add(&r, 100, 100);
    EXPECT_EQ(std::vector<std::string>{"{0,0,-10,-20}"}, texts(above.Rects()));

    // Beyond both far edges, and exactly on them.
    DirtyRecord far;
    const RECT big = {50, 60, 200, 100};
    far.Add(&big, 100, 100);
    EXPECT_EQ(std::vector<std::string>{"{50,60,100,100}"}, texts(far.Rects()));
}

TEST(DirtyRecordAdd, TheSameRectangleTwiceIsStoredOnce) {
    DirtyRecord record;
    const RECT r = {1, 2, 30, 40};
    record.Add(&r, 640, 480);
    record.Add(&r, 640, 480);
    EXPECT_EQ(1u, record.Rects().size());
}

TEST(DirtyRecordAdd, ExtremeCoordinatesNeitherOverflowNorClampWrongly) {
    DirtyRecord record;
    const RECT r = {-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647};
    record.Add(&r, 640, 480);
    EXPECT_EQ(std::vector<std::string>{"{0,0,640,480}"}, texts(record.Rects()));
    EXPECT_EQ(rectText(r), rectText(record.Bounds()));
}

struct PruneCase {
    const char* name;
    std::vector<RECT> list;
    std::vector<std::vector<std::string>> afterEachPass;  // the last pass removes nothing
};

TEST(RemoveCoveredRect, PrunesTheFirstCoveredPairInListOrder) {
    const PruneCase cases[] = {
        {"a later duplicate and a covered one",
         {{0, 0, 10, 10}, {2, 2, 5, 5}, {0, 0, 10, 10}},
         {{"{0,0,10,10}", "{0,0,10,10}"}, {"{0,0,10,10}"}}},
        {"covered one listed first", {{2, 2, 5, 5}, {0, 0, 10, 10}}, {{"{0,0,10,10}"}}},
        {"overlapping, neither covers", {{0, 0, 10, 10}, {5, 5, 15, 15}}, {}},
        {"an empty one goes once a non-empty one is listed", {{150, 10, 100, 20}, {0, 0, 10, 10}}, {{"{0,0,10,10}"}}},
        {"empty ones alone stay", {{150, 10, 100, 20}, {0, 0, -1, -1}}, {}},
        {"equal ones: the later goes", {{1, 1, 2, 2}, {5, 5, 6, 6}, {1, 1, 2, 2}}, {{"{1,1,2,2}", "{5,5,6,6}"}}},
        {"a covering one listed later removes the earlier",
         {{1, 1, 2, 2}, {0, 0, 3, 3}, {1, 1, 2, 2}},
         {{"{0,0,3,3}", "{1,1,2,2}"}, {"{0,0,3,3}"}}},
    };
    for (const PruneCase& c : cases) {
        std::vector<RECT> list = c.list;
        for (const auto& expected : c.afterEachPass) {
            ASSERT_TRUE(RemoveCoveredRect(list)) << c.name;
            EXPECT_EQ(expected, texts(list)) << c.name;
        }
        const auto before = texts(list);
        EXPECT_FALSE(RemoveCoveredRect(list)) << c.name << ": the last pass removes nothing";
        EXPECT_EQ(before, texts(list)) << c.name;
    }
}

TEST(DirtyRecordCollect, ACleanRecordWritesNothing) {
    DirtyRecord record;
    const RECT sentinel = {7, 7, 7, 7};
    const RECT* bounds = &sentinel;
    const RECT* first = &sentinel;
    LONG count = 99;
    EXPECT_FALSE(record.Collect(&bounds, &first, &count));
    EXPECT_EQ(&sentinel, bounds);
    EXPECT_EQ(&sentinel, first);
    EXPECT_EQ(99, count);
}

TEST(DirtyRecordCollect, AListOfOnlyAnEmptyRectangleIsReportedAsIs) {
    DirtyRecord record;
    const RECT right = {150, 10, 160, 20};
    record.Add(&right, 100, 100);
    const RECT* bounds = nullptr;
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(record.Collect(&bounds, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{150,10,100,20}"}, rectTexts(first, count));
    EXPECT_EQ("{150,10,160,20}", rectText(*bounds));
}

TEST(DirtyRecordCollect, ReportsCopiesThatStayUntilTheNextCollect) {
    DirtyRecord record;
    const RECT a = {0, 0, 10, 10};
    record.Add(&a, 640, 480);
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(record.Collect(nullptr, &first, &count));

    // Adding and resetting do not touch what was handed out.
    const RECT b = {20, 20, 30, 30};
    record.Add(&b, 640, 480);
    record.Reset();
    EXPECT_EQ(std::vector<std::string>{"{0,0,10,10}"}, rectTexts(first, count));

    record.Add(&a, 640, 480);
    record.Add(&b, 640, 480);
    const RECT* again = nullptr;
    LONG againCount = 0;
    ASSERT_TRUE(record.Collect(nullptr, &again, &againCount));
    const RECT* third = nullptr;
    LONG thirdCount = 0;
    ASSERT_TRUE(record.Collect(nullptr, &third, &thirdCount)) << "collecting does not clean the record";
    EXPECT_EQ(rectTexts(again, againCount), rectTexts(third, thirdCount));
    EXPECT_EQ(2, thirdCount);
}

TEST(DirtyRecordReset, RestoresTheResetBounds) {
    DirtyRecord record;
    record.Add(nullptr, 640, 480);
    record.Reset();
    EXPECT_FALSE(record.IsDirty());
    EXPECT_TRUE(record.Rects().empty());
    EXPECT_EQ("{2147483647,2147483647,-2147483647,-2147483647}", rectText(record.Bounds()));
}

}  // namespace
