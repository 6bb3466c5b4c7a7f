// Objects placed in 3D. The object is drawn flat into a layer at about the
// resolution it shows with; its box is cut into a grid of small triangles,
// each corner projected (its 4x4 matrix, the parent's placement, the
// stage's perspective), and every triangle takes its part of the layer
// through the affine map of its three corners. Small triangles keep the
// error of mapping a projective image affinely below a pixel for boxes of
// a stage's size. Triangles are filled without antialiasing, so neighbours
// meet without seams (the outline is not smoothed). Filters and blend modes
// of the object itself are not applied; its colour transform is.
#include "render/scene_painter.h"

#include "model/placement3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace render {

namespace {

constexpr int Cells = 16;
constexpr double MaxSide = 4096;

struct Corner {
    double x = 0, y = 0;   // device pixels
    bool visible = false;  // in front of the eye
};

// The affine map taking the three device points to the three layer points.
std::optional<cairo_matrix_t> mapping(const std::array<Corner, 3>& device, const std::array<swf::Point, 3>& layer) {
    const double ax = device[1].x - device[0].x, ay = device[1].y - device[0].y;
    const double bx = device[2].x - device[0].x, by = device[2].y - device[0].y;
    const double det = ax * by - bx * ay;
    if (!(std::abs(det) > 1e-9))
        return std::nullopt;
    const double px = layer[1].x - layer[0].x, py = layer[1].y - layer[0].y;
    const double qx = layer[2].x - layer[0].x, qy = layer[2].y - layer[0].y;
    cairo_matrix_t m;
    m.xx = (px * by - qx * ay) / det;
    m.xy = (qx * ax - px * bx) / det;
    m.yx = (py * by - qy * ay) / det;
    m.yy = (qy * ax - py * bx) / det;
    m.x0 = layer[0].x - (m.xx * device[0].x + m.xy * device[0].y);
    m.y0 = layer[0].y - (m.yx * device[0].x + m.yy * device[0].y);
    if (!std::isfinite(m.xx + m.xy + m.yx + m.yy + m.x0 + m.y0))
        return std::nullopt;
    return m;
}

}  // namespace

void ScenePainter::paintProjected(const model::DisplayObject& object, const Frame& parent, const Frame& frame) {
    const model::Placement3D& place = *object.placement3D();
    const swf::Bounds bounds = object.localBounds();
    cairo_matrix_t toStage = m_stage;
    if (bounds.empty || cairo_matrix_invert(&toStage) != CAIRO_STATUS_SUCCESS)
        return;
    const model::Matrix3D m = model::placementMatrix(object, place);
    // A local point (twips) through the matrix (pixels), the parent's
    // placement and the stage's perspective, to the surface.
    auto project = [&](double u, double v) {
        const double x = u / 20, y = v / 20;
        double px = (m[0] * x + m[4] * y + m[12]) * 20, py = (m[1] * x + m[5] * y + m[13]) * 20;
        const double z = m[2] * x + m[6] * y + m[14];
        cairo_matrix_transform_point(&parent.matrix, &px, &py);
        cairo_matrix_transform_point(&toStage, &px, &py);
        Corner c;
        const double depth = place.focalLength + z;
        if (place.focalLength > 0 && !(depth > 1e-3))
            return c;
        const double k = place.focalLength > 0 ? place.focalLength / depth : 1.0;
        c.x = (place.center.x + (px / 20 - place.center.x) * k) * 20;
        c.y = (place.center.y + (py / 20 - place.center.y) * k) * 20;
        cairo_matrix_transform_point(&m_stage, &c.x, &c.y);
        c.visible = std::isfinite(c.x) && std::isfinite(c.y) && std::abs(c.x) < 1e7 && std::abs(c.y) < 1e7;
        return c;
    };
    const double width = bounds.xMax - bounds.xMin, height = bounds.yMax - bounds.yMin;
    std::vector<Corner> grid(size_t((Cells + 1) * (Cells + 1)));
    auto at = [&](int i, int j) -> Corner& { return grid[size_t(j * (Cells + 1) + i)]; };
    DeviceBox box{1e300, 1e300, -1e300, -1e300};
    for (int j = 0; j <= Cells; ++j) {
        for (int i = 0; i <= Cells; ++i) {
            Corner& c = at(i, j) = project(bounds.xMin + width * i / Cells, bounds.yMin + height * j / Cells);
            if (c.visible) {
                box = {std::min(box.xMin, c.x), std::min(box.yMin, c.y), std::max(box.xMax, c.x),
                       std::max(box.yMax, c.y)};
            }
        }
    }
    if (box.xMin > box.xMax || !m_painter.touchesClip(box))
        return;
    // Layer pixels per twip: as fine as the densest part of the projection.
    double scale = 0;
    for (int j = 0; j <= Cells; ++j) {
        for (int i = 0; i < Cells; ++i) {
            const Corner &a = at(i, j), &b = at(i + 1, j), &c = at(j, i), &d = at(j, i + 1);
            if (a.visible && b.visible && width > 0)
                scale = std::max(scale, std::hypot(b.x - a.x, b.y - a.y) / (width / Cells));
            if (c.visible && d.visible && height > 0)
                scale = std::max(scale, std::hypot(d.x - c.x, d.y - c.y) / (height / Cells));
        }
    }
    scale = std::min({scale, MaxSide / std::max(width, 1.0), MaxSide / std::max(height, 1.0)});
    if (width * height * scale * scale > double(MaxLayerPixels))
        scale = std::sqrt(double(MaxLayerPixels) / (width * height));
    if (!(scale > 0))
        return;
    const PixelRect area{0, 0, int32_t(std::ceil(width * scale)) + 2, int32_t(std::ceil(height * scale)) + 2};
    Frame flat = frame;
    flat.matrix = {scale, 0, 0, scale, 1 - bounds.xMin * scale, 1 - bounds.yMin * scale};
    cairo_surface_t* layer = renderLayer(object, flat, nullptr, area);
    if (!layer)
        return;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(layer);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_save(m_cr);
    cairo_identity_matrix(m_cr);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    auto layerPoint = [&](int i, int j) {
        return swf::Point{1 + width * i / Cells * scale, 1 + height * j / Cells * scale};
    };
    for (int j = 0; j < Cells; ++j) {
        for (int i = 0; i < Cells; ++i) {
            const int corners[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}}, {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
            for (const auto& triangle : corners) {
                std::array<Corner, 3> device;
                std::array<swf::Point, 3> source;
                bool shown = true;
                for (int k = 0; k < 3; ++k) {
                    device[size_t(k)] = at(triangle[k][0], triangle[k][1]);
                    source[size_t(k)] = layerPoint(triangle[k][0], triangle[k][1]);
                    shown = shown && device[size_t(k)].visible;
                }
                const auto map = shown ? mapping(device, source) : std::nullopt;
                if (!map)
                    continue;
                cairo_pattern_set_matrix(pattern, &*map);
                cairo_set_source(m_cr, pattern);
                cairo_new_path(m_cr);
                cairo_move_to(m_cr, device[0].x, device[0].y);
                cairo_line_to(m_cr, device[1].x, device[1].y);
                cairo_line_to(m_cr, device[2].x, device[2].y);
                cairo_close_path(m_cr);
                cairo_fill(m_cr);
            }
        }
    }
    cairo_restore(m_cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(layer);
}

}  // namespace render
