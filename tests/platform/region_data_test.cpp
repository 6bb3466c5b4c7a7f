// GetRegionData: the RGNDATA layout and its size rules.
#include "gdi_test_support.h"

#include <cstddef>
#include <cstring>

using moviehost::testing::rectIs;
using platform::ScopedRegion;

namespace {

// Three rectangles: (0,0,10,5), (0,5,15,10), (5,10,15,15).
ScopedRegion threePieceRegion() {
    ScopedRegion a(CreateRectRgn(0, 0, 10, 10));
    ScopedRegion b(CreateRectRgn(5, 5, 15, 15));
    EXPECT_EQ(COMPLEXREGION, CombineRgn(a.get(), a.get(), b.get(), RGN_OR));
    return a;
}

}  // namespace

TEST(RegionData, HeaderIs32BytesAndRgnDataStartsWithIt) {
    EXPECT_EQ(32u, sizeof(RGNDATAHEADER));
    EXPECT_EQ(0u, offsetof(RGNDATA, rdh));
    EXPECT_EQ(32u, offsetof(RGNDATA, Buffer));
}

TEST(RegionData, NullBufferAsksForTheSize) {
    ScopedRegion r = threePieceRegion();
    EXPECT_EQ(32u + 3 * 16, GetRegionData(r.get(), 0, nullptr));
    EXPECT_EQ(32u + 3 * 16, GetRegionData(r.get(), 1000, nullptr)) << "size is ignored without a buffer";
}

TEST(RegionData, TooSmallBufferGivesZeroAndIsNotWritten) {
    ScopedRegion r = threePieceRegion();
    unsigned char buffer[79];
    std::memset(buffer, 0xAB, sizeof buffer);
    EXPECT_EQ(0u, GetRegionData(r.get(), sizeof buffer, reinterpret_cast<RGNDATA*>(buffer)));
    for (unsigned char byte : buffer)
        ASSERT_EQ(0xAB, byte);
}

TEST(RegionData, HeaderAndRectangles) {
    ScopedRegion r = threePieceRegion();
    // Room for more than needed, and an odd start so nothing relies on alignment.
    unsigned char storage[1 + 32 + 3 * 16 + 16];
    std::memset(storage, 0xCD, sizeof storage);
    auto* data = reinterpret_cast<RGNDATA*>(storage + 1);
    EXPECT_EQ(80u, GetRegionData(r.get(), sizeof storage - 1, data));

    RGNDATAHEADER header{};
    std::memcpy(&header, storage + 1, sizeof header);
    EXPECT_EQ(32u, header.dwSize);
    EXPECT_EQ(DWORD{RDH_RECTANGLES}, header.iType);
    EXPECT_EQ(3u, header.nCount);
    EXPECT_EQ(48u, header.nRgnSize) << "bytes of rectangles";
    EXPECT_TRUE(rectIs(header.rcBound, 0, 0, 15, 15));

    RECT rects[3];
    std::memcpy(rects, storage + 1 + 32, sizeof rects);
    EXPECT_TRUE(rectIs(rects[0], 0, 0, 10, 5));
    EXPECT_TRUE(rectIs(rects[1], 0, 5, 15, 10));
    EXPECT_TRUE(rectIs(rects[2], 5, 10, 15, 15));
    EXPECT_EQ(0xCD, storage[1 + 80]) << "nothing past the data is written";
}

TEST(RegionData, EmptyRegionIsAHeaderAlone) {
    ScopedRegion r(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(32u, GetRegionData(r.get(), 0, nullptr));
    RGNDATAHEADER header{};
    header.nCount = 99;
    EXPECT_EQ(32u, GetRegionData(r.get(), sizeof header, reinterpret_cast<RGNDATA*>(&header)));
    EXPECT_EQ(0u, header.nCount);
    EXPECT_EQ(0u, header.nRgnSize);
    EXPECT_TRUE(rectIs(header.rcBound, 0, 0, 0, 0));
}

TEST(RegionData, BadHandleGivesZero) {
    EXPECT_EQ(0u, GetRegionData(nullptr, 0, nullptr));
    ScopedRegion r(CreateRectRgn(0, 0, 1, 1));
    const HRGN stale = r.get();
    r.reset();
    EXPECT_EQ(0u, GetRegionData(stale, 0, nullptr));
}
