// What a flash.display object keeps: its place in the tree (parent, children
// in index order), its name, and the model object that draws it (the root's
// is the stage's root clip; a Sprite, MovieClip or Shape a script makes gets
// an empty clip of its own). The stage has none: its children other than the
// root live on the root clip, above everything else.
#pragma once

#include "as3/event_dispatch.h"

#include "model/movie_clip.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace as3 {

struct DisplayState : DispatcherState {
    std::shared_ptr<model::DisplayObject> object;  // null only for the stage
    avm2::Value graphics;                          // Sprite and Shape: made on first use
    avm2::Value mask;                              // as the script set it
    avm2::Object* parentObject = nullptr;
    std::vector<avm2::Value> children;
    avm2::Value name;
    bool isStage = false;
    bool isContainer = false;
    bool isInteractive = true;  // false for Shape: its hits go to its container
    // addFrameScript: by frame index from 0.
    std::vector<avm2::Value> frameScripts;
    uint32_t scriptFrame = UINT32_MAX;  // the frame whose script ran last
    // Properties that change no drawing (buttonMode, mouseEnabled...).
    std::map<std::u16string, avm2::Value> stored;

    [[nodiscard]] model::MovieClip* clip() const { return object ? object->as<model::MovieClip>() : nullptr; }

    [[nodiscard]] avm2::Object* parent() const override { return parentObject; }
    void trace(avm2::Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override;
};

// The state of a display object, or a TypeError for any other value.
[[nodiscard]] DisplayState& displayOf(avm2::Machine& m, avm2::Value v);
// Whether the object's ancestors reach the stage.
[[nodiscard]] bool onStage(avm2::Object* o);
// Adds `child` to the container (script or player), with the added events.
void addChildAt(avm2::Machine& m, avm2::Object* container, avm2::Object* child, size_t index);
// InteractiveObject's initialiser, for the host's classes that extend it;
// a kind without clips (TextField) sets HostContext::pendingObject first.
avm2::Value initInteractiveObject(avm2::Machine& m, avm2::Value thisValue, std::span<const avm2::Value> args);
// Takes `child` off the container's list, with the removed events.
void removeChildObject(avm2::Machine& m, avm2::Object* container, avm2::Object* child);

}  // namespace as3
