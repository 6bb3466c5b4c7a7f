// Listener lists (Key, Mouse, Stage listeners and AsBroadcaster.initialize):
// the listeners live in the source's hidden `_listeners` array, so scripts
// and the collector see them like any other property.
#pragma once

#include "script/value.h"

#include <span>
#include <string_view>

namespace script {

class Object;
class Runtime;

// Adds addListener, removeListener, broadcastMessage and `_listeners`.
void makeBroadcaster(Runtime& rt, Object* source);
// Calls `event` on every listener (a snapshot of the list), each call
// separately guarded: a listener that fails is reported and the others
// still hear the event. For event dispatch from the engine, not from script.
void broadcastEvent(Runtime& rt, Object* source, std::u16string_view event, std::span<const Value> args);
void installBroadcaster(Runtime& rt);  // the AsBroadcaster global

}  // namespace script
