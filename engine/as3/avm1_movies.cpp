#include "as3/avm1_movies.h"

#include "as3/display_state.h"
#include "as3/external_values.h"

#include <algorithm>

namespace as3 {

using avm2::Value;

namespace {

void retireIf(HostContext& ctx, const std::function<bool(const HostContext::Avm1Movie&)>& done) {
    auto& movies = ctx.avm1Movies;
    for (auto it = movies.begin(); it != movies.end();) {
        if (!done(*it)) {
            ++it;
            continue;
        }
        ctx.stoppedAvm1Engines.push_back(std::move(it->engine));
        ctx.held.avm1Callbacks.erase(it->root);
        it = movies.erase(it);
    }
    // What was registered for a movie that never ran, or is gone.
    std::erase_if(ctx.held.avm1Callbacks, [](const auto& entry) { return entry.first.expired(); });
}

bool gone(const HostContext::Avm1Movie& movie) { return movie.root.expired(); }

// Crossings nested deeper than this (two movies calling each other back
// forever) answer undefined.
constexpr uint32_t MaxCrossings = 32;

struct Crossing {
    explicit Crossing(HostContext& ctx) : m_ctx(ctx), m_allowed(ctx.avm1Crossings < MaxCrossings) {
        ++m_ctx.avm1Crossings;
    }
    Crossing(const Crossing&) = delete;
    Crossing& operator=(const Crossing&) = delete;
    ~Crossing() { --m_ctx.avm1Crossings; }
    [[nodiscard]] bool allowed() const { return m_allowed; }

private:
    HostContext& m_ctx;
    bool m_allowed;
};

// The old movie's ExternalInterface.call into AVM1Movie.addCallback's functions.
class Bridge final : public script::CallBridge {
public:
    Bridge(HostContext& ctx, std::weak_ptr<model::DisplayObject> root) : m_ctx(ctx), m_root(std::move(root)) {}

    bool has(std::u16string_view name) override { return function(name) != nullptr; }

    script::ExternalValue call(const std::u16string& name, const std::vector<script::ExternalValue>& args) override {
        Crossing crossing(m_ctx);
        const Value* found = function(name);
        if (!found || !crossing.allowed())
            return {};
        avm2::Machine& m = m_ctx.machine;
        const Value f = *found;
        script::ExternalValue answer;
        // A throw or a limit answers undefined; the AS3 side reports it as
        // its own uncaught errors are not (the old movie asked, not the host).
        (void)m.run([&] {
            avm2::Machine::Pin keep(m, f);
            std::vector<Value> values;
            for (const script::ExternalValue& a : args) {
                values.push_back(fromExternal(m, a));
                m.pin(values.back());
            }
            const Value result = m.call(f, Value::null(), values);
            m.unpin(values.size());
            answer = toExternal(m, result);
            return Value();
        });
        return answer;
    }

private:
    const Value* function(std::u16string_view name) {
        const auto movie = m_ctx.held.avm1Callbacks.find(m_root);
        if (movie == m_ctx.held.avm1Callbacks.end())
            return nullptr;
        const auto it = movie->second.find(std::u16string(name));
        return it == movie->second.end() ? nullptr : &it->second;
    }

    HostContext& m_ctx;
    std::weak_ptr<model::DisplayObject> m_root;
};

// addCallback(name, closure): the old movie's ExternalInterface.call(name,
// ...) reaches the closure; a closure of null takes the name back.
Value addCallback(avm2::Machine& m, Value self, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    const std::u16string name = m.toString(avm2::argument(args, 0))->text();
    const Value closure = avm2::argument(args, 1);
    const std::shared_ptr<model::DisplayObject>& root = displayOf(m, self).object;
    if (!root)
        return Value();
    auto& functions = ctx.held.avm1Callbacks[root];
    if (closure.isObject())
        functions[name] = closure;
    else
        functions.erase(name);
    return Value();
}

// call(name, ...args): the old movie's function registered with
// ExternalInterface.addCallback(name, ...); undefined when there is none,
// the movie does not run, or the function fails.
Value callMovie(avm2::Machine& m, Value self, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    const std::u16string name = m.toString(avm2::argument(args, 0))->text();
    script::Engine* engine = avm1EngineOf(ctx, displayOf(m, self).object.get());
    Crossing crossing(ctx);
    if (!engine || !crossing.allowed())
        return Value();
    std::vector<script::ExternalValue> values;
    for (size_t i = 1; i < args.size(); ++i)
        values.push_back(toExternal(m, args[i]));
    const script::CallResult answer = engine->invokeCallback(name, values);
    return answer ? fromExternal(m, answer->value) : Value();
}

const avm2::NativeMember MovieMethods[] = {{u"addCallback", addCallback}, {u"call", callMovie}};

}  // namespace

std::span<const avm2::NativeMember> avm1MovieMethods() { return MovieMethods; }

void startAvm1Movie(HostContext& ctx, const std::shared_ptr<model::DisplayObject>& root, std::u16string url) {
    auto* clip = root ? root->as<model::MovieClip>() : nullptr;
    if (!clip)
        return;
    retireIf(ctx, gone);
    if (ctx.avm1Movies.size() >= MaxAvm1Movies)
        return;
    auto engine = script::Engine::createEmbedded(ctx.stage, *clip, ctx.host, std::move(url));
    engine->setDisplayPainter(ctx.painter);
    engine->setCallBridge(std::make_unique<Bridge>(ctx, root));
    engine->setQuality(ctx.quality);
    engine->setQualityListener([&ctx](std::u16string_view name) { setPlayerQuality(ctx, name); });
    script::Engine& started = *engine;
    ctx.avm1Movies.push_back({root, std::move(engine)});
    started.runPending();
}

void stopAvm1Movie(HostContext& ctx, const model::DisplayObject* root) {
    retireIf(ctx, [&](const HostContext::Avm1Movie& movie) { return gone(movie) || movie.root.lock().get() == root; });
}

void freeStoppedAvm1Engines(HostContext& ctx) { ctx.stoppedAvm1Engines.clear(); }

// By index: AS3 code a host callback reaches may start or stop movies meanwhile.
void forEachAvm1Movie(HostContext& ctx,
                      const std::function<void(const model::DisplayObject& root, script::Engine&)>& work) {
    retireIf(ctx, gone);
    for (size_t i = 0; i < ctx.avm1Movies.size(); ++i) {
        // Held for the call: the engine refers to its root.
        const std::shared_ptr<model::DisplayObject> root = ctx.avm1Movies[i].root.lock();
        if (root && ctx.avm1Movies[i].engine)
            work(*root, *ctx.avm1Movies[i].engine);
    }
}

std::shared_ptr<model::DisplayObject> liveAvm1Root(const HostContext& ctx, const model::DisplayObject* root) {
    for (const HostContext::Avm1Movie& movie : ctx.avm1Movies) {
        auto held = movie.root.lock();
        if (root && held.get() == root && movie.engine)
            return held;
    }
    return nullptr;
}

script::Engine* avm1EngineOf(HostContext& ctx, const model::DisplayObject* root) {
    for (HostContext::Avm1Movie& movie : ctx.avm1Movies) {
        if (root && !movie.root.expired() && movie.root.lock().get() == root)
            return movie.engine.get();
    }
    return nullptr;
}

void setPlayerQuality(HostContext& ctx, std::u16string_view name) {
    if (ctx.quality == name)
        return;
    ctx.quality = name;
    for (HostContext::Avm1Movie& movie : ctx.avm1Movies) {
        if (movie.engine)
            movie.engine->setQuality(name);
    }
    if (ctx.qualityChanged)
        ctx.qualityChanged(name);
}

void releaseAvm1Focus(HostContext& ctx) {
    const auto focused = ctx.avm1Focus.lock();
    ctx.avm1Focus.reset();
    if (script::Engine* engine = avm1EngineOf(ctx, focused.get()))
        engine->loseFocus();
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
