// Each video format is written, then decoded back through libav: frame count,
// size, rate and one pixel must come back as written.
#include "video_sink.h"
#include "video_reader.h"

#include <moviehost/client/frame.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

namespace {

using moviecapture::Rational;
using moviecapture::VideoFormat;

TEST(VideoSink, EveryFormatDecodesBackWithItsFramesSizeRateAndColour) {
    const auto folder = std::filesystem::temp_directory_path() / ("video_sink_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    struct Case {
        const char* name;
        int width, height;
        Rational rate;
    } cases[] = {
        {"clip.mp4", 64, 48, {24, 1}},       {"clip.webm", 64, 48, {30000, 1001}}, {"clip.mkv", 33, 17, {25, 1}},
        {"clip.MOV", 64, 48, {30000, 1001}}, {"clip.gif", 40, 30, {25, 2}},
    };
    constexpr int FrameCount = 12;
    for (const Case& c : cases) {
        const auto path = folder / c.name;
        const auto format = moviecapture::videoFormatFor(path);
        ASSERT_TRUE(format) << c.name;
        std::ostringstream progress;
        moviecapture::VideoSink sink({path, *format, c.width, c.height, c.rate, std::nullopt}, FrameCount, progress);
        ASSERT_EQ(sink.open(), std::nullopt) << c.name;
        moviehost::client::Frame frame(c.width, c.height);
        for (int n = 1; n <= FrameCount; ++n) {
            // Orange throughout; the last frame must come back orange.
            for (std::size_t i = 0; i < frame.byteCount(); i += 4) {
                frame.bytes()[i] = 240;
                frame.bytes()[i + 1] = 120;
                frame.bytes()[i + 2] = 16;
                frame.bytes()[i + 3] = 255;
            }
            ASSERT_EQ(sink.write(frame, static_cast<std::uint64_t>(n)), std::nullopt) << c.name;
        }
        ASSERT_EQ(sink.close(), std::nullopt) << c.name;

        const auto back = moviehost::testing::decodeVideo(path);
        EXPECT_EQ(back.frames, FrameCount) << c.name;
        EXPECT_EQ(back.width, c.width) << c.name;
        EXPECT_EQ(back.height, c.height) << c.name;
        if (*format != VideoFormat::Gif) {  // GIF states no rate, only delays
            EXPECT_EQ(std::int64_t{back.rate.num} * c.rate.den, std::int64_t{back.rate.den} * c.rate.num)
                << c.name << ": " << back.rate.num << "/" << back.rate.den;
        }
        // The frames are spaced 1/rate apart, to the container's clock tick.
        const double span = static_cast<double>(back.lastPts - back.firstPts) * av_q2d(back.timeBase);
        EXPECT_NEAR(span, (FrameCount - 1) / c.rate.value(), av_q2d(back.timeBase)) << c.name;
        EXPECT_NEAR(back.r, 240, 12) << c.name;
        EXPECT_NEAR(back.g, 120, 12) << c.name;
        EXPECT_NEAR(back.b, 16, 12) << c.name;
    }
    std::filesystem::remove_all(folder);
}

TEST(VideoSink, OnlyVideoNamesChooseAFormat) {
    EXPECT_EQ(moviecapture::videoFormatFor("out"), std::nullopt);
    EXPECT_EQ(moviecapture::videoFormatFor("frames.d/"), std::nullopt);
    EXPECT_EQ(moviecapture::videoFormatFor("a.WebM"), VideoFormat::WebM);
}

}  // namespace
