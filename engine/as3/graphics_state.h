// flash.display.Graphics: script drawing on the model's Drawing of a Sprite's
// or Shape's clip, the same drawing ActionScript 2's clips draw with.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include <span>

namespace as3 {

// The `graphics` of a display object, made on first use.
[[nodiscard]] avm2::Value graphicsOf(avm2::Machine& m, avm2::Value displayObject);
[[nodiscard]] std::span<const avm2::CoreClassSpec> graphicsClasses();

}  // namespace as3
