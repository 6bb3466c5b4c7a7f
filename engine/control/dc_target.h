// Finds the pixels behind a device context, as IViewObject::Draw receives it,
// and describes them to the renderer: the 32-bit DIB section selected into
// the context (its bits, stride and row order, from the sign of biHeight),
// the context's clip region as rectangles (no clip region: the whole bitmap),
// and the drawing bounds.
#pragma once

#include "render/target.h"

#include "platform/gdi.h"

#include "moviehost/expected.h"

namespace control {

enum class DcProblem {
    BadContext,  // not a live device context
    NoPixels,    // a live context without a DIB section (a new memory DC, a window DC)
};

[[nodiscard]] moviehost::Expected<render::Target, DcProblem> targetFromDc(HDC hdc, const RECT& bounds);

}  // namespace control
