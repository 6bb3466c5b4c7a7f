// Bitmap decoding to known pixels (premultiplied native ARGB).
#include "swf/image_decoder.h"
#include "swf/movie.h"

#include "movie_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace swfwriter;
using testutil::hasProblem;
using testutil::load;

constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

const swf::Bitmap& bitmapOf(const swf::Movie& movie, uint16_t id) {
    const swf::Bitmap* b = movie.characters.find<swf::Bitmap>(id);
    static const swf::Bitmap NoBitmap;
    EXPECT_NE(b, nullptr);
    return b ? *b : NoBitmap;
}

TEST(Lossless, Format3ColourMappedWithRowPadding) {
    MovieWriter m;
    // Width 3: rows of 3 index bytes padded to 4. Table: red, green, blue.
    std::vector<uint8_t> data = {255, 0, 0, 0, 255, 0, 0, 0, 255,  //
                                 0,   1, 2, 0,                     //
                                 2,   2, 9, 0};                    // index 9 is outside the table
    uint16_t id = m.defineBitsLosslessRaw(1, 3, 3, 2, 2, data);
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(b.source, swf::BitmapSource::Lossless);
    EXPECT_EQ(b.width, 3u);
    EXPECT_EQ(b.height, 2u);
    EXPECT_EQ(b.pixel(0, 0), argb(255, 255, 0, 0));
    EXPECT_EQ(b.pixel(1, 0), argb(255, 0, 255, 0));
    EXPECT_EQ(b.pixel(2, 0), argb(255, 0, 0, 255));
    EXPECT_EQ(b.pixel(0, 1), argb(255, 0, 0, 255));
    EXPECT_EQ(b.pixel(2, 1), 0u) << "an index outside the table is transparent";
}

TEST(Lossless, Format3WithAlphaTable) {
    MovieWriter m;
    std::vector<uint8_t> data = {100, 50, 0, 128, 0, 0, 0, 0,  //
                                 0,   1,  0, 0};
    uint16_t id = m.defineBitsLosslessRaw(2, 3, 2, 1, 1, data);
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(b.pixel(0, 0), argb(128, 100, 50, 0)) << "already premultiplied, kept";
    EXPECT_EQ(b.pixel(1, 0), 0u);
}

TEST(Lossless, Format4FifteenBit) {
    MovieWriter m;
    // Big-endian 0RRRRRGG GGGBBBBB: pure red 0x7C00, pure blue 0x001F; width 1 pads each row to 4 bytes.
    std::vector<uint8_t> data = {0x7C, 0x00, 0, 0, 0x00, 0x1F, 0, 0};
    uint16_t id = m.defineBitsLosslessRaw(1, 4, 1, 2, 0, data);
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(b.pixel(0, 0), argb(255, 255, 0, 0));
    EXPECT_EQ(b.pixel(0, 1), argb(255, 0, 0, 255));
}

TEST(Lossless, Format5OpaqueAndPremultipliedAlpha) {
    MovieWriter m;
    std::vector<uint8_t> opaque = {0x00, 10, 20, 30, 0x7F, 40, 50, 60};
    uint16_t a = m.defineBitsLosslessRaw(1, 5, 2, 1, 0, opaque);
    // Lossless2: ARGB premultiplied; a colour above its alpha is clamped.
    std::vector<uint8_t> alpha = {128, 64, 32, 16, 0, 0, 0, 0, 100, 200, 50, 100};
    uint16_t b = m.defineBitsLosslessRaw(2, 5, 3, 1, 0, alpha);
    auto movie = load(m.finish());
    const swf::Bitmap& o = bitmapOf(*movie, a);
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o.pixel(0, 0), argb(255, 10, 20, 30)) << "the first byte of PIX24 is padding";
    EXPECT_EQ(o.pixel(1, 0), argb(255, 40, 50, 60));
    const swf::Bitmap& t = bitmapOf(*movie, b);
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.source, swf::BitmapSource::LosslessAlpha);
    EXPECT_EQ(t.pixel(0, 0), argb(128, 64, 32, 16));
    EXPECT_EQ(t.pixel(1, 0), 0u);
    EXPECT_EQ(t.pixel(2, 0), argb(100, 100, 50, 100));
}

TEST(Lossless, WriterHelperPremultiplies) {
    MovieWriter m;
    Image img = Image::filled(2, 2, 255, 0, 0, 255);
    img.set(1, 1, 0, 255, 0, 0);
    uint16_t id = m.defineBitsLossless(img, true);
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    EXPECT_EQ(b.pixel(0, 0), argb(255, 255, 0, 0));
    EXPECT_EQ(b.pixel(1, 1), 0u);
}

TEST(Lossless, BrokenDataGivesAnEmptyBitmapAndAProblem) {
    MovieWriter m;
    std::vector<uint8_t> tooShort = {1, 2, 3};
    uint16_t shortId = m.defineBitsLosslessRaw(1, 5, 10, 10, 0, tooShort);
    uint16_t badFormat = m.defineBitsLosslessRaw(1, 7, 1, 1, 0, {1, 2, 3, 4});
    auto movie = load(m.finish());
    const swf::Bitmap& s = bitmapOf(*movie, shortId);
    EXPECT_EQ(s.error, swf::ErrorCode::ImageDecodeFailed);
    EXPECT_TRUE(s.pixels.empty());
    EXPECT_EQ(s.width, 0u);
    EXPECT_EQ(bitmapOf(*movie, badFormat).error, swf::ErrorCode::UnsupportedImage);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::ImageDecodeFailed));
}

void expectNear(uint32_t pixel, int a, int r, int g, int b, int tolerance) {
    EXPECT_NEAR(int(pixel >> 24), a, tolerance);
    EXPECT_NEAR(int((pixel >> 16) & 0xFF), r, tolerance);
    EXPECT_NEAR(int((pixel >> 8) & 0xFF), g, tolerance);
    EXPECT_NEAR(int(pixel & 0xFF), b, tolerance);
}

Image quarters() {
    // 16x16: left half red, right half blue, in 8x8 blocks so JPEG keeps them apart.
    Image img = Image::filled(16, 16, 255, 0, 0);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 8; x < 16; ++x)
            img.set(x, y, 0, 0, 255);
    return img;
}

TEST(Jpeg, Jpeg2DecodesToApproximateColours) {
    MovieWriter m;
    uint16_t id = m.defineBitsJpeg2(encodeJpeg(quarters(), 95));
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    ASSERT_TRUE(b.ok()) << swf::describe(b.error);
    EXPECT_EQ(b.source, swf::BitmapSource::Jpeg);
    EXPECT_EQ(b.width, 16u);
    expectNear(b.pixel(2, 2), 255, 255, 0, 0, 12);
    expectNear(b.pixel(13, 13), 255, 0, 0, 255, 12);
}

TEST(Jpeg, ErroneousHeaderIsTolerated) {
    MovieWriter m;
    std::vector<uint8_t> data = {0xFF, 0xD9, 0xFF, 0xD8};
    auto jpeg = encodeJpeg(quarters(), 95);
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    uint16_t id = m.defineBitsJpeg2(data);
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    ASSERT_TRUE(b.ok());
    expectNear(b.pixel(3, 12), 255, 255, 0, 0, 12);
}

TEST(Jpeg, DefineBitsUsesJpegTables) {
    MovieWriter m;
    JpegParts parts = encodeJpegAbbreviated(quarters(), 90);
    m.jpegTables(parts.tables);
    uint16_t id = m.defineBits(parts.image);
    auto movie = load(m.finish());
    const swf::Bitmap& b = bitmapOf(*movie, id);
    ASSERT_TRUE(b.ok()) << swf::describe(b.error);
    expectNear(b.pixel(12, 4), 255, 0, 0, 255, 12);
}

TEST(Jpeg, Jpeg3AndJpeg4ApplyTheirAlphaPlane) {
    MovieWriter m;
    Image white = Image::filled(8, 8, 255, 255, 255);
    std::vector<uint8_t> alpha(64, 255);
    for (size_t i = 0; i < 8; ++i)
        alpha[i] = 0;  // first row transparent
    for (size_t i = 8; i < 16; ++i)
        alpha[i] = 128;  // second row half
    auto jpeg = encodeJpeg(white, 95);
    uint16_t three = m.defineBitsJpeg3(jpeg, alpha);
    uint16_t four = m.defineBitsJpeg4(jpeg, alpha, 0x0180);
    auto movie = load(m.finish());
    for (uint16_t id : {three, four}) {
        const swf::Bitmap& b = bitmapOf(*movie, id);
        ASSERT_TRUE(b.ok());
        EXPECT_EQ(b.pixel(3, 0), 0u);
        expectNear(b.pixel(3, 1), 128, 128, 128, 128, 3);
        expectNear(b.pixel(3, 5), 255, 255, 255, 255, 3);
    }
    EXPECT_EQ(bitmapOf(*movie, four).deblocking, 0x0180);
}

TEST(Png, PngInJpeg2AndJpeg3) {
    MovieWriter m;
    Image img = Image::filled(3, 2, 0, 255, 0, 255);
    img.set(2, 1, 255, 0, 0, 0);
    img.set(0, 1, 200, 100, 0, 128);
    uint16_t id = m.defineBitsJpeg2(encodePng(img));
    uint16_t withPlane = m.defineBitsJpeg3(encodePng(img), std::vector<uint8_t>(6, 0));  // plane ignored for PNG
    auto movie = load(m.finish());
    for (uint16_t bid : {id, withPlane}) {
        const swf::Bitmap& b = bitmapOf(*movie, bid);
        ASSERT_TRUE(b.ok());
        EXPECT_EQ(b.source, swf::BitmapSource::Png);
        EXPECT_EQ(b.pixel(0, 0), argb(255, 0, 255, 0));
        EXPECT_EQ(b.pixel(2, 1), 0u);
        EXPECT_EQ(b.pixel(0, 1), argb(128, 100, 50, 0)) << "straight PNG colour gets premultiplied";
    }
}

TEST(Images, GifAndGarbageAreDefinedFailures) {
    MovieWriter m;
    uint16_t gif = m.defineBitsJpeg2({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0});
    uint16_t junk = m.defineBitsJpeg2({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 1, 2, 3});
    auto movie = load(m.finish());
    EXPECT_EQ(bitmapOf(*movie, gif).error, swf::ErrorCode::UnsupportedImage);
    EXPECT_EQ(bitmapOf(*movie, gif).source, swf::BitmapSource::Gif);
    EXPECT_EQ(bitmapOf(*movie, junk).error, swf::ErrorCode::ImageDecodeFailed);
    EXPECT_TRUE(bitmapOf(*movie, junk).pixels.empty());
}

TEST(Images, SizesAreBounded) {
    MovieWriter m;
    // A 65535 x 65535 lossless header over a few bytes of data.
    uint16_t huge = m.defineBitsLosslessRaw(1, 5, 65535, 65535, 0, {0, 0, 0, 0});
    Image img = Image::filled(64, 64, 1, 2, 3);
    uint16_t a = m.defineBitsLossless(img, false);
    uint16_t b = m.defineBitsLossless(img, false);
    swf::ParseOptions options;
    options.maxTotalImageBytes = 64 * 64 * 4 + 100;  // room for one of the two
    auto movie = load(m.finish(), options);
    EXPECT_EQ(bitmapOf(*movie, huge).error, swf::ErrorCode::ImageTooLarge);
    EXPECT_TRUE(bitmapOf(*movie, a).ok());
    EXPECT_EQ(bitmapOf(*movie, b).error, swf::ErrorCode::ImageTooLarge);
    EXPECT_EQ(movie->decodedImageBytes, 64u * 64 * 4);
}

TEST(Gif, FirstImageDecodesWithTransparencyAndInterlace) {
    // 3 x 9: index = (x + y) % 3 over red, green, blue; blue is clear.
    GifPicture picture{3, 9, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {}, 2, false};
    for (uint32_t y = 0; y < 9; ++y) {
        for (uint32_t x = 0; x < 3; ++x)
            picture.indices.push_back(uint8_t((x + y) % 3));
    }
    const uint32_t colours[] = {argb(255, 255, 0, 0), argb(255, 0, 255, 0), 0};
    const auto always = [](uint64_t, uint64_t) { return true; };
    for (bool interlaced : {false, true}) {
        picture.interlaced = interlaced;
        const auto bytes = encodeGif(picture);
        EXPECT_EQ(swf::sniffImageFormat(bytes), swf::ImageFormat::Gif);
        swf::Bitmap b;
        swf::decodeGif(bytes, always, b);
        ASSERT_TRUE(b.ok()) << interlaced;
        EXPECT_EQ(b.width, 3u);
        EXPECT_EQ(b.height, 9u);
        for (uint32_t y = 0; y < 9; ++y) {
            for (uint32_t x = 0; x < 3; ++x)
                EXPECT_EQ(b.pixel(x, y), colours[(x + y) % 3]) << x << "," << y << " interlaced " << interlaced;
        }
    }
}

TEST(Gif, BadFilesAreDefinedFailures) {
    GifPicture picture{4, 4, {{1, 2, 3}, {4, 5, 6}}, std::vector<uint8_t>(16, 1)};
    const auto good = encodeGif(picture);
    const auto always = [](uint64_t, uint64_t) { return true; };
    const auto never = [](uint64_t, uint64_t) { return false; };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        bool allowed;
        swf::ErrorCode error;
    } cases[] = {
        {"refused size", good, false, swf::ErrorCode::ImageTooLarge},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 13), true, swf::ErrorCode::ImageDecodeFailed},
        {"cut in the image", std::vector<uint8_t>(good.begin(), good.end() - 6), true,
         swf::ErrorCode::ImageDecodeFailed},
        {"no image", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}, true, swf::ErrorCode::ImageDecodeFailed},
        {"garbage", {'G', 'I', 'F', '8', '7'}, true, swf::ErrorCode::ImageDecodeFailed},
    };
    for (const auto& c : cases) {
        swf::Bitmap b;
        swf::decodeGif(c.bytes, c.allowed ? swf::ImageBudget(always) : swf::ImageBudget(never), b);
        EXPECT_EQ(b.error, c.error) << c.name;
        EXPECT_TRUE(b.pixels.empty()) << c.name;
    }
}

TEST(Images, JoinJpegStreamsDropsInnerMarkers) {
    std::vector<uint8_t> tables = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x07, 0xFF, 0xD9};
    std::vector<uint8_t> data = {0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0x11, 0xFF, 0xD9};
    std::vector<uint8_t> expected = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x07,
                                     0xFF, 0xDA, 0x00, 0x02, 0x11, 0xFF, 0xD9};
    EXPECT_EQ(swf::joinJpegStreams(tables, data), expected);
}

}  // namespace
