#include "video_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <vector>

namespace moviehost::testing {

DecodedVideo decodeVideo(const std::filesystem::path& path) {
    DecodedVideo out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return out;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> formatOwner(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return out;
    AVStream* stream = format->streams[index];
    out.rate = stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    out.timeBase = stream->time_base;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(context.get(), stream->codecpar);
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return out;
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    auto receive = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            if (out.frames == 0)
                out.firstPts = frame->best_effort_timestamp;
            out.lastPts = frame->best_effort_timestamp;
            ++out.frames;
            out.width = frame->width;
            out.height = frame->height;
            // libswscale writes whole vector blocks: aligned rows and a tail.
            const int stride = (frame->width * 3 + 63) / 64 * 64;
            std::vector<std::uint8_t> rgb(static_cast<std::size_t>(stride) * frame->height + 64);
            std::uint8_t* planes[1] = {rgb.data()};
            int strides[1] = {stride};
            SwsContext* scale =
                sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                               frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
            sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scale);
            const std::size_t at =
                static_cast<std::size_t>(frame->height / 2) * stride + static_cast<std::size_t>(frame->width / 2) * 3;
            out.r = rgb[at];
            out.g = rgb[at + 1];
            out.b = rgb[at + 2];
        }
    };
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context.get(), packet.get()) == 0)
            receive();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    receive();
    return out;
}

}  // namespace moviehost::testing
