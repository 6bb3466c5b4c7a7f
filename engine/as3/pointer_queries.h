// What lies under a point for scripts (getObjectsUnderPoint, dropTarget),
// Sprite's dragging with the pointer and its hitArea.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "swf/geometry.h"

#include <span>

namespace as3 {

// DisplayObjectContainer's getObjectsUnderPoint, areInaccessibleObjectsUnderPoint.
[[nodiscard]] std::span<const avm2::NativeMember> containerPointMethods();
// Sprite's startDrag, stopDrag.
[[nodiscard]] std::span<const avm2::NativeMember> spriteDragMethods();
// Sprite's dropTarget, hitArea.
[[nodiscard]] std::span<const avm2::NativeAccessor> spritePointAccessors();
// The pointer moved to the stage point (twips): a dragged sprite follows.
void followDrag(avm2::Machine& m, swf::Point stage);

}  // namespace as3
