#include "render/stage_mapping.h"

#include <algorithm>

namespace render {

cairo_matrix_t StageMapping::matrix() const {
    cairo_matrix_t m;
    cairo_matrix_init(&m, scaleX, 0.0, 0.0, scaleY, offsetX - stage.xMin * scaleX, offsetY - stage.yMin * scaleY);
    return m;
}

swf::Point StageMapping::toStage(double px, double py) const {
    return {(px - offsetX) / scaleX + stage.xMin, (py - offsetY) / scaleY + stage.yMin};
}

namespace {

// Where the stage's extent starts in the bounds' extent along one axis.
double place(double boundsStart, double boundsSize, double stageSize, bool low, bool high) {
    if (low && !high)
        return boundsStart;
    if (high && !low)
        return boundsStart + boundsSize - stageSize;
    return boundsStart + (boundsSize - stageSize) / 2.0;
}

}  // namespace

StageMapping mapStage(const swf::Rect& stage, const PixelRect& bounds, const model::StageLayout& layout) {
    StageMapping m;
    m.stage = stage;
    if (stage.isEmpty() || bounds.isEmpty())
        return m;
    const double boundsW = double(bounds.right) - bounds.left;
    const double boundsH = double(bounds.bottom) - bounds.top;
    const auto stageW = double(stage.width());
    const auto stageH = double(stage.height());
    switch (layout.scaleMode) {
    case model::ScaleMode::ShowAll:
        m.scaleX = m.scaleY = std::min(boundsW / stageW, boundsH / stageH);
        break;
    case model::ScaleMode::NoBorder:
        m.scaleX = m.scaleY = std::max(boundsW / stageW, boundsH / stageH);
        break;
    case model::ScaleMode::ExactFit:
        m.scaleX = boundsW / stageW;
        m.scaleY = boundsH / stageH;
        break;
    case model::ScaleMode::NoScale:
        m.scaleX = m.scaleY = 1.0 / 20.0;
        break;
    }
    m.scale = std::min(m.scaleX, m.scaleY);
    m.offsetX = place(bounds.left, boundsW, stageW * m.scaleX, (layout.align & model::align::Left) != 0,
                      (layout.align & model::align::Right) != 0);
    m.offsetY = place(bounds.top, boundsH, stageH * m.scaleY, (layout.align & model::align::Top) != 0,
                      (layout.align & model::align::Bottom) != 0);
    return m;
}

}  // namespace render
