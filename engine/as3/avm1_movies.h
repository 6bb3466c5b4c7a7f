// ActionScript 1/2 movies inside an ActionScript 3 one (AVM1Movie).
//
// Each plays in its clip on the AS3 stage's model, so it is drawn, masked,
// filtered and hit where its Loader puts it; its scripts run in an engine of
// its own (script::Engine::createEmbedded) on the same host, with the same
// limits as an ActionScript 2 root. The player drives those engines with its
// frame cycle, timers and input. The two machines share nothing else: the
// movie's root has no _parent, and AS3 sees an AVM1Movie without children.
#pragma once

#include "as3/host_context.h"

#include <functional>
#include <memory>
#include <optional>

namespace as3 {

// Starts the engine of a movie whose clip just joined the display list, and
// runs its first frame's scripts. Past MaxAvm1Movies the movie only plays.
inline constexpr size_t MaxAvm1Movies = 64;
void startAvm1Movie(HostContext& ctx, const std::shared_ptr<model::DisplayObject>& root);
// Stops the engine of the movie in `root` (unload); it is freed by
// freeStoppedAvm1Engines, which the player calls where no engine runs.
void stopAvm1Movie(HostContext& ctx, const model::DisplayObject* root);
void freeStoppedAvm1Engines(HostContext& ctx);
// Each live engine in turn; engines whose movie is gone are freed first.
void forEachAvm1Movie(HostContext& ctx, const std::function<void(script::Engine&)>& work);
[[nodiscard]] std::optional<double> nextAvm1TimerDue(const HostContext& ctx);

}  // namespace as3
