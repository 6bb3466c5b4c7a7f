// Readers for the small records that many tags share.
#pragma once

#include "swf/bit_reader.h"
#include "swf/types.h"

namespace swf {

[[nodiscard]] Rect readRect(BitReader& r);
[[nodiscard]] Matrix readMatrix(BitReader& r);
[[nodiscard]] ColorTransform readColorTransform(BitReader& r);       // CXFORM
[[nodiscard]] ColorTransform readColorTransformAlpha(BitReader& r);  // CXFORMWITHALPHA
[[nodiscard]] Rgba readRgb(BitReader& r);
[[nodiscard]] Rgba readRgba(BitReader& r);
[[nodiscard]] Rgba readArgb(BitReader& r);
[[nodiscard]] BlendMode blendModeFromByte(uint8_t value);

}  // namespace swf
