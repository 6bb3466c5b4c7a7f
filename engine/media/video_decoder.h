// Video of the file format through libavcodec: Sorenson H.263 (flv1), screen
// video 1 and 2 (flashsv, flashsv2), VP6 (vp6f) and VP6 with alpha (vp6a),
// converted to straight RGBA through libswscale.
//
// A frame that cannot be decoded, or whose picture is larger than the stream
// (beyond the codec's 16-pixel block rounding), is skipped: the last good
// picture stays.
#pragma once

#include "media/av_handles.h"
#include "media/media_error.h"
#include "moviehost/expected.h"
#include "swf/video.h"

#include <cstdint>
#include <span>
#include <vector>

namespace media {

struct VideoImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;  // straight alpha, rows of width * 4 bytes, top row first

    [[nodiscard]] bool empty() const { return rgba.empty(); }
};

// Whether a coded frame starts afresh (needs no earlier frame). Screen video
// frames are key frames when they carry every block.
[[nodiscard]] bool isKeyFrame(uint8_t codec, std::span<const uint8_t> data);

class VideoDecoder {
public:
    // width/height: the stream's declared size (0 lets the codec's size stand,
    // up to 4096 on a side); deblocking: DefineVideoStream's flag.
    [[nodiscard]] static moviehost::Expected<VideoDecoder, MediaError> create(uint8_t codec, uint16_t width,
                                                                              uint16_t height, uint8_t deblocking = 0);

    // For a demuxed stream (FLV files), limited to its declared size.
    [[nodiscard]] static moviehost::Expected<VideoDecoder, MediaError> create(const AVCodecParameters& parameters);

    // Decodes one coded frame (`key`: isKeyFrame's answer for it); true when
    // it produced a new picture.
    bool decode(std::span<const uint8_t> data, bool key);
    void reset();
    // Video.deblocking's levels from the next frame on: 1 turns the codec's
    // loop filter off, 0 and the filter levels leave it as the stream says.
    void setDeblocking(uint8_t level);
    [[nodiscard]] const VideoImage& image() const { return m_image; }

private:
    VideoDecoder() = default;
    [[nodiscard]] static moviehost::Expected<VideoDecoder, MediaError> open(AVCodecID id, uint16_t width,
                                                                            uint16_t height, uint8_t deblocking,
                                                                            const AVCodecParameters* parameters);
    bool convert(const AVFrame& frame);

    CodecContextPtr m_codec;
    PacketPtr m_packet;
    FramePtr m_frame;
    SwsPtr m_sws;
    std::vector<uint8_t> m_padded;
    VideoImage m_image;
    uint32_t m_maxWidth = 0;
    uint32_t m_maxHeight = 0;
    uint32_t m_cropWidth = 0;  // the declared size, 0 when none was declared
    uint32_t m_cropHeight = 0;
};

// Plays a DefineVideoStream by frame number. Asking for a frame behind the
// current one, or more than one key frame ahead, decodes from the last key
// frame at or before it. Frames missing from the stream show the last one
// before them. The stream must outlive this object.
class EmbeddedVideo {
public:
    [[nodiscard]] static moviehost::Expected<EmbeddedVideo, MediaError> create(const swf::VideoStream& stream) {
        return create(stream, stream.deblocking);
    }
    // `deblocking` is the stream's flag or what a script set in its place.
    [[nodiscard]] static moviehost::Expected<EmbeddedVideo, MediaError> create(const swf::VideoStream& stream,
                                                                               uint8_t deblocking);

    // The picture of frame `number`, or null when nothing could be decoded yet.
    [[nodiscard]] const VideoImage* frame(uint16_t number);
    // Frames decoded so far (to check that seeking does only the work it needs).
    [[nodiscard]] uint64_t decodeCount() const { return m_decodes; }

private:
    EmbeddedVideo(const swf::VideoStream& stream, VideoDecoder decoder)
        : m_stream(&stream), m_decoder(std::move(decoder)) {}

    const swf::VideoStream* m_stream = nullptr;
    VideoDecoder m_decoder;
    ptrdiff_t m_at = -1;  // index in m_stream->frames of the last frame fed to the decoder
    bool m_have = false;
    uint64_t m_decodes = 0;
};

}  // namespace media
