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
#include <span>

namespace as3 {

// Starts the engine of a movie whose clip just joined the display list, and
// runs its first frame's scripts. Past MaxAvm1Movies the movie only plays.
// `url`: where it came from, its _url and the base of its relative loads.
inline constexpr size_t MaxAvm1Movies = 64;
void startAvm1Movie(HostContext& ctx, const std::shared_ptr<model::DisplayObject>& root, std::u16string url);
// Stops the engine of the movie in `root` (unload); it is freed by
// freeStoppedAvm1Engines, which the player calls where no engine runs.
void stopAvm1Movie(HostContext& ctx, const model::DisplayObject* root);
void freeStoppedAvm1Engines(HostContext& ctx);
// Each live engine in turn, with its movie's root; engines whose movie is
// gone are freed first.
void forEachAvm1Movie(HostContext& ctx,
                      const std::function<void(const model::DisplayObject& root, script::Engine&)>& work);
// The root of a live old movie, held (null when `root` is none).
[[nodiscard]] std::shared_ptr<model::DisplayObject> liveAvm1Root(const HostContext& ctx,
                                                                 const model::DisplayObject* root);
[[nodiscard]] std::optional<double> nextAvm1TimerDue(const HostContext& ctx);
// A script of either machine set the quality: every machine reads it, and
// the container draws at it.
void setPlayerQuality(HostContext& ctx, std::u16string_view name);
// AS3 took the keys back from the old movie that had them: its focus and
// focus rectangle go, with onKillFocus.
void releaseAvm1Focus(HostContext& ctx);
// The old movie whose clip is `root`, when it runs.
[[nodiscard]] script::Engine* avm1EngineOf(HostContext& ctx, const model::DisplayObject* root);
// AVM1Movie's addCallback and call: the version 9 bridge between the two
// machines. Values cross as ExternalInterface's do (primitives, arrays,
// plain objects); whatever fails answers undefined.
[[nodiscard]] std::span<const avm2::NativeMember> avm1MovieMethods();

}  // namespace as3
