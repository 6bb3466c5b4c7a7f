// Writes the media tests' source material at build time:
//   fixture_gen tone OUT.wav RATE CHANNELS BITS LEFT_HZ RIGHT_HZ SECONDS LEAD_MS
//     a sine per channel after LEAD_MS of silence (8-bit is unsigned, as in WAV)
//   fixture_gen frames OUT.rgb WIDTH HEIGHT COUNT
//     raw RGB frames, frame k a flat grey of level 10 + 12 k, so order shows in the pixels
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

int tone(char** argv) {
    uint32_t rate = uint32_t(std::atoi(argv[3]));
    uint32_t channels = uint32_t(std::atoi(argv[4]));
    uint32_t bits = uint32_t(std::atoi(argv[5]));
    double hz[2] = {std::atof(argv[6]), std::atof(argv[7])};
    double seconds = std::atof(argv[8]);
    uint64_t lead = uint64_t(std::atof(argv[9]) * rate / 1000.0);
    uint64_t frames = uint64_t(seconds * rate);
    std::vector<uint8_t> data;
    for (uint64_t i = 0; i < frames; ++i) {
        for (uint32_t c = 0; c < channels; ++c) {
            double v = i < lead ? 0.0 : 0.5 * std::sin(2 * M_PI * hz[c] * double(i - lead) / rate);
            if (bits == 8)
                put(data, uint32_t(std::lround(128 + v * 127)), 1);
            else
                put(data, uint32_t(int16_t(std::lround(v * 32767))), 2);
        }
    }
    std::vector<uint8_t> wav;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    put(wav, uint32_t(36 + data.size()), 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(wav, 16, 4);
    put(wav, 1, 2);
    put(wav, channels, 2);
    put(wav, rate, 4);
    put(wav, rate * channels * bits / 8, 4);
    put(wav, channels * bits / 8, 2);
    put(wav, bits, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    put(wav, uint32_t(data.size()), 4);
    wav.insert(wav.end(), data.begin(), data.end());
    std::ofstream(argv[2], std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
    return 0;
}

int frames(char** argv) {
    int width = std::atoi(argv[3]);
    int height = std::atoi(argv[4]);
    int count = std::atoi(argv[5]);
    std::ofstream out(argv[2], std::ios::binary);
    std::vector<char> frame(size_t(width) * height * 3);
    for (int k = 0; k < count; ++k) {
        std::memset(frame.data(), 10 + 12 * k, frame.size());
        out.write(frame.data(), std::streamsize(frame.size()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 10 && std::strcmp(argv[1], "tone") == 0)
        return tone(argv);
    if (argc == 6 && std::strcmp(argv[1], "frames") == 0)
        return frames(argv);
    std::fprintf(stderr, "usage: fixture_gen tone OUT RATE CH BITS LHZ RHZ SECONDS LEADMS | frames OUT W H COUNT\n");
    return 2;
}
