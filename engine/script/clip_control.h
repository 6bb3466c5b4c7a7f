// What scripts do to movie clips through the model, shared by the timeline
// actions, the MovieClip methods and the host's calls: jumps by frame value,
// calling a frame's actions, duplicating, attaching and removing clips,
// dragging and URL requests.
//
// Depths: scripts see depth d where the model stores d + ScriptDepthOffset,
// so timeline objects (model depths 1..65535) have negative script depths.
#pragma once

#include "script/value.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace model {
class DisplayObject;
class MovieClip;
}  // namespace model

namespace script {

class Object;
class Runtime;
class StageObject;

inline constexpr int32_t ScriptDepthOffset = 16384;

// A frame value: a 1-based number, a numeric string, a label, optionally
// with a target prefix ("/a/b:5", "_root.a:intro"). The clip it names and
// the 0-based frame; none when the target or label does not exist.
struct FrameTarget {
    StageObject* clip = nullptr;
    uint32_t frame = 0;
};
[[nodiscard]] std::optional<FrameTarget> resolveFrame(Runtime& rt, StageObject* base, const Value& frame,
                                                      int32_t bias = 0);

// Jumps (and plays or stops when asked). False when nothing was found.
bool gotoFrameValue(Runtime& rt, StageObject* base, const Value& frame, std::optional<bool> play, int32_t bias = 0);
// Runs the DoAction blocks of a frame in the clip, now, without moving the
// playhead.
void runFrameActions(Runtime& rt, StageObject& clip, uint32_t frame);

// duplicateMovieClip: a new instance of the same character in the same
// parent at a model depth, with the original's transform, colour and clip
// events (not its variables); the init object's properties are copied on.
StageObject* duplicateClip(Runtime& rt, StageObject& source, std::u16string_view name, int32_t modelDepth,
                           Object* init);
// attachMovie: the sprite exported under `exportName`.
StageObject* attachClip(Runtime& rt, StageObject& parent, std::u16string_view exportName, std::u16string_view name,
                        int32_t modelDepth, Object* init);
StageObject* createEmptyClip(Runtime& rt, StageObject& parent, std::u16string_view name, int32_t modelDepth);
// removeMovieClip: only objects at script depths (0 and up) go.
bool removeClip(Runtime& rt, StageObject& object);
// A clip is constructed once, before any of its own scripts run: when it is
// attached or duplicated, or (for timeline clips) after the init actions of
// the queue round that holds its first actions. A class registered for its
// symbol at that moment (Object.registerClass) gives it its prototype and
// runs its constructor; a later registration does not change the clip.
void ensureConstructed(Runtime& rt, model::DisplayObject& display);

void startDrag(Runtime& rt, StageObject& object, bool lockCenter, std::optional<std::array<double, 4>> bounds);
void stopDrag(Runtime& rt);
// Moves the dragged clip after the pointer moved.
void updateDrag(Runtime& rt);

// getURL and its relatives; "FSCommand:" URLs go to Host::fscommand. With a
// method (1 GET, 2 POST), loads into clips and levels send the variables of
// `sender` (the clip whose code asked) in the query or the body.
void requestUrl(Runtime& rt, std::u16string_view url, std::u16string_view window, uint8_t sendVarsMethod,
                bool loadTarget, bool loadVariables, Object* sender = nullptr);

}  // namespace script
