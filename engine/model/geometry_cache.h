// The one cache of geometry derived from the movie's characters, built once
// and shared by the model (bounds, hit tests) and the renderer (paths).
//
// Entries are immutable and handed out as shared_ptr: a caller may keep one
// after the cache dropped it. Shapes and glyphs are kept for the life of the
// cache (their number is bounded by the movie); morph shapes at a ratio are
// kept up to kMorphEntries at a time.
//
// A drawing layer extends an entry with what it derives from the geometry
// (its paths in the form it draws): the entry's extension slot holds it, so
// it is built once and lives exactly as long as the geometry it came from.
// One layer fills the slots of one cache; the cache serves one thread.
#pragma once

#include "swf/geometry.h"
#include "swf/movie.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace model {

// What a drawing layer keeps with an entry; the layer derives its own type.
class GeometryExtension {
public:
    virtual ~GeometryExtension() = default;
};

// The extension slot of an entry: empty until the drawing layer fills it.
using ExtensionSlot = std::shared_ptr<const GeometryExtension>;

// A shape character's geometry.
struct CachedShape {
    const swf::Shape* shape = nullptr;  // the movie's: its styles paint the geometry
    swf::ShapeGeometry geometry;
    mutable ExtensionSlot extension;
};

// A morph shape blended at one ratio: the shape (its styles are what a
// renderer paints with) and its geometry.
struct MorphedShape {
    swf::Shape shape;
    swf::ShapeGeometry geometry;
    mutable ExtensionSlot extension;
};

// A glyph outline in font units.
struct CachedGlyph {
    swf::Path path;
    mutable ExtensionSlot extension;
};

class GeometryCache {
public:
    static constexpr size_t kMorphEntries = 512;

    explicit GeometryCache(std::shared_ptr<const swf::Movie> movie) : m_movie(std::move(movie)) {}

    [[nodiscard]] const swf::Movie& movie() const { return *m_movie; }

    // nullptr when the id is not a shape (or a morph shape).
    [[nodiscard]] std::shared_ptr<const CachedShape> cachedShape(uint16_t id);
    // The geometry alone, sharing the entry.
    [[nodiscard]] std::shared_ptr<const swf::ShapeGeometry> shape(uint16_t id);
    [[nodiscard]] std::shared_ptr<const MorphedShape> morph(uint16_t id, uint16_t ratio);
    // nullptr for a missing font or glyph.
    [[nodiscard]] std::shared_ptr<const CachedGlyph> glyph(uint16_t fontId, uint32_t index);
    // The union of a static text's glyph outlines, in the text character's
    // coordinates (its matrix applied); empty when no glyph can be found.
    [[nodiscard]] swf::Bounds textBounds(uint16_t id);

private:
    std::shared_ptr<const swf::Movie> m_movie;
    std::unordered_map<uint16_t, std::shared_ptr<const CachedShape>> m_shapes;
    std::unordered_map<uint64_t, std::shared_ptr<const MorphedShape>> m_morphs;  // id << 16 | ratio
    std::unordered_map<uint64_t, std::shared_ptr<const CachedGlyph>> m_glyphs;   // font << 32 | index
    std::unordered_map<uint16_t, swf::Bounds> m_textBounds;
};

}  // namespace model
