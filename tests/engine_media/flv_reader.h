// Test support: reading the fixtures (WAV, whole files, FLV packets through
// libavformat) and measuring decoded sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mediatest {

[[nodiscard]] std::string fixture(const std::string& name);
[[nodiscard]] std::vector<uint8_t> readFile(const std::string& path);

struct Wav {
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;
    std::vector<uint8_t> data;
};
[[nodiscard]] Wav readWav(const std::string& path);

// The packets of the file's first audio or video stream, as the FLV carries them.
[[nodiscard]] std::vector<std::vector<uint8_t>> readPackets(const std::string& path, bool video);

// Frequency of one channel of interleaved stereo over [from, to) frames, by
// counting rising zero crossings.
[[nodiscard]] double frequency(const std::vector<int16_t>& stereo, int channel, size_t from, size_t to);
// First frame whose left sample exceeds `level` in magnitude, or the frame count.
[[nodiscard]] size_t onset(const std::vector<int16_t>& stereo, int level = 2000);

}  // namespace mediatest
