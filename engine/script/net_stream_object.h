// NetStream for ActionScript 2: a script object over media::FlvPlayback. The
// playback lives in a feed that Video objects share (attachVideo), so a
// video keeps its stream's pictures while anything shows them; when the
// script object is collected the playback closes and its sound ends.
#pragma once

#include "script/object.h"

#include "media/flv_playback.h"
#include "model/video_feed.h"

#include <memory>

namespace script {

class NetStreamFeed final : public model::VideoFeed {
public:
    [[nodiscard]] media::FlvPlayback& playback() { return m_playback; }
    [[nodiscard]] const media::FlvPlayback& playback() const { return m_playback; }

    [[nodiscard]] const uint8_t* rgba() const override {
        const media::VideoImage* image = m_playback.image();
        return image && !image->empty() ? image->rgba.data() : nullptr;
    }
    [[nodiscard]] uint32_t width() const override { return m_playback.image() ? m_playback.image()->width : 0; }
    [[nodiscard]] uint32_t height() const override { return m_playback.image() ? m_playback.image()->height : 0; }
    [[nodiscard]] uint64_t version() const override { return m_playback.pictureCount(); }

private:
    media::FlvPlayback m_playback;
};

class NetStreamObject final : public Object {
public:
    explicit NetStreamObject(const ObjectInit& init) : Object(init) {}
    ~NetStreamObject() override { m_feed->playback().close(); }

    [[nodiscard]] media::FlvPlayback& playback() { return m_feed->playback(); }
    [[nodiscard]] const std::shared_ptr<NetStreamFeed>& feed() const { return m_feed; }
    // The download being played, while one is (appended to as it arrives).
    std::shared_ptr<media::ArrivingBytes> arriving;

private:
    std::shared_ptr<NetStreamFeed> m_feed = std::make_shared<NetStreamFeed>();
};

}  // namespace script
