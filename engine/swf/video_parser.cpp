// DefineVideoStream and VideoFrame.
#include "swf/media_tags.h"

#include <algorithm>

namespace swf {

void parseDefineVideoStream(ParseContext& ctx, BitReader& r) {
    uint16_t id = r.u16();
    VideoStream stream;
    stream.frameCount = r.u16();
    stream.width = r.u16();
    stream.height = r.u16();
    r.ub(4);
    stream.deblocking = uint8_t(r.ub(3));
    stream.smoothing = r.flag();
    stream.codec = r.u8();
    if (r.failed())
        return;
    ctx.define(id, std::move(stream));
}

void parseVideoFrame(ParseContext& ctx, BitReader& r) {
    uint16_t id = r.u16();
    uint16_t number = r.u16();
    if (r.failed())
        return;
    VideoStream* stream = ctx.movie().characters.findMutable<VideoStream>(id);
    if (!stream) {
        ctx.problem(ctx.movie().characters.contains(id) ? ErrorCode::WrongCharacterKind
                                                        : ErrorCode::UndefinedCharacter);
        return;
    }
    // A frame past the stream's declared length, or one repeated, is left out:
    // the first data for a number stays, as with characters.
    auto& frames = stream->frames;
    auto at = std::lower_bound(frames.begin(), frames.end(), number,
                               [](const VideoPacket& p, uint16_t n) { return p.frame < n; });
    if (number >= stream->frameCount || (at != frames.end() && at->frame == number)) {
        ctx.problem(ErrorCode::MalformedTag);
        return;
    }
    auto data = r.rest();
    if (!ctx.charge(data.size() + sizeof(VideoPacket)))
        return;
    frames.insert(at, VideoPacket{number, {data.begin(), data.end()}});
}

}  // namespace swf
