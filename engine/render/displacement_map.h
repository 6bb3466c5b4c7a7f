// The displacement map filter: each pixel takes the picture's pixel at
// (x + (cx - 128) * scaleX / 256, y + (cy - 128) * scaleY / 256), cx and cy
// the chosen channels of the map where it covers (x, y); elsewhere the pixel
// stays. The mode says what a point outside the picture gives. Scripts make
// this filter only; its map is a live bitmap, so a change to its pixels
// shows on the next draw.
#pragma once

#include "render/filter_effects.h"

namespace render {

void displace(const swf::Filter& filter, const PixelView& pixels, FilterScale scale);

}  // namespace render
