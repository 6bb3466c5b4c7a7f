#include "render/scene_painter.h"

#include "model/button_object.h"
#include "model/edit_text_object.h"
#include "model/morph_object.h"
#include "model/movie_clip.h"
#include "model/shape_object.h"
#include "model/static_text_object.h"
#include "model/transform.h"
#include "model/video_object.h"
#include "render/blend_pixels.h"
#include "render/filter_effects.h"
#include "render/text_painter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace render {

namespace {

cairo_matrix_t toCairo(const swf::Matrix& m) { return {m.a, m.b, m.c, m.d, m.tx, m.ty}; }

cairo_matrix_t then(const cairo_matrix_t& outer, const swf::Matrix& inner) {
    const cairo_matrix_t local = toCairo(inner);
    cairo_matrix_t out;
    cairo_matrix_multiply(&out, &local, &outer);  // local first, then outer
    return out;
}

// The operator composing a layer of this mode, or none for normal drawing.
// Alpha and Erase cut into the layer they are drawn in, so they only mean
// something inside one; at the top they would cut into the background.
std::optional<cairo_operator_t> operatorFor(swf::BlendMode mode, bool insideLayer) {
    switch (mode) {
    case swf::BlendMode::Alpha:
        return insideLayer ? std::optional(CAIRO_OPERATOR_DEST_IN) : std::nullopt;
    case swf::BlendMode::Erase:
        return insideLayer ? std::optional(CAIRO_OPERATOR_DEST_OUT) : std::nullopt;
    case swf::BlendMode::Multiply:
        return CAIRO_OPERATOR_MULTIPLY;
    case swf::BlendMode::Screen:
        return CAIRO_OPERATOR_SCREEN;
    case swf::BlendMode::Lighten:
        return CAIRO_OPERATOR_LIGHTEN;
    case swf::BlendMode::Darken:
        return CAIRO_OPERATOR_DARKEN;
    case swf::BlendMode::Difference:
        return CAIRO_OPERATOR_DIFFERENCE;
    case swf::BlendMode::Overlay:
        return CAIRO_OPERATOR_OVERLAY;
    case swf::BlendMode::HardLight:
        return CAIRO_OPERATOR_HARD_LIGHT;
    case swf::BlendMode::Layer:
        return CAIRO_OPERATOR_OVER;
    default:
        return std::nullopt;
    }
}

// Modes composed pixel by pixel: cairo has no subtract or invert, and its
// add sums alpha where the format lays the two over each other.
bool composedByPixels(swf::BlendMode mode) {
    return mode == swf::BlendMode::Add || mode == swf::BlendMode::Subtract || mode == swf::BlendMode::Invert;
}

PixelRect grown(const PixelRect& r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    auto at = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); };
    return {at(int64_t(r.left) - left), at(int64_t(r.top) - top), at(int64_t(r.right) + right),
            at(int64_t(r.bottom) + bottom)};
}

int64_t areaOf(const PixelRect& r) { return r.isEmpty() ? 0 : int64_t(r.right - r.left) * (r.bottom - r.top); }

FilterReach widest(const FilterReach& a, const FilterReach& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

DeviceBox grown(const DeviceBox& b, const FilterReach& r) {
    return {b.xMin - r.left, b.yMin - r.top, b.xMax + r.right, b.yMax + r.bottom};
}

PixelView viewOf(cairo_surface_t* image) {
    return {reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image)), cairo_image_surface_get_width(image),
            cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image) / 4};
}

uint64_t mix(uint64_t h, uint64_t v) { return (h ^ v) * 0x100000001b3ULL + (h >> 29); }

uint64_t bitsOf(double d) {
    uint64_t u = 0;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

uint64_t mixMatrix(uint64_t h, const swf::Matrix& m) {
    for (double v : {m.a, m.b, m.c, m.d, m.tx, m.ty})
        h = mix(h, bitsOf(v));
    return h;
}

// Everything below `object` that changes what its layer holds: identities,
// characters, content and style versions, drawings, and the matrices and
// colour transforms below it (its own matrix is the caller's business).
uint64_t subtreeSignature(uint64_t h, const model::DisplayObject& o, bool top, int depth) {
    h = mix(h, o.id());
    h = mix(h, uint64_t(o.characterId()) << 32 | uint64_t(o.ratio()) << 16 | o.clipDepth());
    h = mix(h, uint64_t(o.contentVersion()) << 32 | o.styleVersion());
    h = mix(h, uint64_t(o.isVisible()) << 8 | uint64_t(o.blendMode()));
    h = mix(h, o.filterInputsVersion());
    if (!top) {
        h = mixMatrix(h, o.matrix());
        const swf::ColorTransform& c = o.colorTransform();
        for (int16_t v : {c.rMult, c.gMult, c.bMult, c.aMult, c.rAdd, c.gAdd, c.bAdd, c.aAdd})
            h = mix(h, uint16_t(v));
    }
    if (const auto* clip = o.as<model::MovieClip>(); clip && clip->drawingIfAny())
        h = mix(h, clip->drawingIfAny()->version());
    if (depth > 64)
        return h;
    if (const auto mask = o.scriptMask()) {
        // A script mask is placed from the stage.
        h = mixMatrix(h, mask->concatenatedMatrix());
        h = subtreeSignature(h, *mask, true, depth + 1);
    }
    if (const model::DisplayList* children = o.children()) {
        for (const auto& [d, child] : *children)
            h = subtreeSignature(mix(h, uint64_t(uint32_t(d))), *child, false, depth + 1);
    }
    return h;
}

uint64_t contentSignature(const model::DisplayObject& object, const ColorTransform& cx, const FilterScale& scale) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (double v : cx.mult)
        h = mix(h, bitsOf(v));
    for (double v : cx.add)
        h = mix(h, bitsOf(v));
    h = mix(mix(h, bitsOf(scale.x)), bitsOf(scale.y));
    return subtreeSignature(h, object, true, 0);
}

}  // namespace

ScenePainter::ScenePainter(Painter& painter, const cairo_matrix_t& stage)
    : m_painter(painter), m_cr(painter.context()), m_stage(stage) {}

std::optional<DeviceBox> ScenePainter::objectBox(const model::DisplayObject& object, const cairo_matrix_t& device) {
    // The model boxes content through a twips matrix; keep it in twips and
    // scale the result, which is exact for the stage's axis-aligned mapping.
    const swf::Matrix m{device.xx, device.yx, device.xy, device.yy, device.x0, device.y0};
    const swf::Bounds b = object.boundsThrough(m);
    if (b.empty)
        return std::nullopt;
    return DeviceBox{b.xMin, b.yMin, b.xMax, b.yMax};
}

FilterScale ScenePainter::filterScale() const {
    // Filter sizes are stage pixels: scale them by the stage's zoom only.
    return {std::hypot(m_stage.xx, m_stage.yx) * 20.0, std::hypot(m_stage.xy, m_stage.yy) * 20.0};
}

FilterReach ScenePainter::contentReach(const model::DisplayObject& object) const {
    FilterReach reach;
    const model::DisplayList* children = object.children();
    if (!children)
        return reach;
    for (const auto& [depth, child] : *children) {
        FilterReach r = contentReach(*child);
        if (const auto* filters = child->filters(); filters && !filters->empty()) {
            const FilterReach own = filterReach(*filters, filterScale());
            r = {std::min(r.left + own.left, FilterReach::kMax), std::min(r.top + own.top, FilterReach::kMax),
                 std::min(r.right + own.right, FilterReach::kMax), std::min(r.bottom + own.bottom, FilterReach::kMax)};
        }
        reach = widest(reach, r);
    }
    return reach;
}

void ScenePainter::paint(const model::DisplayObject& root) {
    Frame top;
    top.matrix = m_stage;
    paintObject(root, top);
}

void ScenePainter::paintSource(const model::DisplayObject& object, const ColorTransform& cx) {
    Frame frame;
    frame.matrix = m_stage;
    frame.cx = cx;
    paintContent(object, frame);
}

void ScenePainter::paintObject(const model::DisplayObject& object, const Frame& parent, bool maskDone) {
    if (!object.isVisible() || object.isScriptMask())
        return;
    if (!maskDone && m_layers < MaxLayers) {
        if (const auto mask = object.scriptMask(); mask && mask->isOnStage()) {
            paintScriptMasked(object, parent, *mask);
            return;
        }
    }
    Frame frame;
    frame.matrix = then(parent.matrix, object.matrix());
    frame.coverageOnly = parent.coverageOnly;
    frame.cx = parent.cx.concat(ColorTransform::from(object.colorTransform()));
    if (!frame.coverageOnly && frame.cx.hidesEverything())
        return;

    if (object.placement3D() && !frame.coverageOnly && m_layers < MaxLayers) {
        paintProjected(object, parent, frame);
        return;
    }
    if (!frame.coverageOnly && m_layers < MaxLayers) {
        const std::vector<swf::Filter>* filters = object.filters();
        if (filters && !filters->empty()) {
            paintOffscreen(object, frame, filters);
            return;
        }
        if (composedByPixels(object.blendMode()) || object.cacheAsBitmap()) {
            paintOffscreen(object, frame, nullptr);
            return;
        }
    }
    const auto op = frame.coverageOnly ? std::nullopt : operatorFor(object.blendMode(), m_layers > 0);
    if (!op || m_layers >= MaxLayers) {
        paintContent(object, frame);
        return;
    }
    // Alpha keeps the layer only where the object is, so it acts everywhere;
    // Erase gets the same whole-clip layer, as cairo composed it wrongly
    // through a layer clipped to the object's box (seen under the address
    // sanitizer's heap filling).
    const bool unbounded = *op == CAIRO_OPERATOR_DEST_IN || *op == CAIRO_OPERATOR_DEST_OUT;
    auto box = objectBox(object, frame.matrix);
    if (box)
        box = grown(*box, contentReach(object));
    if (!unbounded && (!box || !m_painter.touchesClip(*box)))
        return;
    cairo_save(m_cr);
    if (!unbounded) {
        // The layer only needs the object's own box.
        cairo_rectangle(m_cr, std::floor(box->xMin) - 1, std::floor(box->yMin) - 1,
                        std::ceil(box->xMax) - std::floor(box->xMin) + 2,
                        std::ceil(box->yMax) - std::floor(box->yMin) + 2);
        cairo_clip(m_cr);
    }
    ++m_layers;
    cairo_push_group(m_cr);
    paintContent(object, frame);
    cairo_pop_group_to_source(m_cr);
    --m_layers;
    cairo_set_operator(m_cr, *op);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
}

void ScenePainter::paintScriptMasked(const model::DisplayObject& object, const Frame& parent,
                                     const model::DisplayObject& mask) {
    const cairo_matrix_t maskMatrix = then(m_stage, mask.concatenatedMatrix());
    const auto box = objectBox(mask, maskMatrix);
    if (!box || !m_painter.touchesClip(*box))
        return;  // an empty mask shows nothing
    cairo_save(m_cr);
    cairo_rectangle(m_cr, std::floor(box->xMin) - 1, std::floor(box->yMin) - 1,
                    std::ceil(box->xMax) - std::floor(box->xMin) + 2, std::ceil(box->yMax) - std::floor(box->yMin) + 2);
    cairo_clip(m_cr);
    ++m_layers;
    cairo_push_group(m_cr);
    paintObject(object, parent, true);
    cairo_pattern_t* content = cairo_pop_group(m_cr);
    Frame coverage;
    coverage.matrix = maskMatrix;
    coverage.coverageOnly = true;
    cairo_push_group(m_cr);
    paintContent(mask, coverage);
    cairo_pattern_t* shape = cairo_pop_group(m_cr);
    --m_layers;
    cairo_set_source(m_cr, content);
    cairo_mask(m_cr, shape);
    cairo_pattern_destroy(shape);
    cairo_pattern_destroy(content);
    cairo_restore(m_cr);
}

void ScenePainter::paintOffscreen(const model::DisplayObject& object, const Frame& frame,
                                  const std::vector<swf::Filter>* filters) {
    auto box = objectBox(object, frame.matrix);
    if (!box || !std::isfinite(box->xMin) || !std::isfinite(box->yMin) || !std::isfinite(box->xMax) ||
        !std::isfinite(box->yMax))
        return;
    box = grown(*box, contentReach(object));
    const FilterScale scale = filterScale();
    const FilterReach reach = filters ? filterReach(*filters, scale) : FilterReach{};
    if (!m_painter.touchesClip(grown(*box, reach)))
        return;
    // What the result may cover, what of it shows, and what must be drawn
    // for that: whatever lies within the filters' reach of it.
    const PixelRect objectArea{int32_t(std::floor(box->xMin)) - 1, int32_t(std::floor(box->yMin)) - 1,
                               int32_t(std::ceil(box->xMax)) + 1, int32_t(std::ceil(box->yMax)) + 1};
    const PixelRect covered = grown(objectArea, reach.left, reach.top, reach.right, reach.bottom);
    if (object.cacheAsBitmap() || filters) {
        if (areaOf(covered) <= MaxCachedPixels && paintCached(object, frame, filters, covered))
            return;
    }
    const PixelRect visible = covered.intersected(m_painter.clipBox());
    if (visible.isEmpty())
        return;
    PixelRect area = grown(visible, reach.right, reach.bottom, reach.left, reach.top).intersected(covered);
    if (areaOf(area) > MaxLayerPixels)
        area = visible;
    if (areaOf(area) > MaxLayerPixels) {
        paintContent(object, frame);
        return;
    }
    cairo_surface_t* layer = renderLayer(object, frame, filters, area);
    if (!layer) {
        paintContent(object, frame);
        return;
    }
    compose(layer, area.left, area.top, object.blendMode());
    cairo_surface_destroy(layer);
}

cairo_surface_t* ScenePainter::renderLayer(const model::DisplayObject& object, const Frame& frame,
                                           const std::vector<swf::Filter>* filters, const PixelRect& area) {
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;
    cairo_surface_t* layer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(layer);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(layer);
        return nullptr;
    }
    cairo_set_antialias(cr, cairo_get_antialias(m_cr));
    cairo_set_tolerance(cr, cairo_get_tolerance(m_cr));
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);  // a clip that can be read back as rectangles

    Frame inside = frame;
    inside.matrix.x0 -= area.left;
    inside.matrix.y0 -= area.top;
    cairo_t* outer = m_cr;
    m_cr = cr;
    auto previous = m_painter.redirect({cr, {{0, 0, width, height}}, {0, 0, width, height}});
    // Script masks are placed from the stage: the layer moves the stage too.
    const cairo_matrix_t stage = m_stage;
    m_stage.x0 -= area.left;
    m_stage.y0 -= area.top;
    ++m_layers;
    paintContent(object, inside);
    --m_layers;
    m_stage = stage;
    (void)m_painter.redirect(std::move(previous));
    m_cr = outer;
    cairo_destroy(cr);

    cairo_surface_flush(layer);
    if (filters) {
        FilterScale scale = filterScale();
        scale.originX = frame.matrix.x0 - area.left;
        scale.originY = frame.matrix.y0 - area.top;
        const bool displaces = std::any_of(filters->begin(), filters->end(), [](const swf::Filter& f) {
            return f.kind == swf::FilterKind::DisplacementMap;
        });
        if (const auto box = displaces ? objectBox(object, inside.matrix) : std::nullopt) {
            auto side = [](double v) { return int32_t(std::clamp(std::round(v), -1e9, 1e9)); };
            scale.boxLeft = side(box->xMin);
            scale.boxTop = side(box->yMin);
            scale.boxRight = side(box->xMax);
            scale.boxBottom = side(box->yMax);
        }
        applyFilters(*filters, viewOf(layer), scale);
    }
    cairo_surface_mark_dirty(layer);
    return layer;
}

bool ScenePainter::paintCached(const model::DisplayObject& object, const Frame& frame,
                               const std::vector<swf::Filter>* filters, const PixelRect& covered) {
    PaintCache& cache = m_painter.paints();
    const cairo_matrix_t& m = frame.matrix;
    const uint64_t signature = contentSignature(object, frame.cx, filterScale());
    if (auto hit = cache.findLayer(object.id()); hit && hit->signature == signature && hit->xx == m.xx &&
                                                 hit->yx == m.yx && hit->xy == m.xy && hit->yy == m.yy) {
        const double dx = std::round(m.x0 - hit->x0);
        const double dy = std::round(m.y0 - hit->y0);
        if (std::fabs(dx) < 1e7 && std::fabs(dy) < 1e7) {
            cache.countLayerHit();
            compose(hit->surface.get(), hit->left + int32_t(dx), hit->top + int32_t(dy), object.blendMode());
            return true;
        }
    }
    cairo_surface_t* layer = renderLayer(object, frame, filters, covered);
    if (!layer)
        return false;
    auto entry = std::make_shared<CachedLayer>();
    entry->surface = shareSurface(layer);
    entry->signature = signature;
    entry->xx = m.xx;
    entry->yx = m.yx;
    entry->xy = m.xy;
    entry->yy = m.yy;
    entry->x0 = m.x0;
    entry->y0 = m.y0;
    entry->left = covered.left;
    entry->top = covered.top;
    const size_t bytes = size_t(cairo_image_surface_get_stride(layer)) * size_t(cairo_image_surface_get_height(layer));
    cache.storeLayer(object.id(), entry, bytes);
    compose(layer, covered.left, covered.top, object.blendMode());
    return true;
}

void ScenePainter::compose(cairo_surface_t* layer, int32_t x, int32_t y, swf::BlendMode mode) {
    cairo_save(m_cr);
    cairo_identity_matrix(m_cr);
    if (composedByPixels(mode) && composeByPixels(layer, x, y, mode)) {
        cairo_restore(m_cr);
        return;
    }
    cairo_set_source_surface(m_cr, layer, x, y);
    cairo_set_operator(m_cr, operatorFor(mode, m_layers > 0).value_or(CAIRO_OPERATOR_OVER));
    cairo_paint(m_cr);
    cairo_restore(m_cr);
}

bool ScenePainter::composeByPixels(cairo_surface_t* layer, int32_t x, int32_t y, swf::BlendMode mode) {
    cairo_surface_t* target = cairo_get_group_target(m_cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
        return false;
    // Only the pixels inside the clip may change; the clip is a set of
    // rectangles here (dirty areas, mask boxes, layer bounds).
    cairo_rectangle_list_t* rects = cairo_copy_clip_rectangle_list(m_cr);
    if (rects->status != CAIRO_STATUS_SUCCESS) {
        cairo_rectangle_list_destroy(rects);
        return false;
    }
    double ox = 0.0;
    double oy = 0.0;
    cairo_surface_get_device_offset(target, &ox, &oy);
    cairo_surface_flush(target);
    const PixelView destination = viewOf(target);
    const PixelView source = viewOf(layer);
    const PixelRect layerRect{x, y, x + source.width(), y + source.height()};
    const PixelRect targetRect{-int32_t(ox), -int32_t(oy), destination.width() - int32_t(ox),
                               destination.height() - int32_t(oy)};
    for (int i = 0; i < rects->num_rectangles; ++i) {
        const cairo_rectangle_t& c = rects->rectangles[i];
        const PixelRect clip{int32_t(std::floor(c.x)), int32_t(std::floor(c.y)), int32_t(std::ceil(c.x + c.width)),
                             int32_t(std::ceil(c.y + c.height))};
        const PixelRect r = clip.intersected(layerRect).intersected(targetRect);
        if (r.isEmpty())
            continue;
        const int32_t w = r.right - r.left;
        const int32_t h = r.bottom - r.top;
        // Device pixels to the target's own: its device offset moves them.
        blendPixels(mode, source.sub(r.left - x, r.top - y, w, h),
                    destination.sub(r.left + int32_t(ox), r.top + int32_t(oy), w, h));
    }
    cairo_rectangle_list_destroy(rects);
    cairo_surface_mark_dirty(target);
    return true;
}

void ScenePainter::paintContent(const model::DisplayObject& object, const Frame& frame) {
    // A movie loaded into a clip draws with its own characters.
    struct Restore {
        Painter& painter;
        Painter::Library previous;
        ~Restore() { painter.restore(previous); }
    } restore{m_painter, m_painter.use(object)};
    if (object.opaqueBackground())
        paintBackground(object, frame);
    SlicedPlacement sliced;
    const PaintState state = slicedState(&object, object.matrix(), frame, sliced);
    switch (object.kind()) {
    case model::DisplayKind::Shape: {
        const auto& shape = *object.as<model::ShapeObject>();
        m_painter.drawShape(shape.characterId(), state);
        return;
    }
    case model::DisplayKind::MorphShape: {
        const auto blended = object.as<model::MorphObject>()->shapeAtRatio();
        m_painter.drawMorph(object.characterId(), object.ratio(), state, blended.get());
        return;
    }
    case model::DisplayKind::Bitmap:
        m_painter.drawBitmap(object.characterId(), state);
        return;
    case model::DisplayKind::StaticText:
        m_painter.drawTextSelection(*object.as<model::StaticTextObject>(), state);
        m_painter.drawStaticText(object.characterId(), state, &object.textRenderer());
        return;
    case model::DisplayKind::Video: {
        m_painter.drawVideo(*object.as<model::VideoObject>(), state);
        return;
    }
    case model::DisplayKind::EditText: {
        const auto& field = *object.as<model::EditTextObject>();
        drawEditText(m_painter, field, state);
        if (!field.imageClips().empty() && isDrawableMatrix(frame.matrix)) {
            // Clips of <img> tags show only inside the field.
            const swf::Rect& b = field.settings().bounds;
            cairo_save(m_cr);
            cairo_set_matrix(m_cr, &frame.matrix);
            cairo_rectangle(m_cr, b.xMin, b.yMin, double(b.width()), double(b.height()));
            cairo_identity_matrix(m_cr);
            cairo_clip(m_cr);
            for (const auto& [depth, image] : field.imageClips())
                paintObject(*image, frame);
            cairo_restore(m_cr);
        }
        return;
    }
    case model::DisplayKind::MovieClip:
    case model::DisplayKind::Button:
        paintChildren(object, frame);
        return;
    }
}

PaintState ScenePainter::slicedState(const model::DisplayObject* owner, const swf::Matrix& inner, const Frame& frame,
                                     SlicedPlacement& storage) const {
    PaintState state;
    state.matrix = frame.matrix;
    state.cx = frame.cx;
    state.coverageOnly = frame.coverageOnly;
    // Only what lies directly in the sliced clip follows its grid.
    if (!m_slicing || owner->parent() != m_slicing->owner)
        return state;
    const auto back = model::invert(inner);
    if (!back)
        return state;
    storage.map = m_slicing->map;
    storage.inner = inner;
    storage.outer = then(frame.matrix, *back);
    state.sliced = &storage;
    return state;
}

std::optional<model::SliceMap> ScenePainter::sliceMapFor(const model::DisplayObject& object,
                                                         const cairo_matrix_t& content) const {
    const auto& grid = object.scaleGrid();
    // Rotated or skewed clips scale as a whole, as in the player.
    if (!grid || content.yx != 0.0 || content.xy != 0.0 || m_stage.xx == 0.0 || m_stage.yy == 0.0)
        return std::nullopt;
    return model::sliceMap(*grid, object.contentBoundsThrough(swf::Matrix{}), content.xx / m_stage.xx,
                           content.yy / m_stage.yy);
}

void ScenePainter::paintChildren(const model::DisplayObject& object, const Frame& frame) {
    Frame content = frame;
    std::optional<Painter::Destination> outside;
    if (object.scrollRect()) {
        const swf::Bounds window = object.localBounds();
        const auto box = deviceBox(window, frame.matrix);
        if (!box || !isDrawableMatrix(frame.matrix) || !m_painter.touchesClip(*box))
            return;
        cairo_save(m_cr);
        cairo_set_matrix(m_cr, &frame.matrix);
        cairo_rectangle(m_cr, window.xMin, window.yMin, window.xMax - window.xMin, window.yMax - window.yMin);
        cairo_identity_matrix(m_cr);
        cairo_clip(m_cr);
        // Narrowing the pixels that matter skips whatever lies outside.
        const PixelRect near{int32_t(std::floor(box->xMin)) - 1, int32_t(std::floor(box->yMin)) - 1,
                             int32_t(std::ceil(box->xMax)) + 1, int32_t(std::ceil(box->yMax)) + 1};
        std::vector<PixelRect> rects;
        for (const PixelRect& r : m_painter.clipRects()) {
            if (const PixelRect in = r.intersected(near); !in.isEmpty())
                rects.push_back(in);
        }
        outside = m_painter.redirect({m_cr, std::move(rects), m_painter.clipBox().intersected(near)});
        content.matrix = then(frame.matrix, object.contentMatrix());
    }
    const std::optional<Slicing> enclosing = m_slicing;
    if (auto map = sliceMapFor(object, content.matrix))
        m_slicing = Slicing{&object, *map};
    else
        m_slicing.reset();
    // What a script drew lies below the children and follows the clip's own grid.
    if (const auto* clip = object.as<model::MovieClip>(); clip && clip->drawingIfAny()) {
        PaintState state;
        state.matrix = content.matrix;
        state.cx = content.cx;
        state.coverageOnly = content.coverageOnly;
        SlicedPlacement sliced;
        if (m_slicing) {
            sliced.map = m_slicing->map;
            sliced.outer = content.matrix;
            state.sliced = &sliced;
        }
        m_painter.drawDrawing(*clip->drawingIfAny(), state);
    }
    if (const model::DisplayList* children = object.children())
        paintRange(children->begin(), children->end(), content);
    m_slicing = enclosing;
    if (outside) {
        (void)m_painter.redirect(std::move(*outside));
        cairo_restore(m_cr);
    }
}

void ScenePainter::paintBackground(const model::DisplayObject& object, const Frame& frame) {
    const swf::Bounds b = object.localBounds();
    if (b.empty || !isDrawableMatrix(frame.matrix))
        return;
    const auto box = deviceBox(b, frame.matrix);
    if (!box || !m_painter.touchesClip(*box))
        return;
    swf::Rgba color = *object.opaqueBackground();
    color.a = 255;
    cairo_save(m_cr);
    cairo_set_matrix(m_cr, &frame.matrix);
    cairo_rectangle(m_cr, b.xMin, b.yMin, b.xMax - b.xMin, b.yMax - b.yMin);
    const PaintSource source = frame.coverageOnly
                                   ? PaintSource{PaintSource::Kind::Solid, swf::Rgba{0, 0, 0, 255}, nullptr}
                                   : solidSource(color, frame.cx);
    if (source.apply(m_cr))
        cairo_fill(m_cr);
    cairo_new_path(m_cr);
    cairo_restore(m_cr);
}

void ScenePainter::paintRange(Iterator begin, Iterator end, const Frame& parent) {
    for (Iterator it = begin; it != end;) {
        const model::DisplayObject& object = *it->second;
        ++it;
        if (!object.isMask()) {
            paintObject(object, parent);
            continue;
        }
        // Everything above the mask up to its clip depth is masked by it.
        Iterator last = it;
        while (last != end && last->first <= int32_t(object.clipDepth()))
            ++last;
        paintMasked(object, it, last, parent);
        it = last;
    }
}

void ScenePainter::paintMasked(const model::DisplayObject& mask, Iterator begin, Iterator end, const Frame& parent) {
    if (begin == end)
        return;
    const auto box = objectBox(mask, then(parent.matrix, mask.matrix()));
    if (!box || !m_painter.touchesClip(*box))
        return;  // an empty mask shows nothing of what it masks
    cairo_save(m_cr);
    cairo_rectangle(m_cr, std::floor(box->xMin) - 1, std::floor(box->yMin) - 1,
                    std::ceil(box->xMax) - std::floor(box->xMin) + 2, std::ceil(box->yMax) - std::floor(box->yMin) + 2);
    cairo_clip(m_cr);
    if (m_layers >= MaxLayers) {
        paintRange(begin, end, parent);
        cairo_restore(m_cr);
        return;
    }
    ++m_layers;
    cairo_push_group(m_cr);
    paintRange(begin, end, parent);
    cairo_pattern_t* content = cairo_pop_group(m_cr);

    // The mask's own visibility does not matter: masks are never shown.
    Frame coverage = parent;
    coverage.coverageOnly = true;
    cairo_push_group(m_cr);
    coverage.matrix = then(parent.matrix, mask.matrix());
    paintContent(mask, coverage);
    cairo_pattern_t* shape = cairo_pop_group(m_cr);
    --m_layers;

    cairo_set_source(m_cr, content);
    cairo_mask(m_cr, shape);
    cairo_pattern_destroy(shape);
    cairo_pattern_destroy(content);
    cairo_restore(m_cr);
}

}  // namespace render
