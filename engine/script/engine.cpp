// The engine's entry points: each opens an entry (budget, nesting), does its
// work guarded, and the outermost one drains the stage's queue and updates
// bound text before the collector may run.
#include "script/engine.h"

#include "script/builtins.h"

#include "script/calls.h"
#include "script/clip_control.h"
#include "script/clip_loading.h"
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
#include "script/tab_focus.h"
#include "script/text_input.h"
#include "script/variables.h"

#include "model/display_list.h"
#include "model/edit_text_object.h"

#include <memory>
#include <vector>

namespace script {

struct EngineState {
    EngineState(model::Stage& stage, Host& host, const Limits& limits, model::MovieClip* root = nullptr)
        : rt(stage, host, limits, root), frames(rt), input(rt) {}
    Runtime rt;
    FrameRunner frames;
    InputDispatcher input;
};

namespace {

// Text fields bound to a variable show its value. A field whose variable
// does not exist yet gives it the field's initial text once; after that the
// field follows the variable (undefined shows as empty).
void syncBoundText(Runtime& rt) {
    if (rt.disabled)
        return;
    std::vector<std::shared_ptr<model::DisplayObject>> fields;
    std::vector<model::DisplayObject*> walk{&rt.root()};
    while (!walk.empty()) {
        model::DisplayObject* d = walk.back();
        walk.pop_back();
        if (auto* field = d->as<model::EditTextObject>(); field && !field->variableName().empty())
            fields.push_back(d->shared_from_this());
        if (const model::DisplayList* children = d->children()) {
            for (const auto& [depth, child] : *children)
                walk.push_back(child.get());
        }
    }
    for (const auto& object : fields) {
        auto* field = object->as<model::EditTextObject>();
        model::MovieClip* parent = field->parentClip();
        if (!parent)
            continue;
        (void)rt.guarded([&] {
            std::u16string name = utf8ToUtf16(field->variableName());
            Frame f = timelineFrame(rt, rt.objectFor(*parent));
            Value value = getVariable(rt, f, name);
            StageLink* link = rt.linkOf(*field);
            if (value.isUndefined() && !link->textBound) {
                link->textBound = true;
                setVariable(rt, f, name, Value(rt.makeStringUtf8(field->text())));
                return;
            }
            link->textBound = true;
            field->setText(value.isUndefined() ? std::string() : toString(rt, value).utf8());
        });
    }
}

// Text fields' <img> tags naming files load them into their clips as
// loadMovie does (the same sandbox and fetcher); refused or missing files
// leave the clip empty.
void startImageLoads(Runtime& rt) {
    for (auto& [weak, url] : rt.stage.takeImageLoads(false)) {
        const auto clip = weak.lock();
        if (!clip || rt.disabled)
            continue;
        if (StageObject* object = rt.objectFor(*clip))
            (void)loadIntoClip(rt, *object, utf8ToUtf16(url), nullptr);
    }
}

}  // namespace

std::unique_ptr<Engine> Engine::create(model::Stage& stage, Host& host, const Limits& limits) {
    std::unique_ptr<Engine> engine(new Engine());
    engine->m_state = std::make_unique<EngineState>(stage, host, limits);
    return engine;
}

std::unique_ptr<Engine> Engine::createEmbedded(model::Stage& stage, model::MovieClip& root, Host& host,
                                               std::u16string url, const Limits& limits) {
    root.markAsRoot();
    std::unique_ptr<Engine> engine(new Engine());
    engine->m_state = std::make_unique<EngineState>(stage, host, limits, &root);
    engine->m_state->rt.embeddedUrl = std::move(url);
    return engine;
}

Engine::~Engine() {
    if (!m_state)
        return;
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    (void)rt.guarded([&] { writeSharedObjectsOnClose(rt); });
}

void Engine::finish(bool outermost) {
    if (!outermost)
        return;
    m_state->frames.drain(false);
    syncBoundText(m_state->rt);
    startImageLoads(m_state->rt);
    updateFocusHighlight(m_state->rt);
}

void Engine::tick() {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    if (!entry.outermost())
        return;  // a tick from inside a callback would run frames within a script
    // Sounds that played out in the frame just shown report before the next one.
    deliverSoundCompletions(rt);
    // Streams move to the clock's time, so the frame about to show has their pictures.
    updateNetStreams(rt);
    if (!rt.embeddedRoot)
        rt.stage.advance();
    m_state->frames.drain(true);
    // Images the frame's text asked for start now: local files land with
    // the loads below.
    startImageLoads(rt);
    // Loads that arrived are handed over between frames, never mid-script.
    if (rt.net)
        rt.net->deliver();
    deliverStageResize(rt);
    m_state->frames.runTimers();
    finish(true);
}

std::optional<double> Engine::nextTimerDue() const {
    if (m_state->rt.disabled)
        return std::nullopt;
    return m_state->rt.timers.nextDue();
}

void Engine::runTimers() {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    if (!entry.outermost())
        return;  // never from inside a script
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

void Engine::mouseDown(swf::Point stage, bool doubleClick) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseDown(stage, doubleClick);
    finish(entry.outermost());
}

void Engine::mouseUp(swf::Point stage) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseUp(stage);
    finish(entry.outermost());
}

void Engine::setPointerCovered(bool covered) { m_state->rt.input.pointerCovered = covered; }

void Engine::mouseWheel(int32_t delta) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.mouseWheel(delta);
    finish(entry.outermost());
}

void Engine::contextMenu(swf::Point stage) {
    Runtime::Entry entry(m_state->rt);
    m_state->input.contextMenu(stage);
    finish(entry.outermost());
}

void Engine::loseFocus() {
    Runtime::Entry entry(m_state->rt);
    moveFocus(m_state->rt, nullptr, false);
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

std::optional<std::u16string> Engine::getVariable(std::u16string_view path) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    std::optional<std::u16string> out;
    (void)rt.guarded([&] {
        Frame f = timelineFrame(rt, rt.rootObject());
        Value v = script::getVariable(rt, f, path);
        if (!v.isUndefined())
            out = std::u16string(toString(rt, v).view());
    });
    finish(entry.outermost());
    return out;
}

bool Engine::setVariable(std::u16string_view path, std::u16string_view value) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool done = false;
    (void)rt.guarded([&] {
        std::u16string name(path);
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
        script::setVariable(rt, f, name, Value(rt.makeString(value)));
        done = true;
    });
    finish(entry.outermost());
    return done;
}

namespace {

StageObject* targetOf(Runtime& rt, std::u16string_view target) {
    return resolveTargetPath(rt, rt.rootObject(), target);
}

}  // namespace

std::optional<std::u16string> Engine::getProperty(std::u16string_view target, int32_t index) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    std::optional<std::u16string> out;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        if (t && index >= 0 && index < ClipPropertyCount)
            out = std::u16string(toString(rt, getClipProperty(rt, *t, index)).view());
    });
    finish(entry.outermost());
    return out;
}

std::optional<double> Engine::getPropertyNumber(std::u16string_view target, int32_t index) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    std::optional<double> out;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        if (t && index >= 0 && index < ClipPropertyCount)
            out = toNumber(rt, getClipProperty(rt, *t, index));
    });
    finish(entry.outermost());
    return out;
}

bool Engine::setProperty(std::u16string_view target, int32_t index, std::u16string_view value) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool done = false;
    (void)rt.guarded([&] {
        // Numeric text sets numeric properties by its number ("0" hides).
        String text = rt.makeString(value);
        auto number = parseNumberLiteral(text.view());
        if (StageObject* t = targetOf(rt, target))
            done = setClipProperty(rt, *t, index, number ? Value(*number) : Value(text));
    });
    finish(entry.outermost());
    return done;
}

bool Engine::setPropertyNumber(std::u16string_view target, int32_t index, double value) {
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

bool Engine::callFrame(std::u16string_view target, int64_t frame) {
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

bool Engine::callLabel(std::u16string_view target, std::u16string_view label) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    bool found = false;
    (void)rt.guarded([&] {
        StageObject* t = targetOf(rt, target);
        model::MovieClip* clip = t ? t->clip() : nullptr;
        auto frame = clip ? clip->findLabel(utf16ToUtf8(label)) : std::nullopt;
        if (!frame)
            return;
        found = true;
        runFrameActions(rt, *t, *frame);
    });
    finish(entry.outermost());
    return found;
}

CallResult Engine::invokeCallback(std::u16string_view name, const std::vector<ExternalValue>& args) {
    Runtime& rt = m_state->rt;
    Runtime::Entry entry(rt);
    auto it = rt.callbacks.find(std::u16string(name));
    if (it == rt.callbacks.end() || rt.disabled) {
        finish(entry.outermost());
        return CallError::NotRegistered;
    }
    ExternalCallback callback = it->second;
    ExternalValue answer;
    bool ok = rt.guarded([&] {
        std::vector<Value> values;
        for (const ExternalValue& a : args)
            values.push_back(fromExternal(rt, a));
        answer = toExternal(rt, script::callFunction(rt, callback.function, callback.self, values));
    });
    finish(entry.outermost());
    if (!ok)
        return CallError::ScriptFailed;
    std::u16string xml = utf8ToUtf16(ExternalCallCodec::encodeValue(answer));
    return CallAnswer{std::move(answer), std::move(xml)};
}

void Engine::setCallBridge(std::unique_ptr<CallBridge> bridge) { m_state->rt.callBridge = std::move(bridge); }

CallResult Engine::callFunction(std::u16string_view requestXml) {
    auto request = ExternalCallCodec::decodeRequest(requestXml);
    if (!request)
        return CallError::BadRequest;
    return invokeCallback(request->name, request->args);
}

std::vector<std::u16string> Engine::callbackNames() const {
    std::vector<std::u16string> names;
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

uint8_t Engine::swfVersion() const { return m_state->rt.rootVersion; }

void Engine::setDisplayPainter(DisplayPainter painter) { m_state->rt.painter = std::move(painter); }

void Engine::setQuality(std::u16string_view name) { m_state->rt.quality = String(std::u16string(name)); }

void Engine::setQualityListener(std::function<void(std::u16string_view)> listener) {
    m_state->rt.qualityChanged = std::move(listener);
}

}  // namespace script
