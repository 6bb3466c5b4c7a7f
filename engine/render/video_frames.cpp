// Decoded video pictures as cairo images.
#include "render/video_frames.h"

#include <algorithm>

namespace render {

namespace {

std::shared_ptr<cairo_surface_t> toSurface(const media::VideoImage& image) {
    auto surface = shareSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(image.width), int(image.height)));
    if (!surface || cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (uint32_t y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        const uint8_t* src = image.rgba.data() + size_t(y) * image.width * 4;
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint32_t a = src[4 * x + 3];
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            row[x] = a << 24 | pre(src[4 * x]) << 16 | pre(src[4 * x + 1]) << 8 | pre(src[4 * x + 2]);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

std::shared_ptr<cairo_surface_t> VideoFrames::picture(uint64_t objectId, const swf::VideoStream& stream,
                                                      uint16_t frame) {
    auto it = m_entries.find(objectId);
    if (it != m_entries.end() && it->second.stream != &stream)
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
        if (auto video = media::EmbeddedVideo::create(stream))
            entry.video.emplace(std::move(video.value()));
        it = m_entries.emplace(objectId, std::move(entry)).first;
    }
    Entry& entry = it->second;
    entry.lastUse = ++m_uses;
    if (entry.shown == frame || !entry.video)
        return entry.surface;
    const media::VideoImage* image = entry.video->frame(frame);
    entry.shown = frame;
    entry.surface = image && !image->empty() ? toSurface(*image) : nullptr;
    return entry.surface;
}

}  // namespace render
