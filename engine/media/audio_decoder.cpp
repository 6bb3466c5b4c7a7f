// libavcodec and libswresample behind AudioDecoder.
#include "media/audio_decoder.h"

#include "media/pcm.h"
#include "media/speex_frames.h"

#include <algorithm>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/samplefmt.h>
}

namespace media {

namespace {

// Nellymoser decodes 64-byte blocks of 256 samples; larger packets only make
// larger frames, so long sounds go in slices of many blocks.
constexpr size_t NellymoserSlice = 64 * 64;
// PCM needs no packet boundaries; slices keep each AVFrame small.
constexpr size_t PcmSlice = 1 << 16;

AVCodecID codecId(const swf::SoundFormat& f) {
    switch (f.codec) {
    case swf::SoundCodec::NativePcm:
    case swf::SoundCodec::LittleEndianPcm:
        return f.sixteenBit ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_PCM_U8;
    case swf::SoundCodec::Adpcm:
        return AV_CODEC_ID_ADPCM_SWF;
    case swf::SoundCodec::Mp3:
        return AV_CODEC_ID_MP3;
    case swf::SoundCodec::Nellymoser16k:
    case swf::SoundCodec::Nellymoser8k:
    case swf::SoundCodec::Nellymoser:
        return AV_CODEC_ID_NELLYMOSER;
    case swf::SoundCodec::Speex:
        return AV_CODEC_ID_SPEEX;
    default:
        return AV_CODEC_ID_NONE;
    }
}

bool isMono(const swf::SoundFormat& f) {
    // Nellymoser and Speex are mono whatever the channel bit says.
    return !f.stereo || f.codec == swf::SoundCodec::Nellymoser16k || f.codec == swf::SoundCodec::Nellymoser8k ||
           f.codec == swf::SoundCodec::Nellymoser || f.codec == swf::SoundCodec::Speex;
}

}  // namespace

void quietLibav() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

const char* describe(MediaError error) {
    switch (error) {
    case MediaError::UnknownCodec:
        return "unknown codec id";
    case MediaError::CodecUnavailable:
        return "decoder not available in libavcodec";
    case MediaError::CodecOpenFailed:
        return "decoder refused the stream parameters";
    case MediaError::OutOfMemory:
        return "out of memory";
    }
    return "unknown media error";
}

moviehost::Expected<AudioDecoder, MediaError> AudioDecoder::create(const swf::SoundFormat& format) {
    quietLibav();
    AVCodecID id = codecId(format);
    if (id == AV_CODEC_ID_NONE)
        return MediaError::UnknownCodec;
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec)
        return MediaError::CodecUnavailable;
    AudioDecoder d;
    d.m_format = format;
    d.m_codec.reset(avcodec_alloc_context3(codec));
    d.m_packet.reset(av_packet_alloc());
    d.m_frame.reset(av_frame_alloc());
    if (!d.m_codec || !d.m_packet || !d.m_frame)
        return MediaError::OutOfMemory;
    d.m_codec->sample_rate = int(format.sampleRate());
    av_channel_layout_default(&d.m_codec->ch_layout, isMono(format) ? 1 : 2);
    if (avcodec_open2(d.m_codec.get(), codec, nullptr) < 0)
        return MediaError::CodecOpenFailed;
    if (id == AV_CODEC_ID_MP3) {
        d.m_parser.reset(av_parser_init(id));
        if (!d.m_parser)
            return MediaError::CodecUnavailable;
    }
    return d;
}

moviehost::Expected<AudioDecoder, MediaError> AudioDecoder::create(const AVCodecParameters& parameters) {
    quietLibav();
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec)
        return MediaError::CodecUnavailable;
    AudioDecoder d;
    d.m_format.codec = 0xFF;  // no file format codec: packets go to the decoder as they are
    d.m_format.rateCode = 3;
    d.m_codec.reset(avcodec_alloc_context3(codec));
    d.m_packet.reset(av_packet_alloc());
    d.m_frame.reset(av_frame_alloc());
    if (!d.m_codec || !d.m_packet || !d.m_frame)
        return MediaError::OutOfMemory;
    if (avcodec_parameters_to_context(d.m_codec.get(), &parameters) < 0 ||
        avcodec_open2(d.m_codec.get(), codec, nullptr) < 0)
        return MediaError::CodecOpenFailed;
    return d;
}

void AudioDecoder::decode(std::span<const uint8_t> input, std::vector<int16_t>& out, uint64_t maxFrames) {
    if (input.empty())
        return;
    if (m_codec->codec_id == AV_CODEC_ID_SPEEX) {
        decodeSpeex(input, out, maxFrames);
        return;
    }
    // libavcodec's parsers and bit readers may read a little past the end of
    // what they are given; they are given a zero-padded copy.
    m_padded.assign(input.begin(), input.end());
    m_padded.resize(input.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::span<const uint8_t> data(m_padded.data(), input.size());
    if (m_parser) {
        // The parser finds frame boundaries and steps over bytes that are no
        // MP3 frame header; it holds back the last frame until more data or a flush.
        const uint8_t* p = data.data();
        size_t left = data.size();
        while (left > 0) {
            uint8_t* frame = nullptr;
            int frameSize = 0;
            int used = av_parser_parse2(m_parser.get(), m_codec.get(), &frame, &frameSize, p,
                                        int(std::min<size_t>(left, 1 << 30)), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                break;
            p += used;
            left -= size_t(used);
            if (frameSize > 0)
                sendPacket(frame, size_t(frameSize), out);
            else if (used == 0)
                break;
        }
        return;
    }
    size_t slice = data.size();
    if (m_codec->codec_id == AV_CODEC_ID_NELLYMOSER)
        slice = NellymoserSlice;
    else if (m_codec->codec_id == AV_CODEC_ID_PCM_S16LE || m_codec->codec_id == AV_CODEC_ID_PCM_U8)
        slice = PcmSlice;  // a multiple of every PCM frame size
    for (size_t at = 0; at < data.size(); at += slice)
        sendPacket(data.data() + at, std::min(slice, data.size() - at), out);
}

void AudioDecoder::decodeSpeex(std::span<const uint8_t> input, std::vector<int16_t>& out, uint64_t maxFrames) {
    // libavcodec decodes one frame per packet, so each frame goes on its own.
    uint64_t startFrames = m_outputFrames;
    auto budgetLeft = [&] { return m_outputFrames - startFrames < maxFrames; };
    uint32_t lost = splitSpeexFrames(input, [&](std::span<const uint8_t> frame) {
        m_padded.assign(frame.begin(), frame.end());
        m_padded.resize(frame.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        sendPacket(m_padded.data(), frame.size(), out);
        return budgetLeft();
    });
    // What could not be read keeps its length, as silence.
    int perFrame = std::max(m_codec->sample_rate, 0) / 50;
    for (uint32_t i = 0; i < lost && budgetLeft(); ++i)
        appendSilence(perFrame, out);
}

void AudioDecoder::appendSilence(int samples, std::vector<int16_t>& out) {
    if (samples <= 0 || m_codec->sample_fmt == AV_SAMPLE_FMT_NONE)
        return;
    m_frame->nb_samples = samples;
    m_frame->format = m_codec->sample_fmt;
    m_frame->sample_rate = m_swr ? m_swrInRate : m_codec->sample_rate;
    if (av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout) < 0 ||
        av_frame_get_buffer(m_frame.get(), 0) < 0) {
        av_frame_unref(m_frame.get());
        return;
    }
    av_samples_set_silence(m_frame->extended_data, 0, samples, m_frame->ch_layout.nb_channels,
                           AVSampleFormat(m_frame->format));
    m_decodedSamples += uint64_t(samples);
    resample(m_frame.get(), out);
    av_frame_unref(m_frame.get());
}

void AudioDecoder::flush(std::vector<int16_t>& out) {
    if (m_parser) {
        uint8_t* frame = nullptr;
        int frameSize = 0;
        av_parser_parse2(m_parser.get(), m_codec.get(), &frame, &frameSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE,
                         0);
        if (frameSize > 0)
            sendPacket(frame, size_t(frameSize), out);
    }
    if (avcodec_send_packet(m_codec.get(), nullptr) >= 0)
        receiveFrames(out);
    avcodec_flush_buffers(m_codec.get());
    resample(nullptr, out);
    m_swr.reset();
    if (m_parser)
        m_parser.reset(av_parser_init(m_codec->codec_id));
}

void AudioDecoder::reset() {
    avcodec_flush_buffers(m_codec.get());
    m_swr.reset();
    if (m_parser)
        m_parser.reset(av_parser_init(m_codec->codec_id));
}

void AudioDecoder::sendPacket(const uint8_t* data, size_t size, std::vector<int16_t>& out) {
    // The packet borrows the bytes; libavcodec copies what it keeps.
    m_packet->data = const_cast<uint8_t*>(data);
    m_packet->size = int(size);
    for (;;) {
        int rc = avcodec_send_packet(m_codec.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN)) {
            receiveFrames(out);  // make room, then send the same packet again
            continue;
        }
        if (rc >= 0)
            receiveFrames(out);
        break;  // a refused packet is skipped
    }
    m_packet->data = nullptr;
    m_packet->size = 0;
}

void AudioDecoder::receiveFrames(std::vector<int16_t>& out) {
    for (;;) {
        int rc = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return;
        if (rc < 0)
            return;  // a damaged frame: the next packet starts afresh
        m_decodedSamples += uint64_t(std::max(m_frame->nb_samples, 0));
        resample(m_frame.get(), out);
        av_frame_unref(m_frame.get());
    }
}

bool AudioDecoder::openResampler(const AVFrame& frame) {
    m_swrInRate = frame.sample_rate > 0 ? frame.sample_rate : int(m_format.sampleRate());
    // 5.5 kHz is exactly an eighth of 44.1 kHz; resampling 5512 -> 44096 keeps
    // that ratio, so lengths stay exact (the pitch moves by 0.01%).
    m_swrInFormat = frame.format;
    m_swrInChannels = frame.ch_layout.nb_channels;
    m_swrOutRate = m_swrInRate == 5512 ? 5512 * 8 : int(OutputRate);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout in = frame.ch_layout;  // the call takes it by non-const pointer but only reads it
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_S16, m_swrOutRate, &in, AVSampleFormat(frame.format),
                            m_swrInRate, 0, nullptr) < 0)
        return false;
    m_swr.reset(raw);
    if (frame.ch_layout.nb_channels == 1) {
        // Mono plays at full level on both sides, not at the -3 dB of a centre downmix.
        const double matrix[2] = {1.0, 1.0};
        swr_set_matrix(m_swr.get(), matrix, 1);
    } else if (frame.ch_layout.nb_channels != 2) {
        m_swr.reset();
        return false;
    }
    if (swr_init(m_swr.get()) < 0) {
        m_swr.reset();
        return false;
    }
    return true;
}

void AudioDecoder::resample(const AVFrame* frame, std::vector<int16_t>& out) {
    if (frame) {
        bool changed = m_swr && (frame->sample_rate != m_swrInRate || frame->format != m_swrInFormat ||
                                 frame->ch_layout.nb_channels != m_swrInChannels);
        if (changed)
            resample(nullptr, out);  // drain at the old rate first
        if ((!m_swr || changed) && !openResampler(*frame))
            return;
    } else if (!m_swr) {
        return;
    }
    int inSamples = frame ? frame->nb_samples : 0;
    int room = swr_get_out_samples(m_swr.get(), inSamples);
    if (room <= 0)
        return;
    size_t at = out.size();
    out.resize(at + size_t(room) * OutputChannels);
    uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + at);
    int made = swr_convert(m_swr.get(), &dst, room, frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                           inSamples);
    made = std::max(made, 0);
    out.resize(at + size_t(made) * OutputChannels);
    m_outputFrames += uint64_t(made);
}

}  // namespace media
