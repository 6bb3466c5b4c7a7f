#include "audio_track.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace moviecapture {

namespace {

constexpr int InputRate = 44100;

std::string avError(const std::string& what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return what + ": " + text;
}

// The encoder's own rate when it takes ours, else its highest.
int rateFor(const AVCodec* codec) {
    const int* rates = codec->supported_samplerates;
    if (!rates)
        return InputRate;
    int best = 0;
    for (; *rates != 0; ++rates) {
        if (*rates == InputRate)
            return InputRate;
        best = std::max(best, *rates);
    }
    return best;
}

AVSampleFormat formatFor(const AVCodec* codec) {
    const AVSampleFormat* formats = codec->sample_fmts;
    if (!formats)
        return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_S16)
            return *f;
    }
    return formats[0];
}

}  // namespace

struct AudioTrack::State {
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::int64_t nextPts = 0;
    // AAC takes our rate in planar floats: the samples go straight into the
    // frame, with no resampler, queue or buffer made per write.
    bool direct = false;
    int filled = 0;  // samples in `frame` so far (direct only)

    ~State() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (fifo)
            av_audio_fifo_free(fifo);
        swr_free(&swr);
        avcodec_free_context(&codec);
    }

    std::optional<std::string> drain() {
        for (;;) {
            const int received = avcodec_receive_packet(codec, packet);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return std::nullopt;
            if (received < 0)
                return avError("encoding the sound failed", received);
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (const int written = av_interleaved_write_frame(format, packet); written < 0)
                return avError("writing the sound failed", written);
        }
    }

    // A writable frame of the encoder's size, its buffer kept from the last
    // one unless the encoder still holds it.
    std::optional<std::string> readyFrame() {
        if (frame->nb_samples == 0) {
            frame->nb_samples = codec->frame_size > 0 ? codec->frame_size : 1024;
            frame->format = codec->sample_fmt;
            frame->sample_rate = codec->sample_rate;
            if (const int copied = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout); copied < 0)
                return avError("encoding the sound failed", copied);
            if (const int got = av_frame_get_buffer(frame, 0); got < 0)
                return avError("out of memory encoding the sound", got);
        } else if (const int writable = av_frame_make_writable(frame); writable < 0) {
            return avError("out of memory encoding the sound", writable);
        }
        return std::nullopt;
    }

    // Sends the direct frame (silence after `filled`) to the encoder.
    std::optional<std::string> sendDirect() {
        av_samples_set_silence(frame->data, filled, frame->nb_samples - filled, 2, codec->sample_fmt);
        frame->pts = nextPts;
        nextPts += frame->nb_samples;
        filled = 0;
        if (const int sent = avcodec_send_frame(codec, frame); sent < 0)
            return avError("encoding the sound failed", sent);
        return drain();
    }

    std::optional<std::string> writeDirect(std::span<const std::int16_t> samples) {
        constexpr float Scale = 1.0f / 32768.0f;
        for (std::size_t at = 0; at + 1 < samples.size();) {
            if (filled == 0) {
                if (auto failed = readyFrame())
                    return failed;
            }
            auto* left = reinterpret_cast<float*>(frame->data[0]);
            auto* right = reinterpret_cast<float*>(frame->data[1]);
            const std::size_t take = std::min(std::size_t(frame->nb_samples - filled), (samples.size() - at) / 2);
            for (std::size_t i = 0; i < take; ++i, at += 2) {
                left[filled + i] = float(samples[at]) * Scale;
                right[filled + i] = float(samples[at + 1]) * Scale;
            }
            filled += int(take);
            if (filled == frame->nb_samples) {
                if (auto failed = sendDirect())
                    return failed;
            }
        }
        return std::nullopt;
    }

    // Encodes one frame of `count` samples from the fifo (silence after what it holds).
    std::optional<std::string> encodeFrame(int count) {
        av_frame_unref(frame);
        frame->nb_samples = codec->frame_size > 0 ? codec->frame_size : count;
        frame->format = codec->sample_fmt;
        frame->sample_rate = codec->sample_rate;
        if (const int copied = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout); copied < 0)
            return avError("encoding the sound failed", copied);
        if (const int got = av_frame_get_buffer(frame, 0); got < 0)
            return avError("out of memory encoding the sound", got);
        av_samples_set_silence(frame->data, 0, frame->nb_samples, codec->ch_layout.nb_channels, codec->sample_fmt);
        if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), count) < 0)
            return std::string("encoding the sound failed");
        frame->pts = nextPts;
        nextPts += frame->nb_samples;
        if (const int sent = avcodec_send_frame(codec, frame); sent < 0)
            return avError("encoding the sound failed", sent);
        return drain();
    }
};

AudioTrack::AudioTrack(std::unique_ptr<State> state) : m_state(std::move(state)) {}
AudioTrack::~AudioTrack() = default;

std::unique_ptr<AudioTrack> AudioTrack::add(AVFormatContext* format, AudioCodec which, std::string& failure) {
    const char* name = which == AudioCodec::Aac ? "aac" : "libopus";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        failure = std::string("this build of FFmpeg has no ") + name + " encoder";
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->format = format;
    state->stream = avformat_new_stream(format, nullptr);
    state->codec = avcodec_alloc_context3(codec);
    state->frame = av_frame_alloc();
    state->packet = av_packet_alloc();
    if (!state->stream || !state->codec || !state->frame || !state->packet) {
        failure = "out of memory opening the sound track";
        return nullptr;
    }
    AVCodecContext* context = state->codec;
    context->sample_rate = rateFor(codec);
    context->sample_fmt = formatFor(codec);
    context->bit_rate = which == AudioCodec::Aac ? 160000 : 128000;
    av_channel_layout_default(&context->ch_layout, 2);
    context->time_base = AVRational{1, context->sample_rate};
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The encoders' slowest searches cost more than the whole rest of the
    // sound path and gain little at these rates: FFmpeg's AAC spends most of
    // its time choosing mid/side stereo band by band and in its two-loop
    // quantiser; Opus below its top complexity loses next to nothing.
    AVDictionary* settings = nullptr;
    if (which == AudioCodec::Aac) {
        av_dict_set(&settings, "aac_coder", "fast", 0);
        av_dict_set(&settings, "aac_ms", "0", 0);
    } else {
        av_dict_set(&settings, "compression_level", "5", 0);
    }
    const int opened = avcodec_open2(context, codec, &settings);
    av_dict_free(&settings);
    if (opened < 0) {
        failure = avError("cannot start the sound encoder", opened);
        return nullptr;
    }
    if (const int copied = avcodec_parameters_from_context(state->stream->codecpar, context); copied < 0) {
        failure = avError("cannot start the sound encoder", copied);
        return nullptr;
    }
    state->stream->time_base = context->time_base;

    if (context->sample_rate == InputRate && context->sample_fmt == AV_SAMPLE_FMT_FLTP) {
        state->direct = true;
        return std::unique_ptr<AudioTrack>(new AudioTrack(std::move(state)));
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&state->swr, &context->ch_layout, context->sample_fmt, context->sample_rate, &stereo,
                            AV_SAMPLE_FMT_S16, InputRate, 0, nullptr) < 0 ||
        swr_init(state->swr) < 0) {
        failure = "cannot convert the sound for its encoder";
        return nullptr;
    }
    state->fifo = av_audio_fifo_alloc(context->sample_fmt, 2, 4096);
    if (!state->fifo) {
        failure = "out of memory opening the sound track";
        return nullptr;
    }
    return std::unique_ptr<AudioTrack>(new AudioTrack(std::move(state)));
}

std::optional<std::string> AudioTrack::write(std::span<const std::int16_t> samples) {
    State& s = *m_state;
    if (s.direct)
        return s.writeDirect(samples);
    const int inFrames = static_cast<int>(samples.size() / 2);
    if (inFrames > 0) {
        const int room = swr_get_out_samples(s.swr, inFrames);
        std::uint8_t** converted = nullptr;
        if (av_samples_alloc_array_and_samples(&converted, nullptr, 2, room, s.codec->sample_fmt, 0) < 0)
            return std::string("out of memory encoding the sound");
        const std::uint8_t* in[] = {reinterpret_cast<const std::uint8_t*>(samples.data())};
        const int made = swr_convert(s.swr, converted, room, in, inFrames);
        const int queued = made > 0 ? av_audio_fifo_write(s.fifo, reinterpret_cast<void**>(converted), made) : made;
        av_freep(&converted[0]);
        av_freep(&converted);
        if (queued < 0)
            return std::string("converting the sound failed");
    }
    const int size = s.codec->frame_size > 0 ? s.codec->frame_size : 1024;
    while (av_audio_fifo_size(s.fifo) >= size) {
        if (auto failed = s.encodeFrame(size))
            return failed;
    }
    return std::nullopt;
}

std::optional<std::string> AudioTrack::finish() {
    State& s = *m_state;
    if (s.direct) {
        if (s.filled > 0) {
            if (auto failed = s.sendDirect())
                return failed;
        }
        if (const int sent = avcodec_send_frame(s.codec, nullptr); sent < 0 && sent != AVERROR_EOF)
            return avError("encoding the sound failed", sent);
        return s.drain();
    }
    // What the resampler still holds, then a last partial frame.
    if (auto failed = write({}))
        return failed;
    const int room = swr_get_out_samples(s.swr, 0);
    if (room > 0) {
        std::uint8_t** converted = nullptr;
        if (av_samples_alloc_array_and_samples(&converted, nullptr, 2, room, s.codec->sample_fmt, 0) >= 0) {
            const int made = swr_convert(s.swr, converted, room, nullptr, 0);
            if (made > 0)
                av_audio_fifo_write(s.fifo, reinterpret_cast<void**>(converted), made);
            av_freep(&converted[0]);
            av_freep(&converted);
        }
    }
    const int size = s.codec->frame_size > 0 ? s.codec->frame_size : 1024;
    while (av_audio_fifo_size(s.fifo) > 0) {
        if (auto failed = s.encodeFrame(std::min(size, av_audio_fifo_size(s.fifo))))
            return failed;
    }
    if (const int sent = avcodec_send_frame(s.codec, nullptr); sent < 0 && sent != AVERROR_EOF)
        return avError("encoding the sound failed", sent);
    return s.drain();
}

}  // namespace moviecapture
