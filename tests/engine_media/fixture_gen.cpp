// Writes the media tests' source material at build time:
//   fixture_gen tone OUT.wav RATE CHANNELS BITS LEFT_HZ RIGHT_HZ SECONDS LEAD_MS
//     a sine per channel after LEAD_MS of silence (8-bit is unsigned, as in WAV)
//   fixture_gen frames OUT.rgb WIDTH HEIGHT COUNT
//     raw RGB frames, frame k a flat grey of level 10 + 12 k, so order shows in the pixels
//   fixture_gen cue IN.flv OUT.flv MS NAME
//     IN with an onCuePoint tag {name: NAME, time: MS / 1000, type: "event"} before its first tag at MS
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
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

void amfString(std::vector<uint8_t>& out, const std::string& s, bool marker) {
    if (marker)
        out.push_back(0x02);
    out.push_back(uint8_t(s.size() >> 8));
    out.push_back(uint8_t(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

void put24(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift : {16, 8, 0})
        out.push_back(uint8_t(v >> shift));
}

int cue(char** argv) {
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<uint8_t> flv{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto ms = uint32_t(std::atoi(argv[4]));
    std::vector<uint8_t> body;
    amfString(body, "onCuePoint", true);
    body.push_back(0x03);
    amfString(body, "name", false);
    amfString(body, argv[5], true);
    amfString(body, "time", false);
    body.push_back(0x00);
    const double seconds = ms / 1000.0;
    uint64_t bits = 0;
    std::memcpy(&bits, &seconds, 8);
    for (int i = 7; i >= 0; --i)
        body.push_back(uint8_t(bits >> (8 * i)));
    amfString(body, "type", false);
    amfString(body, "event", true);
    body.insert(body.end(), {0x00, 0x00, 0x09});
    if (flv.size() < 13)
        return 1;
    std::vector<uint8_t> out(flv.begin(), flv.begin() + 13);
    bool inserted = false;
    for (size_t at = 13; at + 11 <= flv.size();) {
        const uint32_t size = uint32_t(flv[at + 1]) << 16 | uint32_t(flv[at + 2]) << 8 | flv[at + 3];
        const uint32_t ts =
            uint32_t(flv[at + 4]) << 16 | uint32_t(flv[at + 5]) << 8 | flv[at + 6] | uint32_t(flv[at + 7]) << 24;
        if (!inserted && ts >= ms && flv[at] != 18) {
            out.push_back(18);
            put24(out, uint32_t(body.size()));
            put24(out, ms);
            out.insert(out.end(), {uint8_t(ms >> 24), 0, 0, 0});
            out.insert(out.end(), body.begin(), body.end());
            const uint32_t tagSize = uint32_t(11 + body.size());
            for (int shift : {24, 16, 8, 0})
                out.push_back(uint8_t(tagSize >> shift));
            inserted = true;
        }
        const size_t end = std::min(flv.size(), at + 11 + size + 4);
        out.insert(out.end(), flv.begin() + long(at), flv.begin() + long(end));
        at = end;
    }
    std::ofstream(argv[3], std::ios::binary).write(reinterpret_cast<const char*>(out.data()), long(out.size()));
    return inserted ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "cue") == 0)
        return cue(argv);
    if (argc == 10 && std::strcmp(argv[1], "tone") == 0)
        return tone(argv);
    if (argc == 6 && std::strcmp(argv[1], "frames") == 0)
        return frames(argv);
    std::fprintf(stderr, "usage: fixture_gen tone OUT RATE CH BITS LHZ RHZ SECONDS LEADMS | frames OUT W H COUNT\n");
    return 2;
}
