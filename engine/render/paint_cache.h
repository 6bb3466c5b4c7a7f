// What painting with fills costs to rebuild per frame, kept per movie:
// bitmap surfaces (plain and colour-transformed) and gradient patterns.
// Every cache is bounded. Paths are not here: they extend the model's
// geometry cache (shape_paths.h).
//
// The cache holds the movie, so the bitmaps it wraps stay alive and a
// movie's address cannot be reused by another while it is cached.
#pragma once

#include "render/cairo_handles.h"
#include "render/color.h"
#include "render/lru_cache.h"
#include "render/video_frames.h"
#include "swf/movie.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace render {

struct CacheLimits {
    size_t transformedBitmapBytes = size_t(32) << 20;
    size_t transformedBitmapEntries = 16;
    size_t gradientEntries = 256;
    size_t layerBytes = size_t(64) << 20;
    size_t layerEntries = 256;
};

// A display object drawn off screen (cacheAsBitmap, filters) and kept while
// what it shows and the linear part of its matrix stay the same: moving it
// only blits the layer again.
struct CachedLayer {
    std::shared_ptr<cairo_surface_t> surface;
    uint64_t signature = 0;                 // of the object's content, see ScenePainter
    double xx = 0, yx = 0, xy = 0, yy = 0;  // the matrix it was drawn with, translation aside
    double x0 = 0, y0 = 0;                  // its translation then
    int32_t left = 0;                       // the layer's top left corner then, surface pixels
    int32_t top = 0;
};

// Identifies a gradient pattern: which fill style of which character, and the
// colour transform baked into its stops.
struct GradientKey {
    uint16_t characterId = 0;
    uint16_t ratio = 0;  // morph shapes; 0 otherwise
    bool morph = false;
    bool lineFill = false;  // the fill of a line style
    uint32_t style = 0;
    ColorTransform cx;

    friend bool operator==(const GradientKey&, const GradientKey&) = default;
};

class PaintCache {
public:
    explicit PaintCache(std::shared_ptr<const swf::Movie> movie, const CacheLimits& limits = {});

    [[nodiscard]] const std::shared_ptr<const swf::Movie>& moviePointer() const { return m_movie; }

    // The bitmap's pixels as a cairo surface, with `cx` applied; null when
    // `id` is not a bitmap that decoded or cairo cannot take its size.
    [[nodiscard]] std::shared_ptr<cairo_surface_t> bitmap(uint16_t id, const ColorTransform& cx);

    // Decoded pictures of the placed video streams.
    [[nodiscard]] VideoFrames& videos() { return m_videos; }

    [[nodiscard]] std::shared_ptr<cairo_pattern_t> findGradient(const GradientKey& key);
    void storeGradient(const GradientKey& key, std::shared_ptr<cairo_pattern_t> pattern);

    // Layers by display object id.
    [[nodiscard]] std::shared_ptr<CachedLayer> findLayer(uint64_t id) { return m_layers.find(id); }
    void storeLayer(uint64_t id, std::shared_ptr<CachedLayer> layer, size_t bytes) {
        m_layers.insert(id, std::move(layer), bytes);
    }
    // Layers drawn again from the cache rather than painted (for tests and benchmarks).
    [[nodiscard]] uint64_t layerHits() const { return m_layerHits; }
    void countLayerHit() { ++m_layerHits; }

private:
    struct BitmapKey {
        uint16_t id = 0;
        ColorTransform cx;
        friend bool operator==(const BitmapKey&, const BitmapKey&) = default;
    };
    struct BitmapKeyHash {
        size_t operator()(const BitmapKey& k) const;
    };
    struct GradientKeyHash {
        size_t operator()(const GradientKey& k) const;
    };

    std::shared_ptr<const swf::Movie> m_movie;
    // Untransformed bitmaps wrap the movie's own pixels, so they cost no copy
    // and are kept for every bitmap in use; transformed copies are bounded.
    LruCache<uint16_t, cairo_surface_t> m_bitmaps;
    LruCache<BitmapKey, cairo_surface_t, BitmapKeyHash> m_transformedBitmaps;
    LruCache<GradientKey, cairo_pattern_t, GradientKeyHash> m_gradients;
    LruCache<uint64_t, CachedLayer> m_layers;
    uint64_t m_layerHits = 0;
    VideoFrames m_videos;
};

// Paint caches of movies loaded into clips, by movie. Each cache holds its
// movie, so a key never outlives what it names.
using PaintCacheSet = std::map<const swf::Movie*, std::unique_ptr<PaintCache>>;

}  // namespace render
