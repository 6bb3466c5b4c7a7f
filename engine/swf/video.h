// DefineVideoStream and the VideoFrame tags that fill it.
//
// The stream keeps its coded frames by frame number; decoding belongs to the
// media layer. The frame a video object shows is chosen by its placement's
// ratio, so VideoFrame adds nothing to the timeline itself.
#pragma once

#include <cstdint>
#include <vector>

namespace swf {

// Codec ids of the file format (the same numbering as FLV's video tags).
namespace VideoCodec {
inline constexpr uint8_t SorensonH263 = 2;
inline constexpr uint8_t ScreenVideo = 3;
inline constexpr uint8_t Vp6 = 4;
inline constexpr uint8_t Vp6Alpha = 5;
inline constexpr uint8_t ScreenVideo2 = 6;
}  // namespace VideoCodec

struct VideoPacket {
    uint16_t frame = 0;
    std::vector<uint8_t> data;
};

struct VideoStream {
    uint16_t frameCount = 0;
    uint16_t width = 0;  // pixels
    uint16_t height = 0;
    uint8_t deblocking = 0;  // 0: as the stream says, 1: off, 2-6: levels of the codecs that have them
    bool smoothing = false;
    uint8_t codec = 0;                // VideoCodec, or an unknown value as stored
    std::vector<VideoPacket> frames;  // ascending frame numbers, each below frameCount, no repeats
};

}  // namespace swf
