// libavcodec and libswscale behind VideoDecoder and EmbeddedVideo.
#include "media/video_decoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace media {

namespace {

constexpr uint32_t MaxUndeclaredSide = 4096;
constexpr uint32_t BlockSlack = 16;

AVCodecID codecId(uint8_t codec) {
    switch (codec) {
    case swf::VideoCodec::SorensonH263:
        return AV_CODEC_ID_FLV1;
    case swf::VideoCodec::ScreenVideo:
        return AV_CODEC_ID_FLASHSV;
    case swf::VideoCodec::Vp6:
        return AV_CODEC_ID_VP6F;
    case swf::VideoCodec::Vp6Alpha:
        return AV_CODEC_ID_VP6A;
    case swf::VideoCodec::ScreenVideo2:
        return AV_CODEC_ID_FLASHSV2;
    default:
        return AV_CODEC_ID_NONE;
    }
}

// Screen video: 4 bits block width, 12 bits image width, 4 bits block height,
// 12 bits image height, then each block's 16-bit big-endian size and data; a
// block of size 0 is unchanged from the previous frame. Version 2 adds a flag
// byte after the header, and one at the start of each block that is not
// empty: bit 2 says the block only patches rows of the previous frame, bit 0
// that its zlib stream is primed with the previous frame's block.
bool screenVideoKey(std::span<const uint8_t> d, bool version2) {
    if (d.size() < 4)
        return false;
    uint32_t blockW = (uint32_t(d[0] >> 4) + 1) * 16;
    uint32_t width = uint32_t(d[0] & 0x0F) << 8 | d[1];
    uint32_t blockH = (uint32_t(d[2] >> 4) + 1) * 16;
    uint32_t height = uint32_t(d[2] & 0x0F) << 8 | d[3];
    size_t at = version2 ? 5 : 4;
    uint64_t blocks = uint64_t((width + blockW - 1) / blockW) * ((height + blockH - 1) / blockH);
    for (uint64_t b = 0; b < blocks; ++b) {
        if (at + 2 > d.size())
            return false;
        size_t size = size_t(d[at]) << 8 | d[at + 1];
        if (size == 0)
            return false;
        if (version2 && (at + 2 >= d.size() || (d[at + 2] & 0x05) != 0))
            return false;
        at += 2 + size;
    }
    return true;
}

// `count` bits (at most 32) from bit `pos`, most significant first; zeros past the end.
uint32_t bitsAt(std::span<const uint8_t> d, size_t pos, unsigned count) {
    uint32_t v = 0;
    for (unsigned i = 0; i < count; ++i, ++pos) {
        uint32_t bit = pos / 8 < d.size() ? (d[pos / 8] >> (7 - pos % 8)) & 1 : 0;
        v = v << 1 | bit;
    }
    return v;
}

}  // namespace

bool isKeyFrame(uint8_t codec, std::span<const uint8_t> d) {
    switch (codec) {
    case swf::VideoCodec::SorensonH263: {
        // 17-bit start code, 5-bit version, 8-bit temporal reference, 3-bit
        // size code (custom sizes add 16 or 32 bits), then the 2-bit picture
        // type: 0 intra, 1 inter, 2 disposable inter.
        size_t pos = 17 + 5 + 8;
        uint32_t size = bitsAt(d, pos, 3);
        pos += 3 + (size == 0 ? 16 : size == 1 ? 32 : 0);
        return pos + 2 <= d.size() * 8 && bitsAt(d, pos, 2) == 0;
    }
    case swf::VideoCodec::Vp6:
        return !d.empty() && (d[0] & 0x80) == 0;
    case swf::VideoCodec::Vp6Alpha:
        // A 24-bit offset to the alpha data comes first.
        return d.size() > 3 && (d[3] & 0x80) == 0;
    case swf::VideoCodec::ScreenVideo:
        return screenVideoKey(d, false);
    case swf::VideoCodec::ScreenVideo2:
        return screenVideoKey(d, true);
    default:
        return false;
    }
}

moviehost::Expected<VideoDecoder, MediaError> VideoDecoder::create(uint8_t codecNumber, uint16_t width, uint16_t height,
                                                                   uint8_t deblocking) {
    AVCodecID id = codecId(codecNumber);
    if (id == AV_CODEC_ID_NONE)
        return MediaError::UnknownCodec;
    return open(id, width, height, deblocking, nullptr);
}

moviehost::Expected<VideoDecoder, MediaError> VideoDecoder::create(const AVCodecParameters& parameters) {
    bool fits =
        parameters.width > 0 && parameters.height > 0 && parameters.width <= 65535 && parameters.height <= 65535;
    return open(parameters.codec_id, fits ? uint16_t(parameters.width) : 0, fits ? uint16_t(parameters.height) : 0, 0,
                &parameters);
}

moviehost::Expected<VideoDecoder, MediaError> VideoDecoder::open(AVCodecID id, uint16_t width, uint16_t height,
                                                                 uint8_t deblocking,
                                                                 const AVCodecParameters* parameters) {
    quietLibav();
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec)
        return MediaError::CodecUnavailable;
    VideoDecoder d;
    d.m_codec.reset(avcodec_alloc_context3(codec));
    d.m_packet.reset(av_packet_alloc());
    d.m_frame.reset(av_frame_alloc());
    if (!d.m_codec || !d.m_packet || !d.m_frame)
        return MediaError::OutOfMemory;
    if (parameters && avcodec_parameters_to_context(d.m_codec.get(), parameters) < 0)
        return MediaError::CodecOpenFailed;
    bool declared = width > 0 && height > 0;
    d.m_cropWidth = declared ? width : 0;
    d.m_cropHeight = declared ? height : 0;
    d.m_maxWidth = declared ? width + BlockSlack : MaxUndeclaredSide;
    d.m_maxHeight = declared ? height + BlockSlack : MaxUndeclaredSide;
    // libavcodec refuses pictures past this before allocating for them. Its
    // count includes scratch buffers of several picture rows, hence the room;
    // the picture itself is checked against the stream's size after decoding.
    d.m_codec->max_pixels = int64_t(d.m_maxWidth) * d.m_maxHeight * 16 + (1 << 16);
    d.m_codec->width = declared ? width : 0;
    d.m_codec->height = declared ? height : 0;
    d.m_codec->thread_count = 1;
    d.setDeblocking(deblocking);
    if (avcodec_open2(d.m_codec.get(), codec, nullptr) < 0)
        return MediaError::CodecOpenFailed;
    return d;
}

void VideoDecoder::setDeblocking(uint8_t level) {
    // Decoders read the field per frame, so a change needs no reopening.
    m_codec->skip_loop_filter = level == 1 ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
}

bool VideoDecoder::decode(std::span<const uint8_t> data, bool key) {
    if (data.empty())
        return false;
    // Screen video 2 keeps its key frames to prime later blocks, by this flag.
    m_packet->flags = key ? AV_PKT_FLAG_KEY : 0;
    // Decoders may read a little past the end: they get a zero-padded copy.
    m_padded.assign(data.begin(), data.end());
    m_padded.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    m_packet->data = m_padded.data();
    m_packet->size = int(std::min<size_t>(data.size(), INT32_MAX / 2));
    bool made = false;
    for (;;) {
        int rc = avcodec_send_packet(m_codec.get(), m_packet.get());
        bool again = rc == AVERROR(EAGAIN);
        if (rc < 0 && !again)
            break;
        for (;;) {
            int got = avcodec_receive_frame(m_codec.get(), m_frame.get());
            if (got < 0)
                break;  // EAGAIN, EOF or a damaged picture
            made = convert(*m_frame) || made;
            av_frame_unref(m_frame.get());
        }
        if (!again)
            break;
    }
    m_packet->data = nullptr;
    m_packet->size = 0;
    return made;
}

void VideoDecoder::reset() { avcodec_flush_buffers(m_codec.get()); }

bool VideoDecoder::convert(const AVFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0 || uint32_t(frame.width) > m_maxWidth ||
        uint32_t(frame.height) > m_maxHeight)
        return false;
    uint32_t w = m_cropWidth ? std::min<uint32_t>(frame.width, m_cropWidth) : uint32_t(frame.width);
    uint32_t h = m_cropHeight ? std::min<uint32_t>(frame.height, m_cropHeight) : uint32_t(frame.height);
    // Cropping to the declared size: the context is made for the top-left
    // w x h of the picture, read with the picture's own strides.
    m_sws.reset(sws_getCachedContext(m_sws.release(), int(w), int(h), AVPixelFormat(frame.format), int(w), int(h),
                                     AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr));
    if (!m_sws)
        return false;
    // libswscale writes whole vector blocks: each row gets an aligned stride
    // and the buffer a tail, so nothing lands past what we own; the rows are
    // packed tight afterwards.
    const size_t row = size_t(w) * 4;
    const size_t stride = (row + 63) & ~size_t(63);
    std::vector<uint8_t> rgba(stride * h + 256);
    uint8_t* dst[4] = {rgba.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {int(stride), 0, 0, 0};
    if (sws_scale(m_sws.get(), frame.data, frame.linesize, 0, int(h), dst, dstStride) != int(h))
        return false;
    for (size_t y = 1; y < h; ++y)
        std::memmove(rgba.data() + y * row, rgba.data() + y * stride, row);
    rgba.resize(row * h);
    m_image.width = w;
    m_image.height = h;
    m_image.rgba = std::move(rgba);
    return true;
}

moviehost::Expected<EmbeddedVideo, MediaError> EmbeddedVideo::create(const swf::VideoStream& stream,
                                                                     uint8_t deblocking) {
    auto decoder = VideoDecoder::create(stream.codec, stream.width, stream.height, deblocking);
    if (!decoder)
        return decoder.error();
    return EmbeddedVideo(stream, std::move(decoder.value()));
}

const VideoImage* EmbeddedVideo::frame(uint16_t number) {
    const auto& frames = m_stream->frames;
    // The last stored frame at or before `number`.
    ptrdiff_t target = ptrdiff_t(std::upper_bound(frames.begin(), frames.end(), number,
                                                  [](uint16_t n, const swf::VideoPacket& p) { return n < p.frame; }) -
                                 frames.begin()) -
                       1;
    if (target < 0)
        return nullptr;
    // From a key frame when the picture we hold is not on the way to the target.
    ptrdiff_t key = target;
    while (key > 0 && !isKeyFrame(m_stream->codec, frames[size_t(key)].data))
        --key;
    ptrdiff_t from = m_at + 1;
    if (m_at > target || m_at < key - 1 || m_at < 0) {
        from = key;
        m_decoder.reset();
    }
    for (ptrdiff_t i = from; i <= target; ++i) {
        const auto& data = frames[size_t(i)].data;
        m_have = m_decoder.decode(data, isKeyFrame(m_stream->codec, data)) || m_have;
        ++m_decodes;
    }
    m_at = target;
    return m_have && !m_decoder.image().empty() ? &m_decoder.image() : nullptr;
}

}  // namespace media
