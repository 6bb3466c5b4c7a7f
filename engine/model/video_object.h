// A placed DefineVideoStream. It shows the stream's frame that its placement's
// ratio names (the timeline moves it frame by frame); its area is the
// stream's declared size, one pixel to 20 twips from the origin. Decoding
// belongs to whoever draws it. A script may attach a feed (attachVideo): its
// pictures replace the stream's until it is detached.
#pragma once

#include "model/display_object.h"
#include "model/video_feed.h"

#include "swf/video.h"

#include <memory>
#include <optional>

namespace model {

class VideoObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::Video;

    VideoObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::VideoStream& stream);
    // A video a script made (new Video(w, h)): an empty stream of that size of its own.
    VideoObject(std::shared_ptr<StageContext> context, std::shared_ptr<const swf::VideoStream> stream);

    [[nodiscard]] const swf::VideoStream& stream() const { return *m_stream; }
    // The stream frame to show.
    [[nodiscard]] uint16_t videoFrame() const { return ratio(); }

    void attachFeed(std::shared_ptr<const VideoFeed> feed);
    [[nodiscard]] const VideoFeed* feed() const { return m_feed.get(); }
    // clear(): the picture shown goes away until the next one arrives.
    void clearPicture();
    [[nodiscard]] uint64_t clearedAt() const { return m_clearedAt; }
    [[nodiscard]] uint32_t contentVersion() const override;

    // The stream's smoothing and deblocking flags until a script sets its own
    // (Video.smoothing, Video.deblocking); the drawing follows these.
    [[nodiscard]] bool smoothing() const { return m_smoothing.value_or(m_stream->smoothing); }
    void setSmoothing(bool on);
    [[nodiscard]] uint8_t deblocking() const { return m_deblocking.value_or(m_stream->deblocking); }
    // Levels past the format's 0..6 are taken as 0 (as the stream says).
    void setDeblocking(double level);

private:
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    std::shared_ptr<const swf::VideoStream> m_ownStream;
    const swf::VideoStream* m_stream = nullptr;
    std::shared_ptr<const VideoFeed> m_feed;
    uint64_t m_clearedAt = UINT64_MAX;  // the feed version clear() hid
    std::optional<bool> m_smoothing;
    std::optional<uint8_t> m_deblocking;
};

}  // namespace model
