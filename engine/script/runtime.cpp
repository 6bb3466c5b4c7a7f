// The runtime: set-up, values, stage objects, entry points and collection.
#include "script/runtime.h"

#include "script/net_stream_object.h"

#include "script/array_object.h"
#include "script/builtins.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/display_styles.h"
#include "script/interpreter.h"
#include "script/member_access.h"
#include "script/net_session.h"
#include "script/number_format.h"

#include "model/display_list.h"

namespace script {

void abortScript(ScriptErrorKind kind, std::string_view message) { throw ScriptAbort{{kind, utf8ToUtf16(message)}}; }

namespace {

const swf::Movie& movieOf(model::Stage& stage, model::MovieClip* root) {
    return root ? *root->library() : stage.movie();
}

}  // namespace

Runtime::Runtime(model::Stage& s, Host& h, const Limits& l, model::MovieClip* root)
    : stage(s),
      host(h),
      limits(l),
      rootVersion(movieOf(s, root).header.version),
      disabled(root ? root->library()->usesActionScript3() : s.usesActionScript3()),
      embeddedRoot(root),
      version(rootVersion),
      caseSensitive(rootVersion >= 7),
      meter(),
      heap(meter, caseSensitive),
      random(l.randomSeed),
      m_interpreter(std::make_unique<Interpreter>(*this)) {
    protos.object = heap.make<Object>(nullptr);
    protos.function = heap.make<Object>(protos.object);
    global = heap.make<Object>(protos.object);
    installObjectAndFunction(*this);
    installArray(*this);
    installString(*this);
    installNumberAndBoolean(*this);
    installMath(*this);
    installDate(*this);
    installError(*this);
    installGlobalFunctions(*this);
    installMovieClip(*this);
    installInput(*this);
    installExternalInterface(*this);
    installSystem(*this);
    installSharedObject(*this);
    installLoadVars(*this);
    installMovieClipLoader(*this);
    installXml(*this);
    installXmlSocket(*this);
    installLocalConnection(*this);
    installContextMenu(*this);
    installGeom(*this);
    installDrawing(*this);
    installColor(*this);
    installTextFormat(*this);
    installStyleSheet(*this);
    installTextRenderer(*this);
    installTextSnapshot(*this);
    installBitmapData(*this);
    installFilters(*this);
    installSound(*this);
    installNetStream(*this);
    installVideo(*this);
    m_liveAfterCollection = heap.objectCount();
    m_bytesAfterCollection = meter.bytes();
    // The built-ins are made before the limit applies: a limit below their
    // size makes every script fail with a memory error, never the set-up.
    meter.setLimit(limits.maxHeapBytes);
}

Runtime::~Runtime() = default;

// --- values -------------------------------------------------------------------------

String Runtime::makeString(std::u16string_view text) {
    if (text.size() > limits.maxStringLength)
        abortScript(ScriptErrorKind::MemoryLimit, "a string grew past the length limit");
    if (m_entryDepth > 0)
        chargeWork(text.size() / 64);
    return String(text, &meter);
}

String Runtime::makeStringUtf8(std::string_view utf8) { return makeString(utf8ToUtf16(utf8)); }

Object* Runtime::newObject() { return heap.make<Object>(protos.object); }

ArrayObject* Runtime::newArray() { return heap.make<ArrayObject>(protos.array); }

ArrayObject* Runtime::newArray(std::vector<Value> elements) {
    if (m_entryDepth > 0)
        chargeWork(elements.size() / 16);
    ArrayObject* a = newArray();
    a->assign(std::move(elements), limits.maxArrayLength);
    return a;
}

NativeFunction* Runtime::newNative(NativeFn call, NativeFn construct) {
    return heap.make<NativeFunction>(protos.function, call, construct);
}

ScriptFunction* Runtime::newScriptFunction(std::shared_ptr<const FunctionCode> code, std::vector<Object*> scope,
                                           Object* target) {
    ScriptFunction* fn = heap.make<ScriptFunction>(protos.function, std::move(code), std::move(scope), target);
    Object* proto = newObject();
    defineValue(proto, u"constructor", Value(fn));
    defineValue(fn, u"prototype", Value(proto));
    return fn;
}

void Runtime::defineMethod(Object* on, std::u16string_view name, NativeFn fn, uint8_t flags) {
    defineValue(on, name, Value(newNative(fn)), flags);
}

void Runtime::defineValue(Object* on, std::u16string_view name, Value value, uint8_t flags) {
    if (Property* p = on->properties().find(name)) {
        p->value = std::move(value);
        p->flags = flags;
        return;
    }
    on->properties().add(String(name, &meter), std::move(value), flags);
}

// --- stage objects -----------------------------------------------------------------

StageObject* Runtime::objectFor(model::DisplayObject& display) {
    auto* link = static_cast<StageLink*>(display.scriptData());
    if (link && link->object())
        return link->object();
    Object* proto = protos.object;
    switch (display.kind()) {
    case model::DisplayKind::MovieClip:
        proto = protos.movieClip;
        break;
    case model::DisplayKind::Button:
        proto = protos.button;
        break;
    case model::DisplayKind::EditText:
        proto = protos.textField;
        break;
    case model::DisplayKind::Video:
        proto = protos.video;
        break;
    default:
        break;
    }
    StageObject* object = heap.make<StageObject>(proto, &display);
    if (link)
        link->attach(object);
    else
        display.setScriptData(std::make_unique<StageLink>(object));
    return object;
}

StageObject* Runtime::rootObject() { return objectFor(root()); }

const swf::Movie& Runtime::movie() const { return movieOf(stage, embeddedRoot); }

// A movie's own clips share its context or one of a movie loaded below it.
std::vector<model::PendingAction> Runtime::takePendingActions() {
    if (!embeddedRoot)
        return stage.takePendingActions();
    const model::MovieClip* own = embeddedRoot;
    return stage.takePendingActionsIf(
        [own](const model::PendingAction& action) { return action.clip && action.clip->sharesMovieOf(*own); });
}

StageLink* Runtime::linkOf(model::DisplayObject& display) {
    (void)objectFor(display);
    return static_cast<StageLink*>(display.scriptData());
}

// --- entries and budgets -------------------------------------------------------------

Runtime::Entry::Entry(Runtime& rt) : m_rt(rt) {
    if (rt.m_entryDepth++ == 0) {
        m_outermost = true;
        rt.m_actionsLeft = rt.limits.maxActionsPerEntry;
        rt.stage.resetWorkBudget();
    }
}

Runtime::Entry::~Entry() {
    --m_rt.m_entryDepth;
    if (!m_outermost)
        return;
    m_rt.stack.clear();
    // Collect when the heap has grown well past what survived last time.
    if (m_rt.meter.bytes() > m_rt.m_bytesAfterCollection * 2 + (size_t(4) << 20) ||
        m_rt.meter.bytes() > m_rt.meter.limit() / 2)
        m_rt.collectGarbage();
}

Runtime::CallDepth::CallDepth(Runtime& rt) : m_rt(rt) {
    if (rt.m_callDepth >= rt.limits.maxCallDepth)
        abortScript(ScriptErrorKind::RecursionLimit, "calls nested too deeply (endless recursion?)");
    ++rt.m_callDepth;
}

void Runtime::failActionLimit() {
    abortScript(ScriptErrorKind::ActionLimit, "a script ran too long and was stopped (endless loop?)");
}

namespace {

// A description of a thrown value that runs no script.
std::u16string describeThrown(Runtime& rt, const Value& v) {
    if (Object* o = v.asObject()) {
        if (const Property* p = o->properties().find(u"message"); p && p->value.isString())
            return std::u16string(p->value.asString().view());
        return o->isCallable() ? u"[type Function]" : u"[object]";
    }
    if (v.isString())
        return std::u16string(v.asString().view());
    if (v.isNumber())
        return numberToString(v.asNumber());
    if (v.isBoolean())
        return v.asBool() ? u"true" : u"false";
    return v.isNull() ? u"null" : u"undefined";
}

}  // namespace

bool Runtime::guarded(const std::function<void()>& work) {
    if (disabled || budgetExhausted())
        return false;
    const size_t height = stack.size();
    const uint32_t depth = m_callDepth;
    try {
        work();
        return true;
    } catch (ScriptAbort& abort) {
        if (stack.size() > height)
            stack.resize(height);
        m_callDepth = depth;
        report(abort.error);
    } catch (ScriptThrow& thrown) {
        if (stack.size() > height)
            stack.resize(height);
        m_callDepth = depth;
        report({ScriptErrorKind::UncaughtException, u"uncaught exception: " + describeThrown(*this, thrown.value)});
    }
    return false;
}

void Runtime::report(const ScriptError& error) {
    ++m_errorsReported;
    host.scriptError(error);
}

// --- collection ----------------------------------------------------------------------

void Runtime::addRoots(std::vector<Object*>& out) {
    for (Object* o : {protos.object,     protos.function,   protos.array,        protos.string,
                      protos.number,     protos.boolean,    protos.date,         protos.error,
                      protos.movieClip,  protos.button,     protos.textField,    global,
                      keyObject,         mouseObject,       stageClass,          selectionObject,
                      protos.matrix,     protos.point,      protos.rectangle,    protos.colorTransform,
                      protos.transform,  protos.bitmapData, protos.video,        protos.netStream,
                      protos.textFormat, protos.styleSheet, protos.textSnapshot, sharedObjects}) {
        if (o)
            out.push_back(o);
    }
    for (Object* o : protos.filters) {
        if (o)
            out.push_back(o);
    }
    std::vector<model::DisplayObject*> walk{&root()};
    while (!walk.empty()) {
        model::DisplayObject* d = walk.back();
        walk.pop_back();
        if (auto* link = static_cast<StageLink*>(d->scriptData()); link && link->object())
            out.push_back(link->object());
        if (const model::DisplayList* children = d->children()) {
            for (const auto& [depth, child] : *children)
                walk.push_back(child.get());
        }
    }
    timers.traceRefs(out);
    for (NetStreamObject* stream : netStreams)
        out.push_back(stream);
    if (net)
        net->traceRefs(out);
    for (const auto& [name, callback] : callbacks) {
        if (Object* o = callback.self.asObject())
            out.push_back(o);
        if (Object* o = callback.function.asObject())
            out.push_back(o);
    }
    for (const auto& [voice, sound] : playingSounds)
        out.push_back(sound);
    for (const auto& [id, ctor] : registeredClasses)
        out.push_back(ctor);
    if (drag.object)
        out.push_back(drag.object);
    for (const Value& v : stack) {
        if (Object* o = v.asObject())
            out.push_back(o);
    }
}

void Runtime::collectGarbage() {
    if (m_entryDepth > 0)
        return;  // values on C++ stacks are not roots: never while a script runs
    heap.collect([this](std::vector<Object*>& out) { addRoots(out); });
    ++m_collections;
    m_liveAfterCollection = heap.objectCount();
    m_bytesAfterCollection = meter.bytes();
}

}  // namespace script
