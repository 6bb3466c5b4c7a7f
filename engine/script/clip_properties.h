// The numbered properties of display objects (GetProperty/SetProperty, the
// control's TGetProperty/TSetProperty) and their names (_x, _alpha ...):
//   0 _x  1 _y  2 _xscale  3 _yscale  4 _currentframe  5 _totalframes
//   6 _alpha  7 _visible  8 _width  9 _height  10 _rotation  11 _target
//   12 _framesloaded  13 _name  14 _droptarget  15 _url  16 _highquality
//   17 _focusrect  18 _soundbuftime  19 _quality  20 _xmouse  21 _ymouse
// Positions are pixels, scales and alpha percent, rotation degrees, frames
// 1-based; _target and _droptarget are slash paths. 16 to 19 are settings
// of the whole player, the same on every clip.
#pragma once

#include "script/value.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace script {

class Runtime;
class StageObject;

inline constexpr int32_t ClipPropertyCount = 22;

[[nodiscard]] std::u16string_view clipPropertyName(int32_t index);
[[nodiscard]] std::optional<int32_t> clipPropertyIndex(std::u16string_view name, bool caseSensitive);

// Undefined for an unknown index or a detached object.
[[nodiscard]] Value getClipProperty(Runtime& rt, StageObject& object, int32_t index);
// False for an unknown index or a read-only property (the value is ignored).
bool setClipProperty(Runtime& rt, StageObject& object, int32_t index, const Value& value);

}  // namespace script
