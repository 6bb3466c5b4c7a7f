// Paints single characters with a matrix and a colour transform: shapes,
// morph shapes at a ratio, bitmaps and static text. The display tree walk
// calls it for every visible object.
#pragma once

#include "render/canvas.h"
#include "render/color.h"
#include "render/paint_cache.h"
#include "render/paint_source.h"
#include "render/shape_paths.h"

#include "model/display_object.h"
#include "model/geometry_cache.h"
#include "model/scale_grid.h"
#include "model/static_text_object.h"
#include "model/video_object.h"
#include "text/text_renderer.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace render {

// A shape of a clip with a scaling grid: its points go through `inner`
// (shape twips -> clip twips) and the grid's map, then `outer` (clip twips
// -> surface pixels).
struct SlicedPlacement {
    model::SliceMap map;
    swf::Matrix inner;
    cairo_matrix_t outer{1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
};

struct PaintState {
    cairo_matrix_t matrix{1.0, 0.0, 0.0, 1.0, 0.0, 0.0};  // character twips -> surface pixels
    ColorTransform cx;
    // Paint coverage only, every fill and stroke fully opaque (mask shapes).
    bool coverageOnly = false;
    // Set: the paths are laid out by the grid; fills and strokes still
    // follow `matrix`.
    const SlicedPlacement* sliced = nullptr;
};

// Axis-aligned box in surface pixels.
struct DeviceBox {
    double xMin = 0.0;
    double yMin = 0.0;
    double xMax = 0.0;
    double yMax = 0.0;
};

// The box around `bounds` (twips) under `m`; none for empty bounds.
[[nodiscard]] std::optional<DeviceBox> deviceBox(const swf::Bounds& bounds, const cairo_matrix_t& m);

// cairo refuses a singular matrix and then stops drawing altogether, so every
// matrix is checked first; such an object has no area and draws nothing.
[[nodiscard]] bool isDrawableMatrix(const cairo_matrix_t& m);

class Painter {
public:
    // `loaded` (may be null: the painter keeps its own for one use) holds the
    // caches of other movies than the one `paints` is for.
    Painter(const Canvas& canvas, model::GeometryCache& geometry, PaintCache& paints, PaintCacheSet* loaded = nullptr);
    // Drawing into another context (a script's bitmap): `clip` and `clipBox`
    // are the pixels that matter, `stageScale` pixels per twip.
    Painter(cairo_t* cr, std::vector<PixelRect> clip, PixelRect clipBox, Quality quality, double stageScale,
            model::GeometryCache& geometry, PaintCache& paints, PaintCacheSet* loaded = nullptr);

    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    [[nodiscard]] cairo_t* context() const { return m_cr; }
    [[nodiscard]] model::GeometryCache& geometry() const { return *m_geometry; }
    [[nodiscard]] PaintCache& paints() const { return *m_paints; }

    // Characters are looked up in `object`'s movie until the returned
    // library is given back to restore().
    struct Library {
        model::GeometryCache* geometry = nullptr;
        PaintCache* paints = nullptr;
    };
    [[nodiscard]] Library use(const model::DisplayObject& object);
    void restore(Library previous);

    // True when something inside `box` may touch the clip. A box reaching
    // past cairo's coordinate range (a few million pixels) counts as not
    // touching it: such geometry cannot be drawn faithfully, so it is not drawn.
    [[nodiscard]] bool touchesClip(const DeviceBox& box) const;
    // The box around the pixels that matter, and the pixels themselves.
    [[nodiscard]] const PixelRect& clipBox() const { return m_clipBox; }
    [[nodiscard]] const std::vector<PixelRect>& clipRects() const { return m_clip; }

    // Where drawing goes: a context and the pixels that matter in it.
    struct Destination {
        cairo_t* cr = nullptr;
        std::vector<PixelRect> clip;
        PixelRect clipBox;
    };
    // Sends drawing to `to` (an off-screen layer) and returns where it went
    // before, to be given back to redirect() when the layer is done.
    [[nodiscard]] Destination redirect(Destination to);

    void drawShape(uint16_t id, const PaintState& state);
    // `blended`: the morph at `ratio` when the caller already holds it, or null.
    void drawMorph(uint16_t id, uint16_t ratio, const PaintState& state, const model::MorphedShape* blended = nullptr);
    // A bitmap placed directly: its pixels cover 20 twips each from the origin.
    void drawBitmap(uint16_t id, const PaintState& state, bool smoothed = false);
    // What a script drew, in the drawing's twips.
    void drawDrawing(const model::Drawing& drawing, const PaintState& state);
    // A placed video's picture (its stream's frame, or its attached feed's)
    // over the stream's declared size (the picture is scaled to it); smoothed
    // as the stream asks, colour transformed like any other object.
    void drawVideo(const model::VideoObject& video, const PaintState& state);
    // DefineText: glyphs from the embedded fonts along the records, drawn
    // as the character's CSMTextSettings and the stage's TextRenderer
    // tables (may be null: none) say.
    void drawStaticText(uint16_t id, const PaintState& state, const text::TextRendererSettings* tables = nullptr);
    // The cells of a static text's selected characters in its select colour.
    void drawTextSelection(const model::StaticTextObject& text, const PaintState& state);

    // Bounds in twips of a character as drawn (morphs at `ratio`); none when
    // it draws nothing or is not a drawable character.
    [[nodiscard]] std::optional<swf::Bounds> bounds(uint16_t id, uint16_t ratio = 0);

private:
    // Which styles paint a set of paths, and how their patterns are found.
    struct StyleSource {
        const swf::Shape* styles = nullptr;  // fill and line styles
        uint16_t id = 0;                     // character, for the gradient cache
        bool morph = false;
        uint16_t ratio = 0;
        const model::Drawing* drawing = nullptr;  // set: a script drawing, nothing cached
    };
    void drawPaths(const ShapePaths& paths, const StyleSource& source, const swf::Bounds& bounds,
                   const PaintState& state);
    void stroke(const StyleSource& source, const ShapePaths::Part& part, const PaintState& state);
    // Paints the current path in a sliced clip cell by cell: `source` is made
    // under each cell's pattern matrix, `paint` fills or strokes in the cell.
    void paintSliced(const SlicedPlacement& s, const std::function<PaintSource()>& source,
                     const std::function<void()>& paint);
    // Adds the path to the context's and leaves `state.matrix` in force.
    void appendPath(const PathData& path, const PaintState& state);
    [[nodiscard]] PaintSource fillSource(const StyleSource& source, const swf::FillStyle& style, bool lineFill,
                                         uint32_t index, const ColorTransform& cx);

    cairo_t* m_cr = nullptr;
    model::GeometryCache* m_geometry = nullptr;
    PaintCache* m_paints = nullptr;
    PaintCache* m_stagePaints = nullptr;
    PaintCacheSet* m_loaded = nullptr;
    PaintCacheSet m_ownLoaded;
    Quality m_quality = Quality::High;
    double m_stageScale = 0.0;
    std::vector<PixelRect> m_clip;
    PixelRect m_clipBox;
};

}  // namespace render
