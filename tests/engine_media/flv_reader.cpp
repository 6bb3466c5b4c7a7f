#include "flv_reader.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstring>
#include <fstream>
#include <iterator>

namespace mediatest {

std::string fixture(const std::string& name) { return std::string(MEDIA_FIXTURES) + "/" + name; }

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Wav readWav(const std::string& path) {
    auto bytes = readFile(path);
    Wav w;
    if (bytes.size() < 44)
        return w;
    auto u16 = [&](size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at) | uint32_t(u16(at + 2)) << 16); };
    w.channels = u16(22);
    w.rate = u32(24);
    w.bits = u16(34);
    w.data.assign(bytes.begin() + 44, bytes.begin() + 44 + std::min<size_t>(u32(40), bytes.size() - 44));
    return w;
}

std::vector<std::vector<uint8_t>> readPackets(const std::string& path, bool video) {
    std::vector<std::vector<uint8_t>> out;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return out;
    if (avformat_find_stream_info(ctx, nullptr) >= 0) {
        int stream = av_find_best_stream(ctx, video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        AVPacket* packet = av_packet_alloc();
        while (stream >= 0 && av_read_frame(ctx, packet) >= 0) {
            if (packet->stream_index == stream)
                out.emplace_back(packet->data, packet->data + packet->size);
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&ctx);
    return out;
}

double frequency(const std::vector<int16_t>& stereo, int channel, size_t from, size_t to) {
    to = std::min(to, stereo.size() / 2);
    size_t crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        if (stereo[2 * (i - 1) + size_t(channel)] < 0 && stereo[2 * i + size_t(channel)] >= 0)
            ++crossings;
    }
    return to > from ? crossings * 44100.0 / double(to - from) : 0.0;
}

size_t onset(const std::vector<int16_t>& stereo, int level) {
    for (size_t i = 0; i < stereo.size() / 2; ++i) {
        if (std::abs(stereo[2 * i]) > level)
            return i;
    }
    return stereo.size() / 2;
}

}  // namespace mediatest
