// A video stream placed on a timeline.
#include "model/video_object.h"

#include "model/transform.h"

namespace model {

VideoObject::VideoObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::VideoStream& stream)
    : DisplayObject(kKind, std::move(context), characterId), m_stream(&stream) {}

swf::Bounds VideoObject::leafBounds(const swf::Matrix& m) const {
    swf::Bounds b;
    if (m_stream->width == 0 || m_stream->height == 0)
        return b;
    b.add(swf::Point{0.0, 0.0});
    b.add(swf::Point{m_stream->width * 20.0, m_stream->height * 20.0});
    return transformBounds(m, b);
}

}  // namespace model
