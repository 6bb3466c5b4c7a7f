// The renderer's extension of the model's geometry cache: the paths of a
// shape, a morph shape at a ratio or a glyph in the form cairo takes, built
// on first use and kept in the cached entry's extension slot, so they live
// exactly as long as the geometry they came from.
#pragma once

#include "render/path_data.h"

#include "model/drawing.h"
#include "model/geometry_cache.h"

#include "swf/geometry.h"

#include <cstdint>
#include <vector>

namespace render {

// A shape (or a morph shape at one ratio) ready to paint; its styles are the
// entry's shape.
struct ShapePaths final : model::GeometryExtension {
    struct Part {
        swf::PaintKind kind = swf::PaintKind::Fill;
        uint32_t style = 0;  // index into the shape's fillStyles or lineStyles
        PathData path;
        bool nonZeroWinding = false;  // this part alone fills by the non-zero rule
    };

    bool nonZeroWinding = false;
    std::vector<Part> parts;  // in paint order
};

struct GlyphPath final : model::GeometryExtension {
    PathData path;
};

// The entry's paths; the caller keeps the entry while it uses them.
[[nodiscard]] const ShapePaths& pathsOf(const model::CachedShape& entry);
[[nodiscard]] const ShapePaths& pathsOf(const model::MorphedShape& entry);
[[nodiscard]] const PathData& pathOf(const model::CachedGlyph& entry);
// A script drawing's paths, rebuilt after each change to it.
[[nodiscard]] const ShapePaths& pathsOf(const model::Drawing& drawing);

}  // namespace render
