#include "render/scene_painter.h"

#include "model/button_object.h"
#include "model/edit_text_object.h"
#include "model/morph_object.h"
#include "model/shape_object.h"
#include "model/static_text_object.h"
#include "render/text_painter.h"

#include <cmath>

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
    case swf::BlendMode::Add:
        return CAIRO_OPERATOR_ADD;
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

void ScenePainter::paint(const model::DisplayObject& root) {
    Frame top;
    top.matrix = m_stage;
    paintObject(root, top);
}

void ScenePainter::paintObject(const model::DisplayObject& object, const Frame& parent) {
    if (!object.isVisible())
        return;
    Frame frame;
    frame.matrix = then(parent.matrix, object.matrix());
    frame.coverageOnly = parent.coverageOnly;
    frame.cx = parent.cx.concat(ColorTransform::from(object.colorTransform()));
    if (!frame.coverageOnly && frame.cx.hidesEverything())
        return;

    const auto op = frame.coverageOnly ? std::nullopt : operatorFor(object.blendMode(), m_layers > 0);
    if (!op || m_layers >= kMaxLayers) {
        paintContent(object, frame);
        return;
    }
    // Alpha keeps the layer only where the object is, so it acts everywhere;
    // Erase gets the same whole-clip layer, as cairo composed it wrongly
    // through a layer clipped to the object's box (seen under the address
    // sanitizer's heap filling).
    const bool unbounded = *op == CAIRO_OPERATOR_DEST_IN || *op == CAIRO_OPERATOR_DEST_OUT;
    const auto box = objectBox(object, frame.matrix);
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

void ScenePainter::paintContent(const model::DisplayObject& object, const Frame& frame) {
    PaintState state;
    state.matrix = frame.matrix;
    state.cx = frame.cx;
    state.coverageOnly = frame.coverageOnly;
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
        m_painter.drawStaticText(object.characterId(), state);
        return;
    case model::DisplayKind::EditText: {
        const auto& field = *object.as<model::EditTextObject>();
        drawEditText(m_painter, field.field(), field.text(), state);
        return;
    }
    case model::DisplayKind::MovieClip:
    case model::DisplayKind::Button: {
        if (const model::DisplayList* children = object.children())
            paintRange(children->begin(), children->end(), frame);
        return;
    }
    }
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
    if (m_layers >= kMaxLayers) {
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
