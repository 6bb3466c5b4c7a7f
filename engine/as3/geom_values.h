// flash.geom for ActionScript 3: Point, Rectangle, Matrix, ColorTransform
// and Transform. Their numbers are ordinary properties of the instance, as
// the classes' public variables are, so natives read whatever a script left
// there. The math is the model's (model/transform.h), shared with
// ActionScript 2's geometry.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "swf/geometry.h"
#include "swf/types.h"

#include <optional>
#include <span>

namespace as3 {

[[nodiscard]] avm2::Value newPoint(avm2::Machine& m, double x, double y);
[[nodiscard]] avm2::Value newRectangle(avm2::Machine& m, double x, double y, double width, double height);
// `matrix` in pixels (tx, ty too).
[[nodiscard]] avm2::Value newMatrix(avm2::Machine& m, const swf::Matrix& matrix);
[[nodiscard]] avm2::Value newColorTransform(avm2::Machine& m, const swf::ColorTransform& cx);
// A number property of an object; NaN when it is missing.
[[nodiscard]] double numberOf(avm2::Machine& m, avm2::Value object, const char16_t* name);
// A Point argument, or a TypeError for null.
[[nodiscard]] swf::Point readPoint(avm2::Machine& m, avm2::Value v);
// A Matrix (pixels), or a TypeError for null.
[[nodiscard]] swf::Matrix readMatrix(avm2::Machine& m, avm2::Value v);
// A Rectangle (pixels) as twips bounds, clamped to the model's range; none
// for null. Sides that are no numbers count as 0.
[[nodiscard]] std::optional<swf::Bounds> readBounds(avm2::Machine& m, avm2::Value v);
// Clamped to the model's fixed point.
[[nodiscard]] swf::ColorTransform readColorTransform(avm2::Machine& m, avm2::Value v);
// The display object a Transform belongs to; undefined for anything else.
[[nodiscard]] avm2::Value transformOwner(avm2::Value transform);
[[nodiscard]] swf::Matrix toTwips(const swf::Matrix& pixels);
[[nodiscard]] swf::Matrix toPixels(const swf::Matrix& twips);

[[nodiscard]] std::span<const avm2::CoreClassSpec> geomClasses();

}  // namespace as3
