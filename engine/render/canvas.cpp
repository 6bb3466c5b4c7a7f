#include "render/canvas.h"

#include <algorithm>

namespace render {

moviehost::Expected<Canvas, DrawError> Canvas::open(const Target& target, const swf::Rect& stage, swf::Rgba background,
                                                    Aspect aspect, Quality quality, const model::StageLayout& layout) {
    if (validate(target) != TargetError::None)
        return DrawError::InvalidTarget;

    unsigned char* origin = target.pixels;
    int stride = target.stride;
    if (target.rowOrder == RowOrder::BottomUp) {
        origin += size_t(target.height - 1) * size_t(target.stride);
        stride = -stride;
    }
    Canvas canvas;
    canvas.m_aspect = aspect;
    canvas.m_quality = quality;
    canvas.m_surface.reset(
        cairo_image_surface_create_for_data(origin, CAIRO_FORMAT_ARGB32, target.width, target.height, stride));
    if (cairo_surface_status(canvas.m_surface.get()) != CAIRO_STATUS_SUCCESS)
        return DrawError::CairoFailed;
    canvas.m_context.reset(cairo_create(canvas.m_surface.get()));
    cairo_t* cr = canvas.m_context.get();
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        return DrawError::CairoFailed;

    canvas.m_clip = effectiveClip(target);
    canvas.m_mapping = mapStage(stage, target.bounds, layout);
    if (canvas.m_clip.empty())
        return canvas;

    PixelRect box = canvas.m_clip.front();
    for (const PixelRect& r : canvas.m_clip) {
        box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
        cairo_rectangle(cr, r.left, r.top, double(r.right) - r.left, double(r.bottom) - r.top);
    }
    canvas.m_clipBox = box;
    // Overlapping rectangles must not cancel out.
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
    cairo_set_antialias(cr, quality == Quality::Low ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_tolerance(cr, quality == Quality::Low ? 0.5 : 0.1);

    if (aspect == Aspect::Opaque) {
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgb(cr, background.r / 255.0, background.g / 255.0, background.b / 255.0);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    } else if (canvas.canDraw()) {
        // The movie is drawn on a transparent layer and laid over the target
        // at the end: blend modes then see the movie's own backdrop, not the
        // caller's pixels, whose fourth byte need not be an alpha at all.
        cairo_push_group_with_content(cr, CAIRO_CONTENT_COLOR_ALPHA);
        canvas.m_grouped = true;
    }
    return canvas;
}

Canvas::~Canvas() {
    if (m_context && !m_finished)
        (void)finish();
}

DrawError Canvas::finish() {
    if (!m_context || m_finished)
        return DrawError::None;
    m_finished = true;
    cairo_t* cr = m_context.get();
    if (m_grouped) {
        cairo_pop_group_to_source(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_paint(cr);
        m_grouped = false;
    }
    cairo_surface_flush(m_surface.get());
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? DrawError::None : DrawError::CairoFailed;
}

}  // namespace render
