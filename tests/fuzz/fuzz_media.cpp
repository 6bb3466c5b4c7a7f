// libFuzzer target for the sound and video tags: parse the movie, then decode
// every sound, stream and video in it with small limits.
#include "media/decoded_sound.h"
#include "media/event_sound.h"
#include "media/mixer.h"
#include "media/stream_sound.h"
#include "media/video_decoder.h"
#include "swf/movie.h"

#include <cstddef>
#include <cstdint>

namespace {

void playStreams(const swf::Timeline& timeline) {
    std::unique_ptr<media::StreamSound> stream;
    std::vector<int16_t> out(2 * 1470);
    for (const swf::Frame& frame : timeline.frames) {
        for (const swf::ControlTag& tag : frame.tags) {
            if (const auto* head = std::get_if<swf::SoundStreamHead>(&tag))
                stream = media::StreamSound::create(*head);
            else if (const auto* block = std::get_if<swf::SoundStreamBlock>(&tag); block && stream)
                stream->pushBlock(block->data);
        }
        if (stream)
            (void)stream->read(out);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    swf::ParseOptions options;
    options.maxMovieBytes = size_t(16) << 20;
    options.maxTotalImageBytes = size_t(64) << 20;
    options.maxRecordBytes = size_t(64) << 20;
    options.decodeImages = false;
    auto result = swf::parseMovie({data, size}, options);
    if (!result.has_value())
        return 0;
    const swf::Movie& movie = *result.value();
    media::DecodeLimits limits;
    limits.maxFrames = 44100 * 10;
    media::Mixer mixer;
    movie.characters.forEach([&](uint16_t id, const swf::CharacterData& c) {
        if (const auto* sound = std::get_if<swf::Sound>(&c)) {
            auto decoded = media::decodeSound(*sound, limits);
            swf::SoundInfo info;
            info.loops = 3;
            info.inPoint = id;
            info.envelope = {{uint32_t(id) * 7, 100, 30000}, {5, 32768, 1}};
            mixer.play(std::make_unique<media::EventSound>(
                decoded, media::EventPlayback::fromInfo(info, sound->format.sampleRate())));
        } else if (const auto* stream = std::get_if<swf::VideoStream>(&c)) {
            auto video = media::EmbeddedVideo::create(*stream);
            if (!video)
                return;
            for (const swf::VideoPacket& p : stream->frames)
                (void)video->frame(p.frame);
            if (!stream->frames.empty())
                (void)video->frame(stream->frames.front().frame);
        } else if (const auto* sprite = std::get_if<swf::Sprite>(&c)) {
            playStreams(sprite->timeline);
        }
    });
    playStreams(movie.root);
    std::vector<int16_t> out(2 * 44100);
    mixer.mix(out);
    return 0;
}
