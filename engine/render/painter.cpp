#include "render/painter.h"

#include "render/paint_source.h"
#include "render/text_painter.h"

#include "text/device_fonts.h"

#include "model/transform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace render {

namespace {

// cairo keeps device coordinates in 24.8 fixed point; geometry beyond this
// would wrap around, so objects reaching that far are not drawn.
constexpr double DeviceLimit = 4194304.0;
constexpr double TwipsPerPixel = 20.0;

cairo_matrix_t multiply(const cairo_matrix_t& outer, const cairo_matrix_t& inner) {
    cairo_matrix_t out;
    cairo_matrix_multiply(&out, &inner, &outer);  // cairo applies its first argument first
    return out;
}

cairo_line_cap_t capFor(swf::CapStyle cap) {
    switch (cap) {
    case swf::CapStyle::Round:
        return CAIRO_LINE_CAP_ROUND;
    case swf::CapStyle::None:
        return CAIRO_LINE_CAP_BUTT;
    case swf::CapStyle::Square:
        return CAIRO_LINE_CAP_SQUARE;
    }
    return CAIRO_LINE_CAP_ROUND;
}

cairo_line_join_t joinFor(swf::JoinStyle join) {
    switch (join) {
    case swf::JoinStyle::Round:
        return CAIRO_LINE_JOIN_ROUND;
    case swf::JoinStyle::Bevel:
        return CAIRO_LINE_JOIN_BEVEL;
    case swf::JoinStyle::Miter:
        return CAIRO_LINE_JOIN_MITER;
    }
    return CAIRO_LINE_JOIN_ROUND;
}

// Moves the current path's points onto the pixel grid: pixel centres for a
// line of odd width, pixel edges for an even one, so a hinted line covers
// whole pixels instead of smearing over two half-covered rows.
void snapPathToPixels(cairo_t* cr, double deviceWidth) {
    const bool odd = std::fmod(deviceWidth, 2.0) == 1.0;
    auto snap = [odd](double v) { return odd ? std::floor(v) + 0.5 : std::round(v); };
    cairo_identity_matrix(cr);
    cairo_path_t* path = cairo_copy_path(cr);
    if (!path || path->status != CAIRO_STATUS_SUCCESS) {
        cairo_path_destroy(path);
        return;
    }
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        cairo_path_data_t* d = &path->data[i];
        for (int k = 1; k < d->header.length; ++k) {
            d[k].point.x = snap(d[k].point.x);
            d[k].point.y = snap(d[k].point.y);
        }
    }
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

PaintSource coverageSource() { return {PaintSource::Kind::Solid, swf::Rgba{0, 0, 0, 255}, nullptr}; }

// One of the three pieces of a slice axis: v -> scale * v + offset over
// [from, to] of the mapped content (infinite at the outer ends).
struct SlicePiece {
    double scale = 1.0;
    double offset = 0.0;
    double from = 0.0;
    double to = 0.0;
};

std::array<SlicePiece, 3> slicePieces(const model::SliceAxis& a) {
    const double inf = std::numeric_limits<double>::infinity();
    const double middle = (a.toMax - a.toMin) / (a.gridMax - a.gridMin);
    return {SlicePiece{a.outerMin, a.toMin - a.gridMin * a.outerMin, -inf, a.toMin},
            SlicePiece{middle, a.toMin - a.gridMin * middle, a.toMin, a.toMax},
            SlicePiece{a.outerMax, a.toMax - a.gridMax * a.outerMax, a.toMax, inf}};
}

// A piece's span in whole device pixels along an axis with scale `scale`
// and offset `offset`: whole pixels so that neighbouring cells meet without
// an antialiased seam.
std::pair<double, double> deviceSpan(const SlicePiece& piece, double scale, double offset) {
    constexpr double Far = DeviceLimit / 2;  // a width of twice this still fits cairo's fixed point
    auto at = [&](double v) {
        return std::isfinite(v)         ? std::round(std::clamp(scale * v + offset, -Far, Far))
               : (v > 0) == (scale > 0) ? Far
                                        : -Far;
    };
    const double a = at(piece.from);
    const double b = at(piece.to);
    return {std::min(a, b), std::max(a, b)};
}

}  // namespace

std::optional<DeviceBox> deviceBox(const swf::Bounds& bounds, const cairo_matrix_t& m) {
    if (bounds.empty)
        return std::nullopt;
    const double xs[2] = {bounds.xMin, bounds.xMax};
    const double ys[2] = {bounds.yMin, bounds.yMax};
    DeviceBox box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (double x : xs) {
        for (double y : ys) {
            double dx = x;
            double dy = y;
            cairo_matrix_transform_point(&m, &dx, &dy);
            box.xMin = std::min(box.xMin, dx);
            box.yMin = std::min(box.yMin, dy);
            box.xMax = std::max(box.xMax, dx);
            box.yMax = std::max(box.yMax, dy);
        }
    }
    if (!std::isfinite(box.xMin) || !std::isfinite(box.yMin) || !std::isfinite(box.xMax) || !std::isfinite(box.yMax))
        return std::nullopt;
    return box;
}

bool isDrawableMatrix(const cairo_matrix_t& m) {
    const double det = m.xx * m.yy - m.yx * m.xy;
    return std::isfinite(det) && std::fabs(det) > 1e-14 && std::isfinite(m.x0) && std::isfinite(m.y0);
}

Painter::Painter(const Canvas& canvas, model::GeometryCache& geometry, PaintCache& paints, PaintCacheSet* loaded)
    : m_cr(canvas.context()),
      m_geometry(&geometry),
      m_paints(&paints),
      m_stagePaints(&paints),
      m_loaded(loaded ? loaded : &m_ownLoaded),
      m_quality(canvas.quality()),
      m_stageScale(canvas.mapping().scale),
      m_clip(canvas.clip()),
      m_clipBox(canvas.clipBox()) {}

Painter::Painter(cairo_t* cr, std::vector<PixelRect> clip, PixelRect clipBox, Quality quality, double stageScale,
                 model::GeometryCache& geometry, PaintCache& paints, PaintCacheSet* loaded)
    : m_cr(cr),
      m_geometry(&geometry),
      m_paints(&paints),
      m_stagePaints(&paints),
      m_loaded(loaded ? loaded : &m_ownLoaded),
      m_quality(quality),
      m_stageScale(stageScale),
      m_clip(std::move(clip)),
      m_clipBox(clipBox) {}

Painter::Library Painter::use(const model::DisplayObject& object) {
    const Library previous{m_geometry, m_paints};
    const auto& movie = object.library();
    m_geometry = &object.geometry();
    if (movie == m_stagePaints->moviePointer()) {
        m_paints = m_stagePaints;
    } else {
        auto& cache = (*m_loaded)[movie.get()];
        if (!cache)
            cache = std::make_unique<PaintCache>(movie);
        m_paints = cache.get();
    }
    return previous;
}

void Painter::restore(Library previous) {
    m_geometry = previous.geometry;
    m_paints = previous.paints;
}

Painter::Destination Painter::redirect(Destination to) {
    Destination previous{m_cr, std::move(m_clip), m_clipBox};
    m_cr = to.cr;
    m_clip = std::move(to.clip);
    m_clipBox = to.clipBox;
    return previous;
}

bool Painter::touchesClip(const DeviceBox& box) const {
    if (std::max({std::fabs(box.xMin), std::fabs(box.xMax), std::fabs(box.yMin), std::fabs(box.yMax)}) > DeviceLimit)
        return false;
    if (box.xMax < m_clipBox.left || box.xMin > m_clipBox.right || box.yMax < m_clipBox.top ||
        box.yMin > m_clipBox.bottom)
        return false;
    // A pixel's coverage can reach one pixel past the box through antialiasing.
    for (const PixelRect& r : m_clip) {
        if (box.xMax >= r.left - 1 && box.xMin <= r.right + 1 && box.yMax >= r.top - 1 && box.yMin <= r.bottom + 1)
            return true;
    }
    return false;
}

std::optional<swf::Bounds> Painter::bounds(uint16_t id, uint16_t ratio) {
    const swf::Dictionary& dict = m_geometry->movie().characters;
    switch (dict.kindOf(id).value_or(swf::CharacterKind::Font)) {
    case swf::CharacterKind::Shape: {
        auto entry = m_geometry->cachedShape(id);
        return entry && !entry->geometry.bounds.empty ? std::optional(entry->geometry.bounds) : std::nullopt;
    }
    case swf::CharacterKind::MorphShape: {
        auto entry = m_geometry->morph(id, ratio);
        return entry && !entry->geometry.bounds.empty ? std::optional(entry->geometry.bounds) : std::nullopt;
    }
    case swf::CharacterKind::Bitmap: {
        const auto* bitmap = dict.find<swf::Bitmap>(id);
        if (!bitmap->ok())
            return std::nullopt;
        swf::Bounds b;
        b.add(swf::Point{0.0, 0.0});
        b.add(swf::Point{bitmap->width * TwipsPerPixel, bitmap->height * TwipsPerPixel});
        return b;
    }
    case swf::CharacterKind::Text: {
        const auto* text = dict.find<swf::Text>(id);
        if (text->bounds.isEmpty())
            return std::nullopt;
        // Files disagree on whether the bounds are taken before or after the
        // text matrix; for culling, the box around both is safe.
        swf::Bounds b;
        b.add(swf::Point{double(text->bounds.xMin), double(text->bounds.yMin)});
        b.add(swf::Point{double(text->bounds.xMax), double(text->bounds.yMax)});
        const swf::Matrix& m = text->matrix;
        for (double x : {double(text->bounds.xMin), double(text->bounds.xMax)}) {
            for (double y : {double(text->bounds.yMin), double(text->bounds.yMax)})
                b.add(swf::Point{m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty});
        }
        return b;
    }
    case swf::CharacterKind::EditText: {
        const auto* edit = dict.find<swf::EditText>(id);
        if (edit->bounds.isEmpty())
            return std::nullopt;
        swf::Bounds b;
        b.add(swf::Point{double(edit->bounds.xMin), double(edit->bounds.yMin)});
        b.add(swf::Point{double(edit->bounds.xMax), double(edit->bounds.yMax)});
        return b;
    }
    default:
        return std::nullopt;
    }
}

void Painter::drawShape(uint16_t id, const PaintState& state) {
    // The entry owns the paths: it is held while they are drawn.
    if (const auto entry = m_geometry->cachedShape(id))
        drawPaths(pathsOf(*entry), {entry->shape, id, false, 0, nullptr}, entry->geometry.bounds, state);
}

void Painter::drawMorph(uint16_t id, uint16_t ratio, const PaintState& state, const model::MorphedShape* blended) {
    std::shared_ptr<const model::MorphedShape> held;
    if (blended == nullptr) {
        held = m_geometry->morph(id, ratio);
        blended = held.get();
    }
    if (blended != nullptr)
        drawPaths(pathsOf(*blended), {&blended->shape, id, true, ratio, nullptr}, blended->geometry.bounds, state);
}

namespace {

cairo_matrix_t snapToPixels(cairo_matrix_t m, model::PixelSnapping snapping) {
    if (snapping == model::PixelSnapping::Never)
        return m;
    if (snapping == model::PixelSnapping::Auto) {
        // Only a bitmap shown pixel for device pixel: a scale within 0.1% of
        // one, no rotation or skew.
        constexpr double Tolerance = 0.001;
        const double sx = m.xx * TwipsPerPixel;
        const double sy = m.yy * TwipsPerPixel;
        if (std::abs(m.yx) * TwipsPerPixel > 1e-9 || std::abs(m.xy) * TwipsPerPixel > 1e-9 ||
            std::abs(sx - 1.0) > Tolerance || std::abs(sy - 1.0) > Tolerance)
            return m;
        m.xx = m.yy = 1.0 / TwipsPerPixel;
    }
    if (std::isfinite(m.x0) && std::isfinite(m.y0)) {
        m.x0 = std::round(m.x0);
        m.y0 = std::round(m.y0);
    }
    return m;
}

}  // namespace

void Painter::drawDrawing(const model::Drawing& drawing, const PaintState& state) {
    if (drawing.empty())
        return;
    if (drawing.pixelSnapping() != model::PixelSnapping::Never && !state.sliced) {
        PaintState snapped = state;
        snapped.matrix = snapToPixels(state.matrix, drawing.pixelSnapping());
        drawPaths(pathsOf(drawing), {&drawing.styles(), 0, false, 0, &drawing}, drawing.geometry().bounds, snapped);
        return;
    }
    drawPaths(pathsOf(drawing), {&drawing.styles(), 0, false, 0, &drawing}, drawing.geometry().bounds, state);
}

PaintSource Painter::fillSource(const StyleSource& source, const swf::FillStyle& style, bool lineFill, uint32_t index,
                                const ColorTransform& cx) {
    if (source.drawing)
        return makeDrawingSource(style, cx, m_quality,
                                 lineFill ? source.drawing->lineBitmapOf(index) : source.drawing->bitmapOf(index));
    return makeSource(*m_paints, style, cx, m_quality,
                      GradientKey{source.id, source.ratio, source.morph, lineFill, index, cx});
}

void Painter::drawPaths(const ShapePaths& paths, const StyleSource& source, const swf::Bounds& bounds,
                        const PaintState& state) {
    const swf::Shape& styles = *source.styles;
    if (paths.parts.empty() || !isDrawableMatrix(state.matrix) || (!state.coverageOnly && state.cx.hidesEverything()))
        return;
    std::optional<DeviceBox> box;
    if (state.sliced) {
        // The map keeps each axis in order, so the mapped corners box the shape.
        const SlicedPlacement& s = *state.sliced;
        const swf::Bounds placed = model::transformBounds(s.inner, bounds);
        swf::Bounds mapped;
        if (!placed.empty) {
            mapped.add(s.map.map({placed.xMin, placed.yMin}));
            mapped.add(s.map.map({placed.xMax, placed.yMax}));
        }
        if (!isDrawableMatrix(s.outer))
            return;
        box = deviceBox(mapped, s.outer);
    } else {
        box = deviceBox(bounds, state.matrix);
    }
    if (!box || !touchesClip(*box))
        return;

    cairo_t* cr = m_cr;
    cairo_save(cr);
    for (const ShapePaths::Part& part : paths.parts) {
        if (part.kind == swf::PaintKind::Stroke) {
            stroke(source, part, state);
            continue;
        }
        if (part.style >= styles.fillStyles.size())
            continue;
        const swf::FillStyle& style = styles.fillStyles[part.style];
        cairo_set_fill_rule(
            cr, paths.nonZeroWinding || part.nonZeroWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        cairo_new_path(cr);
        appendPath(part.path, state);
        if (state.coverageOnly) {
            coverageSource().apply(cr);
            cairo_fill(cr);
            continue;
        }
        const bool bitmapFill =
            style.kind == swf::FillKind::RepeatingBitmap || style.kind == swf::FillKind::ClippedBitmap;
        if (bitmapFill && state.cx.isAlphaOnly() && state.cx.mult[3] < 1.0) {
            // Scaling alpha needs no transformed copy of the bitmap.
            if (fillSource(source, style, false, part.style, ColorTransform{}).apply(cr)) {
                cairo_save(cr);
                cairo_clip(cr);
                cairo_paint_with_alpha(cr, state.cx.mult[3]);
                cairo_restore(cr);
            }
            continue;
        }
        if (state.sliced && style.kind != swf::FillKind::Solid) {
            paintSliced(
                *state.sliced, [&] { return fillSource(source, style, false, part.style, state.cx); },
                [cr] { cairo_fill(cr); });
            continue;
        }
        if (fillSource(source, style, false, part.style, state.cx).apply(cr))
            cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

void Painter::paintSliced(const SlicedPlacement& s, const std::function<PaintSource()>& source,
                          const std::function<void()>& paint) {
    // Gradients and bitmaps are cut with the shape: in each of the nine
    // cells the pattern takes that cell's stretch, so a corner's gradient
    // keeps its size while an edge's is drawn out along it.
    cairo_t* cr = m_cr;
    const cairo_matrix_t& outer = s.outer;
    if (outer.yx != 0.0 || outer.xy != 0.0) {
        if (source().apply(cr))
            paint();
        return;
    }
    // Paths live in device space: the shape is kept once and laid again in
    // each cell after the cell's clip, its pattern locked to the cell.
    cairo_identity_matrix(cr);
    cairo_path_t* shape = cairo_copy_path(cr);
    cairo_matrix_t inner;
    cairo_matrix_init(&inner, s.inner.a, s.inner.b, s.inner.c, s.inner.d, s.inner.tx, s.inner.ty);
    for (const SlicePiece& px : slicePieces(s.map.x)) {
        const auto [x0, x1] = deviceSpan(px, outer.xx, outer.x0);
        if (x1 <= x0)
            continue;
        for (const SlicePiece& py : slicePieces(s.map.y)) {
            const auto [y0, y1] = deviceSpan(py, outer.yy, outer.y0);
            if (y1 <= y0)
                continue;
            cairo_save(cr);
            cairo_matrix_t cell;
            cairo_matrix_init(&cell, px.scale, 0.0, 0.0, py.scale, px.offset, py.offset);
            const cairo_matrix_t pattern = multiply(outer, multiply(cell, inner));
            cairo_set_matrix(cr, &pattern);
            if (isDrawableMatrix(pattern) && source().apply(cr)) {
                cairo_identity_matrix(cr);
                cairo_new_path(cr);
                cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
                cairo_clip(cr);
                cairo_append_path(cr, shape);
                paint();
            }
            cairo_restore(cr);
        }
    }
    cairo_path_destroy(shape);
    cairo_new_path(cr);
}

void Painter::appendPath(const PathData& path, const PaintState& state) {
    if (const SlicedPlacement* s = state.sliced) {
        cairo_set_matrix(m_cr, &s->outer);
        path.appendTo(m_cr, [s](swf::Point p) { return s->map.map(model::apply(s->inner, p)); });
    } else {
        cairo_set_matrix(m_cr, &state.matrix);
        path.appendTo(m_cr);
    }
    cairo_set_matrix(m_cr, &state.matrix);
}

void Painter::stroke(const StyleSource& styleSource, const ShapePaths::Part& part, const PaintState& state) {
    const swf::Shape& styles = *styleSource.styles;
    if (part.style >= styles.lineStyles.size())
        return;
    const swf::LineStyle& style = styles.lineStyles[part.style];
    cairo_t* cr = m_cr;
    cairo_new_path(cr);
    appendPath(part.path, state);

    auto makeSource = [&] {
        if (state.coverageOnly)
            return coverageSource();
        if (style.hasFill)
            return fillSource(styleSource, style.fill, true, part.style, state.cx);
        return solidSource(style.color, state.cx);
    };
    cairo_set_line_cap(cr, capFor(style.startCap));
    cairo_set_line_join(cr, joinFor(style.join));
    cairo_set_miter_limit(cr, std::max(1.0, style.miterLimit));

    const cairo_matrix_t& m = state.matrix;
    const double scaleX = std::hypot(m.xx, m.yx);
    const double scaleY = std::hypot(m.xy, m.yy);
    const double width = style.width;
    // The width in device pixels, or none when the stroke follows the matrix.
    std::optional<double> deviceWidth;
    if (const SlicedPlacement* s = state.sliced; s && !style.noHScale && !style.noVScale) {
        // In a sliced clip a stroke keeps the width the corners are shown
        // at, however the clip stretches.
        const double cornerX = std::hypot(s->outer.xx, s->outer.yx) * std::min(s->map.x.outerMin, s->map.x.outerMax);
        const double cornerY = std::hypot(s->outer.xy, s->outer.yy) * std::min(s->map.y.outerMin, s->map.y.outerMax);
        deviceWidth = std::max(1.0, width * std::sqrt(cornerX * cornerY));
    } else if (!style.noHScale && !style.noVScale) {
        // A scaled stroke follows the matrix, squashed pens included, unless
        // it would come out thinner than a pixel.
        if (width * std::sqrt(std::fabs(m.xx * m.yy - m.yx * m.xy)) < 1.0)
            deviceWidth = 1.0;
    } else {
        // Non-scaling strokes keep their width against the object's scale
        // (on the axis they name), but follow the stage's.
        double factor = m_stageScale;
        if (style.noHScale && !style.noVScale)
            factor = scaleY;
        else if (style.noVScale && !style.noHScale)
            factor = scaleX;
        deviceWidth = std::max(1.0, width * factor);
    }
    if (style.pixelHinting && !state.sliced) {
        // Hinted lines take a whole number of pixels, drawn on the grid.
        const double shown = deviceWidth.value_or(width * std::sqrt(std::fabs(m.xx * m.yy - m.yx * m.xy)));
        deviceWidth = std::clamp(std::round(shown), 1.0, DeviceLimit);
        snapPathToPixels(cr, *deviceWidth);
        cairo_set_matrix(cr, &m);  // gradient and bitmap strokes lock to the shape's space
    }
    auto paint = [&] {
        if (deviceWidth) {
            cairo_identity_matrix(cr);
            cairo_set_line_width(cr, *deviceWidth);
        } else {
            cairo_set_matrix(cr, &m);
            cairo_set_line_width(cr, width);
        }
        cairo_stroke(cr);
    };
    // A gradient or bitmap stroke in a sliced clip is cut by the grid as fills are.
    if (state.sliced && style.hasFill && style.fill.kind != swf::FillKind::Solid && !state.coverageOnly) {
        paintSliced(*state.sliced, makeSource, paint);
        return;
    }
    // Patterns lock to the user space in force when they become the source.
    if (makeSource().apply(cr))
        paint();
}

void Painter::drawBitmap(uint16_t id, const PaintState& state, bool smoothed) {
    if (!isDrawableMatrix(state.matrix) || (!state.coverageOnly && state.cx.hidesEverything()))
        return;
    const auto b = bounds(id);
    if (!b)
        return;
    // Directly in a sliced clip the picture's corners go where the grid
    // puts them, as a shape's would.
    const SlicedPlacement* sliced = state.sliced && isDrawableMatrix(state.sliced->outer) ? state.sliced : nullptr;
    std::array<swf::Point, 4> corners{swf::Point{0.0, 0.0}, swf::Point{b->xMax, 0.0}, swf::Point{b->xMax, b->yMax},
                                      swf::Point{0.0, b->yMax}};
    swf::Bounds area;
    if (sliced) {
        for (swf::Point& p : corners) {
            p = sliced->map.map(model::apply(sliced->inner, p));
            area.add(p);
        }
    }
    const auto box = sliced ? deviceBox(area, sliced->outer) : deviceBox(*b, state.matrix);
    if (!box || !touchesClip(*box))
        return;

    cairo_t* cr = m_cr;
    cairo_save(cr);
    cairo_new_path(cr);
    if (sliced) {
        cairo_set_matrix(cr, &sliced->outer);
        cairo_move_to(cr, corners[0].x, corners[0].y);
        for (size_t k = 1; k < corners.size(); ++k)
            cairo_line_to(cr, corners[k].x, corners[k].y);
        cairo_close_path(cr);
    } else {
        cairo_set_matrix(cr, &state.matrix);
        cairo_rectangle(cr, 0.0, 0.0, b->xMax, b->yMax);
    }
    if (state.coverageOnly) {
        coverageSource().apply(cr);
        cairo_fill(cr);
        cairo_restore(cr);
        return;
    }
    swf::FillStyle style;
    style.kind = swf::FillKind::ClippedBitmap;
    style.bitmapId = id;
    style.smoothed = smoothed;
    style.matrix = {TwipsPerPixel, 0.0, 0.0, TwipsPerPixel, 0.0, 0.0};
    if (sliced) {
        paintSliced(
            *sliced, [&] { return makeSource(*m_paints, style, state.cx, m_quality, {}); }, [cr] { cairo_fill(cr); });
        cairo_restore(cr);
        return;
    }
    cairo_set_matrix(cr, &state.matrix);
    const bool alphaOnly = state.cx.isAlphaOnly();
    const PaintSource source = makeSource(*m_paints, style, alphaOnly ? ColorTransform{} : state.cx, m_quality, {});
    if (source.apply(cr)) {
        if (alphaOnly && state.cx.mult[3] < 1.0) {
            cairo_clip(cr);
            cairo_paint_with_alpha(cr, state.cx.mult[3]);
        } else {
            cairo_fill(cr);
        }
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

void Painter::drawVideo(const model::VideoObject& video, const PaintState& state) {
    const swf::VideoStream& stream = video.stream();
    if (stream.width == 0 || stream.height == 0 || !isDrawableMatrix(state.matrix) ||
        (!state.coverageOnly && state.cx.hidesEverything()))
        return;
    swf::Bounds area;
    area.add(swf::Point{0.0, 0.0});
    area.add(swf::Point{stream.width * TwipsPerPixel, stream.height * TwipsPerPixel});
    const auto box = deviceBox(area, state.matrix);
    if (!box || !touchesClip(*box))
        return;
    cairo_t* cr = m_cr;
    cairo_save(cr);
    cairo_set_matrix(cr, &state.matrix);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0.0, 0.0, area.xMax, area.yMax);
    if (state.coverageOnly) {
        coverageSource().apply(cr);
        cairo_fill(cr);
        cairo_restore(cr);
        return;
    }
    auto picture = video.feed()
                       ? m_paints->videos().feedPicture(video.id(), *video.feed(), video.clearedAt())
                       : m_paints->videos().picture(video.id(), stream, video.videoFrame(), video.deblocking());
    if (picture && !state.cx.isAlphaOnly())
        picture = VideoFrames::transformed(picture, state.cx);
    if (!picture) {
        cairo_new_path(cr);
        cairo_restore(cr);
        return;
    }
    // The picture fills the stream's area whatever size the codec gave it.
    const int width = cairo_image_surface_get_width(picture.get());
    const int height = cairo_image_surface_get_height(picture.get());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(picture.get());
    cairo_matrix_t toPicture;
    cairo_matrix_init_scale(&toPicture, width / area.xMax, height / area.yMax);
    cairo_pattern_set_matrix(pattern, &toPicture);
    cairo_pattern_set_filter(pattern,
                             video.smoothing() && m_quality != Quality::Low ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
    // Alpha-only transforms paint with alpha; others were applied to the pixels.
    if (state.cx.isAlphaOnly() && state.cx.mult[3] < 1.0) {
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, std::max(0.0, state.cx.mult[3]));
    } else {
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

void Painter::drawTextSelection(const model::StaticTextObject& text, const PaintState& state) {
    if (state.coverageOnly || !text.hasSelection() || !isDrawableMatrix(state.matrix))
        return;
    cairo_t* cr = m_cr;
    cairo_save(cr);
    cairo_set_matrix(cr, &state.matrix);
    for (size_t i = 0; i < text.characters().size(); ++i) {
        const swf::Bounds box = text.characterBox(i);
        if (text.isSelected(i) && !box.empty)
            cairo_rectangle(cr, box.xMin, box.yMin, box.xMax - box.xMin, box.yMax - box.yMin);
    }
    cairo_identity_matrix(cr);
    const uint32_t rgb = text.selectColor();
    if (solidSource({uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255}, state.cx).apply(cr))
        cairo_fill(cr);
    cairo_new_path(cr);
    cairo_restore(cr);
}

void Painter::drawStaticText(uint16_t id, const PaintState& state, const text::TextRendererSettings* tables) {
    const swf::Movie& movie = m_geometry->movie();
    const swf::Dictionary& dict = movie.characters;
    const auto* text = dict.find<swf::Text>(id);
    if (text == nullptr || !isDrawableMatrix(state.matrix) || (!state.coverageOnly && state.cx.hidesEverything()))
        return;
    if (const auto b = bounds(id)) {
        const auto box = deviceBox(*b, state.matrix);
        if (!box || !touchesClip(*box))
            return;
    }
    const swf::Matrix& tm = text->matrix;
    const cairo_matrix_t textMatrix{tm.a, tm.b, tm.c, tm.d, tm.tx, tm.ty};
    const cairo_matrix_t base = multiply(state.matrix, textMatrix);

    // The authoring tool's anti-aliasing for this text, when it gave one.
    text::GlyphRendering rendering;
    if (const auto it = movie.textSettings.find(id); it != movie.textSettings.end())
        rendering = text::glyphRenderingOf(it->second);

    cairo_t* cr = m_cr;
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    const swf::Font* font = nullptr;
    uint16_t fontId = 0;
    double height = 0.0;
    // A font without any outline is a device font: its glyphs come from the
    // system's face of that name by character code.
    std::shared_ptr<const text::Face> device;
    swf::Rgba color;
    double x = 0.0;
    double y = 0.0;
    for (const swf::TextRecord& record : text->records) {
        if (record.fontId) {
            fontId = *record.fontId;
            font = dict.find<swf::Font>(fontId);
            height = record.height.value_or(0);
            device.reset();
            if (font != nullptr && std::all_of(font->glyphs.begin(), font->glyphs.end(),
                                               [](const swf::Glyph& g) { return g.records.empty(); }))
                device = text::deviceFace(font->name, font->bold, font->italic);
        }
        if (record.color)
            color = *record.color;
        if (record.xOffset)
            x = *record.xOffset;
        if (record.yOffset)
            y = *record.yOffset;
        // One fill per record: every glyph is appended under its own matrix.
        cairo_new_path(cr);
        bool any = false;
        for (const swf::GlyphEntry& g : record.glyphs) {
            if (font != nullptr && height > 0.0) {
                const auto glyph = m_geometry->glyph(fontId, g.index);
                const PathData* path = glyph ? &pathOf(*glyph) : nullptr;
                if (path != nullptr && !path->isEmpty()) {
                    const double s = height / font->emSquare;
                    const cairo_matrix_t glyphMatrix{s, 0.0, 0.0, s, x, y};
                    const cairo_matrix_t m = fitGlyphOrigin(multiply(base, glyphMatrix), rendering);
                    if (isDrawableMatrix(m)) {
                        cairo_set_matrix(cr, &m);
                        path->appendTo(cr);
                        any = true;
                    }
                } else if (device && g.index < font->glyphs.size()) {
                    const cairo_matrix_t m =
                        fitGlyphOrigin(multiply(base, {height, 0.0, 0.0, height, x, y}), rendering);
                    any = appendDeviceGlyph(cr, *device, font->glyphs[g.index].code, m) || any;
                }
            }
            x += g.advance;
        }
        if (!any)
            continue;
        cairo_identity_matrix(cr);
        const PaintSource source = state.coverageOnly ? coverageSource() : solidSource(color, state.cx);
        if (source.apply(cr)) {
            const uint32_t rgb = uint32_t(color.r) << 16 | uint32_t(color.g) << 8 | color.b;
            fillGlyphs(cr, rendering, base,
                       font ? runCutoffs(tables, rendering, font->name, {font->bold, font->italic}, rgb, height, base)
                            : std::nullopt,
                       tables);
        }
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

}  // namespace render
