// Paints one colour into a target's clip (inside the surface and the drawing
// bounds): what the opaque aspect shows while no movie is loaded.
#pragma once

#include "render/target.h"

#include "swf/types.h"

namespace control {

// Pixels become blue, green, red, 255. Nothing happens for an unusable target.
void fillBackground(const render::Target& target, swf::Rgba color);

}  // namespace control
