#include "swf/container.h"
#include "swf/movie.h"

#include "movie_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using namespace swfwriter;
using testutil::hasProblem;
using testutil::load;

std::vector<uint8_t> smallMovie(Compression compression) {
    MovieWriter m({.version = 8, .width = 320, .height = 240, .frameRate = 12.5, .compression = compression});
    m.background({10, 20, 30});
    uint16_t id = m.rectangle(0, 0, 200, 200, {255, 0, 0});
    m.place(id, 1);
    m.showFrame();
    m.showFrame();
    return m.finish();
}

class ContainerKinds : public ::testing::TestWithParam<Compression> {};

TEST_P(ContainerKinds, HeaderFieldsSurviveEveryCompression) {
    auto movie = load(smallMovie(GetParam()));
    const swf::Header& h = movie->header;
    EXPECT_EQ(h.version, 8);
    EXPECT_EQ(h.stage, (swf::Rect{0, 6400, 0, 4800}));
    EXPECT_EQ(h.frameRate88, 12 * 256 + 128);
    EXPECT_DOUBLE_EQ(h.frameRate(), 12.5);
    EXPECT_EQ(h.declaredFrameCount, 2);
    EXPECT_EQ(movie->root.frames.size(), 2u);
    EXPECT_FALSE(movie->truncated);
    EXPECT_TRUE(movie->problems.empty()) << "first problem code " << int(movie->problems[0].code);
    ASSERT_TRUE(movie->backgroundColor);
    EXPECT_EQ(*movie->backgroundColor, (swf::Rgba{10, 20, 30, 255}));
}

INSTANTIATE_TEST_SUITE_P(Swf, ContainerKinds,
                         ::testing::Values(Compression::None, Compression::Zlib, Compression::Lzma));

TEST(Container, RejectsWhatIsNotAMovie) {
    std::vector<std::vector<uint8_t>> bad = {
        {},
        {'F', 'W', 'S'},
        {'G', 'W', 'S', 10, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {'F', 'W', 'S', 10, 9, 0, 0, 0, 0x78},  // prefix but no complete RECT / rate / count
    };
    for (const auto& file : bad) {
        auto r = swf::parseMovie(file);
        ASSERT_FALSE(r.has_value());
        EXPECT_EQ(r.error().code, swf::ErrorCode::NotAMovie);
    }
    std::vector<uint8_t> garbage = {'C', 'W', 'S', 10, 100, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    auto r = swf::parseMovie(garbage);
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error().code, swf::ErrorCode::CorruptCompressedData);
}

TEST(Container, TruncatedCompressedFileKeepsCompleteFrames) {
    MovieWriter m({.compression = Compression::Zlib});
    for (int i = 0; i < 50; ++i) {
        uint16_t id = m.rectangle(0, 0, 100 + i, 100, {uint8_t(i), 0, 0});
        m.place(id, uint16_t(i + 1));
        m.showFrame();
    }
    auto file = m.finish();
    file.resize(file.size() * 2 / 3);
    auto movie = load(file);
    EXPECT_TRUE(movie->truncated);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::Truncated));
    EXPECT_GT(movie->root.frames.size(), 5u);
    EXPECT_LT(movie->root.frames.size(), 50u);
    // Every kept frame refers to a shape that was defined completely.
    for (const auto& frame : movie->root.frames) {
        for (const auto& tag : frame.tags) {
            if (auto* p = std::get_if<swf::PlaceObject>(&tag)) {
                EXPECT_NE(movie->characters.find<swf::Shape>(*p->characterId), nullptr);
            }
        }
    }
}

TEST(Container, TruncatedAndDamagedLzmaFiles) {
    MovieWriter m({.compression = Compression::Lzma});
    for (int i = 0; i < 40; ++i) {
        m.place(m.circle(0, 0, 100 + i * 7, {uint8_t(i), 50, 0}), uint16_t(i + 1));
        m.showFrame();
    }
    const auto file = m.finish();
    auto cut = file;
    cut.resize(file.size() / 2);
    auto movie = load(cut);
    EXPECT_TRUE(movie->truncated);
    EXPECT_GT(movie->root.frames.size(), 3u);
    EXPECT_LT(movie->root.frames.size(), 40u);

    // Properties asking for a 4 GiB dictionary: refused by the decoder's memory limit.
    auto greedy = file;
    greedy[13] = greedy[14] = greedy[15] = greedy[16] = 0xFF;
    auto r = swf::parseMovie(greedy);
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error().code, swf::ErrorCode::CorruptCompressedData);

    // Too short to hold the compressed length and the properties.
    std::vector<uint8_t> stub(file.begin(), file.begin() + 12);
    auto s = swf::parseMovie(stub);
    ASSERT_FALSE(s.has_value());
    EXPECT_EQ(s.error().code, swf::ErrorCode::NotAMovie);
}

TEST(Container, DeclaredLengthThatDisagreesIsAProblemNotAFailure) {
    auto file = smallMovie(Compression::None);
    file[4] = 0xFF;  // claims far more than there is
    file[5] = 0xFF;
    auto movie = load(file);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::LengthMismatch));
    EXPECT_EQ(movie->root.frames.size(), 2u);
    EXPECT_FALSE(movie->truncated) << "the tags themselves are complete";
}

TEST(Container, CompressedFileWithShortDeclaredLengthStillLoads) {
    auto file = smallMovie(Compression::Zlib);
    file[4] = 20;  // declared length far too small
    file[5] = file[6] = file[7] = 0;
    auto movie = load(file);
    EXPECT_EQ(movie->root.frames.size(), 2u);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::LengthMismatch));
}

// A file of a few kilobytes whose data inflates to far more than it declares.
std::vector<uint8_t> zipBomb(uint32_t declared, size_t inflated) {
    std::vector<uint8_t> body = {0x50, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // RECT nbits=10, zeros
    body.resize(9 + 4, 0);                                                               // rate, count
    body.resize(inflated, 0);  // tag header 0 = End... then zeros: nothing past End is read
    std::vector<uint8_t> out = {
        'C', 'W', 'S', 10, uint8_t(declared), uint8_t(declared >> 8), uint8_t(declared >> 16), uint8_t(declared >> 24)};
    uLongf size = compressBound(uLong(body.size()));
    std::vector<uint8_t> z(size);
    EXPECT_EQ(compress2(z.data(), &size, body.data(), uLong(body.size()), 1), Z_OK);
    z.resize(size);
    out.insert(out.end(), z.begin(), z.end());
    return out;
}

TEST(Container, DecompressionStopsAtTheLimit) {
    EXPECT_EQ(swf::decompressionLimit(100, size_t(256) << 20), 200u + (1u << 20));
    EXPECT_EQ(swf::decompressionLimit(0xFFFFFFFFu, size_t(256) << 20), size_t(256) << 20);

    auto bomb = zipBomb(100, size_t(16) << 20);  // 16 MiB of zeros in ~70 KiB
    EXPECT_LT(bomb.size(), 200000u);
    auto opened = swf::openContainer(bomb, size_t(256) << 20);
    ASSERT_TRUE(opened.has_value());
    EXPECT_TRUE(opened.value().limitReached);
    EXPECT_EQ(opened.value().data().size(), swf::decompressionLimit(100, size_t(256) << 20));

    // A header that declares 4 GiB gets the absolute cap, here lowered for the test.
    auto big = zipBomb(0xFFFFFFFFu, size_t(16) << 20);
    auto capped = swf::openContainer(big, size_t(4) << 20);
    ASSERT_TRUE(capped.has_value());
    EXPECT_TRUE(capped.value().limitReached);
    EXPECT_EQ(capped.value().data().size(), size_t(4) << 20);
    // The whole parse stops there too and says so.
    swf::ParseOptions options;
    options.maxMovieBytes = size_t(4) << 20;
    auto movie = load(big, options);
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::LimitExceeded));
}

TEST(Container, ParseMovieFileReportsUnreadableFiles) {
    auto r = swf::parseMovieFile("/nonexistent/movie.swf");
    ASSERT_FALSE(r.has_value());
    EXPECT_EQ(r.error().code, swf::ErrorCode::ReadFailed);
}

}  // namespace
