// What is costly to rebuild per frame, kept per movie and character id:
// shape paths, morph paths by ratio, glyph paths, bitmap surfaces (plain and
// colour-transformed) and gradient patterns. Every cache is bounded.
//
// The cache holds the movie, so the characters it points into stay alive and
// a movie's address cannot be reused by another while it is cached.
#pragma once

#include "render/cairo_handles.h"
#include "render/color.h"
#include "render/lru_cache.h"
#include "render/path_data.h"
#include "swf/geometry.h"
#include "swf/movie.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace render {

// A shape (or a morph shape at one ratio) ready to paint.
struct ShapeEntry {
    struct Part {
        swf::PaintKind kind = swf::PaintKind::Fill;
        uint32_t style = 0;  // index into shape->fillStyles or shape->lineStyles
        PathData path;
    };

    std::shared_ptr<const swf::Shape> ownedShape;  // morphs: the blended shape
    const swf::Shape* shape = nullptr;             // styles; points into the movie or ownedShape
    bool nonZeroWinding = false;
    std::vector<Part> parts;  // in paint order
    swf::Bounds bounds;       // twips, strokes included
    size_t bytes = 0;
};

struct CacheLimits {
    size_t shapeBytes = size_t(64) << 20;
    size_t shapeEntries = 4096;
    size_t morphEntries = 64;
    size_t glyphEntries = 8192;
    size_t transformedBitmapBytes = size_t(32) << 20;
    size_t transformedBitmapEntries = 16;
    size_t gradientEntries = 256;
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

class CharacterCache {
public:
    explicit CharacterCache(std::shared_ptr<const swf::Movie> movie, const CacheLimits& limits = {});

    [[nodiscard]] const swf::Movie& movie() const { return *m_movie; }
    [[nodiscard]] const std::shared_ptr<const swf::Movie>& moviePointer() const { return m_movie; }

    // Null when `id` is not a shape (or not a morph shape). A caller that
    // already holds the geometry (the movie model does) passes it, so it is
    // not built twice; a blended morph shape comes with its geometry.
    [[nodiscard]] std::shared_ptr<const ShapeEntry> shape(uint16_t id, const swf::ShapeGeometry* geometry = nullptr);
    [[nodiscard]] std::shared_ptr<const ShapeEntry> morph(uint16_t id, uint16_t ratio,
                                                          std::shared_ptr<const swf::Shape> blended = nullptr,
                                                          const swf::ShapeGeometry* geometry = nullptr);
    // Glyph outline in font units; null when the font or glyph does not exist.
    [[nodiscard]] std::shared_ptr<const PathData> glyph(uint16_t fontId, uint32_t index);
    // The bitmap's pixels as a cairo surface, with `cx` applied; null when
    // `id` is not a bitmap that decoded or cairo cannot take its size.
    [[nodiscard]] std::shared_ptr<cairo_surface_t> bitmap(uint16_t id, const ColorTransform& cx);

    [[nodiscard]] std::shared_ptr<cairo_pattern_t> findGradient(const GradientKey& key);
    void storeGradient(const GradientKey& key, std::shared_ptr<cairo_pattern_t> pattern);

private:
    struct MorphKey {
        uint16_t id = 0;
        uint16_t ratio = 0;
        friend bool operator==(const MorphKey&, const MorphKey&) = default;
    };
    struct MorphKeyHash {
        size_t operator()(const MorphKey& k) const { return (size_t(k.id) << 16) | k.ratio; }
    };
    struct GlyphKey {
        uint16_t font = 0;
        uint32_t index = 0;
        friend bool operator==(const GlyphKey&, const GlyphKey&) = default;
    };
    struct GlyphKeyHash {
        size_t operator()(const GlyphKey& k) const { return (size_t(k.font) << 32) ^ k.index; }
    };
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
    LruCache<uint16_t, ShapeEntry> m_shapes;
    LruCache<MorphKey, ShapeEntry, MorphKeyHash> m_morphs;
    LruCache<GlyphKey, PathData, GlyphKeyHash> m_glyphs;
    // Untransformed bitmaps wrap the movie's own pixels, so they cost no copy
    // and are kept for every bitmap in use; transformed copies are bounded.
    LruCache<uint16_t, cairo_surface_t> m_bitmaps;
    LruCache<BitmapKey, cairo_surface_t, BitmapKeyHash> m_transformedBitmaps;
    LruCache<GradientKey, cairo_pattern_t, GradientKeyHash> m_gradients;
};

}  // namespace render
