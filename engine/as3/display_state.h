// What a flash.display object keeps: its place in the tree (parent, children
// in index order), its name, and for the root the model clip its timeline
// is. Objects a script makes have no model object yet: their drawing comes
// with the display API; their other properties are kept as values.
#pragma once

#include "as3/event_dispatch.h"

#include "model/movie_clip.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace as3 {

struct DisplayState : DispatcherState {
    std::shared_ptr<model::MovieClip> clip;  // the root's timeline; none for script-made objects
    avm2::Object* parentObject = nullptr;
    std::vector<avm2::Value> children;
    avm2::Value name;
    bool isStage = false;
    bool isContainer = false;
    // addFrameScript: by frame index from 0.
    std::vector<avm2::Value> frameScripts;
    // Properties kept until the display API draws them (x, alpha, buttonMode...).
    std::map<std::u16string, avm2::Value> stored;

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

}  // namespace as3
