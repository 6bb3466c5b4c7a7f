// ActionScript objects for what the timeline places.
//
// When a bound clip's timeline places a sprite or shape, the object gets the
// class its character is linked to by SymbolClass, else MovieClip or Shape,
// bound to the placed model object itself. Its own timeline children are
// made while it is built, so they exist before its constructor's body runs;
// a named one becomes its parent's property of that name (a declared slot or
// a dynamic property). What the timeline removes leaves the child list with
// the removed events. Text fields become TextFields, static text
// StaticText; kinds without a class here yet (buttons, bitmaps, video) get
// no object.
#pragma once

#include "avm2/machine.h"
#include "avm2/object.h"

#include "model/display_object.h"
#include "swf/movie.h"

#include <memory>
#include <optional>

namespace as3 {

// Brings `container`'s children in step with its clip's timeline.
void syncTimelineChildren(avm2::Machine& m, avm2::Object* container);
// The same for every container under `top`, parents first.
void syncTimelineTree(avm2::Machine& m, avm2::Object* top);
// The main movie's character the class of `self` is linked to by SymbolClass, if any.
[[nodiscard]] std::optional<uint16_t> linkedCharacter(avm2::Machine& m, avm2::Object* self);
// The character the class of `self` is linked to in the main movie (movie
// null) or in a loaded movie still shown (its movie).
struct LibraryCharacter {
    std::shared_ptr<const swf::Movie> movie;
    uint16_t id = 0;
};
[[nodiscard]] std::optional<LibraryCharacter> linkedLibraryCharacter(avm2::Machine& m, avm2::Object* self);
// The model object for a display object a script constructs: its linked
// symbol's (a sprite with its first frame placed) when its class is linked
// to one, else an empty clip.
[[nodiscard]] std::shared_ptr<model::DisplayObject> newScriptObject(avm2::Machine& m, avm2::Object* self);

}  // namespace as3
