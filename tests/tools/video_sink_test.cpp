// Each video format is written, then decoded back through libav: frame count,
// size, rate and one pixel must come back as written.
#include "video_sink.h"

#include <moviehost/client/frame.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

namespace {

using moviecapture::Rational;
using moviecapture::VideoFormat;

struct Decoded {
    int frames = 0;
    int width = 0;
    int height = 0;
    AVRational rate{0, 1};
    std::uint8_t r = 0, g = 0, b = 0;  // the centre pixel of the last frame
};

Decoded decode(const std::filesystem::path& path) {
    Decoded out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return out;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> formatOwner(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return out;
    AVStream* stream = format->streams[index];
    out.rate = stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(context.get(), stream->codecpar);
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return out;
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    auto receive = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            ++out.frames;
            out.width = frame->width;
            out.height = frame->height;
            std::uint8_t rgb[3] = {};
            std::uint8_t* planes[1] = {rgb};
            int strides[1] = {3};
            SwsContext* scale =
                sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                               frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
            std::vector<std::uint8_t> row(static_cast<std::size_t>(frame->width) * 3 * frame->height);
            planes[0] = row.data();
            strides[0] = frame->width * 3;
            sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scale);
            const std::size_t at = (static_cast<std::size_t>(frame->height / 2) * frame->width + frame->width / 2) * 3;
            out.r = row[at];
            out.g = row[at + 1];
            out.b = row[at + 2];
        }
    };
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context.get(), packet.get()) == 0)
            receive();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    receive();
    return out;
}

TEST(VideoSink, EveryFormatDecodesBackWithItsFramesSizeRateAndColour) {
    const auto folder = std::filesystem::temp_directory_path() / ("video_sink_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    struct Case {
        const char* name;
        int width, height;
        Rational rate;
    } cases[] = {
        {"clip.mp4", 64, 48, {24, 1}}, {"clip.webm", 64, 48, {30000, 1001}}, {"clip.mkv", 33, 17, {25, 1}},
        {"clip.MOV", 64, 48, {24, 1}}, {"clip.gif", 40, 30, {25, 1}},
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

        const Decoded back = decode(path);
        EXPECT_EQ(back.frames, FrameCount) << c.name;
        EXPECT_EQ(back.width, c.width) << c.name;
        EXPECT_EQ(back.height, c.height) << c.name;
        if (*format != VideoFormat::Gif) {  // GIF delays are whole centiseconds
            EXPECT_EQ(back.rate.num * c.rate.den, back.rate.den * c.rate.num)
                << c.name << ": " << back.rate.num << "/" << back.rate.den;
        }
        EXPECT_NEAR(back.r, 240, 12) << c.name;
        EXPECT_NEAR(back.g, 120, 12) << c.name;
        EXPECT_NEAR(back.b, 16, 12) << c.name;
    }
    std::filesystem::remove_all(folder);
}

TEST(VideoSink, RatesAreExactFractions) {
    const struct {
        double fps;
        Rational rate;
    } cases[] = {{24, {24, 1}},          {29.97, {30000, 1001}}, {23.976, {24000, 1001}},
                 {59.94, {60000, 1001}}, {12.5, {25, 2}},        {0, {30, 1}},
                 {-3, {30, 1}}};
    for (const auto& c : cases)
        EXPECT_EQ(moviecapture::exactRate(c.fps), c.rate) << c.fps;
}

TEST(VideoSink, OnlyVideoNamesChooseAFormat) {
    EXPECT_EQ(moviecapture::videoFormatFor("out"), std::nullopt);
    EXPECT_EQ(moviecapture::videoFormatFor("frames.d/"), std::nullopt);
    EXPECT_EQ(moviecapture::videoFormatFor("a.WebM"), VideoFormat::WebM);
}

}  // namespace
