// Turns fill styles into what cairo paints with: a solid colour or a
// pattern (gradient or bitmap), with the colour transform applied.
#pragma once

#include "render/color.h"
#include "render/paint_cache.h"
#include "render/settings.h"

#include "model/drawing.h"

#include "swf/shape.h"

#include <cairo.h>

#include <memory>

namespace render {

struct PaintSource {
    enum class Kind : uint8_t { None, Solid, Pattern };

    Kind kind = Kind::None;
    swf::Rgba color;                           // Solid, transform applied
    std::shared_ptr<cairo_pattern_t> pattern;  // Pattern; its matrix maps shape twips to pattern space

    // Makes this the context's source. Returns false for None.
    bool apply(cairo_t* cr) const;
};

// The source for `style`; None when nothing would show (a fill whose
// transform leaves it fully transparent, a missing bitmap, a gradient without
// stops, a matrix that collapses the pattern).
[[nodiscard]] PaintSource makeSource(PaintCache& cache, const swf::FillStyle& style, const ColorTransform& cx,
                                     Quality quality, const GradientKey& key);

// The same for a script drawing: its gradients are built each time (a
// drawing has no character to key a cache by) and bitmap fills paint
// `bitmap`'s pixels (None without them). The pattern reads those pixels:
// use it while the drawing is unchanged.
[[nodiscard]] PaintSource makeDrawingSource(const swf::FillStyle& style, const ColorTransform& cx, Quality quality,
                                            const model::FillBitmap* bitmap);

// A solid colour after the transform; None when it comes out transparent.
[[nodiscard]] PaintSource solidSource(swf::Rgba color, const ColorTransform& cx);

// Gradient stops as cairo receives them, after the transform; linear-RGB
// interpolation is approximated by extra stops computed in linear light.
struct CairoStop {
    double offset = 0.0;
    swf::Rgba color;
};
[[nodiscard]] std::vector<CairoStop> gradientStops(const swf::Gradient& gradient, const ColorTransform& cx);

}  // namespace render
