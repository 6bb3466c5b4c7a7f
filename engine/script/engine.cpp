// The engine's entry points: each opens an entry (budget, nesting), does its
// work guarded, and the outermost one drains the stage's queue and updates
// bound text before the collector may run.
#include "script/engine.h"

#include "script/calls.h"
#include "script/clip_control.h"
#include "script/clip_properties.h"
#include "script/conversions.h"
#include "script/external_bridge.h"
#include "script/external_call_codec.h"
#include "script/frame_runner.h"
#include "script/input_dispatcher.h"
#include "script/interpreter.h"
#include "script/net_session.h"
#include "script/number_format.h"
#include "script/runtime.h"
#include "script/text_binding.h"
#include "script/variables.h"

namespace script {

struct EngineState {
    EngineState(model::Stage& stage, Host& host, const Limits& limits)
        : rt(stage, host, limits), frames(rt), input(rt) {}
    Runtime rt;
    FrameRunner frames;
    InputDispatcher input;
};

std::unique_ptr<Engine> Engine::create(model::Stage& stage, Host& host, const Limits& limits) {
    std::unique_ptr<Engine> engine(new Engine());
    engine->m_state = std::make_unique<EngineState>(stage, host, limits);
    return engine;
}

Engine::~Engine() = default;

void Engine::finish(bool outermost) {
    if (!outermost)
        return;
    m_state->frames.drain(false);
    syncBoundText(m_state->rt);
}

void Engine::tick() {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    if (!entry.outermost())
        return;  // a tick from inside a callback would run frames within a script
    rt.stage.advance();
    m_state->frames.drain(true);
    // Loads that arrived are handed over between frames, never mid-script.
    if (rt.net)
        rt.net->deliver();
    m_state->frames.runTimers();
    finish(true);
}

void Engine::runPending() {
    Runtime::Entry entry(m_state->rt);
    finish(entry.outermost());
}

void Engine::mouseMove(swf::Point stage) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseMove(stage);
    finish(entry.outermost());
}

void Engine::mouseDown(swf::Point stage) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseDown(stage);
    finish(entry.outermost());
}

void Engine::mouseUp(swf::Point stage) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseUp(stage);
    finish(entry.outermost());
}

void Engine::mouseWheel(int32_t delta) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseWheel(delta);
    finish(entry.outermost());
}

void Engine::keyDown(uint32_t code, uint32_t ascii) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.keyDown(code, ascii);
    finish(entry.outermost());
}

void Engine::keyUp(uint32_t code, uint32_t ascii) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.keyUp(code, ascii);
    finish(entry.outermost());
}

bool Engine::pointerOverButton() const { return m_state->input.pointerOverButton(); }

std::optional<std::string> Engine::getVariable(std::string_view path) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    std::optional<std::string> out;
    (void)rt.guarded([&] {
        Frame f = timelineFrame(rt, rt.rootObject());
        Value v = script::getVariable(rt, f, utf8ToUtf16(path));
        if (!v.isUndefined())
            out = toString(rt, v).utf8();
    });
    finish(entry.outermost());
    return out;
}

bool Engine::setVariable(std::string_view path, std::string_view value) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool done = false;
    (void)rt.guarded([&] {
        std::u16string name = utf8ToUtf16(path);
        Frame f = timelineFrame(rt, rt.rootObject());
        size_t cut = name.find_last_of(u":/");
        if (cut != std::u16string::npos) {
            std::u16string_view target = std::u16string_view(name).substr(0, cut);
            if (target.empty() && name[cut] == u'/')
                target = u"/";
            if (!target.empty() && !resolveTargetPath(rt, rt.rootObject(), target))
                return;
        } else if (size_t dot = name.rfind(u'.'); dot != std::u16string::npos && name.size() > 1) {
            Value holder = script::getVariable(rt, f, std::u16string_view(name).substr(0, dot));
            if (!holder.isObject())
                return;
        }
        script::setVariable(rt, f, name, Value(rt.makeStringUtf8(value)));
        done = true;
    });
    finish(entry.outermost());
    return done;
}

namespace {

StageObject* targetOf(Runtime& rt, std::string_view target) {
    return resolveTargetPath(rt, rt.rootObject(), utf8ToUtf16(target));
}

}  // namespace

std::optional<std::string> Engine::getProperty(std::string_view target, int32_t index) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    std::optional<std::string> out;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        if (t && index >= 0 && index < kClipPropertyCount)
            out = toString(rt, getClipProperty(rt, *t, index)).utf8();
    });
    finish(entry.outermost());
    return out;
}

std::optional<double> Engine::getPropertyNumber(std::string_view target, int32_t index) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    std::optional<double> out;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        if (t && index >= 0 && index < kClipPropertyCount)
            out = toNumber(rt, getClipProperty(rt, *t, index));
    });
    finish(entry.outermost());
    return out;
}

bool Engine::setProperty(std::string_view target, int32_t index, std::string_view value) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool done = false;
    (void)rt.guarded([&] {
        // Numeric text sets numeric properties by its number ("0" hides).
        String text = rt.makeStringUtf8(value);
        auto number = parseNumberLiteral(text.view());
        if (StageObject* t = targetOf(rt, target))
            done = setClipProperty(rt, *t, index, number ? Value(*number) : Value(text));
    });
    finish(entry.outermost());
    return done;
}

bool Engine::setPropertyNumber(std::string_view target, int32_t index, double value) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool done = false;
    (void)rt.guarded([&] {
        if (StageObject* t = targetOf(rt, target))
            done = setClipProperty(rt, *t, index, Value(value));
    });
    finish(entry.outermost());
    return done;
}

bool Engine::callFrame(std::string_view target, int64_t frame) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool found = false;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        model::MovieClip* clip = t ? t->clip() : nullptr;
        if (!clip || frame < 0 || frame >= int64_t(clip->totalFrames()))
            return;
        found = true;
        runFrameActions(rt, *t, uint32_t(frame));
    });
    finish(entry.outermost());
    return found;
}

bool Engine::callLabel(std::string_view target, std::string_view label) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool found = false;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        model::MovieClip* clip = t ? t->clip() : nullptr;
        auto frame = clip ? clip->findLabel(label) : std::nullopt;
        if (!frame)
            return;
        found = true;
        runFrameActions(rt, *t, *frame);
    });
    finish(entry.outermost());
    return found;
}

CallResult Engine::invokeCallback(std::string_view name, const std::vector<ExternalValue>& args) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    CallResult result;
    auto it = rt.callbacks.find(std::string(name));
    if (it == rt.callbacks.end() || rt.disabled) {
        result.status = CallStatus::NotRegistered;
        finish(entry.outermost());
        return result;
    }
    ExternalCallback callback = it->second;
    bool ok = rt.guarded([&] {
        std::vector<Value> values;
        for (const ExternalValue& a : args)
            values.push_back(fromExternal(rt, a));
        Value answer = script::callFunction(rt, callback.function, callback.self, values);
        result.value = toExternal(rt, answer);
    });
    if (ok) {
        result.xml = ExternalCallCodec::encodeValue(result.value);
    } else {
        result.status = CallStatus::ScriptFailed;
        result.value = {};
    }
    finish(entry.outermost());
    return result;
}

CallResult Engine::callFunction(std::string_view requestXml) {
    auto request = ExternalCallCodec::decodeRequest(requestXml);
    if (!request) {
        CallResult result;
        result.status = CallStatus::BadRequest;
        return result;
    }
    return invokeCallback(request->name, request->args);
}

std::vector<std::string> Engine::callbackNames() const {
    std::vector<std::string> names;
    for (const auto& [name, callback] : m_state->rt.callbacks)
        names.push_back(name);
    return names;
}

void Engine::runActions(model::MovieClip& clip, std::span<const uint8_t> bytes) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    (void)rt.guarded([&] { rt.interpreter().runBlock(bytes, rt.objectFor(clip)); });
    finish(entry.outermost());
}

void Engine::collectGarbage() { m_state->rt.collectGarbage(); }

EngineStats Engine::stats() const {
    const Runtime& rt = m_state->rt;
    EngineStats s;
    s.actionsExecuted = rt.actionsExecuted();
    s.errorsReported = rt.errorsReported();
    s.collections = rt.collections();
    s.liveObjects = rt.heap.objectCount();
    s.heapBytes = rt.meter.bytes();
    return s;
}

uint8_t Engine::swfVersion() const { return m_state->rt.version; }

}  // namespace script
