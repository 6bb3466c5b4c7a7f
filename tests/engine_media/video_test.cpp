// Embedded video: frames encoded at build time come back in order, seeking
// goes through key frames, and bad frames are skipped.
#include "media/video_decoder.h"

#include "flv_reader.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace mediatest;

swf::VideoStream streamOf(const std::string& file, uint8_t codec, uint16_t width = 64, uint16_t height = 48) {
    swf::VideoStream s;
    s.codec = codec;
    s.width = width;
    s.height = height;
    auto packets = readPackets(fixture(file), true);
    s.frameCount = uint16_t(packets.size());
    for (size_t i = 0; i < packets.size(); ++i)
        s.frames.push_back({uint16_t(i), std::move(packets[i])});
    return s;
}

int greyAt(const media::VideoImage& image) {
    return image.rgba[(size_t(image.height / 2) * image.width + image.width / 2) * 4];
}

struct CodecCase {
    const char* file;
    uint8_t codec;
    size_t keyFrames;
};
const CodecCase Codecs[] = {
    {"grey_flv1.flv", swf::VideoCodec::SorensonH263, 4},
    {"grey_flashsv.flv", swf::VideoCodec::ScreenVideo, 20},  // every block changes in every frame
    {"grey_flashsv2.flv", swf::VideoCodec::ScreenVideo2, 4},
};

TEST(Video, FramesComeBackInOrderAndSeek) {
    for (const CodecCase& c : Codecs) {
        SCOPED_TRACE(c.file);
        swf::VideoStream stream = streamOf(c.file, c.codec);
        ASSERT_EQ(stream.frames.size(), 20u);
        size_t keys = 0;
        for (const auto& f : stream.frames)
            keys += media::isKeyFrame(c.codec, f.data);
        EXPECT_TRUE(media::isKeyFrame(c.codec, stream.frames[0].data));
        EXPECT_EQ(keys, c.keyFrames);
        auto video = media::EmbeddedVideo::create(stream);
        ASSERT_TRUE(video);
        for (uint16_t k = 0; k < 20; ++k) {
            const media::VideoImage* image = video->frame(k);
            ASSERT_NE(image, nullptr) << k;
            EXPECT_EQ(image->width, 64u);
            EXPECT_EQ(image->height, 48u);
            EXPECT_NEAR(greyAt(*image), 10 + 12 * k, 6) << k;
        }
        // Back, then forward past a key frame: each lands on its own picture.
        for (uint16_t k : {3, 17, 2, 19, 0}) {
            const media::VideoImage* image = video->frame(k);
            ASSERT_NE(image, nullptr);
            EXPECT_NEAR(greyAt(*image), 10 + 12 * k, 6) << k;
        }
    }
}

TEST(Video, SeekingDecodesFromTheLastKeyFrameOnly) {
    swf::VideoStream stream = streamOf("grey_flv1.flv", swf::VideoCodec::SorensonH263);
    auto video = media::EmbeddedVideo::create(stream);
    ASSERT_TRUE(video);
    (void)video->frame(18);  // key frames at 0, 5, 10, 15: decodes 15..18
    EXPECT_EQ(video->decodeCount(), 4u);
    (void)video->frame(19);
    EXPECT_EQ(video->decodeCount(), 5u);
    (void)video->frame(6);  // back: 5..6
    EXPECT_EQ(video->decodeCount(), 7u);
}

TEST(Video, BadFramesAreSkipped) {
    std::mt19937 rng(3);
    std::vector<uint8_t> noise(300);
    for (auto& b : noise)
        b = uint8_t(rng());
    swf::VideoStream damaged = streamOf("grey_flv1.flv", swf::VideoCodec::SorensonH263);
    damaged.frames[7].data = noise;
    damaged.frames[8].data.resize(6);
    auto video = media::EmbeddedVideo::create(damaged);
    ASSERT_TRUE(video);
    for (uint16_t k = 0; k < 20; ++k)
        (void)video->frame(k);
    ASSERT_NE(video->frame(10), nullptr);
    EXPECT_NEAR(greyAt(*video->frame(10)), 130, 6) << "the key frame after the damage decodes";

    // Pictures larger than the stream says are refused, not drawn past its size.
    swf::VideoStream small = streamOf("grey_flv1.flv", swf::VideoCodec::SorensonH263, 16, 12);
    auto tiny = media::EmbeddedVideo::create(small);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->frame(5), nullptr);

    // VP6 has no encoder here: noise in both of its forms decodes to nothing, safely.
    for (uint8_t codec : {swf::VideoCodec::Vp6, swf::VideoCodec::Vp6Alpha}) {
        swf::VideoStream vp6;
        vp6.codec = codec;
        vp6.width = 64;
        vp6.height = 48;
        vp6.frameCount = 3;
        vp6.frames = {{0, noise}, {1, {0x00}}, {2, {}}};
        auto v = media::EmbeddedVideo::create(vp6);
        ASSERT_TRUE(v);
        for (uint16_t k : {2, 0, 1})
            (void)v->frame(k);
    }
    EXPECT_TRUE(media::isKeyFrame(swf::VideoCodec::Vp6, std::vector<uint8_t>{0x00, 1}));
    EXPECT_FALSE(media::isKeyFrame(swf::VideoCodec::Vp6, std::vector<uint8_t>{0x80, 1}));
    EXPECT_TRUE(media::isKeyFrame(swf::VideoCodec::Vp6Alpha, std::vector<uint8_t>{0, 0, 9, 0x00}));

    swf::VideoStream unknown;
    unknown.codec = 9;
    EXPECT_FALSE(media::EmbeddedVideo::create(unknown));
}

}  // namespace
