// Everything one movie's scripts share: the heap and its well-known objects,
// the interpreter, the budgets of the running entry point, timers, external
// callbacks, registered classes and input state. The engine's parts reach
// each other through it.
#pragma once

#include "script/call_bridge.h"
#include "script/display_painter.h"
#include "script/function_object.h"
#include "script/heap.h"
#include "script/host.h"
#include "script/limits.h"
#include "script/memory_meter.h"
#include "script/object.h"
#include "script/random_source.h"
#include "script/script_abort.h"
#include "script/stage_object.h"
#include "script/timer_queue.h"

#include "model/stage.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace net {
struct MovieOrigin;
}  // namespace net

namespace script {

class ArrayObject;
class Interpreter;
class NetSession;
class NetStreamObject;

struct Prototypes {
    Object* object = nullptr;
    Object* function = nullptr;
    Object* array = nullptr;
    Object* string = nullptr;
    Object* number = nullptr;
    Object* boolean = nullptr;
    Object* date = nullptr;
    Object* error = nullptr;
    Object* movieClip = nullptr;
    Object* button = nullptr;
    Object* textField = nullptr;
    Object* textFormat = nullptr;
    Object* styleSheet = nullptr;  // TextField.StyleSheet
    Object* textSnapshot = nullptr;
    // flash.geom, flash.display
    Object* matrix = nullptr;
    Object* point = nullptr;
    Object* rectangle = nullptr;
    Object* colorTransform = nullptr;
    Object* transform = nullptr;
    Object* bitmapData = nullptr;
    Object* video = nullptr;
    Object* netStream = nullptr;
    // flash.filters, by the file's numbering of filter kinds
    std::array<Object*, 9> filters{};
};

// Keyboard and pointer as scripts see them.
struct InputState {
    std::bitset<256> keysDown;
    uint32_t lastKeyCode = 0;
    uint32_t lastAscii = 0;
    swf::Point mouse;  // stage twips, from the last input call
    bool mouseDown = false;
    std::weak_ptr<model::DisplayObject> focus;       // the field typed into, or the button or clip Tab reached
    bool focusShown = false;                         // focus came from Tab or setFocus: the yellow rectangle may show
    std::weak_ptr<model::DisplayObject> selecting;   // the field a held press drags a selection in
    std::weak_ptr<model::DisplayObject> hoverField;  // the styled field whose link the pointer is over
    bool hoverStyles = false;  // a field was given a sheet with a:hover: pointer moves look for links
    // Another movie's objects lie over this one under the pointer: its
    // buttons, clips and fields take nothing there (listeners still hear).
    bool pointerCovered = false;
    bool highlightShown = false;  // the stage's focus rectangle is this engine's
};

// startDrag: the clip follows the pointer until stopDrag.
struct DragState {
    StageObject* object = nullptr;
    swf::Point offset;  // clip position minus pointer, in the parent's twips
    bool constrained = false;
    double left = 0, top = 0, right = 0, bottom = 0;  // pixels in the parent's coordinates
};

struct ExternalCallback {
    Value self;
    Value function;
};

class Runtime {
public:
    // `root`: the clip of a movie that plays inside another's tree (an
    // ActionScript 1/2 movie loaded by an ActionScript 3 one) as _level0 of
    // its own; null for the stage's root.
    Runtime(model::Stage& stage, Host& host, const Limits& limits, model::MovieClip* root = nullptr);
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;
    ~Runtime();

    // --- fixed facts ---------------------------------------------------------
    model::Stage& stage;
    Host& host;
    const Limits limits;
    const uint8_t rootVersion;  // the root movie's SWF version
    const bool disabled;        // ActionScript 3 movie: run nothing
    // Set for a movie inside another's tree: the host advances the stage,
    // and only this movie's actions are taken from its queue.
    model::MovieClip* const embeddedRoot;
    // The SWF version of the movie whose code runs (the root's outside any
    // script; RunningCode switches it) and its case rule: identifiers
    // compare exactly from SWF 7 on.
    uint8_t version = 0;
    bool caseSensitive = false;

    // Where an embedded movie came from (set once, before any script runs).
    std::u16string embeddedUrl;
    std::unique_ptr<CallBridge> callBridge;
    // Where _level0's movie came from: the host's movie for the stage's root.
    [[nodiscard]] std::u16string movieUrl() const { return embeddedRoot ? embeddedUrl : host.movieUrl(); }

    // _level0's clip and the movie it plays.
    [[nodiscard]] model::MovieClip& root() const { return embeddedRoot ? *embeddedRoot : stage.root(); }
    [[nodiscard]] const swf::Movie& movie() const;
    // The actions queued for this engine's movie.
    [[nodiscard]] std::vector<model::PendingAction> takePendingActions();

    MemoryMeter meter;
    Heap heap;

    Prototypes protos;
    Object* global = nullptr;
    Object* keyObject = nullptr;
    Object* selectionObject = nullptr;
    Object* mouseObject = nullptr;
    Object* stageClass = nullptr;     // the Stage object scripts see
    Object* sharedObjects = nullptr;  // SharedObject.getLocal's objects by file, written when the movie closes

    // --- making values -------------------------------------------------------
    // Counted strings; ScriptAbort (MemoryLimit) past maxStringLength.
    [[nodiscard]] String makeString(std::u16string_view text);
    [[nodiscard]] String makeStringUtf8(std::string_view utf8);
    [[nodiscard]] Object* newObject();
    [[nodiscard]] ArrayObject* newArray();
    [[nodiscard]] ArrayObject* newArray(std::vector<Value> elements);
    [[nodiscard]] NativeFunction* newNative(NativeFn call, NativeFn construct = nullptr);
    // A function object for script code, with its own `prototype` object.
    [[nodiscard]] ScriptFunction* newScriptFunction(std::shared_ptr<const FunctionCode> code,
                                                    std::vector<Object*> scope, Object* target);
    // Helpers for setting up built-ins: hidden (DontEnum) members.
    void defineMethod(Object* on, std::u16string_view name, NativeFn fn, uint8_t flags = PropertyFlag::DontEnum);
    void defineValue(Object* on, std::u16string_view name, Value value, uint8_t flags = PropertyFlag::DontEnum);

    // --- stage objects ---------------------------------------------------------
    // The script object of a display object (made on first use).
    [[nodiscard]] StageObject* objectFor(model::DisplayObject& display);
    [[nodiscard]] StageObject* rootObject();
    [[nodiscard]] StageLink* linkOf(model::DisplayObject& display);

    // --- the running entry point ----------------------------------------------
    // Entry points nest (the host may call back while a script runs); only
    // the outermost one resets the budget and collects at its end.
    class Entry {
    public:
        explicit Entry(Runtime& rt);
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        ~Entry();
        [[nodiscard]] bool outermost() const { return m_outermost; }

    private:
        Runtime& m_rt;
        bool m_outermost = false;
    };
    [[nodiscard]] bool inEntry() const { return m_entryDepth > 0; }
    [[nodiscard]] bool budgetExhausted() const { return m_actionsLeft == 0; }
    // One action: ScriptAbort (ActionLimit) when the budget is spent.
    void chargeAction() {
        if (m_actionsLeft == 0)
            failActionLimit();
        --m_actionsLeft;
        ++m_actionsExecuted;
    }
    // Work of a built-in proportional to its data (elements copied or
    // sorted, characters built), in action units, so that a cheap-looking
    // call on a huge array or string spends the budget too.
    void chargeWork(uint64_t units) {
        if (units > m_actionsLeft) {
            m_actionsLeft = 0;
            failActionLimit();
        }
        m_actionsLeft -= units;
    }
    [[nodiscard]] uint64_t actionsExecuted() const { return m_actionsExecuted; }

    // Call depth: script and native calls that may run script.
    class CallDepth {
    public:
        explicit CallDepth(Runtime& rt);
        CallDepth(const CallDepth&) = delete;
        CallDepth& operator=(const CallDepth&) = delete;
        ~CallDepth() { --m_rt.m_callDepth; }

    private:
        Runtime& m_rt;
    };
    [[nodiscard]] uint32_t callDepth() const { return m_callDepth; }

    // Runs `work` as one script run: a ScriptAbort or an uncaught throw is
    // reported to the host and stops only this run (an action-limit abort
    // also leaves the budget spent, so the entry's later runs are skipped).
    // False when the run did not complete.
    bool guarded(const std::function<void()>& work);
    void report(const ScriptError& error);

    // --- subsystems ------------------------------------------------------------
    [[nodiscard]] Interpreter& interpreter() { return *m_interpreter; }
    RandomSource random;
    TimerQueue timers;
    std::map<std::u16string, ExternalCallback> callbacks;  // by name, exactly as registered
    std::map<uint16_t, Object*> registeredClasses;         // sprite id -> constructor (Object.registerClass)
    std::map<uint64_t, Object*> playingSounds;             // host voice -> the Sound object that started it
    std::set<NetStreamObject*> netStreams;                 // streams with a file open or events to deliver
    // Clips Sound objects were made for: their levels are forgotten once they leave the stage.
    std::map<uint64_t, std::weak_ptr<const model::DisplayObject>> soundOwners;
    InputState input;
    DisplayPainter painter;  // BitmapData.draw of clips, applyFilter
    // Loads scripts started (LoadVars, loadVariables); made on first use.
    std::unique_ptr<NetSession> net;
    DragState drag;
    // The clip whose code runs now (null outside scripts): its movie's
    // origin decides what the code may reach (movie_origins.h).
    StageObject* codeTarget = nullptr;
    bool mixedOrigins = false;  // a movie of another origin than the root's was loaded
    std::shared_ptr<net::MovieOrigin> rootMovie;
    std::vector<Value> stack;  // the operand stack, shared by nested frames
    // Player-wide settings scripts read and write (_quality, _focusrect ...).
    String quality{u"HIGH"};
    std::function<void(std::u16string_view)> qualityChanged;  // told of a script's new quality
    bool focusRect = true;
    double soundBufferTime = 5;
    bool showMenu = true;  // Stage.showMenu
    // The shown size Stage.onResize last reported (or first saw).
    std::pair<int32_t, int32_t> stageSizeSeen{0, 0};

    // Frees what the roots no longer reach.
    void collectGarbage();
    [[nodiscard]] uint64_t errorsReported() const { return m_errorsReported; }
    [[nodiscard]] uint64_t collections() const { return m_collections; }
    [[nodiscard]] size_t liveObjectsAfterCollection() const { return m_liveAfterCollection; }

private:
    [[noreturn]] void failActionLimit();
    void addRoots(std::vector<Object*>& out);

    std::unique_ptr<Interpreter> m_interpreter;
    uint64_t m_actionsLeft = 0;
    uint64_t m_actionsExecuted = 0;
    uint32_t m_callDepth = 0;
    uint32_t m_entryDepth = 0;
    uint64_t m_errorsReported = 0;
    uint64_t m_collections = 0;
    size_t m_liveAfterCollection = 0;
    size_t m_bytesAfterCollection = 0;
};

}  // namespace script
