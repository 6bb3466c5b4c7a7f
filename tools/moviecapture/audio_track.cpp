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
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

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

// The encoder runs on a thread of its own, beside the video's: the caller
// queues the samples of each frame and muxes the packets that came out, so
// the muxer is only ever used by the caller's thread. Once the worker
// started, everything above `mutex` is the worker's until it is joined.
struct AudioTrack::State {
    // Frames of samples waiting for the worker; the caller waits beyond this.
    static constexpr std::size_t MaxBlocks = 64;

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

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<std::int16_t>> blocks;  // for the worker
    std::vector<std::vector<std::int16_t>> spare;  // their buffers, for reuse
    std::vector<AVPacket*> encoded;                // for the muxer, in the codec's time base
    std::optional<std::string> failure;            // the worker's; it stops at the first
    bool ending = false;
    std::thread worker;

    ~State() {
        {
            const std::lock_guard lock(mutex);
            blocks.clear();  // abandoned: not worth encoding
        }
        stopWorker();
        for (AVPacket*& done : encoded)
            av_packet_free(&done);
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (fifo)
            av_audio_fifo_free(fifo);
        swr_free(&swr);
        avcodec_free_context(&codec);
    }

    void stopWorker() {
        if (!worker.joinable())
            return;
        {
            const std::lock_guard lock(mutex);
            ending = true;
        }
        changed.notify_all();
        worker.join();
    }

    void work() {
        for (;;) {
            std::vector<std::int16_t> block;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !blocks.empty() || ending; });
                if (blocks.empty())
                    return;
                block = std::move(blocks.front());
                blocks.pop_front();
            }
            changed.notify_all();
            auto failed = encode(block);
            const bool stop = failed.has_value();
            {
                const std::lock_guard lock(mutex);
                spare.push_back(std::move(block));
                if (stop) {
                    failure = std::move(failed);
                    blocks.clear();
                }
            }
            if (stop) {
                changed.notify_all();
                return;
            }
        }
    }

    // Hands what the encoder made so far to the caller.
    std::optional<std::string> drain() {
        for (;;) {
            const int received = avcodec_receive_packet(codec, packet);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return std::nullopt;
            if (received < 0)
                return avError("encoding the sound failed", received);
            AVPacket* done = av_packet_alloc();
            if (!done)
                return std::string("out of memory encoding the sound");
            av_packet_move_ref(done, packet);
            const std::lock_guard lock(mutex);
            encoded.push_back(done);
        }
    }

    // Writes the packets made so far; the caller's thread only. The stream's
    // time base is read here, after the muxer's header may have changed it.
    std::optional<std::string> mux() {
        std::vector<AVPacket*> ready;
        {
            const std::lock_guard lock(mutex);
            ready.swap(encoded);
        }
        std::optional<std::string> failed;
        for (AVPacket*& done : ready) {
            if (!failed) {
                av_packet_rescale_ts(done, codec->time_base, stream->time_base);
                done->stream_index = stream->index;
                if (const int written = av_interleaved_write_frame(format, done); written < 0)
                    failed = avError("writing the sound failed", written);
            }
            av_packet_free(&done);
        }
        return failed;
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

    // Encodes the samples of one write, whole encoder frames at a time.
    std::optional<std::string> encode(std::span<const std::int16_t> samples);
    // Encodes what waits (padded to a whole frame) and drains the encoder.
    std::optional<std::string> flush();

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

std::optional<std::string> AudioTrack::State::encode(std::span<const std::int16_t> samples) {
    if (direct)
        return writeDirect(samples);
    const int inFrames = static_cast<int>(samples.size() / 2);
    if (inFrames > 0) {
        const int room = swr_get_out_samples(swr, inFrames);
        std::uint8_t** converted = nullptr;
        if (av_samples_alloc_array_and_samples(&converted, nullptr, 2, room, codec->sample_fmt, 0) < 0)
            return std::string("out of memory encoding the sound");
        const std::uint8_t* in[] = {reinterpret_cast<const std::uint8_t*>(samples.data())};
        const int made = swr_convert(swr, converted, room, in, inFrames);
        const int queued = made > 0 ? av_audio_fifo_write(fifo, reinterpret_cast<void**>(converted), made) : made;
        av_freep(&converted[0]);
        av_freep(&converted);
        if (queued < 0)
            return std::string("converting the sound failed");
    }
    const int size = codec->frame_size > 0 ? codec->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= size) {
        if (auto failed = encodeFrame(size))
            return failed;
    }
    return std::nullopt;
}

std::optional<std::string> AudioTrack::write(std::span<const std::int16_t> samples) {
    State& s = *m_state;
    if (!samples.empty()) {
        if (!s.worker.joinable())
            s.worker = std::thread([&s] { s.work(); });
        {
            std::unique_lock lock(s.mutex);
            s.changed.wait(lock, [&] { return s.blocks.size() < State::MaxBlocks || s.failure; });
            if (s.failure)
                return s.failure;
            std::vector<std::int16_t> block;
            if (!s.spare.empty()) {
                block = std::move(s.spare.back());
                s.spare.pop_back();
            }
            block.assign(samples.begin(), samples.end());
            s.blocks.push_back(std::move(block));
        }
        s.changed.notify_all();
    }
    return s.mux();
}

std::optional<std::string> AudioTrack::finish() {
    State& s = *m_state;
    // The worker encodes what was queued, then the rest is ours.
    s.stopWorker();
    if (s.failure)
        return s.failure;
    if (auto failed = s.flush())
        return failed;
    return s.mux();
}

std::optional<std::string> AudioTrack::State::flush() {
    if (direct) {
        if (filled > 0) {
            if (auto failed = sendDirect())
                return failed;
        }
        if (const int sent = avcodec_send_frame(codec, nullptr); sent < 0 && sent != AVERROR_EOF)
            return avError("encoding the sound failed", sent);
        return drain();
    }
    // What the resampler still holds, then a last partial frame.
    if (auto failed = encode({}))
        return failed;
    const int room = swr_get_out_samples(swr, 0);
    if (room > 0) {
        std::uint8_t** converted = nullptr;
        if (av_samples_alloc_array_and_samples(&converted, nullptr, 2, room, codec->sample_fmt, 0) >= 0) {
            const int made = swr_convert(swr, converted, room, nullptr, 0);
            if (made > 0)
                av_audio_fifo_write(fifo, reinterpret_cast<void**>(converted), made);
            av_freep(&converted[0]);
            av_freep(&converted);
        }
    }
    const int size = codec->frame_size > 0 ? codec->frame_size : 1024;
    while (av_audio_fifo_size(fifo) > 0) {
        if (auto failed = encodeFrame(std::min(size, av_audio_fifo_size(fifo))))
            return failed;
    }
    if (const int sent = avcodec_send_frame(codec, nullptr); sent < 0 && sent != AVERROR_EOF)
        return avError("encoding the sound failed", sent);
    return drain();
}

}  // namespace moviecapture
