#include "render/object_drawing.h"

#include "render/paint_cache.h"
#include "render/painter.h"
#include "render/scene_painter.h"

#include <cmath>

namespace render {

void paintDisplayObject(cairo_t* cr, const model::Stage& stage, const model::DisplayObject& object,
                        const swf::Matrix& toDevice, const swf::ColorTransform& cx, Quality quality) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    const PixelRect box{int32_t(std::floor(x1)), int32_t(std::floor(y1)), int32_t(std::ceil(x2)),
                        int32_t(std::ceil(y2))};
    if (box.isEmpty())
        return;
    // Twips of the object to device pixels.
    const cairo_matrix_t matrix{toDevice.a / 20.0, toDevice.b / 20.0, toDevice.c / 20.0,
                                toDevice.d / 20.0, toDevice.tx,       toDevice.ty};
    if (!isDrawableMatrix(matrix))
        return;
    PaintCache paints(stage.moviePtr());
    cairo_save(cr);
    Painter painter(cr, {box}, box, quality, std::hypot(matrix.xx, matrix.yx), stage.characterCache(), paints);
    ScenePainter scene(painter, matrix);
    scene.paintSource(object, ColorTransform::from(cx));
    cairo_restore(cr);
}

}  // namespace render
