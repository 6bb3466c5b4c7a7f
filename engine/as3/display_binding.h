// Keeps the model's display lists in step with ActionScript 3's child lists,
// so what scripts add is drawn.
//
// ActionScript 3 orders children by index, the model by depth. A child a
// script added gets a depth above every timeline depth, spaced so that most
// insertions find a free depth between their neighbours; when none is free
// the container's script children are numbered afresh. Timeline-placed
// children keep their depths, so they draw below the ones scripts added.
#pragma once

#include "as3/display_state.h"
#include "as3/host_context.h"

namespace as3 {

// The clip `container`'s children draw on: its own, the root's for the stage.
[[nodiscard]] model::MovieClip* containerClip(HostContext& ctx, DisplayState& container);
// Puts the model object of container's children[index] on the container's
// clip in its index order. False when the model refused it (too deeply nested).
[[nodiscard]] bool attachToModel(avm2::Machine& m, avm2::Object* container, size_t index);
// Takes the object's model object off whatever clip it is on.
void detachFromModel(HostContext& ctx, DisplayState& child);
// An empty clip for a display object a script makes; an Error when the
// stage's object limit is reached.
[[nodiscard]] std::shared_ptr<model::DisplayObject> newModelClip(avm2::Machine& m);

}  // namespace as3
