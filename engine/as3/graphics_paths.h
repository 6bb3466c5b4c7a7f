// Graphics' path members (drawPath, drawTriangles, drawGraphicsData,
// copyFrom) and the IGraphicsData classes they take, drawing on the same
// model::Drawing the other Graphics members do.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "model/drawing.h"

#include <span>

namespace as3 {

// The drawing a Graphics object draws on; ArgumentError for one made by
// hand.
[[nodiscard]] model::Drawing& graphicsDrawing(avm2::Machine& m, avm2::Value graphics);

[[nodiscard]] std::span<const avm2::NativeMember> graphicsPathMethods();
// Graphics.readGraphicsData (graphics_reading.cpp).
avm2::Value readGraphicsData(avm2::Machine& m, avm2::Value graphics, std::span<const avm2::Value> args);
// GraphicsPathCommand and the other classes of drawing's names
// (TriangleCulling, CapsStyle ...), the IGraphicsData interfaces and classes.
[[nodiscard]] std::span<const avm2::CoreClassSpec> graphicsDataClasses();
// Lets the IGraphicsData classes count as implementing their interfaces;
// after graphicsDataClasses() are declared.
void declareGraphicsInterfaces(avm2::Machine& m);

}  // namespace as3
