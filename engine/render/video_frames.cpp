// Decoded video pictures as cairo images.
#include "render/video_frames.h"

#include <algorithm>

namespace render {

namespace {

std::shared_ptr<cairo_surface_t> toSurface(const uint8_t* rgba, uint32_t width, uint32_t height) {
    auto surface = shareSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height)));
    if (!surface || cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (uint32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        const uint8_t* src = rgba + size_t(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t a = src[4 * x + 3];
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            row[x] = a << 24 | pre(src[4 * x]) << 16 | pre(src[4 * x + 1]) << 8 | pre(src[4 * x + 2]);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

std::shared_ptr<cairo_surface_t> VideoFrames::picture(uint64_t objectId, const swf::VideoStream& stream, uint16_t frame,
                                                      uint8_t deblocking) {
    auto it = m_entries.find(objectId);
    if (it != m_entries.end() && (it->second.stream != &stream || it->second.deblocking != deblocking))
        it = m_entries.erase(it);
    if (it == m_entries.end() || it->first != objectId) {
        if (m_entries.size() >= MaxStreams) {
            auto oldest = std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
                return a.second.lastUse < b.second.lastUse;
            });
            m_entries.erase(oldest);
        }
        Entry entry;
        entry.stream = &stream;
        entry.deblocking = deblocking;
        if (auto video = media::EmbeddedVideo::create(stream, deblocking))
            entry.video.emplace(std::move(video.value()));
        it = m_entries.emplace(objectId, std::move(entry)).first;
    }
    Entry& entry = it->second;
    entry.lastUse = ++m_uses;
    if (entry.shown == frame || !entry.video)
        return entry.surface;
    const media::VideoImage* image = entry.video->frame(frame);
    entry.shown = frame;
    entry.surface = image && !image->empty() ? toSurface(image->rgba.data(), image->width, image->height) : nullptr;
    return entry.surface;
}

std::shared_ptr<cairo_surface_t> VideoFrames::feedPicture(uint64_t objectId, const model::VideoFeed& feed,
                                                          uint64_t clearedAt) {
    const uint64_t version = feed.version();
    if (version == clearedAt)
        return nullptr;
    auto it = m_feeds.find(objectId);
    if (it == m_feeds.end()) {
        if (m_feeds.size() >= MaxStreams) {
            auto oldest = std::min_element(m_feeds.begin(), m_feeds.end(), [](const auto& a, const auto& b) {
                return a.second.lastUse < b.second.lastUse;
            });
            m_feeds.erase(oldest);
        }
        it = m_feeds.emplace(objectId, FeedEntry{}).first;
    }
    FeedEntry& entry = it->second;
    entry.lastUse = ++m_uses;
    if (entry.feed == &feed && entry.version == version)
        return entry.surface;
    entry.feed = &feed;
    entry.version = version;
    const uint8_t* rgba = feed.rgba();
    // A feed's picture is bounded by its decoder; a zero side has nothing to show.
    entry.surface =
        rgba && feed.width() > 0 && feed.height() > 0 ? toSurface(rgba, feed.width(), feed.height()) : nullptr;
    return entry.surface;
}

std::shared_ptr<cairo_surface_t> VideoFrames::transformed(const std::shared_ptr<cairo_surface_t>& picture,
                                                          const ColorTransform& cx) {
    const int width = cairo_image_surface_get_width(picture.get());
    const int height = cairo_image_surface_get_height(picture.get());
    auto out = shareSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (!out || cairo_surface_status(out.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(picture.get());
    cairo_surface_flush(out.get());
    const int inStride = cairo_image_surface_get_stride(picture.get());
    const int outStride = cairo_image_surface_get_stride(out.get());
    const unsigned char* in = cairo_image_surface_get_data(picture.get());
    unsigned char* data = cairo_image_surface_get_data(out.get());
    for (int y = 0; y < height; ++y)
        transformPixels(reinterpret_cast<const uint32_t*>(in + size_t(y) * size_t(inStride)),
                        reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(outStride)), size_t(width), cx);
    cairo_surface_mark_dirty(out.get());
    return out;
}

}  // namespace render
