// Reading and making the flash.geom values (Matrix, Point, Rectangle,
// ColorTransform) other built-ins take and give: drawing, BitmapData,
// Transform. They are ordinary objects with number properties, so a script
// may pass any object that has the members.
#pragma once

#include "script/value.h"

#include "swf/geometry.h"
#include "swf/types.h"

#include <optional>

namespace script {

class Object;
class Runtime;

// Colour transform as scripts see it: multipliers as factors, offsets in colour units.
struct ScriptColorTransform {
    double redMultiplier = 1, greenMultiplier = 1, blueMultiplier = 1, alphaMultiplier = 1;
    double redOffset = 0, greenOffset = 0, blueOffset = 0, alphaOffset = 0;

    [[nodiscard]] static ScriptColorTransform from(const swf::ColorTransform& cx);
    // Clamped to the model's 8.8 fixed point multipliers and 16-bit offsets.
    [[nodiscard]] swf::ColorTransform toModel() const;
};

// a, b, c, d, tx, ty (pixels); missing or non-numeric members read as NaN
// would, so the result is checked by the caller when it matters.
[[nodiscard]] swf::Matrix readMatrix(Runtime& rt, const Value& v);
// A matrix argument of beginGradientFill and friends: a Matrix, the
// {matrixType: "box", x, y, w, h, r} form or the 3x3 {a, b, d, e, g, h}
// form; none when it is no object.
[[nodiscard]] std::optional<swf::Matrix> readGradientMatrix(Runtime& rt, const Value& v);
[[nodiscard]] ScriptColorTransform readColorTransform(Runtime& rt, const Value& v);
[[nodiscard]] swf::Point readPoint(Runtime& rt, const Value& v);

[[nodiscard]] Object* newMatrix(Runtime& rt, const swf::Matrix& m);
[[nodiscard]] Object* newPoint(Runtime& rt, double x, double y);
[[nodiscard]] Object* newRectangle(Runtime& rt, double x, double y, double width, double height);
[[nodiscard]] Object* newColorTransform(Runtime& rt, const ScriptColorTransform& cx);

// The gradient box: the gradient square (+-819.2 pixels) scaled to
// width x height, rotated, its corner at (tx, ty).
[[nodiscard]] swf::Matrix gradientBox(double width, double height, double rotation, double tx, double ty);

}  // namespace script
