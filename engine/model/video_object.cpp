// A video stream placed on a timeline.
#include "model/video_object.h"

#include "model/transform.h"

namespace model {

VideoObject::VideoObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::VideoStream& stream)
    : DisplayObject(kKind, std::move(context), characterId), m_stream(&stream) {}

VideoObject::VideoObject(std::shared_ptr<StageContext> context, std::shared_ptr<const swf::VideoStream> stream)
    : DisplayObject(kKind, std::move(context), 0), m_ownStream(std::move(stream)), m_stream(m_ownStream.get()) {}

void VideoObject::attachFeed(std::shared_ptr<const VideoFeed> feed) {
    m_feed = std::move(feed);
    m_clearedAt = UINT64_MAX;
    bumpContent();
}

void VideoObject::clearPicture() {
    m_clearedAt = m_feed ? m_feed->version() : UINT64_MAX;
    bumpContent();
}

void VideoObject::setSmoothing(bool on) {
    m_smoothing = on;
    bumpContent();
}

void VideoObject::setDeblocking(double level) {
    m_deblocking = level >= 0 && level <= 6 ? uint8_t(level) : uint8_t(0);
    bumpContent();
}

uint32_t VideoObject::contentVersion() const {
    return DisplayObject::contentVersion() + (m_feed ? uint32_t(m_feed->version()) : 0);
}

swf::Bounds VideoObject::leafBounds(const swf::Matrix& m) const {
    swf::Bounds b;
    if (m_stream->width == 0 || m_stream->height == 0)
        return b;
    b.add(swf::Point{0.0, 0.0});
    b.add(swf::Point{m_stream->width * 20.0, m_stream->height * 20.0});
    return transformBounds(m, b);
}

}  // namespace model
