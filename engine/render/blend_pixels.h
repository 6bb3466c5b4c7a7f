// The movie format's blend modes as operations on premultiplied ARGB32
// pixels: `source` (the object, drawn on its own) is composed onto
// `destination` (what lies behind it), pixel by pixel.
//
// Multiply, screen, lighten, darken, difference, overlay and hard light are
// the separable blends of the PDF model (which cairo implements too): where
// only one side is present it shows as it is. Add and subtract work on the
// premultiplied channels and saturate, the result as opaque as the two laid
// over each other. Invert inverts what lies behind in proportion to the
// object's alpha and ignores its colour; alpha keeps what lies behind in
// proportion to the object's alpha, erase in proportion to its absence.
// Normal and layer lay the object over.
#pragma once

#include "render/pixel_view.h"
#include "swf/types.h"

#include <cstdint>

namespace render {

[[nodiscard]] uint32_t blendPixel(swf::BlendMode mode, uint32_t source, uint32_t destination);

// Composes the overlap of the two views (their common top-left corner).
void blendPixels(swf::BlendMode mode, const PixelView& source, const PixelView& destination);

}  // namespace render
