#include "bitmap/bitmap_surface.h"

#include "bitmap/pixel_format.h"

#include "render/blend_pixels.h"

#include <algorithm>
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

render::PixelView viewOf(cairo_surface_t* image) {
    return {reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image)), cairo_image_surface_get_width(image),
            cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image) / 4};
}

// Normal and layer lay the source straight over the bitmap; every other
// mode draws it alone into a layer first and composes that as the display
// does, so a drawn clip and a drawn bitmap blend alike.
bool drawsDirectly(swf::BlendMode mode) { return mode == swf::BlendMode::Normal || mode == swf::BlendMode::Layer; }

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
    if (drawsDirectly(params.blendMode)) {
        ContextPtr cr(cairo_create(surface.get()));
        cairo_rectangle(cr.get(), area.x, area.y, area.width, area.height);
        cairo_clip(cr.get());
        source(cr.get(), params);
    } else {
        // The layer covers the clip area only; the source sees it through
        // a matrix moved by the area's corner.
        SurfacePtr layer(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.width, area.height));
        if (cairo_surface_status(layer.get()) != CAIRO_STATUS_SUCCESS)
            return;
        DrawParams shifted = params;
        shifted.matrix.tx -= area.x;
        shifted.matrix.ty -= area.y;
        {
            ContextPtr lc(cairo_create(layer.get()));
            source(lc.get(), shifted);
        }
        cairo_surface_flush(layer.get());
        cairo_surface_flush(surface.get());
        render::blendPixels(params.blendMode, viewOf(layer.get()),
                            viewOf(surface.get()).sub(area.x, area.y, area.width, area.height));
        cairo_surface_mark_dirty(surface.get());
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

std::optional<PixelRect> applyFilter(BitmapData& target, const BitmapData& source, PixelRect sourceRect,
                                     PixelPoint destPoint, const FilterRun& run) {
    if (target.disposed() || source.disposed() || !run)
        return std::nullopt;
    const auto area = clipCopy(sourceRect, source.width(), source.height(), destPoint, target.width(), target.height());
    if (!area)
        return std::nullopt;
    target.copyPixels(source, sourceRect, destPoint);
    // The filter runs over a packed copy of the area.
    std::vector<uint32_t> pixels(size_t(area->width) * size_t(area->height));
    uint32_t* stored = target.mutablePixels();
    const size_t stride = size_t(target.width());
    for (int32_t y = 0; y < area->height; ++y)
        std::copy_n(stored + size_t(area->dstY + y) * stride + size_t(area->dstX), size_t(area->width),
                    pixels.data() + size_t(y) * size_t(area->width));
    run(pixels.data(), area->width, area->height, area->width);
    if (!target.transparent()) {
        for (uint32_t& p : pixels)
            p |= 0xFF000000;  // what the filter left translucent lies over black
    }
    for (int32_t y = 0; y < area->height; ++y)
        std::copy_n(pixels.data() + size_t(y) * size_t(area->width), size_t(area->width),
                    stored + size_t(area->dstY + y) * stride + size_t(area->dstX));
    const PixelRect changed{area->dstX, area->dstY, area->width, area->height};
    target.changed(changed);
    return changed;
}

FilterRect grownByFilter(FilterRect rect, const model::FilterMargin& margin) {
    auto pixels = [](double twips) { return std::isfinite(twips) && twips > 0 ? std::ceil(twips / 20.0) : 0.0; };
    const double left = pixels(margin.left), top = pixels(margin.top);
    const double right = pixels(margin.right), bottom = pixels(margin.bottom);
    return {rect.x - left, rect.y - top, rect.width + left + right, rect.height + top + bottom};
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
    cairo_save(cr);
    cairo_transform(cr, &matrix);
    cairo_set_source_surface(cr, image.get(), 0, 0);
    // Smoothing samples bilinearly, as the player does for a scaled or
    // rotated bitmap; without it the nearest pixel shows.
    cairo_pattern_set_filter(cairo_get_source(cr), params.smoothing ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, from->width(), from->height());
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace bitmap
