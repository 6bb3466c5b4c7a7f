// Sound and video tags: fields as stored, and counts bounded by the data.
#include "swf/movie.h"

#include "movie_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

using namespace swfwriter;
using testutil::firstTag;
using testutil::hasProblem;
using testutil::load;

std::vector<uint8_t> withTags(std::initializer_list<std::vector<uint8_t>> tags) {
    std::vector<uint8_t> all;
    for (const auto& t : tags)
        all.insert(all.end(), t.begin(), t.end());
    all.push_back(0);
    all.push_back(0);
    return movieBytes(all, {.version = 10});
}

std::vector<uint8_t> defineSound(uint16_t id, uint8_t formatByte, uint32_t samples, std::vector<uint8_t> data) {
    BitWriter w;
    w.u16(id).u8(formatByte).u32(samples);
    w.bytes(data);
    return tagBytes(14, w.data());
}

TEST(MediaTags, DefineSoundKeepsFormatAndSplitsMp3Seek) {
    auto movie = load(withTags({
        defineSound(1, 0x3F, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),  // LE PCM 44 kHz 16-bit stereo
        defineSound(2, 0x24, 1152, {0x40, 0x02, 0xFF, 0xFB}),              // MP3 11 kHz 8-bit mono, seek 576
        defineSound(3, 0x52, 7, {}),                                       // Nellymoser 8 kHz
    }));
    const auto* pcm = movie->characters.find<swf::Sound>(1);
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(pcm->format.codec, swf::SoundCodec::LittleEndianPcm);
    EXPECT_EQ(pcm->format.sampleRate(), 44100u);
    EXPECT_TRUE(pcm->format.sixteenBit);
    EXPECT_TRUE(pcm->format.stereo);
    EXPECT_EQ(pcm->sampleCount, 3u);
    EXPECT_EQ(pcm->data.size(), 12u);
    const auto* mp3 = movie->characters.find<swf::Sound>(2);
    ASSERT_NE(mp3, nullptr);
    EXPECT_EQ(mp3->format.sampleRate(), 11025u);
    EXPECT_EQ(mp3->seekSamples, 576);
    EXPECT_EQ(mp3->data, (std::vector<uint8_t>{0xFF, 0xFB}));
    EXPECT_EQ(movie->characters.find<swf::Sound>(3)->format.sampleRate(), 8000u);
    EXPECT_EQ(movie->characters.kindOf(1), swf::CharacterKind::Sound);
}

TEST(MediaTags, StartSoundReadsTheWholeSoundInfo) {
    BitWriter info;
    info.u16(7).u8(0x3F).u32(100).u32(5000).u16(65535).u8(2);
    info.u32(9000).u16(32768).u16(0).u32(10).u16(0).u16(32768);  // envelope out of order is kept as stored
    BitWriter two;
    two.string("Track").u8(0x20);  // StartSound2 by class name, sync stop only
    auto movie = load(withTags({tagBytes(15, info.data()), tagBytes(89, two.data()), tagBytes(1, {})}));
    std::vector<const swf::StartSound*> starts;
    for (const auto& tag : movie->root.frames.at(0).tags)
        if (const auto* s = std::get_if<swf::StartSound>(&tag))
            starts.push_back(s);
    ASSERT_EQ(starts.size(), 2u);
    const swf::SoundInfo& i = starts[0]->info;
    EXPECT_EQ(starts[0]->soundId, 7);
    EXPECT_TRUE(i.syncStop);
    EXPECT_TRUE(i.syncNoMultiple);
    EXPECT_EQ(i.inPoint, 100u);
    EXPECT_EQ(i.outPoint, 5000u);
    EXPECT_EQ(i.loops, 65535);
    ASSERT_EQ(i.envelope.size(), 2u);
    EXPECT_EQ(i.envelope[0].position44, 9000u);
    EXPECT_EQ(i.envelope[1].right, 32768);
    EXPECT_EQ(starts[1]->version, 2);
    EXPECT_EQ(starts[1]->className, "Track");
    EXPECT_TRUE(starts[1]->info.syncStop);
    EXPECT_FALSE(starts[1]->info.inPoint.has_value());
    EXPECT_EQ(starts[1]->info.loops, 1);
}

TEST(MediaTags, StreamHeadAndBlocksFollowTheFrames) {
    // Head2: playback 44 kHz 16-bit stereo; stream MP3 22 kHz mono, 576 per block, no LatencySeek.
    auto head = tagBytes(45, {0x0F, 0x2A, 0x40, 0x02});
    auto movie = load(withTags({head, tagBytes(19, {1, 2, 3}), tagBytes(1, {}), tagBytes(19, {4}), tagBytes(1, {})}));
    const auto* h = firstTag<swf::SoundStreamHead>(movie->root, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->version, 2);
    EXPECT_EQ(h->stream.codec, swf::SoundCodec::Mp3);
    EXPECT_EQ(h->stream.sampleRate(), 22050u);
    EXPECT_FALSE(h->stream.stereo);
    EXPECT_TRUE(h->playback.stereo);
    EXPECT_EQ(h->samplesPerBlock, 576);
    EXPECT_EQ(h->latencySeek, 0);
    ASSERT_NE(firstTag<swf::SoundStreamBlock>(movie->root, 1), nullptr);
    EXPECT_EQ(firstTag<swf::SoundStreamBlock>(movie->root, 1)->data, std::vector<uint8_t>{4});
    EXPECT_FALSE(swf::splitMp3StreamBlock(firstTag<swf::SoundStreamBlock>(movie->root, 0)->data));
}

TEST(MediaTags, ButtonSoundsAttachToTheButton) {
    MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 10, 10, {});
    (void)shape;
    BitWriter button;  // DefineButton2 with one record and no actions
    button.u16(9).u8(0).u16(0).u8(0x0F).u16(shape).u16(1).u8(0).u8(0).u8(0);
    BitWriter sounds;
    sounds.u16(9).u16(0).u16(4).u8(0x04).u16(3).u16(0).u16(5).u8(0x10);
    auto body = m.finish();
    body.pop_back();
    body.pop_back();  // drop End, append our tags
    for (const auto& t : {tagBytes(34, button.data()), tagBytes(17, sounds.data())})
        body.insert(body.end(), t.begin(), t.end());
    body.push_back(0);
    body.push_back(0);
    auto movie = load(body);
    const auto* b = movie->characters.find<swf::Button>(9);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->sounds[swf::ButtonSoundSlot::OverUpToIdle].soundId, 0);
    EXPECT_EQ(b->sounds[swf::ButtonSoundSlot::IdleToOverUp].soundId, 4);
    EXPECT_EQ(b->sounds[swf::ButtonSoundSlot::IdleToOverUp].info.loops, 3);
    EXPECT_EQ(b->sounds[swf::ButtonSoundSlot::OverDownToOverUp].soundId, 5);
    EXPECT_TRUE(b->sounds[swf::ButtonSoundSlot::OverDownToOverUp].info.syncNoMultiple);
}

TEST(MediaTags, VideoFramesAreKeptInOrderWithinTheStream) {
    BitWriter stream;
    stream.u16(4).u16(3).u16(160).u16(120).u8(0x05).u8(2);  // deblocking 2, smoothing, H.263
    auto frame = [](uint16_t n, uint8_t byte) {
        BitWriter w;
        w.u16(4).u16(n).u8(byte);
        return tagBytes(61, w.data());
    };
    auto movie = load(withTags(
        {tagBytes(60, stream.data()), frame(2, 0xC), frame(0, 0xA), frame(0, 0xEE), frame(3, 0xD), frame(1, 0xB)}));
    const auto* v = movie->characters.find<swf::VideoStream>(4);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->width, 160);
    EXPECT_EQ(v->deblocking, 2);
    EXPECT_TRUE(v->smoothing);
    EXPECT_EQ(v->codec, swf::VideoCodec::SorensonH263);
    ASSERT_EQ(v->frames.size(), 3u) << "frame 3 is past the stream and the second 0 a repeat";
    for (uint16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(v->frames[i].frame, i);
        EXPECT_EQ(v->frames[i].data, std::vector<uint8_t>{uint8_t(0xA + i)});
    }
    EXPECT_TRUE(hasProblem(*movie, swf::ErrorCode::MalformedTag));
}

// Lying counts: each case must leave the tag out (or keep the part that was
// whole) without reading past it.
TEST(MediaTags, HostileHeaders) {
    struct Case {
        const char* name;
        std::vector<uint8_t> tag;
        swf::ErrorCode problem;
    };
    const Case cases[] = {
        {"envelope of 255 points in 8 bytes", tagBytes(15, {1, 0, 0x08, 255, 0, 0, 0, 0, 0, 0, 0, 0}),
         swf::ErrorCode::MalformedTag},
        {"in point cut short", tagBytes(15, {1, 0, 0x01, 0, 0}), swf::ErrorCode::MalformedTag},
        {"stream head cut short", tagBytes(18, {0x0F, 0x2A}), swf::ErrorCode::MalformedTag},
        {"video frame of an undefined stream", tagBytes(61, {9, 0, 0, 0, 1}), swf::ErrorCode::UndefinedCharacter},
        {"button sound for no button", tagBytes(17, {9, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
         swf::ErrorCode::UndefinedCharacter},
        {"button sound info cut short", tagBytes(17, {9, 0, 4, 0, 0x08, 200}), swf::ErrorCode::MalformedTag},
    };
    for (const Case& c : cases) {
        auto movie = load(withTags({c.tag, tagBytes(1, {})}));
        EXPECT_TRUE(hasProblem(*movie, c.problem)) << c.name;
        EXPECT_EQ(firstTag<swf::StartSound>(movie->root, 0), nullptr) << c.name;
    }
}

}  // namespace
