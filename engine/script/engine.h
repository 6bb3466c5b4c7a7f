// The script engine of one playing movie: the action bytecode of SWF 4 to 8
// (AVM1), its built-in objects, frame scripts, clip and button events, and
// the calls the control's scripting interface needs.
//
//   auto engine = script::Engine::create(*stage, host);
//   engine->runPending();              // the first frame's scripts
//   every frame-rate tick:  engine->tick();
//   after the control moved the stage itself (Play, GotoFrame, TGotoLabel...):
//                           engine->runPending();
//   input, in stage twips:  engine->mouseMove(p); engine->mouseDown(p); ...
//   then, as before:        stage->collectChanges()
//
// Order within one tick: the stage advances every playing timeline; init
// actions (DoInitAction) run first, then the clips new in this frame are
// constructed (a class registered for their symbol runs its constructor),
// then enterFrame events (onClipEvent(enterFrame) before onEnterFrame, clips
// in tree pre-order), then the frame actions, load and unload events in the
// order the stage queued them (see model/movie_clip.h); then due intervals;
// then bound text fields take their variables' values. Actions that scripts
// queue meanwhile (a gotoAndPlay, a new clip's first frame) run after the
// block that queued them, first in first out.
//
// Every entry point has its own action budget (Limits). A script that runs
// away is stopped and reported through Host::scriptError; the entry's other
// scripts are dropped, and the next entry starts afresh. Nothing here
// throws. The engine must be destroyed before the stage, and not from inside
// a Host callback. Single-threaded.
#pragma once

#include "script/call_bridge.h"
#include "script/display_painter.h"
#include "script/external_value.h"
#include "script/host.h"
#include "script/limits.h"

#include "model/movie_clip.h"
#include "model/stage.h"

#include "swf/geometry.h"

#include "moviehost/expected.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace script {

struct EngineState;

// The numbered properties of GetProperty/SetProperty and of the control's
// TGetProperty/TSetProperty (0 _x ... 21 _ymouse).
enum class ClipProperty : int32_t {
    X = 0,
    Y = 1,
    XScale = 2,
    YScale = 3,
    CurrentFrame = 4,
    TotalFrames = 5,
    Alpha = 6,
    Visible = 7,
    Width = 8,
    Height = 9,
    Rotation = 10,
    Target = 11,
    FramesLoaded = 12,
    Name = 13,
    DropTarget = 14,
    Url = 15,
    HighQuality = 16,
    FocusRect = 17,
    SoundBufTime = 18,
    Quality = 19,
    XMouse = 20,
    YMouse = 21,
};

// Why a call from the container got no answer.
enum class CallError : uint8_t {
    NotRegistered,  // no ExternalInterface.addCallback for that name
    BadRequest,     // the request XML did not decode
    ScriptFailed,   // the callback threw or was stopped by a limit (reported through Host::scriptError)
};

struct CallAnswer {
    ExternalValue value;  // the callback's return value
    std::u16string xml;   // the same in the call-exchange format
};

using CallResult = moviehost::Expected<CallAnswer, CallError>;

// Counters for tests and diagnostics.
struct EngineStats {
    uint64_t actionsExecuted = 0;
    uint64_t errorsReported = 0;
    uint64_t collections = 0;
    size_t liveObjects = 0;  // after the last collection
    size_t heapBytes = 0;    // current estimate
};

class Engine {
public:
    // An engine for the stage, which must outlive it. A movie whose scripts
    // are ActionScript 3 gets an engine that runs nothing (the queue is
    // still drained).
    [[nodiscard]] static std::unique_ptr<Engine> create(model::Stage& stage, Host& host, const Limits& limits = {});
    // An engine for an ActionScript 1/2 movie playing in `root`, a clip of
    // an ActionScript 3 movie's stage: `root` is its _level0 and has no
    // _parent; the stage is advanced by its owner (tick() does not), and
    // tick() takes only this movie's actions from the stage's queue. `url`
    // is where the movie came from: its _url, its origin, and what its
    // relative loads and links resolve against (not the host's movieUrl).
    // The engine must be destroyed before `root`.
    [[nodiscard]] static std::unique_ptr<Engine> createEmbedded(model::Stage& stage, model::MovieClip& root, Host& host,
                                                                std::u16string url, const Limits& limits = {});
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    ~Engine();

    // --- playback --------------------------------------------------------
    // One frame: advance the stage and run what it produced (see above).
    void tick();
    // Runs the actions the stage queued since the last entry.
    void runPending();
    // setInterval / setTimeout: the earliest due time of a live timer, in
    // the host's milliseconds (Host::milliseconds), and running those due
    // now between frames, so that a host can fire them at their own times.
    [[nodiscard]] std::optional<double> nextTimerDue() const;
    void runTimers();

    // --- input, stage twips ------------------------------------------------
    // Buttons and clips with button handlers change state and run their
    // condition actions / onPress ... handlers; Mouse listeners and
    // onClipEvent(mouseMove/Down/Up) hear every event.
    void mouseMove(swf::Point stage);
    void mouseDown(swf::Point stage, bool doubleClick = false);
    void mouseUp(swf::Point stage);
    void mouseWheel(int32_t delta);
    // For a movie inside another's tree: whether the host's own objects
    // cover it at the pointer, as the host's hit test found before each
    // pointer event. Covered, its buttons, clips and fields take no pointer
    // events (Mouse listeners and clip events still hear them).
    void setPointerCovered(bool covered);
    // The right button went down: the context menu's onSelect, no menu shown.
    void contextMenu(swf::Point stage);
    // code: the key code scripts see in Key.getCode() (Windows virtual-key
    // numbers); ascii: the character, 0 when the key has none. The
    // character is typed into the focused input text field (mouseDown on
    // one gives it the focus), so give each character once.
    void keyDown(uint32_t code, uint32_t ascii);
    void keyUp(uint32_t code, uint32_t ascii);
    // The keys went elsewhere (a movie around this one took them): the
    // focus goes with onKillFocus and Selection's onSetFocus, and so does
    // the focus rectangle this movie showed.
    void loseFocus();
    // The pointer is over something that reacts to it (a hand cursor).
    [[nodiscard]] bool pointerOverButton() const;

    // --- the control's scripting calls ------------------------------------
    // Text crosses here in UTF-16, the control's and the container's
    // encoding. Variables by path: "var", "/a/b:var", "a/b:var",
    // "_root.a.var", "a.b.var" (relative paths from the root). Values as
    // strings, as scripts convert them (undefined: none for getVariable).
    [[nodiscard]] std::optional<std::u16string> getVariable(std::u16string_view path);
    // False when the path names no clip or object to hold the variable.
    bool setVariable(std::u16string_view path, std::u16string_view value);
    // Numbered properties of the clip at `target` (the root for "" or "/").
    // None / false for an unknown target or index.
    [[nodiscard]] std::optional<std::u16string> getProperty(std::u16string_view target, int32_t index);
    [[nodiscard]] std::optional<double> getPropertyNumber(std::u16string_view target, int32_t index);
    bool setProperty(std::u16string_view target, int32_t index, std::u16string_view value);
    bool setPropertyNumber(std::u16string_view target, int32_t index, double value);
    // Run the actions of a frame (0-based) or labelled frame of the clip at
    // `target` without moving its playhead. False when target or frame
    // does not exist.
    bool callFrame(std::u16string_view target, int64_t frame);
    bool callLabel(std::u16string_view target, std::u16string_view label);
    // ExternalInterface.addCallback functions.
    [[nodiscard]] CallResult invokeCallback(std::u16string_view name, const std::vector<ExternalValue>& args);
    // The same for a call-exchange request (<invoke name=...>); the
    // answer's xml is the response for CallFunction.
    [[nodiscard]] CallResult callFunction(std::u16string_view requestXml);
    // The AS3 side's functions for an embedded movie (none: only the host).
    void setCallBridge(std::unique_ptr<CallBridge> bridge);
    // Names registered with ExternalInterface.addCallback.
    [[nodiscard]] std::vector<std::u16string> callbackNames() const;

    // Runs an action block in a clip (as a button's actions run in the
    // clip holding the button). The bytes must stay valid while the stage
    // lives (they are normally the movie's).
    void runActions(model::MovieClip& clip, std::span<const uint8_t> bytes);

    // The renderer's help for BitmapData.draw of clips and applyFilter.
    void setDisplayPainter(DisplayPainter painter);
    // The player's one quality ("LOW", "MEDIUM", "HIGH" or "BEST"), which
    // _quality and _highquality read; the listener hears a script's change.
    void setQuality(std::u16string_view name);
    void setQualityListener(std::function<void(std::u16string_view)> listener);

    // --- housekeeping ------------------------------------------------------
    // Frees what scripts no longer reach (done after every outermost entry).
    void collectGarbage();
    [[nodiscard]] EngineStats stats() const;
    [[nodiscard]] uint8_t swfVersion() const;

private:
    Engine() = default;
    // Work every outermost entry ends with: draining the queue, bound text.
    void finish(bool outermost);

    std::unique_ptr<EngineState> m_state;
};

}  // namespace script
