#include "video_sink.h"

#include "audio_track.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>

namespace moviecapture {

namespace {

// One owner per libav type, freed by its own function.
struct FormatDeleter {
    void operator()(AVFormatContext* context) const {
        if (context && context->pb && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct GraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleDeleter>;
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphDeleter>;

std::string avError(const std::string& what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return what + ": " + text;
}

struct FormatChoice {
    const char* muxer;
    const char* encoder;
};

FormatChoice choiceFor(VideoFormat format) {
    switch (format) {
    case VideoFormat::Mp4:
        return {"mp4", "libx264"};
    case VideoFormat::Mov:
        return {"mov", "libx264"};
    case VideoFormat::Mkv:
        return {"matroska", "libx264"};
    case VideoFormat::WebM:
        return {"webm", "libvpx-vp9"};
    case VideoFormat::Gif:
        return {"gif", "gif"};
    }
    return {"mp4", "libx264"};
}

}  // namespace

struct VideoSink::Encoder {
    FormatPtr format;
    CodecPtr codec;
    AVStream* stream = nullptr;
    FramePtr rgba;       // the host's picture, wrapped
    FramePtr converted;  // in the encoder's pixel format
    PacketPtr packet;
    ScalePtr scale;
    GraphPtr graph;  // GIF only: palette per frame
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    std::unique_ptr<AudioTrack> audio;  // goes before the muxer it writes into
    bool headerWritten = false;

    std::optional<std::string> buildPaletteGraph(const VideoSettings& settings);

    std::optional<std::string> drain(bool flushing) {
        for (;;) {
            const int received = avcodec_receive_packet(codec.get(), packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return std::nullopt;
            if (received < 0)
                return avError("encoding failed", received);
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int written = av_interleaved_write_frame(format.get(), packet.get());
            if (written < 0)
                return avError("writing the video failed", written);
            (void)flushing;
        }
    }

    std::optional<std::string> encode(AVFrame* frame) {
        const int sent = avcodec_send_frame(codec.get(), frame);
        if (sent < 0 && sent != AVERROR_EOF)
            return avError("encoding failed", sent);
        return drain(frame == nullptr);
    }

    // Pushes one picture (or the end, for nullptr) through the palette
    // graph and encodes whatever comes out.
    std::optional<std::string> filterAndEncode(AVFrame* frame) {
        const int added = av_buffersrc_add_frame_flags(source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
        if (added < 0)
            return avError("making the palette failed", added);
        for (;;) {
            av_frame_unref(converted.get());
            const int got = av_buffersink_get_frame(sink, converted.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return std::nullopt;
            if (got < 0)
                return avError("making the palette failed", got);
            converted->pict_type = AV_PICTURE_TYPE_NONE;
            if (auto failed = encode(converted.get()))
                return failed;
        }
    }
};

VideoSink::VideoSink(VideoSettings settings, std::uint64_t total, std::ostream& progress)
    : m_settings(std::move(settings)), m_progress(progress, total, m_settings.path.string()) {}

VideoSink::~VideoSink() = default;

std::optional<std::string> VideoSink::open() {
    // The encoders' own chatter would bury the progress line.
    av_log_set_level(AV_LOG_ERROR);
    auto encoder = std::make_unique<Encoder>();
    const FormatChoice choice = choiceFor(m_settings.format);
    const std::string path = m_settings.path.string();

    AVFormatContext* format = nullptr;
    if (const int made = avformat_alloc_output_context2(&format, nullptr, choice.muxer, path.c_str()); made < 0)
        return avError("cannot write " + path, made);
    encoder->format.reset(format);

    const AVCodec* codec = avcodec_find_encoder_by_name(choice.encoder);
    if (!codec)
        return std::string("this build of FFmpeg has no ") + choice.encoder + " encoder";
    encoder->stream = avformat_new_stream(format, nullptr);
    encoder->codec.reset(avcodec_alloc_context3(codec));
    encoder->rgba.reset(av_frame_alloc());
    encoder->converted.reset(av_frame_alloc());
    encoder->packet.reset(av_packet_alloc());
    if (!encoder->stream || !encoder->codec || !encoder->rgba || !encoder->converted || !encoder->packet)
        return std::string("out of memory opening the video");

    AVCodecContext* context = encoder->codec.get();
    const bool gif = m_settings.format == VideoFormat::Gif;
    const bool evenSize = m_settings.width % 2 == 0 && m_settings.height % 2 == 0;
    context->width = m_settings.width;
    context->height = m_settings.height;
    // 4:2:0 needs even sides; odd frames keep every pixel in 4:4:4.
    context->pix_fmt = gif ? AV_PIX_FMT_PAL8 : (evenSize ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV444P);
    context->time_base = AVRational{m_settings.rate.den, m_settings.rate.num};
    context->framerate = AVRational{m_settings.rate.num, m_settings.rate.den};
    encoder->stream->time_base = context->time_base;
    encoder->stream->avg_frame_rate = context->framerate;
    encoder->stream->r_frame_rate = context->framerate;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (!gif) {
        const int crf = m_settings.crf.value_or(m_settings.format == VideoFormat::WebM ? 32 : 20);
        av_dict_set_int(&options, "crf", crf, 0);
        if (m_settings.format == VideoFormat::WebM) {
            av_dict_set(&options, "deadline", "realtime", 0);
            av_dict_set_int(&options, "cpu-used", 8, 0);
            av_dict_set_int(&options, "row-mt", 1, 0);
            // Real-time encoding makes the same video without frames held
            // back (at 1080p a hundred megabytes less).
            av_dict_set_int(&options, "lag-in-frames", 0, 0);
            context->bit_rate = 0;
        } else {
            av_dict_set(&options, "preset", "veryfast", 0);
            // Memory grows with the encoder's threads and the frames it looks
            // ahead: two threads and five frames keep 1080p near 240 MB on
            // any machine (the defaults took 290 MB here, more with more
            // cores). Bulk work gets its parallelism from one movie per core.
            context->thread_count = 2;
            av_dict_set(&options, "x264-params", "rc-lookahead=5", 0);
        }
    }
    const int opened = avcodec_open2(context, codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        return avError("cannot start the video encoder", opened);
    if (const int copied = avcodec_parameters_from_context(encoder->stream->codecpar, context); copied < 0)
        return avError("cannot start the video encoder", copied);

    AVFrame* rgba = encoder->rgba.get();
    rgba->format = AV_PIX_FMT_RGBA;
    rgba->width = m_settings.width;
    rgba->height = m_settings.height;
    if (gif) {
        if (auto failed = encoder->buildPaletteGraph(m_settings))
            return failed;
    } else {
        AVFrame* converted = encoder->converted.get();
        converted->format = context->pix_fmt;
        converted->width = context->width;
        converted->height = context->height;
        if (const int buffered = av_frame_get_buffer(converted, 0); buffered < 0)
            return avError("out of memory opening the video", buffered);
        encoder->scale.reset(sws_getContext(m_settings.width, m_settings.height, AV_PIX_FMT_RGBA, context->width,
                                            context->height, context->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!encoder->scale)
            return std::string("cannot convert frames for the video encoder");
    }

    if (m_settings.sound && !gif) {
        const bool aac = m_settings.format == VideoFormat::Mp4 || m_settings.format == VideoFormat::Mov;
        std::string failure;
        encoder->audio = AudioTrack::add(format, aac ? AudioCodec::Aac : AudioCodec::Opus, failure);
        if (!encoder->audio)
            return failure;
    }
    if (!(format->oformat->flags & AVFMT_NOFILE)) {
        if (const int made = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE); made < 0)
            return avError("cannot write " + path, made);
    }
    if (const int written = avformat_write_header(format, nullptr); written < 0)
        return avError("cannot write " + path, written);
    encoder->headerWritten = true;
    m_encoder = std::move(encoder);
    return std::nullopt;
}

std::optional<std::string> VideoSink::write(const moviehost::client::Frame& frame, std::uint64_t number) {
    if (!m_encoder)
        return std::string("the video is not open");
    if (frame.width() != m_settings.width || frame.height() != m_settings.height)
        return std::string("a frame's size differs from the video's");
    Encoder& encoder = *m_encoder;
    AVFrame* rgba = encoder.rgba.get();
    // The frame's bytes are only read: the encoder copies what it keeps.
    av_image_fill_arrays(rgba->data, rgba->linesize, const_cast<std::uint8_t*>(frame.bytes().data()), AV_PIX_FMT_RGBA,
                         frame.width(), frame.height(), 1);
    const auto pts = static_cast<std::int64_t>(number - 1);
    rgba->pts = pts;
    std::optional<std::string> failed;
    if (encoder.graph) {
        failed = encoder.filterAndEncode(rgba);
    } else {
        AVFrame* converted = encoder.converted.get();
        if (const int writable = av_frame_make_writable(converted); writable < 0)
            return avError("out of memory encoding", writable);
        sws_scale(encoder.scale.get(), rgba->data, rgba->linesize, 0, frame.height(), converted->data,
                  converted->linesize);
        converted->pts = pts;
        failed = encoder.encode(converted);
    }
    if (!failed)
        m_progress.show(number);
    return failed;
}

std::optional<std::string> VideoSink::close() {
    m_progress.end();
    if (!m_encoder)
        return std::nullopt;
    std::unique_ptr<Encoder> encoder = std::move(m_encoder);
    std::optional<std::string> failed;
    if (encoder->graph)
        failed = encoder->filterAndEncode(nullptr);
    if (!failed)
        failed = encoder->encode(nullptr);
    if (!failed && encoder->audio)
        failed = encoder->audio->finish();
    if (encoder->headerWritten) {
        if (const int trailer = av_write_trailer(encoder->format.get()); trailer < 0 && !failed)
            failed = avError("finishing the video failed", trailer);
    }
    return failed;
}

std::optional<std::string> VideoSink::writeSound(std::span<const std::int16_t> samples) {
    if (!m_encoder || !m_encoder->audio)
        return std::nullopt;
    return m_encoder->audio->write(samples);
}

std::optional<std::string> VideoSink::Encoder::buildPaletteGraph(const VideoSettings& settings) {
    graph.reset(avfilter_graph_alloc());
    if (!graph)
        return std::string("out of memory opening the video");
    AVFilterGraph* filters = graph.get();
    const std::string arguments = "video_size=" + std::to_string(settings.width) + "x" +
                                  std::to_string(settings.height) + ":pix_fmt=" + std::to_string(AV_PIX_FMT_RGBA) +
                                  ":time_base=" + std::to_string(settings.rate.den) + "/" +
                                  std::to_string(settings.rate.num) + ":pixel_aspect=1/1";
    if (const int made = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", arguments.c_str(),
                                                      nullptr, filters);
        made < 0)
        return avError("cannot make the palette filter", made);
    if (const int made =
            avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, filters);
        made < 0)
        return avError("cannot make the palette filter", made);
    const enum AVPixelFormat formats[] = {AV_PIX_FMT_PAL8, AV_PIX_FMT_NONE};
    if (const int set = av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
        set < 0)
        return avError("cannot make the palette filter", set);

    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (!outputs || !inputs) {
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
        return std::string("out of memory opening the video");
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    // A palette per frame keeps the stream flowing: nothing waits for the end.
    const int parsed = avfilter_graph_parse_ptr(
        filters, "split[a][b];[a]palettegen=stats_mode=single:reserve_transparent=0[p];[b][p]paletteuse=new=1", &inputs,
        &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (parsed < 0)
        return avError("cannot make the palette filter", parsed);
    if (const int configured = avfilter_graph_config(filters, nullptr); configured < 0)
        return avError("cannot make the palette filter", configured);
    return std::nullopt;
}

}  // namespace moviecapture
