// Timelines of the root movie and of sprites: frames of control tags.
#pragma once

#include "swf/filter.h"
#include "swf/sound.h"
#include "swf/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace swf {

// Clip event bits of CLIPEVENTFLAGS, read as one 32-bit value whose first file
// byte is the top byte (SWF 5's two-byte form fills the top 16 bits).
namespace ClipEvent {
inline constexpr uint32_t KeyUp = 1u << 31;
inline constexpr uint32_t KeyDown = 1u << 30;
inline constexpr uint32_t MouseUp = 1u << 29;
inline constexpr uint32_t MouseDown = 1u << 28;
inline constexpr uint32_t MouseMove = 1u << 27;
inline constexpr uint32_t Unload = 1u << 26;
inline constexpr uint32_t EnterFrame = 1u << 25;
inline constexpr uint32_t Load = 1u << 24;
inline constexpr uint32_t DragOver = 1u << 23;
inline constexpr uint32_t RollOut = 1u << 22;
inline constexpr uint32_t RollOver = 1u << 21;
inline constexpr uint32_t ReleaseOutside = 1u << 20;
inline constexpr uint32_t Release = 1u << 19;
inline constexpr uint32_t Press = 1u << 18;
inline constexpr uint32_t Initialize = 1u << 17;
inline constexpr uint32_t Data = 1u << 16;
inline constexpr uint32_t Construct = 1u << 10;
inline constexpr uint32_t KeyPress = 1u << 9;
inline constexpr uint32_t DragOut = 1u << 8;
}  // namespace ClipEvent

struct ClipAction {
    uint32_t events = 0;           // ClipEvent bits
    uint8_t keyCode = 0;           // with ClipEvent::KeyPress
    std::vector<uint8_t> actions;  // action records as stored, ending with 0 in a well-formed file
};

// PlaceObject (1), PlaceObject2 (2) and PlaceObject3 (3). Optional fields are
// empty when the tag did not carry them. PlaceObject 1 always has a character
// and a matrix and never moves (it places a new object at the depth).
struct PlaceObject {
    uint8_t version = 1;
    uint16_t depth = 0;
    bool move = false;  // PlaceObject2/3's Move flag
    std::optional<uint16_t> characterId;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> colorTransform;  // PlaceObject 1's CXFORM keeps alpha identity
    std::optional<uint16_t> ratio;
    std::optional<std::string> name;
    std::optional<uint16_t> clipDepth;
    std::optional<std::string> className;  // PlaceObject3
    std::optional<std::vector<Filter>> filters;
    std::optional<BlendMode> blendMode;
    std::optional<bool> cacheAsBitmap;
    std::optional<bool> visible;
    std::optional<Rgba> backgroundColor;  // PlaceObject3 opaque background
    uint32_t allClipEvents = 0;
    std::vector<ClipAction> clipActions;
};

struct RemoveObject {
    uint8_t version = 1;  // 1: character id and depth; 2: depth only
    std::optional<uint16_t> characterId;
    uint16_t depth = 0;
};

struct DoAction {
    std::vector<uint8_t> actions;
};

// DoInitAction: runs once, before the frame's DoActions, for a sprite.
struct DoInitAction {
    uint16_t spriteId = 0;
    std::vector<uint8_t> actions;
};

// DoABC (72) and DoABC2 (82): an ActionScript 3 byte-code block, loaded when
// its frame loads. DoABC2 adds flags (bit 0: lazy, initialise on first use)
// and a name; DoABC has neither.
struct DoAbc {
    uint32_t flags = 0;
    std::string name;  // UTF-8
    std::vector<uint8_t> abc;
    [[nodiscard]] bool lazy() const { return flags & 1; }
};

// SymbolClass (76): the ActionScript 3 class of each character; id 0 names
// the document class.
struct SymbolClass {
    std::vector<std::pair<uint16_t, std::string>> symbols;  // in file order
};

struct FrameLabel {
    std::string name;  // UTF-8
    bool namedAnchor = false;
};

struct SetBackgroundColor {
    Rgba color;  // alpha 255
};

using ControlTag = std::variant<PlaceObject, RemoveObject, DoAction, DoInitAction, FrameLabel, SetBackgroundColor,
                                StartSound, SoundStreamHead, SoundStreamBlock, DoAbc, SymbolClass>;

struct Frame {
    std::vector<ControlTag> tags;  // in file order
};

struct Label {
    std::string name;
    uint32_t frame = 0;  // 0-based frame index
    bool namedAnchor = false;
};

// A scene of the root timeline (DefineSceneAndFrameLabelData): it runs from
// `frame` to the next scene's first frame.
struct Scene {
    std::string name;    // UTF-8
    uint32_t frame = 0;  // 0-based first frame
};

// `frames` holds what the file contains: one frame per ShowFrame, plus a last
// frame for control tags after the last ShowFrame. declaredFrameCount is the
// count the header or DefineSprite states, which may differ.
struct Timeline {
    uint16_t declaredFrameCount = 0;
    std::vector<Frame> frames;
    std::vector<Label> labels;  // in file order; a repeated name keeps every entry
    // From DefineSceneAndFrameLabelData, in file order; empty without one
    // (the root then is one scene).
    std::vector<Scene> scenes;

    // The frame of the first label with this name (exact, case-sensitive), or none.
    [[nodiscard]] std::optional<uint32_t> findLabel(const std::string& name) const;
};

}  // namespace swf
