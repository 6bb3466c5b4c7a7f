#include "swf/bit_reader.h"
#include "swf/records.h"

#include "bit_writer.h"

#include <gtest/gtest.h>

namespace {

using swf::BitReader;

TEST(BitReader, UnsignedFieldsAtWidthLimits) {
    // 1 bit, 31 bits of ones, a full 32-bit value, then 0-width.
    std::vector<uint8_t> data = {0xFF, 0xFF, 0xFF, 0xFF, 0xDE, 0xAD, 0xBE, 0xEF};
    BitReader r(data);
    EXPECT_EQ(r.ub(1), 1u);
    EXPECT_EQ(r.ub(31), 0x7FFFFFFFu);
    EXPECT_EQ(r.ub(0), 0u);
    EXPECT_EQ(r.ub(32), 0xDEADBEEFu);
    EXPECT_FALSE(r.failed());
    EXPECT_TRUE(r.atEnd());
}

TEST(BitReader, SignedFieldsExtendTheSign) {
    swfwriter::BitWriter w;
    w.sb(2, -1).sb(2, 1).sb(5, -16).sb(5, 15).sb(32, INT32_MIN).sb(32, INT32_MAX).sb(17, -65536);
    BitReader r(w.data());
    EXPECT_EQ(r.sb(2), -1);
    EXPECT_EQ(r.sb(2), 1);
    EXPECT_EQ(r.sb(5), -16);
    EXPECT_EQ(r.sb(5), 15);
    EXPECT_EQ(r.sb(32), INT32_MIN);
    EXPECT_EQ(r.sb(32), INT32_MAX);
    EXPECT_EQ(r.sb(17), -65536);
    EXPECT_FALSE(r.failed());
}

TEST(BitReader, FixedPointFields) {
    std::vector<uint8_t> data = {0x80, 0xFF, 0x00, 0x80, 0xFF, 0xFF};
    BitReader r(data);
    EXPECT_DOUBLE_EQ(r.fixed8(), -0.5);   // 0xFF80
    EXPECT_DOUBLE_EQ(r.fixed16(), -0.5);  // 0xFFFF8000
    // FB: 16.16 in a bit field.
    swfwriter::BitWriter w;
    w.fb(20, 1.5).fb(20, -2.25);
    BitReader b(w.data());
    EXPECT_DOUBLE_EQ(b.fb(20), 1.5);
    EXPECT_DOUBLE_EQ(b.fb(20), -2.25);
}

TEST(BitReader, ByteReadsAlignAndAreLittleEndian) {
    std::vector<uint8_t> data = {0xA0, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12};
    BitReader r(data);
    EXPECT_EQ(r.ub(3), 5u);
    EXPECT_EQ(r.position(), 1u) << "a partly read byte counts as consumed";
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.u32(), 0x12345678u);
}

TEST(BitReader, ReadingPastTheEndFailsAndSticks) {
    std::vector<uint8_t> data = {0x01, 0x02, 0x03};
    BitReader r(data);
    EXPECT_EQ(r.u16(), 0x0201);
    EXPECT_EQ(r.u32(), 0u) << "only one byte left";
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.u8(), 0u) << "a failed reader stays at the end";
    EXPECT_TRUE(r.bytes(1).empty());

    BitReader bits(data);
    EXPECT_EQ(bits.ub(24), 0x010203u);
    EXPECT_EQ(bits.ub(1), 0u);
    EXPECT_TRUE(bits.failed());

    BitReader wide(data);
    EXPECT_EQ(wide.ub(33), 0u) << "fields are at most 32 bits";
    EXPECT_TRUE(wide.failed());

    BitReader empty(std::span<const uint8_t>{});
    EXPECT_EQ(empty.ub(1), 0u);
    EXPECT_TRUE(empty.failed());

    BitReader huge(data);
    EXPECT_TRUE(huge.bytes(SIZE_MAX).empty());
    EXPECT_TRUE(huge.failed());
}

TEST(BitReader, EncodedU32) {
    std::vector<uint8_t> data = {0x7F, 0x80, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x80};
    BitReader r(data);
    EXPECT_EQ(r.encodedU32(), 127u);
    EXPECT_EQ(r.encodedU32(), 128u);
    EXPECT_EQ(r.encodedU32(), 0xFFFFFFFFu);
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(r.encodedU32(), 0u) << "continuation bit with no byte after it";
    EXPECT_TRUE(r.failed());
}

TEST(BitReader, StringsByVersion) {
    // "Caf\xE9" in Windows-1252 before SWF 6, UTF-8 from 6 on.
    std::vector<uint8_t> ansi = {'C', 'a', 'f', 0xE9, 0x80, 0};
    BitReader r5(ansi);
    EXPECT_EQ(r5.string(5), "Caf\xC3\xA9\xE2\x82\xAC");
    std::vector<uint8_t> utf8 = {'C', 'a', 'f', 0xC3, 0xA9, 0, 0xC3, 0};
    BitReader r6(utf8);
    EXPECT_EQ(r6.string(6), "Caf\xC3\xA9");
    EXPECT_EQ(r6.string(6), "\xEF\xBF\xBD") << "a cut sequence becomes U+FFFD";
    EXPECT_FALSE(r6.failed());

    std::vector<uint8_t> unterminated = {'a', 'b'};
    BitReader u(unterminated);
    EXPECT_EQ(u.string(6), "ab");
    EXPECT_TRUE(u.failed());
}

TEST(Records, RectMatrixCxformRoundTrip) {
    swfwriter::BitWriter w;
    w.rect({-20, 11000, 0, 8000});
    w.matrix({1.5, 0.25, -0.25, 2.0, -300, 400});
    w.matrix({});  // identity: no scale, no rotate, zero translate
    w.cxform({128, 256, 64, 256, -255, 0, 10, 0}, false);
    w.cxform({256, 256, 256, 128, 0, 0, 0, -20}, true);
    BitReader r(w.data());
    swf::Rect rect = swf::readRect(r);
    EXPECT_EQ(rect, (swf::Rect{-20, 11000, 0, 8000}));
    swf::Matrix m = swf::readMatrix(r);
    EXPECT_EQ(m, (swf::Matrix{1.5, 0.25, -0.25, 2.0, -300, 400}));
    EXPECT_TRUE(swf::readMatrix(r).isIdentity());
    swf::ColorTransform c = swf::readColorTransform(r);
    EXPECT_EQ(c, (swf::ColorTransform{128, 256, 64, 256, -255, 0, 10, 0}));
    swf::ColorTransform ca = swf::readColorTransformAlpha(r);
    EXPECT_EQ(ca, (swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, -20}));
    EXPECT_FALSE(r.failed());
    EXPECT_TRUE(r.atEnd());
}

TEST(Records, ColorTransformClampsChannels) {
    swf::ColorTransform cx{512, 256, 0, 128, 0, -300, 20, 0};
    swf::Rgba out = cx.apply({200, 100, 50, 255});
    EXPECT_EQ(out, (swf::Rgba{255, 0, 20, 127}));
}

}  // namespace
