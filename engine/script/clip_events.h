// Clip events: the onClipEvent blocks a placement attached to a clip and
// the handler properties (onEnterFrame, onLoad, onMouseDown ...) of its
// script object, run for one clip or broadcast to every clip on the stage.
//
// For one clip and event: first its onClipEvent blocks for the event, in
// the order the placement lists them, then the handler (the property found
// on the clip or its prototypes, called as a method). Each runs separately
// guarded. Broadcasts visit clips in tree pre-order (parents before their
// children, children by ascending depth) on a snapshot taken first; a clip
// that left the stage meanwhile is skipped.
#pragma once

#include "script/value.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace model {
class DisplayObject;
}

namespace script {

class Runtime;

struct ClipEvent {
    uint32_t bit = 0;             // swf::ClipEvent bit (0: handler only)
    std::u16string_view handler;  // "" for none
    uint8_t keyCode = 0;          // KeyPress blocks must name this key
};

// Runs one event on one clip (or button: handlers only).
void runClipEvent(Runtime& rt, model::DisplayObject& target, const ClipEvent& event, std::span<const Value> args = {});
// Every movie clip on the stage.
void broadcastClipEvent(Runtime& rt, const ClipEvent& event);
// Whether the object's script object (or its prototypes) has a function
// under `name`, found without running any script.
[[nodiscard]] bool hasHandler(Runtime& rt, model::DisplayObject& target, std::u16string_view name);

}  // namespace script
