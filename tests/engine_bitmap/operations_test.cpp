// Pixel storage and the operations that write pixels, with expected values
// worked out by hand from the stored (premultiplied) form.
#include "bitmap/bitmap_data.h"
#include "bitmap/pixel_format.h"

#include "bitmap_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace bitmap;
using bitmap_test::make;
using bitmap_test::pixelsOf;
using bitmap_test::row;
using Pixels = std::vector<uint32_t>;

TEST(BitmapPixels, SemiTransparentColoursLoseWhatTheirAlphaCannotHold) {
    struct Case {
        uint32_t set, get;
    } cases[] = {
        {0xFF123456, 0xFF123456},  // opaque: exact
        {0x80FF0000, 0x80FF0000},  // 255 * 128 / 255 = 128 comes back whole
        {0x80C80000, 0x80C70000},  // 200 -> 100 -> 199
        {0x7F3C0A01, 0x7F3C0A00},  // 60 -> 30 -> 60, 10 -> 5 -> 10, 1 -> 0 -> 0
        {0x01808080, 0x01FFFFFF},  // one level of alpha holds only 0 or full
        {0x00FFFFFF, 0x00000000},  // transparent keeps no colour
    };
    BitmapData b = make(1, 1);
    for (const Case& c : cases) {
        b.setPixel32(0, 0, c.set);
        EXPECT_EQ(b.getPixel32(0, 0), c.get) << std::hex << c.set;
        EXPECT_EQ(b.getPixel(0, 0), c.get & 0xFFFFFF) << std::hex << c.set;
    }
}

TEST(BitmapPixels, ScalingTwoChannelsAtOnceRoundsLikeTheTable) {
    const uint8_t* table = premultiplyTable();
    for (uint32_t m = 0; m < 256; ++m)
        for (uint32_t c = 0; c < 256; ++c) {
            uint32_t expected = table[m * 256 + c];
            ASSERT_EQ(scalePixel(c * 0x01010101u, m), expected * 0x01010101u) << m << " " << c;
        }
}

TEST(BitmapPixels, SizesBeyondTheLimitsAreRefused) {
    const SizeLimits small{10, 50};
    struct Case {
        int32_t w, h;
        bool ok;
    } cases[] = {{10, 5, true},  {1, 1, true},  {11, 1, false}, {1, 11, false},
                 {10, 6, false}, {0, 5, false}, {5, 0, false},  {-1, 5, false}};
    for (const Case& c : cases)
        EXPECT_EQ(BitmapData::create(c.w, c.h, true, 0, small).has_value(), c.ok) << c.w << "x" << c.h;
    // Version 10's own limits: 8191 a side, 16,777,215 pixels.
    EXPECT_TRUE(BitmapData::create(8191, 1).has_value());
    EXPECT_FALSE(BitmapData::create(8192, 1).has_value());
    EXPECT_FALSE(BitmapData::create(4096, 4096).has_value());
    EXPECT_FALSE(BitmapData::create(8191, 2049).has_value());
}

TEST(BitmapPixels, OpaqueBitmapsIgnoreAlpha) {
    BitmapData b = make(2, 1, false, 0x00112233);
    EXPECT_EQ(b.getPixel32(0, 0), 0xFF112233u);
    b.setPixel32(1, 0, 0x10FF0000);
    EXPECT_EQ(b.getPixel32(1, 0), 0xFFFF0000u);
}

TEST(BitmapPixels, SetPixelKeepsTheAlpha) {
    BitmapData b = make(1, 1, true, 0x80000000);
    b.setPixel(0, 0, 0xABFF0000);
    EXPECT_EQ(b.getPixel32(0, 0), 0x80FF0000u);
}

TEST(BitmapPixels, DisposedBitmapsAnswerNeutrally) {
    BitmapData b = make(2, 2, true, 0xFFFFFFFF);
    BitmapData other = make(2, 2, true, 0xFF0000FF);
    b.dispose();
    EXPECT_TRUE(b.disposed());
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.getPixel32(0, 0), 0u);
    b.setPixel32(0, 0, 1);
    b.fillRect({0, 0, 2, 2}, 0xFFFFFFFF);
    b.copyPixels(other, other.rect(), {});
    b.noise(1);
    EXPECT_FALSE(b.clone().has_value());
    EXPECT_TRUE(b.getPixels({0, 0, 2, 2}).empty());
    EXPECT_EQ(b.compare(other).code, -2);
    // As a source it gives nothing either.
    other.copyPixels(b, {0, 0, 2, 2}, {});
    EXPECT_EQ(other.threshold(b, {0, 0, 2, 2}, {}, ThresholdOperation::NotEqual, 0, 0xFF00FF00), 0u);
    EXPECT_EQ(other.getPixel32(0, 0), 0xFF0000FFu);
    // A moved-from bitmap is disposed, not a size without pixels.
    BitmapData moved = std::move(other);
    EXPECT_TRUE(other.disposed());
    other.fillRect({0, 0, 2, 2}, 0);
    EXPECT_EQ(moved.getPixel32(1, 1), 0xFF0000FFu);
}

TEST(BitmapPixels, LockHoldsBackTheVersionUntilUnlock) {
    BitmapData b = make(4, 4);
    uint64_t v0 = b.version();
    b.lock();
    b.setPixel32(1, 1, 0xFFFFFFFF);
    b.setPixel32(2, 3, 0xFFFFFFFF);
    EXPECT_EQ(b.version(), v0);
    EXPECT_TRUE(b.takeDirtyRect().empty());
    b.unlock();
    EXPECT_EQ(b.version(), v0 + 1);
    EXPECT_EQ(b.takeDirtyRect(), (PixelRect{1, 1, 2, 3}));
    EXPECT_TRUE(b.takeDirtyRect().empty());
}

TEST(BitmapFill, RectanglesAreClippedToTheBitmap) {
    struct Case {
        PixelRect rect;
        PixelRect filled;  // what ends up red
    } cases[] = {
        {{1, 1, 2, 2}, {1, 1, 2, 2}},
        {{-2, -2, 3, 3}, {0, 0, 1, 1}},
        {{3, 3, 10, 10}, {3, 3, 1, 1}},
        {{0, 0, -1, 4}, {}},
        {{4, 0, 1, 1}, {}},
    };
    for (const Case& c : cases) {
        BitmapData b = make(4, 4);
        b.fillRect(c.rect, 0xFFFF0000);
        EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFF0000), c.filled);
        EXPECT_EQ(b.histogram(b.rect())[0][255], uint32_t(c.filled.area()));
    }
}

TEST(BitmapFill, FloodFillStopsAtOtherColours) {
    // A black wall at x = 2 splits a white 5x5 bitmap.
    BitmapData b = make(5, 5, false, 0xFFFFFFFF);
    b.fillRect({2, 0, 1, 5}, 0xFF000000);
    b.floodFill(0, 4, 0xFFFF0000);
    EXPECT_EQ(b.histogram(b.rect())[0][255], 10u + 10u);  // red on the left, still white on the right
    EXPECT_EQ(b.getColorBoundsRect(0xFFFFFFFF, 0xFFFF0000), (PixelRect{0, 0, 2, 5}));
    EXPECT_EQ(b.getPixel32(4, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.getPixel32(2, 2), 0xFF000000u);
    // Around a corner: the fill follows an L-shaped region.
    BitmapData l = make(3, 3, false, 0xFF000000);
    l.fillRect({0, 0, 1, 3}, 0xFFFFFFFF);
    l.fillRect({0, 2, 3, 1}, 0xFFFFFFFF);
    l.floodFill(0, 0, 0xFF00FF00);
    EXPECT_EQ(l.getPixel32(2, 2), 0xFF00FF00u);
    EXPECT_EQ(l.getPixel32(1, 1), 0xFF000000u);
}

TEST(BitmapFill, ColorTransformWorksOnScriptedColours) {
    BitmapData b = row({0xFF804020, 0x80FF0000});
    swf::ColorTransform t;
    t.rMult = 128;  // 0.5
    t.gAdd = 16;
    t.bMult = 512;  // 2.0
    b.colorTransform({0, 0, 1, 1}, t);
    EXPECT_EQ(b.getPixel32(0, 0), 0xFF405040u);
    swf::ColorTransform clear;
    clear.aMult = 0;
    b.colorTransform({1, 0, 1, 1}, clear);
    EXPECT_EQ(b.getPixel32(1, 0), 0u);
}

TEST(BitmapFill, ScrollMovesContentAndLeavesTheRest) {
    struct Case {
        int32_t dx;
        Pixels expected;
    } cases[] = {{1, {1, 1, 2}}, {-1, {2, 3, 3}}, {3, {1, 2, 3}}, {-7, {1, 2, 3}}};
    for (const Case& c : cases) {
        BitmapData b = row({0xFF000001, 0xFF000002, 0xFF000003});
        b.scroll(c.dx, 0);
        Pixels got;
        for (uint32_t p : pixelsOf(b))
            got.push_back(p & 0xFF);
        EXPECT_EQ(got, c.expected) << c.dx;
    }
    BitmapData square = make(2, 2);
    square.setPixel32(0, 0, 0xFFFF0000);
    square.scroll(1, 1);
    EXPECT_EQ(pixelsOf(square), (Pixels{0xFFFF0000, 0, 0, 0xFFFF0000}));
}

TEST(BitmapCopy, CopyPixelsClipsAgainstBothBitmaps) {
    struct Case {
        PixelRect source;
        PixelPoint dest;
        PixelRect copied;
    } cases[] = {
        {{0, 0, 2, 2}, {1, 1}, {1, 1, 2, 2}},
        {{-1, -1, 3, 3}, {0, 0}, {1, 1, 2, 2}},  // the part left of the source
                                                 // moves the target along
        {{0, 0, 4, 4}, {-1, -1}, {0, 0, 3, 3}},
        {{0, 0, 4, 4}, {3, 3}, {3, 3, 1, 1}},
        {{4, 0, 4, 4}, {0, 0}, {}},
    };
    BitmapData source = make(4, 4, true, 0xFF0000FF);
    for (const Case& c : cases) {
        BitmapData dest = make(4, 4);
        dest.copyPixels(source, c.source, c.dest);
        EXPECT_EQ(dest.getColorBoundsRect(0xFFFFFFFF, 0xFF0000FF), c.copied);
        EXPECT_EQ(dest.histogram(dest.rect())[2][255], uint32_t(c.copied.area()));
    }
}

TEST(BitmapCopy, CopyPixelsAlphaHandling) {
    struct Case {
        bool destTransparent;
        bool merge;
        uint32_t expected;
    } cases[] = {
        {true, false, 0x80FF0000},   // replaced, alpha and all
        {false, false, 0xFF800000},  // replaced as though over black
        {false, true, 0xFF80007F},   // stored 0x80800000 over blue: 255 * 127 / 255 left of it
        {true, true, 0xFF80007F},
    };
    BitmapData source = make(1, 1, true, 0x80FF0000);
    for (const Case& c : cases) {
        BitmapData dest = make(1, 1, c.destTransparent, 0xFF0000FF);
        dest.copyPixels(source, source.rect(), {}, nullptr, {}, c.merge);
        EXPECT_EQ(dest.getPixel32(0, 0), c.expected) << c.destTransparent << c.merge;
    }
}

TEST(BitmapCopy, AlphaBitmapScalesAndLimitsTheCopy) {
    BitmapData source = make(3, 1, true, 0xFFFF0000);
    BitmapData alpha = make(1, 1, true, 0x80000000);
    BitmapData dest = make(3, 1);
    // The alpha bitmap's (0, 0) lines up with source pixel 1; only that pixel is copied.
    dest.copyPixels(source, source.rect(), {}, &alpha, {-1, 0});
    EXPECT_EQ(pixelsOf(dest), (Pixels{0, 0x80FF0000, 0}));
}

TEST(BitmapCopy, OverlappingCopyWithinOneBitmap) {
    BitmapData b = row({0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004});
    b.copyPixels(b, {0, 0, 3, 1}, {1, 0});
    EXPECT_EQ(pixelsOf(b), (Pixels{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000003}));
}

TEST(BitmapCopy, CopyChannel) {
    struct Case {
        uint32_t from, to;
        bool destTransparent;
        uint32_t expected;
    } cases[] = {
        {channel::Red, channel::Blue, false, 0xFF000010},
        {channel::Alpha, channel::Red, false, 0xFFFF0000},
        {channel::Blue, channel::Alpha, true, 0x30000000},
        {channel::Blue, channel::Alpha, false, 0xFF000000},
        {3, channel::Red, false, 0xFF000000},
        {channel::Red, 16, false, 0xFF000000},
    };
    BitmapData source = make(1, 1, false, 0xFF102030);
    for (const Case& c : cases) {
        BitmapData dest = make(1, 1, c.destTransparent, 0xFF000000);
        dest.copyChannel(source, source.rect(), {}, c.from, c.to);
        EXPECT_EQ(dest.getPixel32(0, 0), c.expected) << c.from << "->" << c.to;
    }
}

TEST(BitmapCopy, ThresholdOperations) {
    struct Case {
        const char* op;
        uint32_t count;
        Pixels hits;  // 1 where the colour was set
    } cases[] = {
        {"<", 1, {1, 0, 0, 0}},  {"<=", 2, {1, 1, 0, 0}}, {">", 2, {0, 0, 1, 1}},
        {">=", 3, {0, 1, 1, 1}}, {"==", 1, {0, 1, 0, 0}}, {"!=", 3, {1, 0, 1, 1}},
    };
    BitmapData source = row({0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040}, false);
    for (const Case& c : cases) {
        BitmapData dest = make(4, 1);
        auto op = parseThresholdOperation(c.op);
        ASSERT_TRUE(op.has_value());
        EXPECT_EQ(dest.threshold(source, source.rect(), {}, *op, 0xFF000020, 0xFFFFFFFF), c.count) << c.op;
        Pixels hits;
        for (uint32_t p : pixelsOf(dest))
            hits.push_back(p == 0xFFFFFFFF ? 1 : 0);
        EXPECT_EQ(hits, c.hits) << c.op;
    }
    EXPECT_FALSE(parseThresholdOperation("=<").has_value());
}

TEST(BitmapCopy, ThresholdMaskAndCopySource) {
    BitmapData source = row({0x80000010, 0xFF000030, 0xFF000031});
    BitmapData dest = make(3, 1, true, 0xFF00FF00);
    // Only the high half of blue counts: 0x30 and 0x31 both mask to 0x30.
    uint32_t n = dest.threshold(source, source.rect(), {}, ThresholdOperation::Equal, 0x30, 0xFFFFFFFF, 0xF0, true);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(pixelsOf(dest), (Pixels{0x80000010, 0xFFFFFFFF, 0xFFFFFFFF}));
}

TEST(BitmapCopy, PaletteMapSumsTheTables) {
    std::array<uint32_t, 256> redToGreen{};
    for (uint32_t i = 0; i < 256; ++i)
        redToGreen[i] = i << 8;
    BitmapData source = make(1, 1, false, 0xFF010203);
    BitmapData dest = make(1, 1);
    dest.paletteMap(source, source.rect(), {}, {&redToGreen, nullptr, nullptr, nullptr});
    // Red 1 maps to 0x100 and adds to green's own 0x200.
    EXPECT_EQ(dest.getPixel32(0, 0), 0xFF000303u);
}

TEST(BitmapCopy, MergeBlendsPerChannel) {
    struct Case {
        uint32_t mult;
        uint32_t expected;
    } cases[] = {{128, 0xFF7F7F7F}, {0, 0xFFFFFFFF}, {256, 0xFF000000}, {300, 0xFF000000}};
    BitmapData source = make(1, 1, false, 0xFF000000);
    for (const Case& c : cases) {
        BitmapData dest = make(1, 1, false, 0xFFFFFFFF);
        dest.merge(source, source.rect(), {}, c.mult, c.mult, c.mult, c.mult);
        EXPECT_EQ(dest.getPixel32(0, 0), c.expected) << c.mult;
    }
}

TEST(BitmapCopy, PixelDissolveVisitsEachPixelOnce) {
    BitmapData source = make(5, 3, false, 0xFFFF0000);
    BitmapData dest = make(5, 3, false, 0xFFFFFFFF);
    int32_t seed = dest.pixelDissolve(source, source.rect(), {}, 42, 6, 0);
    EXPECT_EQ(dest.histogram(dest.rect())[1][255], 15u - 6u);
    dest.pixelDissolve(source, source.rect(), {}, seed, 9, 0);
    EXPECT_EQ(dest.histogram(dest.rect())[1][255], 0u);  // the second call took exactly the rest
    // With itself as the source it fills.
    dest.pixelDissolve(dest, dest.rect(), {}, 7, 4, 0xFF0000FF);
    EXPECT_EQ(dest.histogram(dest.rect())[2][255], 4u);
}

}  // namespace
