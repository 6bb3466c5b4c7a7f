// Which frame sizes the host accepts.
#include "frame_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameGeometry, RefusesSidesBelowOne) {
    for (const auto& [width, height] :
         {std::pair<LONG, LONG>{0, 10}, {10, 0}, {-1, 10}, {10, -5}, {INT32_MIN, INT32_MIN}}) {
        EXPECT_FALSE(FrameGeometry::From(width, height)) << width << "x" << height;
    }
}

TEST(FrameGeometry, LargestFrameFitsInThirtyOneBitsOfBytes) {
    // 1 x 536870911 is 2^31 - 4 bytes; one more row passes 2^31 - 1.
    const auto largest = FrameGeometry::From(1, 536870911);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->PixelBytes(), 2147483644u);
    EXPECT_FALSE(FrameGeometry::From(1, 536870912));
    // Products that wrap in 32 bits must not sneak through.
    EXPECT_FALSE(FrameGeometry::From(65536, 65536));
    EXPECT_FALSE(FrameGeometry::From(INT32_MAX, INT32_MAX));
}

TEST(FrameGeometry, SizesOfAnOrdinaryFrame) {
    const auto geometry = FrameGeometry::From(1920, 1080);
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->RowBytes(), 7680u);
    EXPECT_EQ(geometry->PixelBytes(), 8294400u);
}

TEST(FrameGeometry, RefusalIsOneLineNamingTheSize) {
    const std::string text = FrameGeometry::RefusalText(-3, 7);
    EXPECT_NE(text.find("-3x7"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
}

}  // namespace
