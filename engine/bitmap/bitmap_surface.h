// BitmapData and cairo: surfaces over a bitmap's pixels for drawing it and
// drawing into it, copies from surfaces and bitmap characters, and the seam
// through which BitmapData.draw asks the renderer to draw a clip.
#pragma once

#include "bitmap/bitmap_data.h"

#include "model/filter_margin.h"
#include "swf/bitmap.h"
#include "swf/types.h"

#include <cairo.h>

#include <functional>
#include <memory>
#include <optional>

namespace bitmap {

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

// An ARGB32 surface over the bitmap's own pixels, no copy; null when the
// bitmap is disposed. It must not outlive the bitmap or a dispose(). Who
// draws into it calls bitmap.changed() afterwards.
[[nodiscard]] SurfacePtr wrapSurface(BitmapData& bitmap);
// For reading only, e.g. as the source of a bitmap fill.
[[nodiscard]] SurfacePtr sourceSurface(const BitmapData& bitmap);

// Copies of an ARGB32 or RGB24 image surface and of a decoded bitmap
// character. A character may be larger than a script may create, hence the
// limits argument.
[[nodiscard]] moviehost::Expected<BitmapData, BitmapError> fromSurface(cairo_surface_t* surface, bool transparent,
                                                                       SizeLimits limits = {});
[[nodiscard]] moviehost::Expected<BitmapData, BitmapError> fromCharacter(const swf::Bitmap& character,
                                                                         bool transparent = true,
                                                                         SizeLimits limits = {});

// How BitmapData.draw places its source.
struct DrawParams {
    swf::Matrix matrix;  // source units to bitmap pixels
    swf::ColorTransform colorTransform;
    swf::BlendMode blendMode = swf::BlendMode::Normal;
    std::optional<PixelRect> clipRect;  // in bitmap pixels; none means the whole bitmap
    bool smoothing = false;
};

// Draws the source into the context it is given with the parameters'
// matrix and colour transform (the renderer does so for clips); the context
// carries an identity matrix and may be a layer rather than the bitmap (see
// draw()), so the source takes its placement from the parameters it is
// passed, never from those it was made with.
using DrawSource = std::function<void(cairo_t*, const DrawParams&)>;

// Runs `source` against the bitmap inside the clip rectangle and records
// the change. Normal and layer draw straight into the bitmap; the other
// blend modes draw into a layer composed with the renderer's blend code.
// An opaque bitmap stays opaque: whatever the source leaves translucent is
// taken as lying over black.
void draw(BitmapData& target, const DrawSource& source, const DrawParams& params);

// Runs a filter over premultiplied pixels in place (stride in pixels).
using FilterRun = std::function<void(uint32_t* pixels, int32_t width, int32_t height, int32_t stride)>;

// applyFilter: the source's rectangle copied to the point, then filtered
// within the area it lands in. None when nothing lands in this bitmap.
std::optional<PixelRect> applyFilter(BitmapData& target, const BitmapData& source, PixelRect sourceRect,
                                     PixelPoint destPoint, const FilterRun& run);

// generateFilterRect: a rectangle (pixels) grown by how far a filter draws
// past what it filters (twips on each side), to whole pixels.
struct FilterRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};
[[nodiscard]] FilterRect grownByFilter(FilterRect rect, const model::FilterMargin& margin);

// The DrawSource for a BitmapData: matrix, colour transform and smoothing
// (bilinear, else nearest) applied. Does nothing for a non-invertible matrix.
void paintBitmap(cairo_t* cr, const BitmapData& source, const DrawParams& params);

}  // namespace bitmap
