// A streaming MP3 decodes while it plays: the first reads decode only the
// slices they need, the whole plays at the right pitch and length, and the
// frame headers give that length before anything is decoded.
#include "media/progressive_sound.h"

#include "flv_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace mediatest;

TEST(ProgressiveSound, DecodesAsItPlays) {
    const struct {
        const char* file;
        double leftHz;
    } cases[] = {{"t44_stereo16.mp3", 440.0}, {"t22_mono16.mp3", 440.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto mp3 = std::make_shared<const media::ArrivingBytes>(media::ArrivingBytes{readFile(fixture(c.file)), true});
        const uint64_t headerFrames = media::mp3OutputFrames(mp3->bytes);
        EXPECT_NEAR(double(headerFrames), 1.04 * 44100, 0.05 * 44100) << "one second, and the encoder's padding";
        auto progress = std::make_shared<media::StreamProgress>();
        auto made = media::ProgressiveSound::create(mp3, progress);
        ASSERT_TRUE(made);
        media::SoundSource& sound = *made.value();
        std::vector<int16_t> chunk(2 * 4410);
        ASSERT_EQ(sound.read(chunk), 4410u);
        EXPECT_LT(progress->decodedFrames, headerFrames / 2) << "only what the first read needs";
        std::vector<int16_t> all(chunk);
        for (size_t got = 4410; got == 4410;) {
            got = sound.read(chunk);
            all.insert(all.end(), chunk.begin(), chunk.begin() + ptrdiff_t(2 * got));
        }
        EXPECT_TRUE(progress->complete);
        EXPECT_EQ(progress->decodedFrames, all.size() / 2);
        EXPECT_NEAR(double(all.size() / 2), double(headerFrames), 2 * 1152.0);
        EXPECT_NEAR(frequency(all, 0, 8820, 39690), c.leftHz, 5.0);
    }
}

TEST(ProgressiveSound, NoiseDecodesToNothing) {
    auto noise = std::make_shared<const media::ArrivingBytes>(
        media::ArrivingBytes{std::vector<uint8_t>(100'000, uint8_t(0x5A)), true});
    EXPECT_EQ(media::mp3OutputFrames(noise->bytes), 0u);
    auto made = media::ProgressiveSound::create(noise, std::make_shared<media::StreamProgress>());
    ASSERT_TRUE(made);
    std::vector<int16_t> chunk(2 * 4410);
    EXPECT_EQ(made.value()->read(chunk), 0u) << "ends at once, never loops on bad data";
}

// A download that falls behind: the voice plays what arrived, then silence
// without ending or counting it, and goes on when more comes; the tone is
// whole once everything is in.
TEST(ProgressiveSound, WaitsForBytesStillArriving) {
    const std::vector<uint8_t> file = readFile(fixture("t44_stereo16.mp3"));
    auto arriving = std::make_shared<media::ArrivingBytes>();
    arriving->complete = false;
    arriving->bytes.assign(file.begin(), file.begin() + ptrdiff_t(file.size() / 4));
    auto made = media::ProgressiveSound::create(arriving, std::make_shared<media::StreamProgress>());
    ASSERT_TRUE(made);
    media::SoundSource& sound = *made.value();
    std::vector<int16_t> chunk(2 * 4410);
    std::vector<int16_t> heard;
    uint64_t silentReads = 0;
    for (int i = 0; i < 40; ++i) {
        const uint64_t before = sound.position();
        ASSERT_EQ(sound.read(chunk), 4410u) << "never ends while bytes may come";
        // What played comes first; the rest of a read that ran dry is silence.
        const auto played = ptrdiff_t(sound.position() - before);
        ASSERT_TRUE(std::all_of(chunk.begin() + 2 * played, chunk.end(), [](int16_t v) { return v == 0; }));
        silentReads += played == 0 ? 1 : 0;
        heard.insert(heard.end(), chunk.begin(), chunk.begin() + 2 * played);
    }
    EXPECT_GE(silentReads, 30u) << "a quarter of a second of sound, then waiting";
    EXPECT_EQ(sound.position(), heard.size() / 2) << "silence while waiting is not position";
    arriving->bytes = file;
    arriving->complete = true;
    for (size_t got = 4410; got == 4410;) {
        got = sound.read(chunk);
        heard.insert(heard.end(), chunk.begin(), chunk.begin() + ptrdiff_t(2 * got));
    }
    EXPECT_NEAR(double(heard.size() / 2), 1.04 * 44100, 0.06 * 44100) << "all of it, once";
    EXPECT_NEAR(frequency(heard, 0, 8820, 39690), 440.0, 5.0);
}

}  // namespace
