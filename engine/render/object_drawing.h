// Drawing one display object into a cairo context outside the stage
// picture: what BitmapData.draw does with a clip. The object's own matrix,
// colour transform, filters and blend mode are left out (the caller gives
// the placement); everything below it draws as on the stage.
#pragma once

#include "render/settings.h"

#include "model/display_object.h"
#include "model/stage.h"

#include "swf/types.h"

#include <cairo.h>

namespace render {

// `toDevice` maps the object's coordinates in pixels to the context's
// device pixels. Drawing stays inside the context's clip.
void paintDisplayObject(cairo_t* cr, const model::Stage& stage, const model::DisplayObject& object,
                        const swf::Matrix& toDevice, const swf::ColorTransform& cx, Quality quality);

}  // namespace render
