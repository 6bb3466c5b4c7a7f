// flash.events.MouseEvent and KeyboardEvent, and the display list's input:
// the pointer hits the real shapes (the model's hit test) of the topmost
// InteractiveObject that takes the mouse (mouseEnabled, and mouseChildren
// of its containers; a container whose children may not take it takes
// their hits itself); keys go to stage.focus, or the stage.
#pragma once

#include "as3/event_dispatch.h"

#include "avm2/core_library.h"

#include "model/movie_clip.h"

#include "swf/geometry.h"

#include <span>

namespace as3 {

struct InputEventState final : EventState {
    double localX = 0;
    double localY = 0;
    double stageX = 0;
    double stageY = 0;
    avm2::Value relatedObject;
    // Set by script; the getter also answers true while relatedObject is
    // of a movie the reader may not reach.
    bool relatedInaccessible = false;
    bool ctrlKey = false;
    bool altKey = false;
    bool shiftKey = false;
    bool buttonDown = false;
    int32_t delta = 0;
    uint32_t charCode = 0;
    uint32_t keyCode = 0;

    void trace(avm2::Tracer& tracer) const override {
        EventState::trace(tracer);
        tracer.value(relatedObject);
    }
};

// The object under a stage point (twips) that takes the mouse; the stage
// when nothing does.
[[nodiscard]] avm2::Object* mouseTargetAt(avm2::Machine& m, swf::Point stage);
// Whether what a script drew into the clip lies under the stage point.
[[nodiscard]] bool drawingHit(const model::MovieClip& clip, swf::Point stage);

[[nodiscard]] std::span<const avm2::CoreClassSpec> inputEventClasses();

}  // namespace as3
