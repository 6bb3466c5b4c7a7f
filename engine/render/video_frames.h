// Pictures of placed video streams, decoded through the media layer. Each
// placed object has its own decoder (two instances of a stream may show
// different frames); the decoders of the MaxStreams objects drawn last are
// kept, so seeking back decodes from the last key frame and playing on
// decodes one frame a step.
#pragma once

#include "render/cairo_handles.h"

#include "media/video_decoder.h"
#include "swf/video.h"

#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace render {

class VideoFrames {
public:
    static constexpr size_t MaxStreams = 8;

    // Frame `frame` of `stream` as object `objectId` shows it: a
    // premultiplied image of the picture's pixels, or null when nothing
    // could be decoded up to that frame (an unknown codec, only bad frames).
    [[nodiscard]] std::shared_ptr<cairo_surface_t> picture(uint64_t objectId, const swf::VideoStream& stream,
                                                           uint16_t frame);

private:
    struct Entry {
        const swf::VideoStream* stream = nullptr;
        std::optional<media::EmbeddedVideo> video;
        std::optional<uint16_t> shown;  // the frame `surface` holds
        std::shared_ptr<cairo_surface_t> surface;
        uint64_t lastUse = 0;
    };

    std::map<uint64_t, Entry> m_entries;
    uint64_t m_uses = 0;
};

}  // namespace render
