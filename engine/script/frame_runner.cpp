// Draining the action queue.
#include "script/frame_runner.h"

#include "script/calls.h"
#include "script/clip_control.h"
#include "script/clip_events.h"
#include "script/interpreter.h"
#include "script/runtime.h"

namespace script {

void FrameRunner::run(const model::PendingAction& action) {
    model::MovieClip* clip = action.clip.get();
    if (!clip)
        return;
    switch (action.kind) {
    case model::ActionKind::Init:
        (void)m_rt.guarded([&] { m_rt.interpreter().runBlock(action.bytes, m_rt.objectFor(*clip)); });
        break;
    case model::ActionKind::Frame:
        if (!clip->isOnStage())
            return;
        (void)m_rt.guarded([&] { m_rt.interpreter().runBlock(action.bytes, m_rt.objectFor(*clip)); });
        break;
    case model::ActionKind::ClipLoad:
        if (!clip->isOnStage())
            return;
        runClipEvent(m_rt, *clip, {swf::ClipEvent::Initialize | swf::ClipEvent::Construct, {}});
        runClipEvent(m_rt, *clip, {swf::ClipEvent::Load, u"onLoad"});
        break;
    case model::ActionKind::ClipUnload:
        // A removed clip is gone for good here: movies loaded into it or
        // below it stop their sounds, as unloading them would.
        clip->silenceLoadedMovies();
        runClipEvent(m_rt, *clip, {swf::ClipEvent::Unload, u"onUnload"});
        break;
    }
}

void FrameRunner::drain(bool tick) {
    if (m_rt.disabled) {
        (void)m_rt.takePendingActions();
        return;
    }
    for (uint32_t round = 0; round < m_rt.limits.maxQueueRounds; ++round) {
        std::vector<model::PendingAction> actions = m_rt.takePendingActions();
        if (actions.empty() && !(round == 0 && tick))
            return;
        // Init actions first: they register the classes the new clips are
        // constructed with.
        for (const auto& a : actions) {
            if (a.kind == model::ActionKind::Init)
                run(a);
        }
        for (const auto& a : actions) {
            if ((a.kind == model::ActionKind::Frame || a.kind == model::ActionKind::ClipLoad) && a.clip &&
                a.clip->isOnStage())
                (void)m_rt.guarded([&] { ensureConstructed(m_rt, *a.clip); });
        }
        if (round == 0 && tick)
            broadcastClipEvent(m_rt, {swf::ClipEvent::EnterFrame, u"onEnterFrame"});
        for (const auto& a : actions) {
            if (a.kind != model::ActionKind::Init)
                run(a);
        }
    }
    // A queue that keeps refilling itself (frames that jump to each other
    // forever) is cut off here.
    (void)m_rt.takePendingActions();
}

void FrameRunner::runTimers() {
    if (m_rt.disabled)
        return;
    const double now = m_rt.host.milliseconds();
    for (uint32_t id : m_rt.timers.due(now)) {
        Timer* t = m_rt.timers.find(id);
        if (!t)
            continue;  // cleared by an earlier timer
        Value self = t->self;
        Value function = t->function;
        String method = t->method;
        std::vector<Value> args = t->args;
        m_rt.timers.fired(id, now);
        (void)m_rt.guarded([&] {
            if (!method.empty())
                (void)callMethod(m_rt, self, method.view(), args);
            else
                (void)callFunction(m_rt, function, self, args);
        });
    }
}

}  // namespace script
