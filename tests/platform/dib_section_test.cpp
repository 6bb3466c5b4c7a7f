// CreateDIBSection and GetObjectW on what it makes.
#include "gdi_test_support.h"

#include <climits>
#include <cstddef>

using platform::ScopedBitmap;

namespace {

BITMAPINFO infoOf(LONG width, LONG height, WORD bits = 32, DWORD compression = BI_RGB) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = compression;
    return info;
}

// Expects creation to fail cleanly: NULL, and the pixel pointer cleared.
::testing::AssertionResult refused(const BITMAPINFO* info, UINT usage = DIB_RGB_COLORS, HANDLE section = nullptr) {
    int dummy = 0;
    void* bits = &dummy;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, info, usage, &bits, section, 0));
    if (bitmap)
        return ::testing::AssertionFailure() << "expected NULL, got a bitmap";
    if (bits != nullptr)
        return ::testing::AssertionFailure() << "expected *bits == NULL, got " << bits;
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(DibSection, StructLayoutsAreTheSdkOnes) {
    EXPECT_EQ(40u, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(4u, sizeof(RGBQUAD));
    EXPECT_EQ(44u, sizeof(BITMAPINFO));
    EXPECT_EQ(8u, offsetof(BITMAPINFOHEADER, biHeight));
    EXPECT_EQ(14u, offsetof(BITMAPINFOHEADER, biBitCount));
    EXPECT_EQ(16u, offsetof(BITMAPINFOHEADER, biCompression));
    EXPECT_EQ(16u, offsetof(BITMAP, bmPlanes));
    EXPECT_EQ(18u, offsetof(BITMAP, bmBitsPixel));
    EXPECT_EQ(sizeof(BITMAP), offsetof(DIBSECTION, dsBmih));
}

TEST(DibSection, PixelsStartZeroed) {
    const BITMAPINFO info = infoOf(7, 5);
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    ASSERT_NE(nullptr, bits);
    const auto* bytes = static_cast<const unsigned char*>(bits);
    for (std::size_t i = 0; i < 7 * 4 * 5; ++i)
        ASSERT_EQ(0, bytes[i]) << "byte " << i;
}

TEST(DibSection, NullBitsPointerIsAllowed) {
    const BITMAPINFO info = infoOf(2, 2);
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
    EXPECT_TRUE(bitmap);
}

TEST(DibSection, GetObjectFillsDibSectionForBottomUp) {
    const BITMAPINFO info = infoOf(640, 480);
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    DIBSECTION ds{};
    ASSERT_EQ(static_cast<int>(sizeof(DIBSECTION)), GetObjectW(bitmap.get(), sizeof(DIBSECTION), &ds));
    EXPECT_EQ(0, ds.dsBm.bmType);
    EXPECT_EQ(640, ds.dsBm.bmWidth);
    EXPECT_EQ(480, ds.dsBm.bmHeight);
    EXPECT_EQ(640 * 4, ds.dsBm.bmWidthBytes);
    EXPECT_EQ(1, ds.dsBm.bmPlanes);
    EXPECT_EQ(32, ds.dsBm.bmBitsPixel);
    EXPECT_EQ(bits, ds.dsBm.bmBits);
    EXPECT_EQ(40u, ds.dsBmih.biSize);
    EXPECT_EQ(640, ds.dsBmih.biWidth);
    EXPECT_EQ(480, ds.dsBmih.biHeight);
    EXPECT_EQ(32, ds.dsBmih.biBitCount);
    EXPECT_EQ(DWORD{BI_RGB}, ds.dsBmih.biCompression);
    EXPECT_EQ(640u * 4 * 480, ds.dsBmih.biSizeImage);
    EXPECT_EQ(nullptr, ds.dshSection);
    EXPECT_EQ(0u, ds.dsOffset);
}

TEST(DibSection, GetObjectKeepsTheSignOfATopDownHeight) {
    const BITMAPINFO info = infoOf(3, -2);
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
    ASSERT_TRUE(bitmap);
    DIBSECTION ds{};
    ASSERT_EQ(static_cast<int>(sizeof(DIBSECTION)), GetObjectW(bitmap.get(), sizeof ds, &ds));
    EXPECT_EQ(2, ds.dsBm.bmHeight) << "dsBm carries the absolute height";
    EXPECT_EQ(-2, ds.dsBmih.biHeight) << "dsBmih carries the height as created";
}

TEST(DibSection, GetObjectWithBitmapSizeFillsOnlyTheBitmap) {
    const BITMAPINFO info = infoOf(3, 2);
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    DIBSECTION ds{};
    ds.dsBmih.biSize = 0xDEAD;
    ASSERT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bitmap.get(), sizeof(BITMAP), &ds));
    EXPECT_EQ(3, ds.dsBm.bmWidth);
    EXPECT_EQ(bits, ds.dsBm.bmBits);
    EXPECT_EQ(0xDEADu, ds.dsBmih.biSize) << "nothing past the BITMAP is written";
    EXPECT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bitmap.get(), 0, nullptr)) << "size query";
    EXPECT_EQ(0, GetObjectW(bitmap.get(), sizeof(BITMAP) - 1, &ds)) << "too small";
}

TEST(DibSection, UnsupportedFormatsAreRefused) {
    BITMAPINFO info = infoOf(4, 4, 24);
    EXPECT_TRUE(refused(&info)) << "24 bpp";
    info = infoOf(4, 4, 8);
    EXPECT_TRUE(refused(&info)) << "8 bpp";
    info = infoOf(4, 4, 32, BI_BITFIELDS);
    EXPECT_TRUE(refused(&info)) << "BI_BITFIELDS";
    info = infoOf(4, 4);
    info.bmiHeader.biSize = 12;
    EXPECT_TRUE(refused(&info)) << "core header size";
    info = infoOf(4, 4);
    info.bmiHeader.biPlanes = 2;
    EXPECT_TRUE(refused(&info)) << "two planes";
    info = infoOf(4, 4);
    EXPECT_TRUE(refused(&info, DIB_PAL_COLORS)) << "palette colours";
    int mapping = 0;
    EXPECT_TRUE(refused(&info, DIB_RGB_COLORS, &mapping)) << "file mapping";
    EXPECT_TRUE(refused(nullptr)) << "no header";
}

TEST(DibSection, ZeroNegativeAndAbsurdSizesAreRefused) {
    BITMAPINFO info = infoOf(0, 10);
    EXPECT_TRUE(refused(&info)) << "zero width";
    info = infoOf(10, 0);
    EXPECT_TRUE(refused(&info)) << "zero height";
    info = infoOf(-10, 10);
    EXPECT_TRUE(refused(&info)) << "negative width";
    info = infoOf(INT_MAX, 1);
    EXPECT_TRUE(refused(&info)) << "row bytes overflow 32 bits";
    info = infoOf(65536, 65536);
    EXPECT_TRUE(refused(&info)) << "width * height * 4 overflows 32 bits";
    info = infoOf(1, INT_MIN);
    EXPECT_TRUE(refused(&info)) << "INT_MIN height";
    info = infoOf(32768, 16384);
    EXPECT_TRUE(refused(&info)) << "exactly 2^31 bytes";
}

TEST(DibSection, ForgedContextIsRefused) {
    const BITMAPINFO info = infoOf(2, 2);
    void* bits = &bits;
    EXPECT_EQ(nullptr, CreateDIBSection(reinterpret_cast<HDC>(0x12345), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(nullptr, bits);
}
