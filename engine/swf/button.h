// DefineButton and DefineButton2.
#pragma once

#include "swf/filter.h"
#include "swf/sound.h"
#include "swf/types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace swf {

struct ButtonRecord {
    bool up = false;
    bool over = false;
    bool down = false;
    bool hit = false;
    uint16_t characterId = 0;
    uint16_t depth = 0;
    Matrix matrix;
    ColorTransform colorTransform;  // DefineButton2, or DefineButtonCxform for DefineButton
    BlendMode blendMode = BlendMode::Normal;
    std::vector<Filter> filters;
};

// Transition conditions of BUTTONCONDACTION as one 16-bit value: the first file
// byte is the high byte. keyCode lives in bits 1-7 of the low byte (see below).
namespace ButtonCondition {
inline constexpr uint16_t IdleToOverDown = 1u << 15;
inline constexpr uint16_t OutDownToIdle = 1u << 14;
inline constexpr uint16_t OutDownToOverDown = 1u << 13;
inline constexpr uint16_t OverDownToOutDown = 1u << 12;
inline constexpr uint16_t OverDownToOverUp = 1u << 11;  // the usual "release"
inline constexpr uint16_t OverUpToOverDown = 1u << 10;  // "press"
inline constexpr uint16_t OverUpToIdle = 1u << 9;       // "roll out"
inline constexpr uint16_t IdleToOverUp = 1u << 8;       // "roll over"
inline constexpr uint16_t OverDownToIdle = 1u << 0;
}  // namespace ButtonCondition

struct ButtonAction {
    uint16_t conditions = 0;  // ButtonCondition bits
    uint8_t keyCode = 0;      // CondKeyPress: 0 none, 1-19 special keys, 32-126 ASCII
    std::vector<uint8_t> actions;
};

// DefineButton's single action list is stored as one ButtonAction with the
// OverDownToOverUp condition, so both versions are handled alike.
struct Button {
    uint8_t version = 1;
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    std::vector<ButtonAction> actions;
    std::array<ButtonSound, ButtonSoundSlot::Count> sounds;  // DefineButtonSound
    std::optional<Rect> scalingGrid;                         // DefineScalingGrid, in the button's twips
};

}  // namespace swf
