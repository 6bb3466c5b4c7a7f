// Scenes of a MovieClip's timeline (the root's come from
// DefineSceneAndFrameLabelData; every other timeline is one scene) and the
// Scene and FrameLabel classes that show them to scripts. Frame numbers a
// script sees count from the start of the scene they lie in.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "model/movie_clip.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace as3 {

struct SceneSpan {
    std::string name;    // UTF-8
    uint32_t start = 0;  // first frame, 0-based over the whole timeline
    uint32_t count = 0;  // frames; 0 for a scene the file gives no frames
};

// At least one scene; together they cover the timeline in order.
[[nodiscard]] std::vector<SceneSpan> scenesOf(const model::MovieClip& clip);
// The scene holding the frame (0-based over the whole timeline).
[[nodiscard]] size_t sceneIndexAt(const std::vector<SceneSpan>& scenes, uint32_t frame);
// A new Scene object for scenes[index], with its labels.
[[nodiscard]] avm2::Value newScene(avm2::Machine& m, const model::MovieClip& clip, const SceneSpan& scene);
// FrameLabel objects of the labels inside the scene, frames counted from its start.
[[nodiscard]] avm2::Value sceneLabels(avm2::Machine& m, const model::MovieClip& clip, const SceneSpan& scene);

[[nodiscard]] std::span<const avm2::CoreClassSpec> sceneClasses();

}  // namespace as3
