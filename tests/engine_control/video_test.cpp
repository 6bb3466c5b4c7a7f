// Embedded video drawn by the control: streams encoded at build time by the
// ffmpeg program (Sorenson H.263 and both screen videos), frame k a flat grey
// of level 10 + 12 k, placed on a timeline whose frame k shows video frame k.
// The drawn grey tells which video frame the control shows, in order and
// after a jump back.
#include "control_harness.h"

#include "flv_reader.h"

#include "platform/testing.h"
#include "swf/video.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace controltest;

namespace {

class Video : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::UseManualClock(1'000'000); }
    void TearDown() override { platform::testing::UseRealClock(); }
};

int greyOf(uint32_t pixel) { return int(pixel & 0xFF); }

// Frame k of the timeline shows video frame k, stretched over the 64 x 48 stage.
std::string videoMovie(const std::string& fixture, uint8_t codec, size_t& frames) {
    auto packets = mediatest::readPackets(mediatest::fixture(fixture), true);
    frames = packets.size();
    swfwriter::MovieWriter movie({.width = 64, .height = 48, .frameRate = 10});
    const uint16_t stream = movie.defineVideoStream(uint16_t(frames), 64, 48, codec);
    for (size_t k = 0; k < frames; ++k) {
        movie.videoFrame(stream, uint16_t(k), packets[k]);
        if (k == 0)
            movie.place(stream, 1, {.ratio = 0});
        else
            movie.modify(1, {.move = true, .ratio = uint16_t(k)});
        movie.showFrame();
    }
    return saveMovie(movie, fixture + ".swf");
}

TEST_F(Video, FramesShowInOrderAndAfterAJumpBack) {
    const struct {
        const char* fixture;
        uint8_t codec;
    } cases[] = {{"grey_flv1.flv", swf::VideoCodec::SorensonH263},
                 {"grey_flashsv.flv", swf::VideoCodec::ScreenVideo},
                 {"grey_flashsv2.flv", swf::VideoCodec::ScreenVideo2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        size_t frames = 0;
        const std::string path = videoMovie(c.fixture, c.codec, frames);
        ASSERT_GE(frames, 12u);
        Control control;
        control.activate(64, 48);
        ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
        DibSurface surface(64, 48, true);
        auto shownGrey = [&] {
            EXPECT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
            return greyOf(surface.at(32, 24));
        };
        for (size_t k = 0; k < 12; ++k) {
            EXPECT_NEAR(shownGrey(), 10 + 12 * int(k), 3) << "frame " << k;
            runClock(100);
        }
        ASSERT_EQ(control.flash->GotoFrame(3), S_OK);
        EXPECT_NEAR(shownGrey(), 10 + 12 * 3, 3) << "back to frame 3";
        control.close();
    }
}

// Frames the decoder refuses leave the last good picture; nothing crashes.
TEST_F(Video, UndecodableFramesKeepTheLastPicture) {
    auto packets = mediatest::readPackets(mediatest::fixture("grey_flv1.flv"), true);
    swfwriter::MovieWriter movie({.width = 64, .height = 48, .frameRate = 10});
    const uint16_t stream = movie.defineVideoStream(4, 64, 48, swf::VideoCodec::SorensonH263);
    movie.videoFrame(stream, 0, packets[0]);
    movie.videoFrame(stream, 1, {0xFF, 0x00, 0x13});
    movie.videoFrame(stream, 2, {});
    movie.place(stream, 1, {.ratio = 0});
    movie.showFrame();
    for (uint16_t k = 1; k < 4; ++k) {
        movie.modify(1, {.move = true, .ratio = k});
        movie.showFrame();
    }
    Control control;
    control.activate(64, 48);
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "bad_video.swf")), S_OK);
    DibSurface surface(64, 48, true);
    for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
        EXPECT_NEAR(greyOf(surface.at(32, 24)), 10, 3) << "frame " << k;
        runClock(100);
    }
    control.close();
}

}  // namespace
