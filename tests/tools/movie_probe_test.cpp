#include "movie_probe.h"

#include "movie_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using swfwriter::Compression;

std::vector<std::uint8_t> movie(Compression compression, int width, int height, double rate, int frames) {
    swfwriter::MovieOptions options;
    options.width = width;
    options.height = height;
    options.frameRate = rate;
    options.compression = compression;
    swfwriter::MovieWriter writer(options);
    for (int i = 0; i < frames; ++i)
        writer.showFrame();
    return writer.finish();
}

TEST(MovieProbe, ReadsSizeRateAndFrameCountInEveryCompression) {
    struct Case {
        Compression compression;
        int width, height;
        double rate;
        int frames;
    } cases[] = {
        {Compression::None, 640, 480, 24.0, 3},
        {Compression::Zlib, 321, 99, 29.97, 5},
        {Compression::Lzma, 1920, 1080, 12.5, 1},
    };
    for (const Case& c : cases) {
        const auto bytes = movie(c.compression, c.width, c.height, c.rate, c.frames);
        const auto info = moviecapture::probeMovie(bytes);
        ASSERT_TRUE(info) << info.error().message;
        EXPECT_EQ(info->width, c.width);
        EXPECT_EQ(info->height, c.height);
        EXPECT_NEAR(info->frameRate, c.rate, 1.0 / 256);
        EXPECT_EQ(info->frameCount, c.frames);
    }
}

TEST(MovieProbe, RefusesWhatIsNoMovie) {
    auto zlib = movie(Compression::Zlib, 100, 100, 24, 1);
    auto brokenBody = zlib;
    for (std::size_t i = 8; i < brokenBody.size(); ++i)
        brokenBody[i] = 0xFF;
    const std::vector<std::uint8_t> plain = movie(Compression::None, 100, 100, 24, 1);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* says;
    } cases[] = {
        {"empty", {}, "too short"},
        {"text", {'<', 'h', 't', 'm', 'l', '>', ' ', ' ', ' '}, "FWS, CWS or ZWS"},
        {"signature only", {'F', 'W', 'S', 10}, "cut short"},
        {"header cut", std::vector<std::uint8_t>(plain.begin(), plain.begin() + 10), "cut short"},
        {"body does not inflate", brokenBody, "inflate"},
    };
    for (const Case& c : cases) {
        const auto info = moviecapture::probeMovie(c.bytes);
        ASSERT_FALSE(info) << c.name;
        EXPECT_NE(info.error().message.find(c.says), std::string::npos) << c.name << ": " << info.error().message;
    }
}

}  // namespace
