// Objects placed in 3D. The object is drawn flat into a layer at about the
// resolution it shows with; its box is cut into a grid of small triangles,
// each corner projected (its 4x4 matrix, the parent's placement, the
// stage's perspective), and every triangle takes its part of the layer
// through the affine map of its three corners. Small triangles keep the
// error of mapping a projective image affinely below a pixel for boxes of
// a stage's size. Triangles are filled without antialiasing, so neighbours
// meet without seams (the outline is not smoothed). A part nearer than the
// near depth is cut off. Filters and blend modes
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
        const auto shown = model::perspective(place, {px, py}, z);
        if (!shown)
            return c;
        c.x = shown->x;
        c.y = shown->y;
        cairo_matrix_transform_point(&m_stage, &c.x, &c.y);
        c.visible = std::isfinite(c.x) && std::isfinite(c.y) && std::abs(c.x) < 1e7 && std::abs(c.y) < 1e7;
        return c;
    };
    const double width = bounds.xMax - bounds.xMin, height = bounds.yMax - bounds.yMin;
    std::vector<Corner> grid(size_t((Cells + 1) * (Cells + 1)));
    auto at = [&](int i, int j) -> Corner& { return grid[size_t(j * (Cells + 1) + i)]; };
    auto localPoint = [&](int i, int j) {
        return swf::Point{bounds.xMin + width * i / Cells, bounds.yMin + height * j / Cells};
    };
    for (int j = 0; j <= Cells; ++j) {
        for (int i = 0; i <= Cells; ++i) {
            const swf::Point p = localPoint(i, j);
            at(i, j) = project(p.x, p.y);
        }
    }
    // Triangles of the grid, local points (twips) and where they show. One
    // with a corner nearer than the near depth is cut there and fanned out.
    struct Piece {
        std::array<Corner, 3> device;
        std::array<swf::Point, 3> local;
    };
    std::vector<Piece> pieces;
    pieces.reserve(size_t(Cells * Cells * 2));
    DeviceBox box{1e300, 1e300, -1e300, -1e300};
    auto addPiece = [&](const Piece& piece) {
        for (const Corner& c : piece.device) {
            if (!c.visible)
                return;
        }
        for (const Corner& c : piece.device)
            box = {std::min(box.xMin, c.x), std::min(box.yMin, c.y), std::max(box.xMax, c.x), std::max(box.yMax, c.y)};
        pieces.push_back(piece);
    };
    for (int j = 0; j < Cells; ++j) {
        for (int i = 0; i < Cells; ++i) {
            const int corners[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}}, {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
            for (const auto& triangle : corners) {
                Piece piece;
                bool whole = true;
                for (size_t k = 0; k < 3; ++k) {
                    piece.device[k] = at(triangle[k][0], triangle[k][1]);
                    piece.local[k] = localPoint(triangle[k][0], triangle[k][1]);
                    whole = whole && piece.device[k].visible;
                }
                if (whole) {
                    addPiece(piece);
                    continue;
                }
                std::vector<swf::Point> polygon;
                for (const swf::Point p : piece.local)
                    polygon.push_back({p.x / 20, p.y / 20});
                polygon = model::clipToNear(place, m, polygon);
                for (size_t k = 1; k + 1 < polygon.size(); ++k) {
                    Piece cut;
                    const swf::Point fan[3] = {polygon[0], polygon[k], polygon[k + 1]};
                    for (size_t n = 0; n < 3; ++n) {
                        cut.local[n] = {fan[n].x * 20, fan[n].y * 20};
                        cut.device[n] = project(cut.local[n].x, cut.local[n].y);
                    }
                    addPiece(cut);
                }
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
    for (const Piece& piece : pieces) {
        std::array<swf::Point, 3> source;
        for (size_t k = 0; k < 3; ++k)
            source[k] = {1 + (piece.local[k].x - bounds.xMin) * scale, 1 + (piece.local[k].y - bounds.yMin) * scale};
        const auto map = mapping(piece.device, source);
        if (!map)
            continue;
        cairo_pattern_set_matrix(pattern, &*map);
        cairo_set_source(m_cr, pattern);
        cairo_new_path(m_cr);
        cairo_move_to(m_cr, piece.device[0].x, piece.device[0].y);
        cairo_line_to(m_cr, piece.device[1].x, piece.device[1].y);
        cairo_line_to(m_cr, piece.device[2].x, piece.device[2].y);
        cairo_close_path(m_cr);
        cairo_fill(m_cr);
    }
    cairo_restore(m_cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(layer);
}

}  // namespace render
