// A local FLV played by time: pictures follow the playhead and seeks, its
// sound fills a voice, and files that are no FLV (or not local) are refused.
#include "media/flv_stream.h"

#include "flv_reader.h"

#include <gtest/gtest.h>

namespace {

using namespace mediatest;

int grey(const media::VideoImage* image) {
    return image ? image->rgba[(size_t(image->height / 2) * image->width + image->width / 2) * 4] : -1;
}

TEST(FlvStream, PicturesFollowTimeAndSeeks) {
    auto opened = media::FlvStream::open(fixture("av.flv"));
    ASSERT_TRUE(opened);
    media::FlvStream& flv = *opened.value();
    EXPECT_TRUE(flv.hasVideo());
    EXPECT_TRUE(flv.hasSound());
    EXPECT_NEAR(double(flv.durationMs()), 2000.0, 150.0);
    flv.advanceTo(0);
    EXPECT_NEAR(grey(flv.image()), 10, 6);
    flv.advanceTo(1050);  // frame 10 shows from 1000 ms to 1100 ms
    EXPECT_NEAR(grey(flv.image()), 130, 6);
    for (uint64_t ms : {500, 1900, 300, 0}) {
        flv.seek(ms);
        EXPECT_EQ(flv.timeMs(), ms);
        EXPECT_NEAR(grey(flv.image()), 10 + 12 * int(ms / 100), 6) << ms;
    }
}

TEST(FlvStream, SoundPlaysThroughItsVoiceToTheEnd) {
    auto opened = media::FlvStream::open(fixture("av.flv"));
    ASSERT_TRUE(opened);
    media::FlvStream& flv = *opened.value();
    auto voice = flv.takeVoice();
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(flv.takeVoice(), nullptr);
    std::vector<int16_t> all;
    std::vector<int16_t> chunk(2 * 4410);
    for (uint64_t ms = 100; ms <= 3000; ms += 100) {
        flv.advanceTo(ms);
        size_t got = voice->read(chunk);
        all.insert(all.end(), chunk.begin(), chunk.begin() + ptrdiff_t(2 * got));
        if (got < 4410)
            break;
    }
    EXPECT_TRUE(flv.ended());
    EXPECT_LT(all.size() / 2, size_t(44100 * 3)) << "the voice ends after the file";
    EXPECT_NEAR(frequency(all, 0, 8820, 39690), 440.0, 5.0);
}

TEST(FlvStream, RefusesWhatIsNoLocalFlv) {
    for (const std::string& path :
         {fixture("missing.flv"), fixture("t22_mono16.wav"), std::string("http://127.0.0.1:9/x.flv")})
        EXPECT_FALSE(media::FlvStream::open(path)) << path;
}

}  // namespace
