// Decodes the file format's sound codecs through libavcodec and resamples to
// the output format (see pcm.h) through libswresample.
//
//   auto decoder = media::AudioDecoder::create(format);
//   decoder->decode(blockBytes, pcm);   // appends stereo 44.1 kHz frames
//   decoder->flush(pcm);                // at the end: what the codec and resampler still hold
//
// Bad data never stops a decoder: a packet libavcodec refuses is skipped and
// decoding goes on with the next one.
#pragma once

#include "media/av_handles.h"
#include "media/media_error.h"
#include "media/pcm.h"
#include "moviehost/expected.h"
#include "swf/sound.h"

#include <cstdint>
#include <span>
#include <vector>

namespace media {

class AudioDecoder {
public:
    [[nodiscard]] static moviehost::Expected<AudioDecoder, MediaError> create(const swf::SoundFormat& format);
    // For a demuxed stream (FLV files): its packets are whole frames already.
    [[nodiscard]] static moviehost::Expected<AudioDecoder, MediaError> create(const AVCodecParameters& parameters);

    // Decodes coded bytes that form whole packets in the file format's terms:
    // a whole event sound, or one stream block (for MP3: the frames, without
    // the block's sample count and seek fields). Appends to `out`. Speex
    // blocks are split into frames here and stop once `maxFrames` output
    // frames were appended, as tiny frames decode to far more than their size.
    void decode(std::span<const uint8_t> data, std::vector<int16_t>& out,
                uint64_t maxFrames = uint64_t(OutputRate) * 60 * 15);
    // Drains the codec and the resampler; the decoder can start anew after it.
    void flush(std::vector<int16_t>& out);
    // Forgets everything pending (after a seek).
    void reset();

    [[nodiscard]] const swf::SoundFormat& format() const { return m_format; }
    // Samples per channel the codec produced so far, at the source rate.
    [[nodiscard]] uint64_t decodedSamples() const { return m_decodedSamples; }
    // Frames appended to the outputs so far.
    [[nodiscard]] uint64_t outputFrames() const { return m_outputFrames; }

private:
    AudioDecoder() = default;
    void sendPacket(const uint8_t* data, size_t size, std::vector<int16_t>& out);
    void receiveFrames(std::vector<int16_t>& out);
    void decodeSpeex(std::span<const uint8_t> data, std::vector<int16_t>& out, uint64_t maxFrames);
    void appendSilence(int samples, std::vector<int16_t>& out);
    void resample(const AVFrame* frame, std::vector<int16_t>& out);
    bool openResampler(const AVFrame& frame);

    swf::SoundFormat m_format;
    CodecContextPtr m_codec;
    ParserPtr m_parser;  // MP3 only: splits data into frames
    PacketPtr m_packet;
    FramePtr m_frame;
    SwrPtr m_swr;
    std::vector<uint8_t> m_padded;
    int m_swrInRate = 0;
    int m_swrOutRate = 0;
    int m_swrInFormat = -1;
    int m_swrInChannels = 0;
    uint64_t m_decodedSamples = 0;
    uint64_t m_outputFrames = 0;
};

}  // namespace media
