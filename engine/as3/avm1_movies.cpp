#include "as3/avm1_movies.h"

#include <algorithm>

namespace as3 {

namespace {

void retireIf(HostContext& ctx, const std::function<bool(const HostContext::Avm1Movie&)>& done) {
    auto& movies = ctx.avm1Movies;
    for (auto it = movies.begin(); it != movies.end();) {
        if (!done(*it)) {
            ++it;
            continue;
        }
        ctx.stoppedAvm1Engines.push_back(std::move(it->engine));
        it = movies.erase(it);
    }
}

bool gone(const HostContext::Avm1Movie& movie) { return movie.root.expired(); }

}  // namespace

void startAvm1Movie(HostContext& ctx, const std::shared_ptr<model::DisplayObject>& root) {
    auto* clip = root ? root->as<model::MovieClip>() : nullptr;
    if (!clip)
        return;
    retireIf(ctx, gone);
    if (ctx.avm1Movies.size() >= MaxAvm1Movies)
        return;
    auto engine = script::Engine::createEmbedded(ctx.stage, *clip, ctx.host);
    engine->setDisplayPainter(ctx.painter);
    script::Engine& started = *engine;
    ctx.avm1Movies.push_back({root, std::move(engine)});
    started.runPending();
}

void stopAvm1Movie(HostContext& ctx, const model::DisplayObject* root) {
    retireIf(ctx, [&](const HostContext::Avm1Movie& movie) { return gone(movie) || movie.root.lock().get() == root; });
}

void freeStoppedAvm1Engines(HostContext& ctx) { ctx.stoppedAvm1Engines.clear(); }

// By index: AS3 code a host callback reaches may start or stop movies meanwhile.
void forEachAvm1Movie(HostContext& ctx, const std::function<void(script::Engine&)>& work) {
    retireIf(ctx, gone);
    for (size_t i = 0; i < ctx.avm1Movies.size(); ++i) {
        // Held for the call: the engine refers to its root.
        const std::shared_ptr<model::DisplayObject> root = ctx.avm1Movies[i].root.lock();
        if (root && ctx.avm1Movies[i].engine)
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
