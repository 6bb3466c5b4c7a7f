// The mixer and event voices: exact counts, saturation, levels, the voice
// limit, completion times, in/out points, loops and envelopes.
#include "media/mixer.h"
#include "media/event_sound.h"

#include <gtest/gtest.h>

namespace {

using media::DecodedSound;
using media::EventPlayback;
using media::EventSound;
using media::Mixer;
using media::SoundTransform;

std::shared_ptr<DecodedSound> constant(int16_t left, int16_t right, uint64_t frames) {
    auto s = std::make_shared<DecodedSound>();
    for (uint64_t i = 0; i < frames; ++i)
        s->samples.insert(s->samples.end(), {left, right});
    s->frames = frames;
    s->decoded = true;
    return s;
}

std::unique_ptr<EventSound> voice(std::shared_ptr<DecodedSound> s, EventPlayback p = {}) {
    return std::make_unique<EventSound>(std::move(s), std::move(p));
}

std::vector<int16_t> mixFrames(Mixer& m, size_t frames) {
    std::vector<int16_t> out(frames * 2, 12345);
    m.mix(out);
    return out;
}

TEST(Mixer, CountsAreExactAndSumsSaturate) {
    Mixer m;
    auto loud = constant(30000, -30000, 100000);
    media::VoiceId a = m.play(voice(loud));
    m.play(voice(loud));
    size_t total = 0;
    for (size_t n : {0, 1, 7, 4410, 44100}) {
        auto out = mixFrames(m, n);
        total += n;
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(out[2 * i], 32767);
            ASSERT_EQ(out[2 * i + 1], -32768);
        }
    }
    EXPECT_EQ(m.framesMixed(), total);
    EXPECT_EQ(m.source(a)->position(), total);
}

TEST(Mixer, TheOldestVoiceMakesRoomPastThirtyTwo) {
    Mixer m;
    auto quiet = constant(100, 100, 1000);
    std::vector<media::VoiceId> ids;
    for (int i = 0; i < 33; ++i)
        ids.push_back(m.play(voice(quiet)));
    EXPECT_EQ(m.voiceCount(), Mixer::MaxVoices);
    EXPECT_FALSE(m.playing(ids[0]));
    EXPECT_TRUE(m.playing(ids[1]));
    EXPECT_TRUE(m.playing(ids[32]));
    EXPECT_EQ(mixFrames(m, 1)[0], 3200);
}

TEST(Mixer, LevelsCompose) {
    SoundTransform swap{0, 100, 100, 0, 100};
    SoundTransform half;
    half.volume = 50;
    struct Case {
        const char* name;
        double global;
        SoundTransform voice;
        SoundTransform owner;
        int16_t left, right;
        SoundTransform movie{};  // owner 0's: over every owner
    } cases[] = {
        {"as is", 100, {}, {}, 1000, 2000},
        {"global half", 50, {}, {}, 500, 1000},
        {"pan full left", 100, SoundTransform::fromPan(-100), {}, 1000, 0},
        {"pan full right", 100, SoundTransform::fromPan(100), {}, 0, 2000},
        {"pan half right", 100, SoundTransform::fromPan(50), {}, 500, 2000},
        {"channels swapped", 100, swap, {}, 2000, 1000},
        {"owner half over a swap", 100, swap, half, 1000, 500},
        {"owner swap over a left pan", 100, SoundTransform::fromPan(-100), swap, 0, 1000},
        {"silent voice", 100, SoundTransform::fromPan(0, 0), {}, 0, 0},
        {"the movie's left pan over an owner", 100, {}, {}, 1000, 0, SoundTransform::fromPan(-100)},
        {"the movie's swap over an owner's half", 100, {}, half, 1000, 500, swap},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mixer m;
        m.setVolume(c.global);
        m.setOwnerTransform(5, c.owner);
        m.setOwnerTransform(0, c.movie);
        const media::VoiceId id = m.play(voice(constant(1000, 2000, 10)), {0, 5, c.voice});
        auto out = mixFrames(m, 1);
        EXPECT_EQ(out[0], c.left);
        EXPECT_EQ(out[1], c.right);
        // The voice's peaks are its own output, as SoundChannel reads them.
        EXPECT_NEAR(m.peaks(id).first, c.left / 32768.0, 1e-4);
        EXPECT_NEAR(m.peaks(id).second, c.right / 32768.0, 1e-4);
    }
}

TEST(Mixer, PanReadsBackAsSet) {
    for (double pan : {-100.0, -30.0, 0.0, 45.0, 100.0})
        EXPECT_DOUBLE_EQ(SoundTransform::fromPan(pan).pan(), pan);
}

TEST(Mixer, FinishedVoicesReportTheirLastFrame) {
    Mixer m;
    EventPlayback thrice;
    thrice.loops = 3;
    media::VoiceId looped = m.play(voice(constant(1, 1, 100), thrice), {7, 0, {}});
    media::VoiceId stopped = m.play(voice(constant(1, 1, 100)));
    m.stop(stopped);
    mixFrames(m, 250);
    EXPECT_TRUE(m.takeFinished().empty());
    auto out = mixFrames(m, 262);
    auto done = m.takeFinished();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].id, looped);
    EXPECT_EQ(done[0].tag, 7u);
    EXPECT_EQ(done[0].atFrame, 300u);
    EXPECT_EQ(out[2 * 49], 1);
    EXPECT_EQ(out[2 * 50], 0);
}

TEST(Mixer, StopsByTagOwnerAndAll) {
    Mixer m;
    auto s = constant(1, 1, 1000);
    m.play(voice(s), {1, 10, {}});
    m.play(voice(s), {1, 11, {}});
    m.play(voice(s), {2, 10, {}});
    EXPECT_EQ(m.countTag(1), 2u);
    m.stopTag(1);
    EXPECT_EQ(m.voiceCount(), 1u);
    m.play(voice(s), {3, 11, {}});
    m.stopOwner(10);
    EXPECT_EQ(m.voiceCount(), 1u);
    EXPECT_EQ(m.countTag(3), 1u);
    m.stopAll();
    EXPECT_EQ(m.voiceCount(), 0u);
    EXPECT_EQ(mixFrames(m, 4)[3], 0);
}

// A forgotten owner keeps its levels while its voices play (ending, stopped,
// dropped for newer ones) and loses them after; the table stays bounded
// however many channels come and go.
TEST(Mixer, ForgottenOwnersGoWithTheirLastVoice) {
    const auto quiet = constant(100, 100, 10);
    const SoundTransform half = SoundTransform::fromPan(0, 50);
    struct Case {
        const char* name;
        void (*end)(Mixer&, media::VoiceId);
    } cases[] = {
        {"plays out", [](Mixer& m, media::VoiceId) { (void)mixFrames(m, 20); }},
        {"stopped", [](Mixer& m, media::VoiceId id) { m.stop(id); }},
        {"owner stopped", [](Mixer& m, media::VoiceId) { m.stopOwner(7); }},
        {"all stopped", [](Mixer& m, media::VoiceId) { m.stopAll(); }},
        {"dropped for newer",
         [](Mixer& m, media::VoiceId) {
             for (size_t i = 0; i < Mixer::MaxVoices; ++i)
                 m.play(voice(constant(1, 1, 1000)), {0, 100 + i, {}});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mixer m;
        m.setOwnerTransform(7, half);
        const media::VoiceId id = m.play(voice(quiet), {0, 7, {}});
        m.forgetOwner(7);
        EXPECT_EQ(m.ownerTransform(7).volume, 50) << "kept while its voice plays";
        EXPECT_EQ(mixFrames(m, 1)[0], 50);
        c.end(m, id);
        EXPECT_EQ(m.ownerTransform(7).volume, 100);
        EXPECT_EQ(m.ownerCount(), 0u);
    }
}

TEST(Mixer, ChannelsComingAndGoingKeepTheOwnerTableBounded) {
    Mixer m;
    const auto blip = constant(1, 1, 3);
    for (uint64_t owner = 1; owner <= 10000; ++owner) {
        m.setOwnerTransform(owner, SoundTransform::fromPan(10));
        m.play(voice(blip), {0, owner, {}});
        m.forgetOwner(owner);
        if (owner % 4 == 0)
            (void)mixFrames(m, 5);
    }
    EXPECT_LE(m.ownerCount(), Mixer::MaxVoices);
    (void)mixFrames(m, 5);
    EXPECT_EQ(m.ownerCount(), 0u);
}

TEST(EventSound, InAndOutPointsBoundEveryLoop) {
    auto ramp = std::make_shared<DecodedSound>();
    for (int16_t i = 0; i < 100; ++i)
        ramp->samples.insert(ramp->samples.end(), {i, int16_t(-i)});
    ramp->frames = 100;
    swf::SoundInfo info;
    info.inPoint = 10;  // at 44.1 kHz: frames
    info.outPoint = 13;
    info.loops = 2;
    EventSound e(ramp, EventPlayback::fromInfo(info, 44100));
    EXPECT_EQ(e.length(), 6u);
    std::vector<int16_t> out(20);
    ASSERT_EQ(e.read(out), 6u);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 12),
              (std::vector<int16_t>{10, -10, 11, -11, 12, -12, 10, -10, 11, -11, 12, -12}));
    // At 11 kHz each source sample is four frames.
    EXPECT_EQ(EventPlayback::fromInfo(info, 11025).inFrame, 40u);
    EXPECT_EQ(EventPlayback::fromInfo(info, 5512).outFrame, 104u);
}

TEST(EventSound, EnvelopesRampAndAreOrdered) {
    swf::SoundInfo info;
    // Out of file order: sorted by position before use.
    info.envelope = {{200, 32768, 0}, {0, 0, 32768}, {100, 16384, 16384}};
    EventSound e(constant(20000, 20000, 400), EventPlayback::fromInfo(info, 44100));
    std::vector<int16_t> out(800);
    ASSERT_EQ(e.read(out), 400u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 20000);
    EXPECT_NEAR(out[2 * 50], 5000, 2);
    EXPECT_NEAR(out[2 * 150 + 1], 5000, 2);
    EXPECT_EQ(out[2 * 300], 20000) << "the last level holds";
    EXPECT_EQ(out[2 * 300 + 1], 0);
}

TEST(EventSound, ManyLoopsOfALongSilenceCostNoMemory) {
    auto silent = std::make_shared<DecodedSound>();
    silent->frames = uint64_t(44100) * 3600;  // an hour, none of it stored
    EventPlayback p;
    p.loops = 65535;
    p.startOffset = 5;
    EventSound e(silent, p);
    EXPECT_EQ(e.length(), silent->frames * 65535 - 5);
    std::vector<int16_t> out(2 * 4096, 1);
    EXPECT_EQ(e.read(out), 4096u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(e.soundPosition(), 4101u);
}

}  // namespace
