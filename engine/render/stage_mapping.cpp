#include "render/stage_mapping.h"

#include <algorithm>

namespace render {

cairo_matrix_t StageMapping::matrix() const {
    cairo_matrix_t m;
    cairo_matrix_init(&m, scale, 0.0, 0.0, scale, offsetX - stage.xMin * scale, offsetY - stage.yMin * scale);
    return m;
}

swf::Point StageMapping::toStage(double px, double py) const {
    return {(px - offsetX) / scale + stage.xMin, (py - offsetY) / scale + stage.yMin};
}

StageMapping showAll(const swf::Rect& stage, const PixelRect& bounds) {
    StageMapping m;
    m.stage = stage;
    if (stage.isEmpty() || bounds.isEmpty())
        return m;
    const double boundsW = double(bounds.right) - bounds.left;
    const double boundsH = double(bounds.bottom) - bounds.top;
    const auto stageW = double(stage.width());
    const auto stageH = double(stage.height());
    m.scale = std::min(boundsW / stageW, boundsH / stageH);
    m.offsetX = bounds.left + (boundsW - stageW * m.scale) / 2.0;
    m.offsetY = bounds.top + (boundsH - stageH * m.scale) / 2.0;
    return m;
}

}  // namespace render
