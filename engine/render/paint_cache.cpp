#include "render/paint_cache.h"

#include <limits>

namespace render {

namespace {

size_t hashTransform(size_t seed, const ColorTransform& cx) {
    for (size_t i = 0; i < 4; ++i) {
        seed = hashCombine(seed, std::hash<double>{}(cx.mult[i]));
        seed = hashCombine(seed, std::hash<double>{}(cx.add[i]));
    }
    return seed;
}

// cairo image surfaces are limited to 32767 pixels a side.
constexpr uint32_t MaxSurfaceSide = 32767;

}  // namespace

size_t PaintCache::BitmapKeyHash::operator()(const BitmapKey& k) const { return hashTransform(k.id, k.cx); }

size_t PaintCache::GradientKeyHash::operator()(const GradientKey& k) const {
    size_t seed = (size_t(k.characterId) << 24) ^ (size_t(k.ratio) << 8) ^ (k.morph ? 2u : 0u) ^ (k.lineFill ? 1u : 0u);
    seed = hashCombine(seed, k.style);
    return hashTransform(seed, k.cx);
}

PaintCache::PaintCache(std::shared_ptr<const swf::Movie> movie, const CacheLimits& limits)
    : m_movie(std::move(movie)),
      m_bitmaps(std::numeric_limits<size_t>::max(), std::numeric_limits<size_t>::max()),
      m_transformedBitmaps(limits.transformedBitmapEntries, limits.transformedBitmapBytes),
      m_gradients(limits.gradientEntries, std::numeric_limits<size_t>::max()),
      m_layers(limits.layerEntries, limits.layerBytes) {}

std::shared_ptr<cairo_surface_t> PaintCache::bitmap(uint16_t id, const ColorTransform& cx) {
    const auto* bitmap = m_movie->characters.find<swf::Bitmap>(id);
    if (bitmap == nullptr || !bitmap->ok() || bitmap->width > MaxSurfaceSide || bitmap->height > MaxSurfaceSide)
        return nullptr;
    if (cx.isIdentity()) {
        if (auto hit = m_bitmaps.find(id))
            return hit;
        // The movie's pixels are already in cairo's layout; cairo only reads a source surface.
        auto* data = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap->pixels.data()));
        auto surface = shareSurface(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, int(bitmap->width),
                                                                        int(bitmap->height), int(bitmap->width * 4)));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            return nullptr;
        m_bitmaps.insert(id, surface, 0);
        return surface;
    }
    const BitmapKey key{id, cx};
    if (auto hit = m_transformedBitmaps.find(key))
        return hit;
    auto surface =
        shareSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(bitmap->width), int(bitmap->height)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* out = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (uint32_t y = 0; y < bitmap->height; ++y) {
        transformPixels(bitmap->pixels.data() + size_t(y) * bitmap->width,
                        reinterpret_cast<uint32_t*>(out + size_t(y) * size_t(stride)), bitmap->width, cx);
    }
    cairo_surface_mark_dirty(surface.get());
    m_transformedBitmaps.insert(key, surface, size_t(stride) * bitmap->height);
    return surface;
}

std::shared_ptr<cairo_pattern_t> PaintCache::findGradient(const GradientKey& key) { return m_gradients.find(key); }

void PaintCache::storeGradient(const GradientKey& key, std::shared_ptr<cairo_pattern_t> pattern) {
    m_gradients.insert(key, std::move(pattern), 0);
}

}  // namespace render
