// How the stage sits in the rectangle the control shows it in: the scale
// mode and alignment the control's ScaleMode and AlignMode set (and scripts'
// Stage.scaleMode and Stage.align), and that rectangle's size, which
// noScale movies see as Stage.width and Stage.height.
#pragma once

#include <cstdint>

namespace model {

// The control's ScaleMode numbers.
enum class ScaleMode : uint8_t { ShowAll = 0, NoBorder = 1, ExactFit = 2, NoScale = 3 };

// The control's AlignMode bits; none is centred.
namespace align {
constexpr uint8_t Left = 1;
constexpr uint8_t Right = 2;
constexpr uint8_t Top = 4;
constexpr uint8_t Bottom = 8;
constexpr uint8_t All = Left | Right | Top | Bottom;
}  // namespace align

struct StageLayout {
    ScaleMode scaleMode = ScaleMode::ShowAll;
    uint8_t align = 0;
    int32_t surfaceWidth = 0;  // pixels; 0 until the control is placed
    int32_t surfaceHeight = 0;
    bool operator==(const StageLayout&) const = default;
};

}  // namespace model
