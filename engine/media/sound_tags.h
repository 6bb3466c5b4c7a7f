// The ID3 tags (v1 and v2) of an MP3 file in memory, read by libavformat,
// under the names the format's Sound.id3 uses: the ID3v1 names (songname,
// artist, album, year, comment, genre, track) and the ID3v2 frame ids
// (TIT2, TPE1, TALB, TYER, COMM, TCON, TRCK) for the same values.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace media {

// Empty for a file without tags or one libavformat does not take as MP3.
[[nodiscard]] std::map<std::string, std::string> readSoundTags(std::span<const uint8_t> file);

}  // namespace media
