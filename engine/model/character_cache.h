// Geometry derived from the movie's characters, built once and shared by the
// model (bounds) and the renderer (paths), so neither builds it twice.
//
// Entries are immutable and handed out as shared_ptr: a caller may keep one
// after the cache dropped it. Shapes and glyphs are kept for the life of the
// cache (their number is bounded by the movie); morph shapes at a ratio are
// kept up to kMorphEntries at a time.
#pragma once

#include "swf/geometry.h"
#include "swf/movie.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

namespace model {

// A morph shape blended at one ratio: the shape (its styles are what a
// renderer paints with) and its geometry.
struct MorphedShape {
    swf::Shape shape;
    swf::ShapeGeometry geometry;
};

class CharacterCache {
public:
    static constexpr size_t kMorphEntries = 512;

    explicit CharacterCache(std::shared_ptr<const swf::Movie> movie) : m_movie(std::move(movie)) {}

    // nullptr when the id is not a shape (or a morph shape).
    [[nodiscard]] std::shared_ptr<const swf::ShapeGeometry> shape(uint16_t id);
    [[nodiscard]] std::shared_ptr<const MorphedShape> morph(uint16_t id, uint16_t ratio);
    // A glyph outline in font units; nullptr for a missing font or glyph.
    [[nodiscard]] std::shared_ptr<const swf::Path> glyph(uint16_t fontId, uint32_t index);
    // The union of a static text's glyph outlines, in the text character's
    // coordinates (its matrix applied); empty when no glyph can be found.
    [[nodiscard]] swf::Bounds textBounds(uint16_t id);

private:
    std::shared_ptr<const swf::Movie> m_movie;
    std::unordered_map<uint16_t, std::shared_ptr<const swf::ShapeGeometry>> m_shapes;
    std::map<std::pair<uint16_t, uint16_t>, std::shared_ptr<const MorphedShape>> m_morphs;
    std::map<std::pair<uint16_t, uint32_t>, std::shared_ptr<const swf::Path>> m_glyphs;
    std::unordered_map<uint16_t, swf::Bounds> m_textBounds;
};

}  // namespace model
