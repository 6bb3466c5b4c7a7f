#include "bitmap/bitmap_surface.h"

#include "bitmap/pixel_format.h"

#include "render/blend_pixels.h"

#include <cmath>
#include <cstring>
#include <new>

namespace bitmap {
namespace {

struct ContextRelease {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
// Released even when a drawing source throws.
using ContextPtr = std::unique_ptr<cairo_t, ContextRelease>;

bool invertible(const swf::Matrix& m) {
    double det = m.a * m.d - m.b * m.c;
    return std::isfinite(det) && det != 0.0 && std::isfinite(m.tx) && std::isfinite(m.ty);
}

std::optional<cairo_operator_t> cairoOperator(swf::BlendMode mode) {
    switch (mode) {
    case swf::BlendMode::Normal:
    case swf::BlendMode::Layer:
        return CAIRO_OPERATOR_OVER;
    case swf::BlendMode::Multiply:
        return CAIRO_OPERATOR_MULTIPLY;
    case swf::BlendMode::Screen:
        return CAIRO_OPERATOR_SCREEN;
    case swf::BlendMode::Lighten:
        return CAIRO_OPERATOR_LIGHTEN;
    case swf::BlendMode::Darken:
        return CAIRO_OPERATOR_DARKEN;
    case swf::BlendMode::Difference:
        return CAIRO_OPERATOR_DIFFERENCE;
    case swf::BlendMode::Alpha:
        return CAIRO_OPERATOR_DEST_IN;
    case swf::BlendMode::Erase:
        return CAIRO_OPERATOR_DEST_OUT;
    case swf::BlendMode::Overlay:
        return CAIRO_OPERATOR_OVERLAY;
    case swf::BlendMode::HardLight:
        return CAIRO_OPERATOR_HARD_LIGHT;
    case swf::BlendMode::Add:  // cairo's sums alpha where the format lays the two over each other
    case swf::BlendMode::Subtract:
    case swf::BlendMode::Invert:
        break;
    }
    return std::nullopt;
}

render::PixelView viewOf(cairo_surface_t* image) {
    return {reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image)), cairo_image_surface_get_width(image),
            cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image) / 4};
}

// The modes without a cairo operator that means the same: the source is
// drawn into a layer first and composed as the display composes them.
void blendByHand(cairo_t* cr, cairo_surface_t* layer, swf::BlendMode mode) {
    cairo_surface_t* target = cairo_get_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE)
        return;
    cairo_surface_flush(target);
    cairo_surface_flush(layer);
    render::blendPixels(mode, viewOf(layer), viewOf(target));
    cairo_surface_mark_dirty(target);
}

}  // namespace

SurfacePtr wrapSurface(BitmapData& bitmap) {
    if (bitmap.disposed())
        return nullptr;
    SurfacePtr surface(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bitmap.mutablePixels()),
                                                           CAIRO_FORMAT_ARGB32, bitmap.width(), bitmap.height(),
                                                           bitmap.width() * 4));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return surface;
}

SurfacePtr sourceSurface(const BitmapData& bitmap) {
    // cairo takes a mutable pointer but never writes to a surface it only reads from.
    return wrapSurface(const_cast<BitmapData&>(bitmap));
}

moviehost::Expected<BitmapData, BitmapError> fromSurface(cairo_surface_t* surface, bool transparent,
                                                         SizeLimits limits) {
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return BitmapError::InvalidSize;
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return BitmapError::InvalidSize;
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    auto made = BitmapData::create(w, h, transparent, 0, limits);
    if (!made)
        return made;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        std::memcpy(&pixels[size_t(y) * size_t(w)], data + ptrdiff_t(y) * stride, size_t(w) * 4);
        if (format == CAIRO_FORMAT_RGB24)
            for (int x = 0; x < w; ++x)
                pixels[size_t(y) * size_t(w) + size_t(x)] |= 0xFF000000;
    }
    return BitmapData::fromPremultiplied(w, h, pixels, transparent, limits);
}

moviehost::Expected<BitmapData, BitmapError> fromCharacter(const swf::Bitmap& character, bool transparent,
                                                           SizeLimits limits) {
    if (!character.ok() || character.width > uint32_t(MaxCoordinate) || character.height > uint32_t(MaxCoordinate))
        return BitmapError::InvalidSize;
    return BitmapData::fromPremultiplied(int32_t(character.width), int32_t(character.height), character.pixels,
                                         transparent, limits);
}

void draw(BitmapData& target, const DrawSource& source, const DrawParams& params) {
    if (!source)
        return;
    PixelRect area = params.clipRect.value_or(target.rect()).clippedTo(target.width(), target.height());
    if (area.empty())
        return;
    SurfacePtr surface = wrapSurface(target);
    if (!surface)
        return;
    {
        ContextPtr cr(cairo_create(surface.get()));
        cairo_rectangle(cr.get(), area.x, area.y, area.width, area.height);
        cairo_clip(cr.get());
        source(cr.get(), params);
    }
    cairo_surface_flush(surface.get());
    surface.reset();
    if (!target.transparent()) {
        uint32_t* pixels = target.mutablePixels();
        for (int32_t y = area.y; y < area.y + area.height; ++y)
            for (int32_t x = area.x; x < area.x + area.width; ++x)
                pixels[size_t(y) * size_t(target.width()) + size_t(x)] |= 0xFF000000;
    }
    target.changed(area);
}

void paintBitmap(cairo_t* cr, const BitmapData& source, const DrawParams& params) {
    if (source.disposed() || !invertible(params.matrix))
        return;
    // A colour transform works on the scripted colours, so it needs a copy,
    // a transparent one: the transform may take alpha away even from an
    // opaque source.
    std::optional<BitmapData> tinted;
    const BitmapData* from = &source;
    if (!params.colorTransform.isIdentity()) {
        auto copy = BitmapData::fromPremultiplied(source.width(), source.height(),
                                                  {source.pixels(), size_t(source.width()) * size_t(source.height())},
                                                  true, {MaxCoordinate, int64_t(MaxCoordinate)});
        if (!copy)
            return;
        tinted.emplace(std::move(copy.value()));
        tinted->colorTransform(tinted->rect(), params.colorTransform);
        from = &*tinted;
    }
    SurfacePtr image = sourceSurface(*from);
    if (!image)
        return;
    const swf::Matrix& m = params.matrix;
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, m.a, m.b, m.c, m.d, m.tx, m.ty);
    auto paintInto = [&](cairo_t* into) {
        cairo_save(into);
        cairo_transform(into, &matrix);
        cairo_set_source_surface(into, image.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(into), params.smoothing ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
        cairo_rectangle(into, 0, 0, from->width(), from->height());
        cairo_fill(into);
        cairo_restore(into);
    };
    if (auto op = cairoOperator(params.blendMode)) {
        cairo_save(cr);
        cairo_set_operator(cr, *op);
        if (*op == CAIRO_OPERATOR_DEST_IN) {
            // Alpha keeps the destination only where the source has alpha,
            // which reaches beyond the source's own rectangle.
            cairo_push_group(cr);
            paintInto(cr);
            cairo_pop_group_to_source(cr);
            cairo_paint(cr);
        } else {
            paintInto(cr);
        }
        cairo_restore(cr);
        return;
    }
    cairo_surface_t* target = cairo_get_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE)
        return;
    SurfacePtr layer(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(target),
                                                cairo_image_surface_get_height(target)));
    {
        ContextPtr lc(cairo_create(layer.get()));
        // The layer sees the same clip as the target.
        double x0, y0, x1, y1;
        cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
        cairo_rectangle(lc.get(), x0, y0, x1 - x0, y1 - y0);
        cairo_clip(lc.get());
        paintInto(lc.get());
    }
    blendByHand(cr, layer.get(), params.blendMode);
}

}  // namespace bitmap
