// Frames and buttons starting sounds, sync stop and no-multiple, streams
// following the playhead, and the per-frame sample counts of the clock.
#include "media/sound_player.h"
#include "media/sample_clock.h"

#include <gtest/gtest.h>

namespace {

using media::SoundPlayer;

// 44.1 kHz 16-bit stereo PCM of `frames` frames of one value.
std::vector<uint8_t> pcm(int16_t value, size_t frames) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < frames * 2; ++i)
        out.insert(out.end(), {uint8_t(value), uint8_t(uint16_t(value) >> 8)});
    return out;
}

swf::Sound pcmSound(int16_t value, uint32_t frames) {
    swf::Sound s;
    s.format = {swf::SoundCodec::LittleEndianPcm, 3, true, true};
    s.sampleCount = frames;
    s.data = pcm(value, frames);
    return s;
}

std::shared_ptr<swf::Movie> movieWithSounds() {
    auto movie = std::make_shared<swf::Movie>();
    movie->characters.add(1, pcmSound(1000, 100));
    movie->characters.add(2, pcmSound(7, 50));
    movie->exports["Beep"] = 2;
    swf::Button button;
    button.sounds[swf::ButtonSoundSlot::IdleToOverUp].soundId = 2;
    movie->characters.add(3, button);
    return movie;
}

int16_t mixOne(SoundPlayer& player) {
    std::vector<int16_t> out(2);
    player.mixer().mix(out);
    return out[0];
}

TEST(SoundPlayer, SyncFlagsAndNames) {
    SoundPlayer player(movieWithSounds());
    swf::StartSound start;
    start.soundId = 1;
    EXPECT_NE(player.startSound(start, 0), 0u);
    start.info.syncNoMultiple = true;
    EXPECT_EQ(player.startSound(start, 0), 0u) << "one is playing already";
    start.info.syncNoMultiple = false;
    EXPECT_NE(player.startSound(start, 0), 0u);
    EXPECT_EQ(player.mixer().countTag(1), 2u);

    swf::StartSound byName;
    byName.version = 2;
    byName.className = "Beep";
    EXPECT_NE(player.startSound(byName, 0), 0u);
    byName.className = "Missing";
    EXPECT_EQ(player.startSound(byName, 0), 0u);
    EXPECT_NE(player.buttonSound(3, swf::ButtonSoundSlot::IdleToOverUp, 0), 0u);
    EXPECT_EQ(player.buttonSound(3, swf::ButtonSoundSlot::OverDownToOverUp, 0), 0u);
    EXPECT_EQ(mixOne(player), 2014);

    swf::StartSound stop;
    stop.soundId = 1;
    stop.info.syncStop = true;
    EXPECT_EQ(player.startSound(stop, 0), 0u);
    EXPECT_EQ(player.mixer().countTag(1), 0u);
    EXPECT_EQ(mixOne(player), 14);
}

TEST(SoundPlayer, StreamFollowsThePlayhead) {
    // Ten frames of 44.1 kHz stereo PCM; frame k's block holds 150 sound frames
    // of the value 100 k, and each movie frame mixes 100, so what a jump
    // must throw away is queued.
    swf::Timeline timeline;
    for (int k = 0; k < 10; ++k) {
        swf::Frame frame;
        if (k == 0) {
            swf::SoundStreamHead head;
            head.stream = {swf::SoundCodec::LittleEndianPcm, 3, true, true};
            head.samplesPerBlock = 100;
            frame.tags.push_back(head);
        }
        if (k != 7)  // frame 7 has no block
            frame.tags.push_back(swf::SoundStreamBlock{pcm(int16_t(100 * k), 150)});
        timeline.frames.push_back(std::move(frame));
    }
    SoundPlayer player(std::make_shared<swf::Movie>());
    std::vector<int16_t> out(2 * 100);
    auto frameValue = [&](uint32_t frame) {
        player.streamFrame(5, timeline, frame);
        player.mixer().mix(out);
        return out[0];
    };
    EXPECT_EQ(frameValue(0), 0);
    EXPECT_EQ(frameValue(1), 0) << "continuing plays what was queued first";
    EXPECT_EQ(out[2 * 99], 100);
    EXPECT_EQ(frameValue(2), 100);
    EXPECT_EQ(frameValue(5), 500) << "a jump starts at the new frame's block";
    EXPECT_EQ(frameValue(6), 500);
    EXPECT_EQ(frameValue(3), 300) << "back, too";
    EXPECT_EQ(frameValue(7), 0) << "a jump to a frame without a block is silent";
    player.stopStream(5);
    EXPECT_EQ(player.mixer().voiceCount(), 0u);
}

TEST(SampleClock, FramesAddUpExactlyOverLongRuns) {
    struct Case {
        uint32_t num, den;
        uint64_t frames, total;  // output frames before `frames` movie frames
        uint64_t low, high;      // the per-frame counts seen
    } cases[] = {
        {24, 1, 100000, 183750000, 1837, 1838},
        {30000, 1001, 100000, 147147000, 1471, 1472},
        {25, 1, 7, 12348, 1764, 1764},
    };
    for (const Case& c : cases) {
        media::SampleClock clock(c.num, c.den);
        EXPECT_EQ(clock.framesBefore(c.frames), c.total);
        uint64_t sum = 0;
        for (uint64_t k = 0; k < c.frames; ++k) {
            uint64_t n = clock.framesIn(k);
            ASSERT_GE(n, c.low);
            ASSERT_LE(n, c.high);
            sum += n;
        }
        EXPECT_EQ(sum, c.total);
    }
    EXPECT_EQ(media::SampleClock(0, 1).framesIn(5), 0u);
}

}  // namespace
