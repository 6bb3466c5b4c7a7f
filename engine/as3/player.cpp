#include "as3/player.h"

#include "as3/avm1_movies.h"
#include "as3/bitmap_classes.h"
#include "as3/button_state.h"
#include "as3/display_state.h"
#include "as3/external_values.h"
#include "as3/filter_classes.h"
#include "as3/focus.h"
#include "as3/geom3d.h"
#include "as3/geom_values.h"
#include "as3/graphics_paths.h"
#include "as3/graphics_state.h"
#include "as3/host_context.h"
#include "as3/input_events.h"
#include "as3/net_classes.h"
#include "as3/net_loads.h"
#include "as3/scenes.h"
#include "as3/text_values.h"
#include "as3/timeline_instances.h"

#include "avm2/class_object.h"
#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "script/external_call_codec.h"

#include <algorithm>

namespace as3 {

void loadFieldImage(avm2::Machine& m, const std::shared_ptr<model::DisplayObject>& clip, const std::string& url);

using avm2::Value;

void HeldValues::trace(avm2::Tracer& tracer) const {
    for (const auto& [name, f] : callbacks)
        tracer.value(f);
    tracer.values(broadcast);
    tracer.value(stage);
    tracer.value(loaderInfo);
    tracer.value(parameters);
    for (const auto& [domain, object] : domains)
        tracer.value(object);
    tracer.value(domainMemory);
    timers.trace(tracer);
    tracer.value(hover);
    tracer.value(pressed);
    tracer.value(focus);
    tracer.value(button);
    tracer.value(dragged);
    tracer.value(media);
    for (const auto& [id, owner] : loads)
        tracer.value(owner);
    for (const auto& [file, object] : sharedObjects)
        tracer.value(object);
    tracer.values(netStreams);
    for (const auto& [root, functions] : avm1Callbacks) {
        for (const auto& [name, f] : functions)
            tracer.value(f);
    }
    for (const auto& [id, image] : fieldImages)
        tracer.value(image.second);
}

std::unique_ptr<Player> Player::create(model::Stage& stage, script::Host& host, std::u16string url,
                                       std::vector<std::pair<std::u16string, std::u16string>> parameters,
                                       const avm2::Limits& limits) {
    std::unique_ptr<Player> player(new Player());
    player->m_machine = std::make_unique<avm2::Machine>(limits);
    avm2::Machine& m = *player->m_machine;
    for (auto family :
         {eventClasses(),  inputEventClasses(), focusClasses(),   uiClasses(),       geomClasses(),
          geom3DClasses(), filterClasses(),     displayClasses(), graphicsClasses(), graphicsDataClasses(),
          sceneClasses(),  buttonClasses(),     textClasses(),    bitmapClasses(),   systemClasses(),
          timerClasses(),  mediaClasses(),      videoClasses(),   netClasses(),      sharedObjectClasses(),
          loaderClasses()}) {
        for (const avm2::CoreClassSpec& spec : family)
            m.defineCoreClass(spec);
    }
    declareGraphicsInterfaces(m);
    for (auto family : {systemFunctions(), timerFunctions(), netFunctions()}) {
        for (const avm2::PackageFunction& f : family)
            m.definePackageFunction(f);
    }
    // What the player keeps lives in the native state of one object pinned
    // for the machine's life (outside any entry, so no entry unpins it).
    avm2::Object* holder = m.newObject();
    holder->setNativeState(std::make_unique<HeldValues>());
    m.pin(Value::object(holder));
    player->m_context.reset(new HostContext{.machine = m,
                                            .stage = stage,
                                            .host = host,
                                            .held = *holder->nativeAs<HeldValues>(),
                                            .url = std::move(url),
                                            .parameters = std::move(parameters),
                                            .pendingRoot = nullptr});
    m.setHostData(player->m_context.get());
    m.setTraceSink([&host](const std::u16string& line) { host.trace(line); });
    m.setEpochClock([&host] { return host.epochMilliseconds(); });
    return player;
}

Player::~Player() = default;

void Player::report(script::ScriptErrorKind kind, const std::u16string& message) {
    ++m_errors;
    m_context->host.scriptError({kind, u"ActionScript 3: " + message});
}

bool Player::run(const std::u16string& where, const std::function<void()>& work) {
    auto result = m_machine->run([&] {
        work();
        return Value();
    });
    if (result)
        return true;
    reportFailure(where, result.error().what);
    return false;
}

void Player::reportFailure(const std::u16string& where, const std::string& what) {
    const auto kind = what.starts_with("uncaught exception")         ? script::ScriptErrorKind::UncaughtException
                      : what.find("heap limit") != std::string::npos ? script::ScriptErrorKind::MemoryLimit
                      : what.find("#1023") != std::string::npos      ? script::ScriptErrorKind::RecursionLimit
                                                                     : script::ScriptErrorKind::ActionLimit;
    report(kind, where + u": " + avm2::utf8ToUtf16(what));
}

void Player::loadBlocks() {
    const swf::Timeline& timeline = m_context->stage.movie().root;
    for (size_t frame = 0; frame < timeline.frames.size(); ++frame) {
        for (const swf::ControlTag& tag : timeline.frames[frame].tags) {
            const auto* block = std::get_if<swf::DoAbc>(&tag);
            if (!block)
                continue;
            const std::u16string where =
                u"the block " +
                (block->name.empty() ? std::u16string() : u"\"" + avm2::utf8ToUtf16(block->name) + u"\" ") +
                u"of frame " + avm2::utf8ToUtf16(std::to_string(frame + 1));
            auto loaded = m_machine->load(block->abc);
            if (!loaded) {
                report(script::ScriptErrorKind::MalformedActions,
                       where + u" is not run: " + avm2::utf8ToUtf16(loaded.error().describe()));
                continue;
            }
            if (block->lazy())
                continue;
            const avm2::LoadedAbc* file = *loaded;
            if (auto entry = m_machine->runEntry(*file); !entry)
                reportFailure(where, entry.error().what);
        }
    }
}

void Player::buildRoot() {
    HostContext& ctx = *m_context;
    avm2::Machine& m = *m_machine;
    std::u16string documentClass;
    for (const swf::Frame& frame : ctx.stage.movie().root.frames) {
        for (const swf::ControlTag& tag : frame.tags) {
            if (const auto* symbols = std::get_if<swf::SymbolClass>(&tag)) {
                for (const auto& [id, name] : symbols->symbols) {
                    if (id == 0 && documentClass.empty())
                        documentClass = avm2::utf8ToUtf16(name);
                    else if (id != 0)
                        ctx.symbolClasses.emplace(id, avm2::utf8ToUtf16(name));
                }
            }
        }
    }
    ctx.pendingRoot = ctx.stage.rootPtr();
    if (!documentClass.empty()) {
        (void)run(u"the document class " + documentClass, [&] {
            const Value c = m.findDefinitionByName(documentClass, m.mainDomain());
            if (!c.isObject() || !dynamic_cast<avm2::ClassObject*>(c.asObject()))
                m.throwError("ReferenceError", 1065, u"Variable " + documentClass + u" is not defined.");
            (void)m.construct(c, {});
        });
    }
    if (!ctx.root) {
        // No document class, or one that failed before it was bound.
        ctx.pendingRoot = ctx.stage.rootPtr();
        (void)run(u"the root",
                  [&] { (void)m.construct(Value::object(m.coreClass(u"flash.display", u"MovieClip")), {}); });
    }
    ctx.pendingRoot.reset();
}

void Player::start() {
    if (m_started)
        return;
    m_started = true;
    HostContext& ctx = *m_context;
    avm2::Machine& m = *m_machine;
    (void)run(u"the stage", [&] {
        ctx.held.stage = m.construct(Value::object(m.coreClass(u"flash.display", u"Stage")), {});
        ctx.held.loaderInfo = m.construct(Value::object(m.coreClass(u"flash.display", u"LoaderInfo")), {});
        avm2::Object* parameters = m.newObject();
        ctx.held.parameters = Value::object(parameters);
        for (const auto& [name, value] : ctx.parameters)
            parameters->setOwn(name, m.string(value));
    });
    ctx.reportedSize = shownStageSize(ctx.stage);
    loadBlocks();
    buildRoot();
    broadcast(u"frameConstructed");
    runFrameScripts();
    broadcast(u"exitFrame");
    broadcastRender();
}

void Player::broadcast(const char16_t* type) {
    avm2::Machine& m = *m_machine;
    // Listeners added during the broadcast wait for the next one.
    const std::vector<Value> targets = m_context->held.broadcast;
    for (const Value& t : targets)
        m.pin(t);
    // Frame events reach display objects only; activate any dispatcher.
    const bool anyDispatcher = std::u16string_view(type) == u"activate" || std::u16string_view(type) == u"deactivate";
    for (const Value& target : targets) {
        if (!dispatcherOf(m, target.asObject()).has(type))
            continue;
        if (!anyDispatcher && !target.asObject()->nativeAs<DisplayState>())
            continue;
        (void)run(std::u16string(u"a ") + type + u" listener", [&] {
            Value event = makeEvent(m, type);
            avm2::Machine::Pin keep(m, event);
            dispatchAtTarget(m, target.asObject(), event);
        });
    }
    m.unpin(targets.size());
    if (m_context->frameChanged)
        runFrameScripts();
}

// The stage hears resize when it is noScale and shown at a size other than
// the one scripts last saw.
void Player::reportResize() {
    HostContext& ctx = *m_context;
    const auto size = shownStageSize(ctx.stage);
    if (size == ctx.reportedSize)
        return;
    ctx.reportedSize = size;
    if (ctx.stage.layout().scaleMode != model::ScaleMode::NoScale || !ctx.held.stage.isObject())
        return;
    (void)run(u"a resize listener", [&] {
        Value event = makeEvent(*m_machine, u"resize");
        avm2::Machine::Pin keep(*m_machine, event);
        dispatchAtTarget(*m_machine, ctx.held.stage.asObject(), event);
    });
}

void Player::activate(bool active) {
    if (m_started)
        broadcast(active ? u"activate" : u"deactivate");
}

void Player::broadcastRender() {
    // Listeners that invalidate again ask for the next frame's.
    if (!m_context->renderDue)
        return;
    m_context->renderDue = false;
    broadcast(u"render");
}

// Each clip's script for the frame its playhead is on, once per arrival,
// the root first, then the tree in child order; a goto inside one runs the
// scripts of the frames reached after it.
void Player::runFrameScripts() {
    HostContext& ctx = *m_context;
    avm2::Machine& m = *m_machine;
    for (int rounds = 0; rounds < 16 && ctx.root; ++rounds) {
        ctx.frameChanged = false;
        std::vector<Value> order{Value::object(ctx.root)};
        for (size_t i = 0; i < order.size() && order.size() < 100000; ++i) {
            for (const Value& c : displayOf(m, order[i]).children) {
                if (displayOf(m, c).isContainer)
                    order.push_back(c);
            }
        }
        for (const Value& o : order)
            m.pin(o);
        for (const Value& o : order) {
            auto* state = o.asObject()->nativeAs<DisplayState>();
            const model::MovieClip* clip = state ? state->clip() : nullptr;
            if (!clip || clip->currentFrame() == state->scriptFrame)
                continue;
            const uint32_t frame = clip->currentFrame();
            state->scriptFrame = frame;
            if (frame >= state->frameScripts.size() || !state->frameScripts[frame].isObject())
                continue;
            const Value script = state->frameScripts[frame];
            avm2::Machine::Pin keep(m, script);
            (void)run(u"the script of frame " + avm2::utf8ToUtf16(std::to_string(frame + 1)),
                      [&] { (void)m.call(script, o, {}); });
        }
        m.unpin(order.size());
        if (!ctx.frameChanged)
            return;
    }
}

void Player::tick() {
    if (!m_started) {
        start();
        return;
    }
    HostContext& ctx = *m_context;
    freeStoppedAvm1Engines(ctx);
    ctx.stage.advance();
    if (ctx.root)
        (void)run(u"the timeline", [&] { syncTimelineTree(*m_machine, ctx.root); });
    // ActionScript 1/2 movies run the frame the stage just reached; what
    // they leave in the queue is nobody's (this movie's own scripts are 3).
    forEachAvm1Movie(ctx, [](const model::DisplayObject&, script::Engine& e) { e.tick(); });
    (void)ctx.stage.takePendingActions();
    runTimers();
    (void)run(u"soundComplete", [&] { deliverSoundCompletions(*m_machine); });
    (void)run(u"a NetStream", [&] { updateNetStreams(*m_machine); });
    deliverLoads();
    startFieldImageLoads();
    reportResize();
    broadcast(u"enterFrame");
    broadcast(u"frameConstructed");
    runFrameScripts();
    broadcast(u"exitFrame");
    broadcastRender();
    updateFocusHighlight();
    // Between frames; at least once a second's worth of frames, sooner when
    // the heap has grown.
    if (m_machine->heap().wantsCollection() || ++m_framesSinceCollection >= 30)
        (void)collectGarbage();
}

void Player::setFrameRateListener(std::function<void(double)> listener) {
    m_context->frameRateChanged = std::move(listener);
}

void Player::setQualityListener(std::function<void(std::u16string_view)> listener) {
    m_context->qualityChanged = std::move(listener);
}

void Player::setQuality(std::u16string_view name) {
    m_context->quality = name;
    forEachAvm1Movie(*m_context, [&](const model::DisplayObject&, script::Engine& e) { e.setQuality(name); });
}

void Player::setDisplayPainter(script::DisplayPainter painter) { m_context->painter = std::move(painter); }

void Player::startFieldImageLoads() {
    HostContext& ctx = *m_context;
    for (auto& [weak, url] : ctx.stage.takeImageLoads(true)) {
        if (const auto clip = weak.lock())
            (void)run(u"a text field's image", [&] { loadFieldImage(*m_machine, clip, url); });
    }
}

void Player::deliverLoads() {
    HostContext& ctx = *m_context;
    if (!ctx.loads)
        return;
    // The loads outlive a callback that starts or cancels others.
    const std::shared_ptr<NetLoads> loads = ctx.loads;
    for (net::FetchEvent& event : loads->drain(ctx.held)) {
        auto it = ctx.held.loads.find(event.id);
        if (it == ctx.held.loads.end())
            continue;  // cancelled by an earlier callback
        const Value owner = it->second;
        if (event.result)
            ctx.held.loads.erase(it);
        auto* client = dynamic_cast<LoadClient*>(owner.asObject()->nativeState());
        if (!client)
            continue;
        (void)run(u"a load", [&] {
            avm2::Machine::Pin keep(*m_machine, owner);
            if (!event.chunk.empty())
                client->loadChunk(*m_machine, owner, event.chunk);
            if (event.result)
                client->loadFinished(*m_machine, owner, *event.result);
            else
                client->loadProgress(*m_machine, owner, event.loaded, event.total);
        });
    }
    if (ctx.frameChanged)
        runFrameScripts();
}

std::optional<double> Player::nextTimerDue() const {
    std::optional<double> due = m_context->held.timers.nextDue();
    if (auto avm1 = nextAvm1TimerDue(*m_context); avm1 && (!due || *avm1 < *due))
        due = avm1;
    return due;
}

void Player::runTimers() {
    if (!m_started)
        return;
    const double now = m_context->host.milliseconds();
    for (uint32_t id : m_context->held.timers.due(now))
        (void)run(u"a timer", [&] { fireTimer(*m_machine, id); });
    forEachAvm1Movie(*m_context, [](const model::DisplayObject&, script::Engine& e) { e.runTimers(); });
    if (m_context->frameChanged)
        runFrameScripts();
}

size_t Player::collectGarbage() {
    m_framesSinceCollection = 0;
    return m_machine->collect();
}

std::vector<std::u16string> Player::callbackNames() const {
    std::vector<std::u16string> names;
    for (const auto& [name, f] : m_context->held.callbacks)
        names.push_back(name);
    return names;
}

script::CallResult Player::callFunction(std::u16string_view requestXml) {
    const auto request = script::ExternalCallCodec::decodeRequest(requestXml);
    if (!request)
        return moviehost::Unexpected(script::CallError::BadRequest);
    HostContext& ctx = *m_context;
    auto it = ctx.held.callbacks.find(request->name);
    if (it == ctx.held.callbacks.end())
        return moviehost::Unexpected(script::CallError::NotRegistered);
    avm2::Machine& m = *m_machine;
    const Value function = it->second;
    script::ExternalValue answer;
    std::optional<std::u16string> thrown;
    auto result = m.run([&] {
        avm2::Machine::Pin keep(m, function);
        std::vector<Value> args;
        for (const script::ExternalValue& a : request->args) {
            args.push_back(fromExternal(m, a));
            m.pin(args.back());
        }
        Value value;
        try {
            value = m.call(function, Value::null(), args);
        } catch (const avm2::ScriptThrow&) {
            m.unpin(args.size());
            if (!ctx.held.marshallExceptions)
                throw;
            // The container hears the error as an exception.
            thrown = m.toString(m.thrownValue())->text();
            return Value();
        }
        m.unpin(args.size());
        answer = toExternal(m, value);
        return Value();
    });
    if (ctx.frameChanged)
        runFrameScripts();
    if (!result) {
        report(script::ScriptErrorKind::UncaughtException,
               u"the callback " + request->name + u": " + avm2::utf8ToUtf16(result.error().what));
        return moviehost::Unexpected(script::CallError::ScriptFailed);
    }
    script::CallAnswer out;
    if (thrown) {
        out.value = script::ExternalValue::fromString(avm2::utf16ToUtf8(*thrown));
        out.xml = u"<exception>" + avm2::utf8ToUtf16(script::ExternalCallCodec::escape(avm2::utf16ToUtf8(*thrown))) +
                  u"</exception>";
        return out;
    }
    out.xml = avm2::utf8ToUtf16(script::ExternalCallCodec::encodeValue(answer));
    out.value = std::move(answer);
    return out;
}

}  // namespace as3
