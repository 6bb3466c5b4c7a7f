#include "as3/avm1_movies.h"

#include <algorithm>

namespace as3 {

void startAvm1Movie(HostContext& ctx, const std::shared_ptr<model::DisplayObject>& root) {
    auto* clip = root ? root->as<model::MovieClip>() : nullptr;
    if (!clip)
        return;
    std::erase_if(ctx.avm1Movies, [](const HostContext::Avm1Movie& movie) { return movie.root.expired(); });
    if (ctx.avm1Movies.size() >= MaxAvm1Movies)
        return;
    auto engine = script::Engine::createEmbedded(ctx.stage, *clip, ctx.host);
    engine->setDisplayPainter(ctx.painter);
    script::Engine& started = *engine;
    ctx.avm1Movies.push_back({root, std::move(engine)});
    started.runPending();
}

void stopAvm1Movie(HostContext& ctx, const model::DisplayObject* root) {
    std::erase_if(ctx.avm1Movies, [&](const HostContext::Avm1Movie& movie) {
        return movie.root.expired() || movie.root.lock().get() == root;
    });
}

// By index: work never adds or removes engines (only AS3 code does).
void forEachAvm1Movie(HostContext& ctx, const std::function<void(script::Engine&)>& work) {
    std::erase_if(ctx.avm1Movies, [](const HostContext::Avm1Movie& movie) { return movie.root.expired(); });
    for (size_t i = 0; i < ctx.avm1Movies.size(); ++i) {
        // Held for the call: the engine refers to its root.
        const std::shared_ptr<model::DisplayObject> root = ctx.avm1Movies[i].root.lock();
        if (root)
            work(*ctx.avm1Movies[i].engine);
    }
}

std::optional<double> nextAvm1TimerDue(const HostContext& ctx) {
    std::optional<double> due;
    for (const HostContext::Avm1Movie& movie : ctx.avm1Movies) {
        if (movie.root.expired())
            continue;
        if (auto next = movie.engine->nextTimerDue(); next && (!due || *next < *due))
            due = next;
    }
    return due;
}

}  // namespace as3
