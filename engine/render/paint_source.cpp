#include "render/paint_source.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace render {

namespace {

// The gradient square's half side in twips.
constexpr double GradientHalf = 16384.0;
// Extra stops between two stops of a linear-RGB gradient.
constexpr int LinearRgbSteps = 8;

double toLinear(uint8_t c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

uint8_t fromLinear(double v) {
    const double s = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return uint8_t(std::clamp(std::lround(s * 255.0), 0L, 255L));
}

uint8_t lerp8(uint8_t a, uint8_t b, double t) { return uint8_t(std::clamp(std::lround(a + (b - a) * t), 0L, 255L)); }

cairo_extend_t extendFor(swf::SpreadMode mode) {
    switch (mode) {
    case swf::SpreadMode::Pad:
        return CAIRO_EXTEND_PAD;
    case swf::SpreadMode::Reflect:
        return CAIRO_EXTEND_REFLECT;
    case swf::SpreadMode::Repeat:
        return CAIRO_EXTEND_REPEAT;
    }
    return CAIRO_EXTEND_PAD;
}

// cairo's pattern matrix maps user space to pattern space: the inverse of a
// fill matrix. None when the fill matrix collapses to a line or a point.
std::optional<cairo_matrix_t> patternMatrix(const swf::Matrix& m) {
    cairo_matrix_t out;
    cairo_matrix_init(&out, m.a, m.b, m.c, m.d, m.tx, m.ty);
    const double det = m.a * m.d - m.b * m.c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12 || cairo_matrix_invert(&out) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    return out;
}

void addStop(cairo_pattern_t* p, const CairoStop& s) {
    cairo_pattern_add_color_stop_rgba(p, s.offset, s.color.r / 255.0, s.color.g / 255.0, s.color.b / 255.0,
                                      s.color.a / 255.0);
}

std::shared_ptr<cairo_pattern_t> buildGradient(const swf::FillStyle& style, const ColorTransform& cx) {
    const swf::Gradient& g = style.gradient;
    auto matrix = patternMatrix(style.matrix);
    if (g.stops.empty() || !matrix)
        return nullptr;
    // The pattern spans -1..1, not the square's twips: pixman keeps pattern
    // coordinates in 16.16 fixed point, so a gradient much smaller than its
    // shape would overflow and draw nothing.
    cairo_matrix_t unit;
    cairo_matrix_init_scale(&unit, 1.0 / GradientHalf, 1.0 / GradientHalf);
    cairo_matrix_multiply(&*matrix, &*matrix, &unit);
    cairo_pattern_t* p = nullptr;
    if (style.kind == swf::FillKind::LinearGradient) {
        p = cairo_pattern_create_linear(-1.0, 0.0, 1.0, 0.0);
    } else {
        // Focal gradients start from a point on the x axis inside the circle;
        // keeping it just inside avoids cairo's cone for a point on the edge.
        double focal = 0.0;
        if (style.kind == swf::FillKind::FocalGradient)
            focal = std::clamp(g.focalPoint, -0.995, 0.995);
        p = cairo_pattern_create_radial(focal, 0.0, 0.0, 0.0, 0.0, 1.0);
    }
    auto pattern = sharePattern(p);
    for (const CairoStop& s : gradientStops(g, cx))
        addStop(p, s);
    cairo_pattern_set_extend(p, extendFor(g.spread));
    cairo_pattern_set_matrix(p, &*matrix);
    if (cairo_pattern_status(p) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return pattern;
}

PaintSource bitmapSource(const std::shared_ptr<cairo_surface_t>& surface, const swf::FillStyle& style,
                         Quality quality) {
    PaintSource s;
    const auto matrix = patternMatrix(style.matrix);
    if (!matrix || !surface)
        return s;
    auto pattern = sharePattern(cairo_pattern_create_for_surface(surface.get()));
    cairo_pattern_set_matrix(pattern.get(), &*matrix);
    cairo_pattern_set_extend(pattern.get(),
                             style.kind == swf::FillKind::RepeatingBitmap ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
    cairo_filter_t filter = CAIRO_FILTER_NEAREST;
    if (style.smoothed && quality != Quality::Low)
        filter = quality == Quality::Medium ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_GOOD;
    cairo_pattern_set_filter(pattern.get(), filter);
    if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS)
        return s;
    s.kind = PaintSource::Kind::Pattern;
    s.pattern = std::move(pattern);
    return s;
}

bool isBitmapFill(swf::FillKind kind) {
    return kind == swf::FillKind::RepeatingBitmap || kind == swf::FillKind::ClippedBitmap;
}

// A surface over a script bitmap's pixels, or a transformed copy of them.
std::shared_ptr<cairo_surface_t> surfaceOf(const model::FillBitmap& bitmap, const ColorTransform& cx) {
    const uint32_t* pixels = bitmap.pixels();
    const int32_t width = bitmap.width();
    const int32_t height = bitmap.height();
    if (!pixels || width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return nullptr;
    std::shared_ptr<cairo_surface_t> surface;
    if (cx.isIdentity()) {
        // cairo only reads a source surface.
        auto* data = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels));
        surface =
            shareSurface(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, width, height, width * 4));
    } else {
        surface = shareSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            return nullptr;
        cairo_surface_flush(surface.get());
        unsigned char* out = cairo_image_surface_get_data(surface.get());
        const int stride = cairo_image_surface_get_stride(surface.get());
        for (int32_t y = 0; y < height; ++y)
            transformPixels(pixels + size_t(y) * size_t(width),
                            reinterpret_cast<uint32_t*>(out + size_t(y) * size_t(stride)), size_t(width), cx);
        cairo_surface_mark_dirty(surface.get());
    }
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS ? surface : nullptr;
}

}  // namespace

bool PaintSource::apply(cairo_t* cr) const {
    switch (kind) {
    case Kind::None:
        return false;
    case Kind::Solid:
        cairo_set_source_rgba(cr, color.r / 255.0, color.g / 255.0, color.b / 255.0, color.a / 255.0);
        return true;
    case Kind::Pattern:
        cairo_set_source(cr, pattern.get());
        return true;
    }
    return false;
}

PaintSource solidSource(swf::Rgba color, const ColorTransform& cx) {
    PaintSource s;
    s.color = cx.apply(color);
    s.kind = s.color.a == 0 ? PaintSource::Kind::None : PaintSource::Kind::Solid;
    return s;
}

std::vector<CairoStop> gradientStops(const swf::Gradient& gradient, const ColorTransform& cx) {
    std::vector<CairoStop> out;
    const bool linearRgb = gradient.interpolation == swf::InterpolationMode::LinearRgb;
    for (size_t i = 0; i < gradient.stops.size(); ++i) {
        const swf::GradientStop& stop = gradient.stops[i];
        const swf::Rgba color = cx.apply(stop.color);
        const double offset = stop.ratio / 255.0;
        if (linearRgb && i > 0) {
            const CairoStop prev = out.back();  // a copy: push_back below moves the storage
            for (int k = 1; k < LinearRgbSteps; ++k) {
                const double t = double(k) / LinearRgbSteps;
                CairoStop mid;
                mid.offset = prev.offset + (offset - prev.offset) * t;
                mid.color.r = fromLinear(toLinear(prev.color.r) + (toLinear(color.r) - toLinear(prev.color.r)) * t);
                mid.color.g = fromLinear(toLinear(prev.color.g) + (toLinear(color.g) - toLinear(prev.color.g)) * t);
                mid.color.b = fromLinear(toLinear(prev.color.b) + (toLinear(color.b) - toLinear(prev.color.b)) * t);
                mid.color.a = lerp8(prev.color.a, color.a, t);
                out.push_back(mid);
            }
        }
        out.push_back({offset, color});
    }
    return out;
}

PaintSource makeSource(PaintCache& cache, const swf::FillStyle& style, const ColorTransform& cx, Quality quality,
                       const GradientKey& key) {
    PaintSource s;
    switch (style.kind) {
    case swf::FillKind::Solid:
        return solidSource(style.color, cx);
    case swf::FillKind::LinearGradient:
    case swf::FillKind::RadialGradient:
    case swf::FillKind::FocalGradient: {
        auto pattern = cache.findGradient(key);
        if (!pattern) {
            pattern = buildGradient(style, cx);
            if (!pattern)
                return s;
            cache.storeGradient(key, pattern);
        }
        s.kind = PaintSource::Kind::Pattern;
        s.pattern = std::move(pattern);
        return s;
    }
    case swf::FillKind::RepeatingBitmap:
    case swf::FillKind::ClippedBitmap:
        return bitmapSource(cache.bitmap(style.bitmapId, cx), style, quality);
    }
    return s;
}

PaintSource makeDrawingSource(const swf::FillStyle& style, const ColorTransform& cx, Quality quality,
                              const model::FillBitmap* bitmap) {
    if (style.kind == swf::FillKind::Solid)
        return solidSource(style.color, cx);
    if (isBitmapFill(style.kind))
        return bitmap ? bitmapSource(surfaceOf(*bitmap, cx), style, quality) : PaintSource{};
    PaintSource s;
    if (auto pattern = buildGradient(style, cx)) {
        s.kind = PaintSource::Kind::Pattern;
        s.pattern = std::move(pattern);
    }
    return s;
}

}  // namespace render
