// Per-pixel alpha from two renders of the same picture, one over black and
// one over white.
#pragma once

#include "platform/types.h"

namespace moviehost {

// For every pixel of `box` (which must lie inside a surface `width` pixels
// wide, rows of width * 4 bytes), sets the fourth byte of `black` to
// blue over black - blue over white - 1, in wrapping 8-bit arithmetic: a fully
// covered pixel renders alike on both and gets 255, an uncovered one (0 over
// black, 255 over white) gets 0. Colour bytes are not changed.
void ComputeAlpha(BYTE* black, const BYTE* white, LONG width, const RECT& box) noexcept;

}  // namespace moviehost
