// Version 10's 2.5D for ActionScript 3 (geom3d_classes.cpp): flash.geom's
// Vector3D, Matrix3D and PerspectiveProjection, and the members display
// objects and their Transform get for them.
#pragma once

#include "avm2/core_library.h"

#include "model/placement3d.h"

#include <functional>
#include <optional>
#include <span>

namespace as3 {

[[nodiscard]] std::span<const avm2::CoreClassSpec> geom3DClasses();
// DisplayObject's z, rotationX, rotationY, rotationZ, scaleZ.
[[nodiscard]] std::span<const avm2::NativeAccessor> display3DAccessors();
// Transform's matrix3D and perspectiveProjection.
[[nodiscard]] std::span<const avm2::NativeAccessor> transform3DAccessors();
// DisplayObject's local3DToGlobal, globalToLocal3D.
[[nodiscard]] std::span<const avm2::NativeMember> display3DMethods();
// Transform's getRelativeMatrix3D.
[[nodiscard]] std::span<const avm2::NativeMember> transform3DMethods();
// Runs a flat setter (scale, rotation, size). An object placed by a whole
// matrix3D is taken apart for it and put together after, so the setter
// changes that one part and the rest of the matrix stays.
void changeFlatPart(model::DisplayObject& object, const std::function<void()>& change);
// The target takes another object's 3D placement (none makes it flat).
void placeLike(avm2::Machine& m, avm2::Value target, const std::optional<model::Placement3D>& placement);

}  // namespace as3
