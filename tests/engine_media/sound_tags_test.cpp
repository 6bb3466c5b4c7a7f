// ID3 tags of MP3 files written by lame at build time, as v1 only and as
// v2 only, under both of the names Sound.id3 offers; untagged and broken
// files give none.
#include "media/sound_tags.h"

#include "flv_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SoundTags, ReadsVersionOneAndTwo) {
    for (const char* file : {"tagged_v1.mp3", "tagged_v2.mp3"}) {
        SCOPED_TRACE(file);
        const auto tags = media::readSoundTags(readFile(mediatest::fixture(file)));
        const std::pair<const char*, const char*> expected[] = {
            {"songname", "Song"}, {"TIT2", "Song"},   {"artist", "Someone"}, {"TPE1", "Someone"},
            {"album", "Record"},  {"TALB", "Record"}, {"year", "2001"},      {"track", "7"}};
        for (const auto& [name, value] : expected) {
            const auto it = tags.find(name);
            ASSERT_NE(it, tags.end()) << name;
            EXPECT_EQ(it->second, value) << name;
        }
    }
    // lame's ID3v2 comment frame has a text encoding libavformat refuses; the v1 one reads.
    EXPECT_EQ(media::readSoundTags(readFile(mediatest::fixture("tagged_v1.mp3"))).at("comment"), "Note");
}

TEST(SoundTags, NoneInUntaggedOrBrokenFiles) {
    auto tagged = readFile(mediatest::fixture("tagged_v2.mp3"));
    const std::vector<uint8_t> files[] = {
        readFile(mediatest::fixture("t44_stereo16.mp3")),
        {},
        {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 'T', 'I', 'T', '2'},  // a tag far longer than the file
        std::vector<uint8_t>(tagged.begin(), tagged.begin() + 20),
    };
    for (const auto& file : files)
        EXPECT_EQ(media::readSoundTags(file).count("songname"), 0u) << file.size();
}

}  // namespace
