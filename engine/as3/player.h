// The ActionScript 3 side of one playing movie: the machine, the host's
// classes bound to the stage's model, and the frame cycle.
//
//   auto player = as3::Player::create(*stage, host, url, parameters);
//   player->start();     // blocks load, the document class is built, frame 1's script
//   every frame:  player->tick();
//   the container's CallFunction:  player->callFunction(xml);
//
// The movie loads whole before it plays, so every DoABC block of every frame
// loads at start, in frame order; a block without the lazy flag runs its
// entry script then, a lazy one when a definition of it is first needed. A
// block that fails to parse or verify is not run and is reported; the
// timeline plays on. The document class (SymbolClass id 0) is built after
// the first frame's objects are placed, bound to the root clip; without
// one the root is a plain MovieClip.
//
// One frame (tick): the timeline advances, enterFrame goes to every display
// object listening for it, then frameConstructed, the frame scripts
// (addFrameScript) of clips whose playhead reached a new frame, then exitFrame;
// the collector runs between frames; render follows a frame in which
// stage.invalidate() was called; a noScale stage shown at a new size hears
// resize before enterFrame. Each of these is an entry of its own:
// a script that throws or passes a limit is reported through
// Host::scriptError and the rest of the frame goes on.
#pragma once

#include "avm2/limits.h"

#include "model/stage.h"

#include "script/engine.h"

#include "script/display_painter.h"
#include "script/host.h"
#include "swf/geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace avm2 {
class Machine;
class Object;
}  // namespace avm2

namespace as3 {

struct HostContext;

class Player {
public:
    // `stage` and `host` must outlive the player. `parameters` are
    // loaderInfo.parameters (the query of the movie's location).
    [[nodiscard]] static std::unique_ptr<Player> create(
        model::Stage& stage, script::Host& host, std::u16string url,
        std::vector<std::pair<std::u16string, std::u16string>> parameters, const avm2::Limits& limits = {});
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player();

    // The first frame's work; later calls do nothing.
    void start();
    [[nodiscard]] bool started() const { return m_started; }
    // One frame (see above); starts first when start() was not called.
    void tick();

    // Timers (flash.utils.Timer, setTimeout, setInterval) on the host's
    // clock: the earliest due time of a live one, in Host::milliseconds, and
    // firing those due now. tick() fires due ones first as well.
    [[nodiscard]] std::optional<double> nextTimerDue() const;
    void runTimers();

    // Called when a script sets Stage.frameRate (frames per second, within
    // 0.01 to 1000): the container's playback clock follows.
    void setFrameRateListener(std::function<void(double)> listener);
    // Called when a script sets Stage.quality ("LOW", "MEDIUM", "HIGH" or
    // "BEST"): the container draws at it.
    void setQualityListener(std::function<void(std::u16string_view)> listener);
    // The control's quality changed (the same names): scripts read it.
    void setQuality(std::u16string_view name);
    // The renderer's side of BitmapData.draw and applyFilter; unset, they do nothing.
    void setDisplayPainter(script::DisplayPainter painter);

    // The container's pointer (stage twips) and keys, to the display list's
    // mouse and keyboard events (see input_events.h). Each listener that
    // fails is reported; the input goes on. A double click is a press that
    // also gives doubleClick after its release.
    void mouseMove(swf::Point stage);
    void mouseDown(swf::Point stage, bool doubleClick = false);
    void mouseUp(swf::Point stage);
    void mouseWheel(int32_t lines);
    void keyDown(uint32_t code, uint32_t ascii);
    void keyUp(uint32_t code, uint32_t ascii);
    // The control took or lost the focus: activate or deactivate to every
    // dispatcher listening for it.
    void activate(bool active);
    // The right button went down: the context menu's menuSelect (no menu is
    // shown in a headless host).
    void contextMenu(swf::Point stage);

    // ExternalInterface.addCallback functions, called with a call-exchange
    // request (<invoke name=...>); the answer's xml is the response.
    [[nodiscard]] script::CallResult callFunction(std::u16string_view requestXml);
    [[nodiscard]] std::vector<std::u16string> callbackNames() const;

    // Frees what scripts no longer reach; the number of cells freed.
    size_t collectGarbage();
    [[nodiscard]] avm2::Machine& machine() { return *m_machine; }
    // Script failures reported so far.
    [[nodiscard]] uint64_t errorsReported() const { return m_errors; }

private:
    // The stage's focus rectangle follows the focus and what it covers.
    void updateFocusHighlight();
    Player() = default;
    void loadBlocks();
    void buildRoot();
    // Runs native work as an entry; a failure is reported with `where`.
    bool run(const std::u16string& where, const std::function<void()>& work);
    void report(script::ScriptErrorKind kind, const std::u16string& message);
    void reportFailure(const std::u16string& where, const std::string& what);
    void broadcast(const char16_t* type);
    void broadcastRender();
    void reportResize();
    void runFrameScripts();
    // What the fetcher brought for URLLoader and Loader, to their events.
    void deliverLoads();
    // Text fields' <img> files, loaded into their clips by Loaders.
    void startFieldImageLoads();
    // Hover moves to what is under the point, with out/over and roll events.
    void track(swf::Point stage);
    [[nodiscard]] std::shared_ptr<model::DisplayObject> pointerToAvm1(
        swf::Point stage, const std::function<void(script::Engine&)>& event);
    [[nodiscard]] script::Engine* avm1WithKeys();
    void sendMouse(avm2::Object* target, const char16_t* type, swf::Point stage, bool bubbles = true,
                   avm2::Object* related = nullptr, int32_t delta = 0);
    void sendKey(const char16_t* type, uint32_t code, uint32_t ascii);

    std::unique_ptr<avm2::Machine> m_machine;
    std::unique_ptr<HostContext> m_context;
    bool m_started = false;
    uint32_t m_framesSinceCollection = 0;
    uint64_t m_errors = 0;
    bool m_buttonDown = false;
    bool m_doubleClickDue = false;
};

}  // namespace as3
