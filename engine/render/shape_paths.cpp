#include "render/shape_paths.h"

#include <memory>

namespace render {

namespace {

// The renderer is the only layer that fills these slots, so what a slot
// holds is always the renderer's own type.
template <typename Extension, typename Build>
const Extension& extensionOf(model::ExtensionSlot& slot, Build&& build) {
    if (!slot)
        slot = build();
    return static_cast<const Extension&>(*slot);
}

std::shared_ptr<const ShapePaths> buildPaths(const swf::ShapeGeometry& geometry) {
    auto paths = std::make_shared<ShapePaths>();
    paths->nonZeroWinding = geometry.nonZeroWinding;
    paths->parts.reserve(geometry.paths.size());
    for (const swf::ShapePath& p : geometry.paths)
        paths->parts.push_back(ShapePaths::Part{p.kind, p.style, PathData(p.path), p.nonZeroWinding});
    return paths;
}

}  // namespace

const ShapePaths& pathsOf(const model::CachedShape& entry) {
    return extensionOf<ShapePaths>(entry.extension, [&] { return buildPaths(entry.geometry); });
}

const ShapePaths& pathsOf(const model::MorphedShape& entry) {
    return extensionOf<ShapePaths>(entry.extension, [&] { return buildPaths(entry.geometry); });
}

const ShapePaths& pathsOf(const model::Drawing& drawing) {
    return extensionOf<ShapePaths>(drawing.extension, [&] { return buildPaths(drawing.geometry()); });
}

const PathData& pathOf(const model::CachedGlyph& entry) {
    return extensionOf<GlyphPath>(entry.extension,
                                  [&] {
                                      auto glyph = std::make_shared<GlyphPath>();
                                      glyph->path = PathData(entry.path);
                                      return glyph;
                                  })
        .path;
}

}  // namespace render
