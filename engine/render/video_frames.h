// Pictures of placed video streams, decoded through the media layer. Each
// placed object has its own decoder (two instances of a stream may show
// different frames); the decoders of the MaxStreams objects drawn last are
// kept, so seeking back decodes from the last key frame and playing on
// decodes one frame a step.
#pragma once

#include "render/cairo_handles.h"
#include "render/color.h"

#include "media/video_decoder.h"
#include "model/video_feed.h"
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
    // A change of `deblocking` restarts the object's decoder.
    [[nodiscard]] std::shared_ptr<cairo_surface_t> picture(uint64_t objectId, const swf::VideoStream& stream,
                                                           uint16_t frame, uint8_t deblocking);

    // The picture a feed shows for object `objectId`, converted once per
    // feed version; null while it has none or while `clearedAt` (clear())
    // is its version.
    [[nodiscard]] std::shared_ptr<cairo_surface_t> feedPicture(uint64_t objectId, const model::VideoFeed& feed,
                                                               uint64_t clearedAt);
    // A copy of `picture` with `cx` applied to its pixels.
    [[nodiscard]] static std::shared_ptr<cairo_surface_t> transformed(const std::shared_ptr<cairo_surface_t>& picture,
                                                                      const ColorTransform& cx);

private:
    struct FeedEntry {
        const model::VideoFeed* feed = nullptr;
        uint64_t version = 0;
        std::shared_ptr<cairo_surface_t> surface;
        uint64_t lastUse = 0;
    };
    struct Entry {
        const swf::VideoStream* stream = nullptr;
        uint8_t deblocking = 0;
        std::optional<media::EmbeddedVideo> video;
        std::optional<uint16_t> shown;  // the frame `surface` holds
        std::shared_ptr<cairo_surface_t> surface;
        uint64_t lastUse = 0;
    };

    std::map<uint64_t, Entry> m_entries;
    std::map<uint64_t, FeedEntry> m_feeds;
    uint64_t m_uses = 0;
};

}  // namespace render
