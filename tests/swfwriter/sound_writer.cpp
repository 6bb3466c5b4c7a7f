// Sound tags: DefineSound, StartSound/StartSound2, the stream head and
// blocks, DefineButtonSound; and the video tags DefineVideoStream and VideoFrame.
#include "movie_writer.h"

namespace swfwriter {

namespace {

void soundInfo(BitWriter& w, const SoundInfoSpec& info) {
    w.ub(2, 0)
        .flag(info.syncStop)
        .flag(info.syncNoMultiple)
        .flag(!info.envelope.empty())
        .flag(info.loops.has_value())
        .flag(info.outPoint.has_value())
        .flag(info.inPoint.has_value());
    if (info.inPoint)
        w.u32(*info.inPoint);
    if (info.outPoint)
        w.u32(*info.outPoint);
    if (info.loops)
        w.u16(*info.loops);
    if (!info.envelope.empty()) {
        w.u8(uint8_t(info.envelope.size()));
        for (const auto& p : info.envelope)
            w.u32(p.position44).u16(p.left).u16(p.right);
    }
}

}  // namespace

void TimelineWriter::startSound(uint16_t soundId, const SoundInfoSpec& info) {
    BitWriter w;
    w.u16(soundId);
    soundInfo(w, info);
    tag(15, w.data());
}

void TimelineWriter::startSound2(const std::string& className, const SoundInfoSpec& info) {
    BitWriter w;
    w.string(className);
    soundInfo(w, info);
    tag(89, w.data());
}

void TimelineWriter::soundStreamHead(const SoundFormatSpec& stream, uint16_t samplesPerBlock, int version,
                                     int16_t latencySeek) {
    BitWriter w;
    w.u8(stream.byte() & 0x0F).u8(stream.byte()).u16(samplesPerBlock);
    if (stream.codec == 2)
        w.s16(latencySeek);
    tag(version == 2 ? 45 : 18, w.data());
}

void TimelineWriter::soundStreamBlock(const std::vector<uint8_t>& data) { tag(19, data); }

uint16_t MovieWriter::defineSound(const SoundFormatSpec& format, uint32_t sampleCount,
                                  const std::vector<uint8_t>& data) {
    BitWriter w;
    w.u8(format.byte()).u32(sampleCount).bytes(data);
    return defineTag(14, nextId(), w.data());
}

void MovieWriter::defineButtonSound(uint16_t buttonId,
                                    const std::array<std::pair<uint16_t, SoundInfoSpec>, 4>& sounds) {
    BitWriter w;
    w.u16(buttonId);
    for (const auto& [id, info] : sounds) {
        w.u16(id);
        if (id != 0)
            soundInfo(w, info);
    }
    tag(17, w.data());
}

uint16_t MovieWriter::defineVideoStream(uint16_t frameCount, uint16_t width, uint16_t height, uint8_t codec,
                                        uint8_t deblocking, bool smoothing) {
    BitWriter w;
    w.u16(frameCount).u16(width).u16(height).u8(uint8_t((deblocking & 7) << 1 | (smoothing ? 1 : 0))).u8(codec);
    return defineTag(60, nextId(), w.data());
}

void MovieWriter::videoFrame(uint16_t streamId, uint16_t frame, const std::vector<uint8_t>& data) {
    BitWriter w;
    w.u16(streamId).u16(frame).bytes(data);
    tag(61, w.data());
}

}  // namespace swfwriter
