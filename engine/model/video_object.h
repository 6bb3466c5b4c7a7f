// A placed DefineVideoStream. It shows the stream's frame that its placement's
// ratio names (the timeline moves it frame by frame); its area is the
// stream's declared size, one pixel to 20 twips from the origin. Decoding
// belongs to whoever draws it.
#pragma once

#include "model/display_object.h"

#include "swf/video.h"

namespace model {

class VideoObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::Video;

    VideoObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::VideoStream& stream);

    [[nodiscard]] const swf::VideoStream& stream() const { return *m_stream; }
    // The stream frame to show.
    [[nodiscard]] uint16_t videoFrame() const { return ratio(); }

private:
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    const swf::VideoStream* m_stream = nullptr;
};

}  // namespace model
