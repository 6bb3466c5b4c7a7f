#include "render/text_painter.h"

#include "render/cairo_handles.h"
#include "render/paint_source.h"

#include "model/edit_text_object.h"
#include "swf/movie.h"
#include "text/device_fonts.h"
#include "text/embedded_face.h"
#include "text/stem_hinting.h"
#include "text/text_editing.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace render {

namespace {

swf::Rgba rgba(uint32_t rgb) { return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255}; }

cairo_matrix_t times(const cairo_matrix_t& inner, const cairo_matrix_t& outer) {
    cairo_matrix_t m;
    cairo_matrix_multiply(&m, &inner, &outer);
    return m;
}

void drawBox(cairo_t* cr, const model::FieldSettings& s, const PaintState& state) {
    const swf::Rect& r = s.bounds;
    cairo_set_matrix(cr, &state.matrix);
    cairo_rectangle(cr, r.xMin, r.yMin, double(r.width()), double(r.height()));
    if (s.background && solidSource(rgba(s.backgroundColor), state.cx).apply(cr))
        cairo_fill_preserve(cr);
    if (s.border && solidSource(rgba(s.borderColor), state.cx).apply(cr)) {
        cairo_identity_matrix(cr);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
}

// The device box of the current path within the clip, in whole pixels,
// grown by `margin` pixels each way; none when empty or unreasonably large.
std::optional<std::array<int, 4>> pathBox(cairo_t* cr, int margin) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double cx1 = 0, cy1 = 0, cx2 = 0, cy2 = 0;
    cairo_fill_extents(cr, &x1, &y1, &x2, &y2);
    cairo_clip_extents(cr, &cx1, &cy1, &cx2, &cy2);
    const double left = std::floor(std::max(x1 - margin, cx1));
    const double top = std::floor(std::max(y1, cy1));
    const double right = std::ceil(std::min(x2 + margin, cx2));
    const double bottom = std::ceil(std::min(y2, cy2));
    if (!(right > left && bottom > top) || right - left > 1 << 15 || bottom - top > 1 << 15)
        return std::nullopt;
    return std::array<int, 4>{int(left), int(top), int(right), int(bottom)};
}

using PathHandle = std::unique_ptr<cairo_path_t, decltype(&cairo_path_destroy)>;

// The coverage of `path` (device space) in an A8 surface of w x h pixels
// whose origin is at (left, top), `across` samples to a pixel horizontally.
SurfaceHandle coverageMask(cairo_t* cr, const cairo_path_t& path, int left, int top, int w, int h, int across) {
    SurfaceHandle mask(cairo_image_surface_create(CAIRO_FORMAT_A8, w * across, h));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS || path.status != CAIRO_STATUS_SUCCESS)
        return SurfaceHandle(nullptr);
    const ContextHandle m(cairo_create(mask.get()));
    cairo_scale(m.get(), across, 1.0);
    cairo_translate(m.get(), -left, -top);
    cairo_append_path(m.get(), &path);
    cairo_set_fill_rule(m.get(), CAIRO_FILL_RULE_WINDING);
    cairo_set_antialias(m.get(), cairo_get_antialias(cr));
    cairo_set_tolerance(m.get(), cairo_get_tolerance(cr));
    cairo_fill(m.get());
    cairo_surface_flush(mask.get());
    return mask;
}

// Fills the current path through a coverage curve: its coverage goes to a
// mask of its own, is reshaped there, and the source is painted through it.
void fillReshaped(cairo_t* cr, const text::CoverageCurve& curve) {
    cairo_identity_matrix(cr);
    const auto box = pathBox(cr, 0);
    if (!box) {
        cairo_new_path(cr);
        return;
    }
    const auto [left, top, right, bottom] = *box;
    const PathHandle path(cairo_copy_path(cr), cairo_path_destroy);
    cairo_new_path(cr);
    const SurfaceHandle mask = coverageMask(cr, *path, left, top, right - left, bottom - top, 1);
    if (!mask)
        return;
    unsigned char* data = cairo_image_surface_get_data(mask.get());
    const int stride = cairo_image_surface_get_stride(mask.get());
    for (int y = 0; y < bottom - top; ++y)
        for (unsigned char* p = data + y * stride; p < data + y * stride + (right - left); ++p)
            *p = curve[*p];
    cairo_surface_mark_dirty(mask.get());
    cairo_mask_surface(cr, mask.get(), left, top);
}

// Whether every pixel of the box (device space) on the surface drawn to is
// opaque: per-channel coverage has no alpha of its own to blend with.
bool opaqueUnder(cairo_t* cr, int left, int top, int right, int bottom) {
    cairo_surface_t* target = cairo_get_group_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE)
        return false;
    double sx = 1.0, sy = 1.0, dx = 0.0, dy = 0.0;
    cairo_surface_get_device_scale(target, &sx, &sy);
    cairo_surface_get_device_offset(target, &dx, &dy);
    if (sx != 1.0 || sy != 1.0 || dx != std::round(dx) || dy != std::round(dy))
        return false;
    const cairo_format_t format = cairo_image_surface_get_format(target);
    if (format == CAIRO_FORMAT_RGB24)
        return true;
    if (format != CAIRO_FORMAT_ARGB32)
        return false;
    cairo_surface_flush(target);
    const unsigned char* data = cairo_image_surface_get_data(target);
    const int stride = cairo_image_surface_get_stride(target);
    const int x0 = std::max(0, left + int(dx)), x1 = std::min(cairo_image_surface_get_width(target), right + int(dx));
    const int y0 = std::max(0, top + int(dy)), y1 = std::min(cairo_image_surface_get_height(target), bottom + int(dy));
    for (int y = y0; y < y1; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + ptrdiff_t(y) * stride);
        for (int x = x0; x < x1; ++x)
            if ((row[x] >> 24) != 0xFF)
                return false;
    }
    return true;
}

// Subpixel ("lcd") coverage: the path sampled at three times the width,
// spread by a light filter (1 2 3 2 1) so colour fringes stay faint, and
// red, green and blue each take the coverage of their own third of the
// pixel. Drawn as dest * (1 - coverage) + colour * coverage per channel,
// which needs an opaque destination and a solid colour; false (nothing
// drawn, the path kept) otherwise.
bool fillSubpixel(cairo_t* cr, const text::CoverageCurve& curve) {
    double red = 0, green = 0, blue = 0, alpha = 0;
    if (cairo_pattern_get_rgba(cairo_get_source(cr), &red, &green, &blue, &alpha) != CAIRO_STATUS_SUCCESS)
        return false;
    cairo_identity_matrix(cr);
    const auto box = pathBox(cr, 1);
    if (!box)
        return false;
    const auto [left, top, right, bottom] = *box;
    const int w = right - left;
    const int h = bottom - top;
    if (!opaqueUnder(cr, left, top, right, bottom))
        return false;
    const PathHandle path(cairo_copy_path(cr), cairo_path_destroy);
    const SurfaceHandle mask = coverageMask(cr, *path, left, top, w, h, 3);
    const SurfaceHandle keep(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
    const SurfaceHandle add(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (!mask || cairo_surface_status(keep.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(add.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    const unsigned char* samples = cairo_image_surface_get_data(mask.get());
    const int maskStride = cairo_image_surface_get_stride(mask.get());
    unsigned char* keepData = cairo_image_surface_get_data(keep.get());
    unsigned char* addData = cairo_image_surface_get_data(add.get());
    const int stride = cairo_image_surface_get_stride(keep.get());
    const double colour[3] = {red, green, blue};
    constexpr int Weights[5] = {1, 2, 3, 2, 1};
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = samples + ptrdiff_t(y) * maskStride;
        auto* keepRow = reinterpret_cast<uint32_t*>(keepData + ptrdiff_t(y) * stride);
        auto* addRow = reinterpret_cast<uint32_t*>(addData + ptrdiff_t(y) * stride);
        for (int x = 0; x < w; ++x) {
            uint32_t kept = 0xFF000000u;
            uint32_t added = 0;
            double most = 0.0;
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int k = -2; k <= 2; ++k) {
                    const int at = 3 * x + c + k;
                    if (at >= 0 && at < 3 * w)
                        sum += Weights[k + 2] * row[at];
                }
                const double cover = curve[size_t((sum + 4) / 9)] / 255.0 * alpha;
                most = std::max(most, cover);
                const int shift = 16 - 8 * c;
                kept |= uint32_t(std::lround((1.0 - cover) * 255.0)) << shift;
                added |= uint32_t(std::lround(colour[c] * cover * 255.0)) << shift;
            }
            keepRow[x] = kept;
            addRow[x] = added | uint32_t(std::lround(most * 255.0)) << 24;
        }
    }
    cairo_surface_mark_dirty(keep.get());
    cairo_surface_mark_dirty(add.get());
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_rectangle(cr, left, top, w, h);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, keep.get(), left, top);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    cairo_set_source_surface(cr, add.get(), left, top);
    cairo_paint(cr);
    cairo_restore(cr);
    return true;
}

// Moves the current path's stem edges onto the grid, in device pixels.
void hintStems(cairo_t* cr, text::GridFit fit) {
    cairo_identity_matrix(cr);
    std::unique_ptr<cairo_path_t, decltype(&cairo_path_destroy)> path(cairo_copy_path(cr), cairo_path_destroy);
    if (path->status != CAIRO_STATUS_SUCCESS || path->num_data == 0)
        return;
    std::vector<double> xs;
    std::vector<double> ys;
    double cx = 0.0, cy = 0.0, sx = 0.0, sy = 0.0;
    auto edgeTo = [&](double x, double y) {
        if (const auto e = text::stemEdgeOf(cx, cy, x, y))
            (e->vertical ? xs : ys).push_back(e->position);
        cx = x, cy = y;
    };
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* d = &path->data[i];
        switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
            cx = sx = d[1].point.x, cy = sy = d[1].point.y;
            break;
        case CAIRO_PATH_LINE_TO:
            edgeTo(d[1].point.x, d[1].point.y);
            break;
        case CAIRO_PATH_CURVE_TO:
            cx = d[3].point.x, cy = d[3].point.y;
            break;
        case CAIRO_PATH_CLOSE_PATH:
            edgeTo(sx, sy);
            break;
        }
    }
    if (xs.empty() && ys.empty())
        return;
    const text::AxisFit fitX(std::move(xs), fit == text::GridFit::Subpixel ? 3.0 : 1.0);
    const text::AxisFit fitY(std::move(ys), 1.0);
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        for (int k = 1; k < path->data[i].header.length; ++k) {
            cairo_path_data_t& p = path->data[i + k];
            p.point.x = fitX(p.point.x);
            p.point.y = fitY(p.point.y);
        }
    }
    cairo_new_path(cr);
    cairo_append_path(cr, path.get());
}

// Appends one glyph of `face` at (x, baseline) in field twips.
bool appendGlyph(Painter& painter, const text::Face& face, char32_t code, double size, double x, double baseline,
                 const cairo_matrix_t& field, const text::GlyphRendering& rendering = {}) {
    cairo_t* cr = painter.context();
    if (face.embedded()) {
        const auto& embedded = static_cast<const text::EmbeddedFace&>(face);
        const int32_t index = embedded.glyphIndex(code);
        if (index < 0)
            return false;
        const auto outline = painter.geometry().glyph(embedded.id(), uint32_t(index));
        if (!outline)
            return false;
        const PathData& path = pathOf(*outline);
        if (path.isEmpty())
            return false;
        const double scale = size / double(std::max<uint32_t>(1, embedded.font().emSquare));
        const cairo_matrix_t m = fitGlyphOrigin(times({scale, 0.0, 0.0, scale, x, baseline}, field), rendering);
        if (!isDrawableMatrix(m))
            return false;
        cairo_set_matrix(cr, &m);
        path.appendTo(cr);
        return true;
    }
    return appendDeviceGlyph(cr, face, code,
                             fitGlyphOrigin(times({size, 0.0, 0.0, size, x, baseline}, field), rendering));
}

// An image without a picture: a frame a pixel wide around its box.
void appendImageFrame(cairo_t* cr, const text::PlacedImage& image, const cairo_matrix_t& field) {
    const double left = image.x;
    const double top = image.y;
    const double w = image.width;
    const double h = image.height;
    if (w <= 0 || h <= 0)
        return;
    const double t = std::min({20.0, w / 2, h / 2});
    cairo_set_matrix(cr, &field);
    cairo_rectangle(cr, left, top, w, h);
    // The inner edge the other way round: the winding rule leaves it empty.
    cairo_move_to(cr, left + t, top + t);
    cairo_line_to(cr, left + t, top + h - t);
    cairo_line_to(cr, left + w - t, top + h - t);
    cairo_line_to(cr, left + w - t, top + t);
    cairo_close_path(cr);
}

// A focused field's caret: a line one device pixel wide, the height of its
// text line, in the colour of the text before it.
void drawCaret(cairo_t* cr, const model::EditTextObject& object, const PaintState& state, const cairo_matrix_t& field,
               size_t firstLine) {
    const text::TextLayout& layout = object.layout();
    const size_t caret = object.selection().caret;
    const auto place = text::caretPlace(layout, caret);
    if (!place || place->line < firstLine)
        return;
    const text::LaidLine& line = layout.lines[place->line];
    cairo_set_matrix(cr, &field);
    cairo_move_to(cr, place->x, line.top);
    cairo_line_to(cr, place->x, line.top + line.height);
    cairo_identity_matrix(cr);
    cairo_set_line_width(cr, 1.0);
    const uint32_t color = object.document().size() ? object.document().formatOf(caret, caret).color.value_or(0)
                                                    : object.newTextFormat().color.value_or(0);
    if (solidSource(rgba(color), state.cx).apply(cr))
        cairo_stroke(cr);
    cairo_new_path(cr);
}

// A floated image: the movie's exported bitmap of that linkage name drawn
// into its box, or an empty frame for a source that is neither a bitmap nor
// shown by a clip (clips are drawn as the field's children).
void drawImage(Painter& painter, const model::EditTextObject& object, const text::PlacedImage& placed,
               const PaintState& state, const cairo_matrix_t& field) {
    const text::InlineImage* image = object.document().imageAt(placed.index);
    if (!image || placed.width <= 0 || placed.height <= 0 || object.hasImageClip(placed.index))
        return;
    cairo_t* cr = painter.context();
    const swf::Movie& movie = *object.library();
    if (const auto id = model::imageCharacter(movie, image->src); id && movie.characters.find<swf::Bitmap>(*id)) {
        if (const auto b = painter.bounds(*id); b && b->xMax > 0 && b->yMax > 0) {
            PaintState picture = state;
            picture.sliced = nullptr;
            picture.matrix =
                times({placed.width / b->xMax, 0.0, 0.0, placed.height / b->yMax, placed.x, placed.y}, field);
            cairo_save(cr);
            painter.drawBitmap(*id, picture, true);
            cairo_restore(cr);
            return;
        }
    }
    cairo_new_path(cr);
    appendImageFrame(cr, placed, field);
    cairo_identity_matrix(cr);
    const uint32_t color = object.document().formatAt(placed.index).color.value_or(0);
    const PaintSource source = state.coverageOnly ? PaintSource{PaintSource::Kind::Solid, {0, 0, 0, 255}, nullptr}
                                                  : solidSource(rgba(color), state.cx);
    if (source.apply(cr))
        cairo_fill(cr);
    cairo_new_path(cr);
}

}  // namespace

cairo_matrix_t fitGlyphOrigin(cairo_matrix_t m, const text::GlyphRendering& r) {
    if (!r.advanced || r.gridFit == text::GridFit::None || m.xy != 0.0 || m.yx != 0.0)
        return m;
    const double across = r.gridFit == text::GridFit::Subpixel ? 3.0 : 1.0;
    m.x0 = std::round(m.x0 * across) / across;
    m.y0 = std::round(m.y0);
    return m;
}

std::optional<text::Cutoffs> runCutoffs(const text::TextRendererSettings* settings, const text::GlyphRendering& r,
                                        std::string_view fontName, text::FontStyle style, uint32_t rgb,
                                        double sizeTwips, const cairo_matrix_t& m) {
    if (!settings || !r.advanced)
        return std::nullopt;
    const double pixels = sizeTwips * std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
    return settings->cutoffs(fontName, style, text::colorTypeOf(rgb), pixels);
}

void fillGlyphs(cairo_t* cr, const text::GlyphRendering& r, const cairo_matrix_t& m,
                const std::optional<text::Cutoffs>& cutoffs, const text::TextRendererSettings* settings) {
    cairo_identity_matrix(cr);
    if (!r.advanced) {
        cairo_fill(cr);
        return;
    }
    const bool upright = m.xy == 0.0 && m.yx == 0.0;
    if (r.gridFit != text::GridFit::None && upright)
        hintStems(cr, r.gridFit);
    const double tolerance = cairo_get_tolerance(cr);
    if (settings)
        cairo_set_tolerance(cr, tolerance * settings->toleranceScale());
    const bool reshaped = r.reshapesCoverage() || (cutoffs && *cutoffs != text::Cutoffs{});
    const text::CoverageCurve curve =
        reshaped ? text::coverageCurve(r.sharpness, r.thickness, cutoffs.value_or(text::Cutoffs{}))
                 : text::identityCurve();
    // Subpixel stripes run across the device, so only upright text gets them.
    if (settings && settings->displayMode() == text::DisplayMode::Lcd && upright && fillSubpixel(cr, curve))
        cairo_new_path(cr);
    else if (reshaped)
        fillReshaped(cr, curve);
    else
        cairo_fill(cr);
    cairo_set_tolerance(cr, tolerance);
}

bool appendDeviceGlyph(cairo_t* cr, const text::Face& face, char32_t code, const cairo_matrix_t& m) {
    const auto glyph = face.glyph(code);
    if (!glyph || glyph->steps.empty() || !isDrawableMatrix(m))
        return false;
    cairo_set_matrix(cr, &m);
    double cx = 0.0;
    double cy = 0.0;
    for (const text::OutlineStep& s : glyph->steps) {
        using Kind = text::OutlineStep::Kind;
        switch (s.kind) {
        case Kind::Move:
            cairo_move_to(cr, s.x1, s.y1);
            cx = s.x1, cy = s.y1;
            break;
        case Kind::Line:
            cairo_line_to(cr, s.x1, s.y1);
            cx = s.x1, cy = s.y1;
            break;
        case Kind::Quad:
            // As a cubic: control points two thirds of the way to the quad's.
            cairo_curve_to(cr, cx + 2.0 / 3.0 * (s.x1 - cx), cy + 2.0 / 3.0 * (s.y1 - cy),
                           s.x2 + 2.0 / 3.0 * (s.x1 - s.x2), s.y2 + 2.0 / 3.0 * (s.y1 - s.y2), s.x2, s.y2);
            cx = s.x2, cy = s.y2;
            break;
        case Kind::Cubic:
            cairo_curve_to(cr, s.x1, s.y1, s.x2, s.y2, s.x3, s.y3);
            cx = s.x3, cy = s.y3;
            break;
        case Kind::Close:
            cairo_close_path(cr);
            break;
        }
    }
    return true;
}

void drawEditText(Painter& painter, const model::EditTextObject& object, const PaintState& state) {
    const model::FieldSettings& settings = object.settings();
    const swf::Rect& bounds = settings.bounds;
    if (bounds.isEmpty() || !isDrawableMatrix(state.matrix) || (!state.coverageOnly && state.cx.hidesEverything()))
        return;
    if (const auto box = deviceBox(
            {double(bounds.xMin), double(bounds.yMin), double(bounds.xMax), double(bounds.yMax), false}, state.matrix);
        !box || !painter.touchesClip(*box))
        return;

    cairo_t* cr = painter.context();
    cairo_save(cr);
    if ((settings.border || settings.background) && !state.coverageOnly)
        drawBox(cr, settings, state);
    // Text never shows outside its field.
    cairo_set_matrix(cr, &state.matrix);
    cairo_rectangle(cr, bounds.xMin, bounds.yMin, double(bounds.width()), double(bounds.height()));
    cairo_clip(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);

    const text::TextLayout& layout = object.layout();
    const auto& runs = object.document().runs();
    const size_t first = size_t(object.scroll() - 1);
    const double dy = first < layout.lines.size() ? layout.lines[first].top - layout.lines.front().top : 0.0;
    const cairo_matrix_t field = times({1.0, 0.0, 0.0, 1.0, -object.hscroll(), -dy}, state.matrix);
    const text::TextSelection selection = object.selection();
    const bool showSelection = object.focused() && !selection.empty() && !state.coverageOnly;

    const text::GlyphRendering& rendering = settings.glyphs;
    const text::TextRendererSettings& tables = object.textRenderer();
    // One fill per stretch of glyphs in one run.
    auto fill = [&](size_t run, bool inverse) {
        cairo_identity_matrix(cr);
        const text::TextFormat& f = runs[run].format;
        const uint32_t color = f.color.value_or(0) ^ (inverse ? 0xFFFFFFu : 0u);
        const PaintSource source = state.coverageOnly ? PaintSource{PaintSource::Kind::Solid, {0, 0, 0, 255}, nullptr}
                                                      : solidSource(rgba(color), state.cx);
        if (source.apply(cr))
            fillGlyphs(
                cr, rendering, field,
                runCutoffs(&tables, rendering, f.font.value_or(""), {f.bold.value_or(false), f.italic.value_or(false)},
                           color, f.size.value_or(240.0), field),
                &tables);
        cairo_new_path(cr);
    };
    for (size_t n = first; n < layout.lines.size(); ++n) {
        const text::LaidLine& line = layout.lines[n];
        if (line.top - dy > bounds.yMax)
            break;
        if (line.bulletRun) {
            const size_t run = *line.bulletRun;
            const double size = runs[run].format.size.value_or(240.0);
            cairo_new_path(cr);
            // A font without a bullet borrows the device font's.
            if (appendGlyph(painter, *layout.faces[run], U'\u2022', size, line.bulletX, line.baseline, field,
                            rendering) ||
                appendGlyph(painter, *text::deviceFace("_sans", false, false), U'\u2022', size, line.bulletX,
                            line.baseline, field, rendering))
                fill(run, false);
        }
        // A focused field's selection: black behind the selected glyphs,
        // which take the inverse of their colour.
        auto selected = [&](const text::LaidGlyph& g) {
            return g.index >= selection.begin() && g.index < selection.end();
        };
        if (showSelection) {
            double from = 0.0;
            double to = 0.0;
            bool any = false;
            for (const text::LaidGlyph& g : line.glyphs) {
                if (!selected(g))
                    continue;
                from = any ? std::min(from, g.x) : g.x;
                to = any ? std::max(to, g.x + g.advance) : g.x + g.advance;
                any = true;
            }
            if (any && to > from) {
                cairo_new_path(cr);
                cairo_set_matrix(cr, &field);
                cairo_rectangle(cr, from, line.top, to - from, line.height);
                cairo_identity_matrix(cr);
                if (solidSource({0, 0, 0, 255}, state.cx).apply(cr))
                    cairo_fill(cr);
                cairo_new_path(cr);
            }
        }
        size_t k = 0;
        while (k < line.glyphs.size()) {
            const size_t run = line.glyphs[k].run;
            const bool inverse = showSelection && selected(line.glyphs[k]);
            const text::TextFormat& f = runs[run].format;
            const double size = f.size.value_or(240.0);
            cairo_new_path(cr);
            const double from = line.glyphs[k].x;
            double to = from;
            for (; k < line.glyphs.size() && line.glyphs[k].run == run &&
                   (showSelection && selected(line.glyphs[k])) == inverse;
                 ++k) {
                const text::LaidGlyph& g = line.glyphs[k];
                // Images float: they are drawn below, from the layout's boxes.
                const bool image = g.code == text::ObjectReplacement && object.document().imageAt(g.index);
                if (!image && g.code != U' ' && g.code != U'\t')
                    (void)appendGlyph(painter, *layout.faces[run], g.code, size, g.x, line.baseline, field, rendering);
                to = k + 1 < line.glyphs.size() ? line.glyphs[k + 1].x : line.left + line.width;
            }
            if (f.underline.value_or(false) && to > from) {
                // A rule a twentieth of the size thick, a tenth below the baseline (at least a pixel).
                const double thickness = std::max(20.0, size / 20.0);
                cairo_set_matrix(cr, &field);
                cairo_rectangle(cr, from, line.baseline + size / 10.0, to - from, thickness);
            }
            fill(run, inverse);
        }
    }
    for (const text::PlacedImage& image : layout.images)
        drawImage(painter, object, image, state, field);
    if (object.focused() && selection.empty() && object.settings().editable && !state.coverageOnly)
        drawCaret(cr, object, state, field, first);
    cairo_restore(cr);
}

}  // namespace render
