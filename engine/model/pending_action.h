// Actions the timelines produced for the script layer to run, in order.
//
// The model only collects them; running them is the script layer's job. The
// byte spans point into the movie the entry holds (a movie loaded into a
// clip may be replaced while its actions wait). The
// owner should take the queue after every operation; when nobody does, it
// stops growing at Limits::maxPendingActions (later entries are dropped and
// counted in Diagnostics::droppedActions).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace swf {
struct Movie;
}

namespace model {

class MovieClip;

enum class ActionKind : uint8_t {
    Init,        // DoInitAction: bytes, spriteId; clip is the timeline holding the tag (the root)
    Frame,       // DoAction: bytes, run in `clip`. Skip it if the clip has left the stage meanwhile
    ClipLoad,    // a new movie clip entered its first frame (its onClipEvent(load), onLoad)
    ClipUnload,  // the timeline removed the clip (onClipEvent(unload), onUnload); clip is off the stage
};

struct PendingAction {
    ActionKind kind = ActionKind::Frame;
    std::shared_ptr<MovieClip> clip;
    std::span<const uint8_t> bytes;           // Init and Frame
    uint16_t spriteId = 0;                    // Init
    std::shared_ptr<const swf::Movie> movie;  // Init and Frame: owns `bytes`
};

}  // namespace model
