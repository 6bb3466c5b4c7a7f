// Runs timelines: entering frames tag by tag, jumps, and the tick that
// advances a whole tree. The rules are stated in movie_clip.h and stage.h.
#pragma once

#include "model/display_object.h"
#include "model/movie_clip.h"
#include "model/stage_context.h"

#include <cstdint>

namespace model {

class TimelineExecutor {
public:
    // A new clip enters frame 0 (not charged: the caller charged it). Its
    // actions, its ClipLoad and those of the clips it created go to `out`.
    static void enterFirstFrame(MovieClip& clip, ActionBatch& out);
    // Moves the playhead to `frame` (in range): nothing for the current
    // frame, the next frame tag by tag, anything else as a jump. False when
    // the work budget refused it.
    static bool gotoFrame(MovieClip& clip, uint32_t frame, ActionBatch& out);
    // One tick of this clip alone: the next frame, or back to 0 after the last.
    static void step(MovieClip& clip, ActionBatch& out);
    // One tick of a subtree in pre-order, children by ascending depth.
    static void advanceTree(DisplayObject& object, ActionBatch& out);

private:
    static void executeFrame(MovieClip& clip, uint32_t frame, ActionBatch& out, bool firstFrame);
    static bool jump(MovieClip& clip, uint32_t target, ActionBatch& out);
};

}  // namespace model
