// Walks the movie model's display tree and paints it: depth order, nested
// matrices and colour transforms, invisible objects skipped, clip-depth
// masks, blend modes, buttons in their current state, texts.
//
// Masks: an object with a clip depth is not drawn; the siblings above it up
// to that depth are drawn into a layer, and the layer is laid down through
// the mask's coverage (its shapes' area, colours and alpha ignored).
// Blend modes other than normal draw the object into a layer and compose it
// with the matching cairo operator, or pixel by pixel for add, subtract and
// invert (which cairo lacks or reads differently). Alpha and erase act only
// inside a layer; at the top they draw normally.
//
// An object with filters is drawn into an off-screen image in surface
// pixels, as far around the visible area as the filters reach, filtered
// (sizes in stage pixels) and then composed with its blend mode. An
// off-screen image larger than MaxLayerPixels keeps only the visible area;
// if even that is larger, the object draws without its filters.
//
// A script mask (setMask) masks an object the same way, the mask drawn
// where it stands on the stage; the mask itself is not drawn.
//
// An object with cacheAsBitmap or filters keeps its whole layer (filters
// applied) between frames while its content, colour transform and the
// linear part of its matrix stay the same; moved, it is blitted at the new
// place, snapped to whole pixels as the player snaps cached bitmaps.
//
// A clip with a scaling grid, shown without rotation or skew, lays out the
// shapes directly inside it (and what a script drew into it) by the grid;
// nested clips scale as a whole. Its scale counts against the stage's, so
// corners keep their size on the stage while the stage zoom still applies.
//
// An opaque background fills the object's bounds behind its content. A
// scroll window clips the content to the window and shifts it; the painter's
// clip narrows to the window too, so content outside it costs nothing.
//
// Layers cost memory of the clipped area each, so nesting is bounded: past
// MaxLayers, masks only clip to the mask's box, and blend modes and filters
// are not applied.
#pragma once

#include "render/filter_effects.h"
#include "render/painter.h"

#include "model/display_list.h"
#include "model/display_object.h"

#include <cairo.h>

#include <optional>
#include <vector>

namespace render {

class ScenePainter {
public:
    static constexpr int MaxLayers = 16;
    static constexpr int64_t MaxLayerPixels = int64_t(4096) * 2048;
    // Larger objects are not cached: their layer is drawn each time.
    static constexpr int64_t MaxCachedPixels = int64_t(2048) * 2048;

    // `stage` maps stage twips to surface pixels.
    ScenePainter(Painter& painter, const cairo_matrix_t& stage);

    // Paints `root` (normally the stage's root clip) and everything below it.
    void paint(const model::DisplayObject& root);
    // Paints what `object` holds, without its own matrix, colour transform,
    // filters, blend mode or mask; `cx` instead of its colour transform.
    void paintSource(const model::DisplayObject& object, const ColorTransform& cx);

    // The surface-pixel box of an object drawn with `device` as its full
    // matrix (its content twips -> pixels); none when it has no content.
    [[nodiscard]] static std::optional<DeviceBox> objectBox(const model::DisplayObject& object,
                                                            const cairo_matrix_t& device);

private:
    struct Frame {
        cairo_matrix_t matrix;  // the object's content -> surface pixels
        ColorTransform cx;
        bool coverageOnly = false;
    };
    using Iterator = model::DisplayList::Entries::const_iterator;

    // `maskDone`: a script mask of the object is already being applied.
    void paintObject(const model::DisplayObject& object, const Frame& parent, bool maskDone = false);
    void paintScriptMasked(const model::DisplayObject& object, const Frame& parent, const model::DisplayObject& mask);
    void paintContent(const model::DisplayObject& object, const Frame& frame);
    void paintRange(Iterator begin, Iterator end, const Frame& parent);
    // How far filters below `object` draw past its content, in surface pixels.
    [[nodiscard]] FilterReach contentReach(const model::DisplayObject& object) const;
    [[nodiscard]] FilterScale filterScale() const;
    void paintOffscreen(const model::DisplayObject& object, const Frame& frame,
                        const std::vector<swf::Filter>* filters);
    // The object drawn (and filtered) into a new layer covering `area`;
    // null when cairo cannot make one.
    [[nodiscard]] cairo_surface_t* renderLayer(const model::DisplayObject& object, const Frame& frame,
                                               const std::vector<swf::Filter>* filters, const PixelRect& area);
    // Draws the object from its cached layer, painting and keeping a new
    // one when the cached one is stale. False when no layer could be made.
    [[nodiscard]] bool paintCached(const model::DisplayObject& object, const Frame& frame,
                                   const std::vector<swf::Filter>* filters, const PixelRect& covered);
    // Lays `layer` (its top left corner at surface pixel (x, y)) down with `mode`.
    void compose(cairo_surface_t* layer, int32_t x, int32_t y, swf::BlendMode mode);
    [[nodiscard]] bool composeByPixels(cairo_surface_t* layer, int32_t x, int32_t y, swf::BlendMode mode);
    void paintMasked(const model::DisplayObject& mask, Iterator begin, Iterator end, const Frame& parent);
    // An object with a 3D placement: drawn flat into a layer, then laid down
    // in perspective (scene_projection.cpp).
    void paintProjected(const model::DisplayObject& object, const Frame& parent, const Frame& frame);
    void paintBackground(const model::DisplayObject& object, const Frame& frame);
    void paintChildren(const model::DisplayObject& object, const Frame& frame);
    // The grid layout of a clip drawn at `content` (its content twips ->
    // pixels); none when it has no grid or the grid does not apply.
    [[nodiscard]] std::optional<model::SliceMap> sliceMapFor(const model::DisplayObject& object,
                                                             const cairo_matrix_t& content) const;
    // The state of a leaf (or a clip's drawing) under `owner`'s grid.
    [[nodiscard]] PaintState slicedState(const model::DisplayObject* owner, const swf::Matrix& inner,
                                         const Frame& frame, SlicedPlacement& storage) const;

    struct Slicing {
        const model::DisplayObject* owner = nullptr;
        model::SliceMap map;
    };

    Painter& m_painter;
    cairo_t* m_cr = nullptr;
    cairo_matrix_t m_stage;
    int m_layers = 0;
    std::optional<Slicing> m_slicing;  // the innermost clip whose grid applies
};

}  // namespace render
