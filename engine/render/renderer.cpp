#include "render/renderer.h"

#include "render/painter.h"
#include "render/scene_painter.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// The focus rectangle: a yellow line two pixels wide just inside the
// focused object's bounds, the same width at any scale.
void drawFocusHighlight(const Canvas& canvas, const swf::Rect& area) {
    cairo_t* cr = canvas.context();
    const cairo_matrix_t m = canvas.mapping().matrix();
    double x0 = area.xMin, y0 = area.yMin, x1 = area.xMax, y1 = area.yMax;
    cairo_matrix_transform_point(&m, &x0, &y0);
    cairo_matrix_transform_point(&m, &x1, &y1);
    x0 = std::round(x0);
    y0 = std::round(y0);
    x1 = std::round(x1);
    y1 = std::round(y1);
    if (x1 - x0 < 2 || y1 - y0 < 2)
        return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_rgb(cr, 1.0, 1.0, 0.0);
    cairo_set_line_width(cr, 2.0);
    cairo_rectangle(cr, x0 + 1.0, y0 + 1.0, x1 - x0 - 2.0, y1 - y0 - 2.0);
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace

DrawError Renderer::draw(const model::Stage& stage, const Target& target, Aspect aspect, Quality quality) {
    auto opened = Canvas::open(target, stage.stageRect(), stage.backgroundColor(), aspect, quality, stage.layout());
    if (!opened)
        return opened.error();
    Canvas& canvas = opened.value();
    if (canvas.canDraw()) {
        if (!m_paints || m_paints->moviePointer() != stage.moviePtr()) {
            m_paints = std::make_unique<PaintCache>(stage.moviePtr(), m_limits);
            m_loadedPaints.clear();
        }
        // Movies loaded and unloaded come and go; their caches are not kept
        // beyond a few.
        if (m_loadedPaints.size() > MaxLoadedCaches)
            m_loadedPaints.clear();
        Painter painter(canvas, stage.characterCache(), *m_paints, &m_loadedPaints);
        ScenePainter scene(painter, canvas.mapping().matrix());
        scene.paint(stage.root());
        if (const auto& focus = stage.focusHighlight())
            drawFocusHighlight(canvas, *focus);
    }
    return canvas.finish();
}

PixelRect toPixels(const swf::Rect& r, const StageMapping& mapping, const PixelRect& limit) {
    if (r.isEmpty() || mapping.isEmpty())
        return {};
    auto px = [](double twips, double origin, double scale, double offset) {
        return (twips - origin) * scale + offset;
    };
    const double left = std::floor(px(r.xMin, mapping.stage.xMin, mapping.scaleX, mapping.offsetX)) - 1.0;
    const double top = std::floor(px(r.yMin, mapping.stage.yMin, mapping.scaleY, mapping.offsetY)) - 1.0;
    const double right = std::ceil(px(r.xMax, mapping.stage.xMin, mapping.scaleX, mapping.offsetX)) + 1.0;
    const double bottom = std::ceil(px(r.yMax, mapping.stage.yMin, mapping.scaleY, mapping.offsetY)) + 1.0;
    auto clamp = [](double v, int32_t lo, int32_t hi) { return int32_t(std::clamp(v, double(lo), double(hi))); };
    PixelRect out{clamp(left, limit.left, limit.right), clamp(top, limit.top, limit.bottom),
                  clamp(right, limit.left, limit.right), clamp(bottom, limit.top, limit.bottom)};
    return out.isEmpty() ? PixelRect{} : out;
}

}  // namespace render
