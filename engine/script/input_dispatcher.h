// Pointer and keyboard input: buttons and clips with button handlers go
// through the states of a button (idle, over-up, over-down, out-down) and
// run the condition actions and handlers of each transition:
//   roll over   idle -> over-up        IdleToOverUp      onRollOver
//   roll out    over-up -> idle        OverUpToIdle      onRollOut
//   press       over-up -> over-down   OverUpToOverDown  onPress
//   release     over-down -> over-up   OverDownToOverUp  onRelease
//   drag out    over-down -> out-down  OverDownToOutDown onDragOut
//   drag over   out-down -> over-down  OutDownToOverDown onDragOver
//   release outside  out-down -> idle  OutDownToIdle     onReleaseOutside
// A button shows its over state while the pointer is over it and up,
// its down state while pressed over it, and its up state otherwise; a clip
// with _up/_over/_down labels goes to them. Every pointer event also reaches
// onClipEvent(mouseMove/mouseDown/mouseUp), the clips' onMouseMove ...
// handlers and the Mouse listeners (before the button transitions of the
// same event); keys reach button key conditions, onClipEvent(keyDown/keyUp/
// keyPress) and the Key listeners. A left press also moves the keyboard
// focus between input text fields, and a key's character goes into the
// focused field before the key's scripts run (see text_input.h). Tab and
// Shift+Tab move the focus along the tab order (see tab_focus.h); Enter or
// space on a focused button or clip presses and releases it.
//
// The object under the pointer is the topmost enabled button, or the
// topmost enabled clip with a button handler (which takes the events of
// everything inside it), hit by shape.
#pragma once

#include "swf/geometry.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace model {
class DisplayObject;
}

namespace script {

class Object;
class Runtime;
class StageObject;
class Value;

// The display object's script object if it has one yet.
[[nodiscard]] StageObject* existingObject(model::DisplayObject& d);
// A property's plain value without running getters (null for none).
[[nodiscard]] const Value* rawProperty(Object* o, std::u16string_view name);
// Whether the object's `enabled` is not false.
[[nodiscard]] bool isEnabled(model::DisplayObject& object);
// trackAsMenu: a press dragged onto it from another such object moves there.
[[nodiscard]] bool tracksAsMenu(model::DisplayObject& object);
// A clip with button handlers (onPress ...) takes pointer events as a button.
[[nodiscard]] bool hasButtonHandlers(Runtime& rt, model::DisplayObject& clip);

class InputDispatcher {
public:
    explicit InputDispatcher(Runtime& rt) : m_rt(rt) {}

    void mouseMove(swf::Point stage);
    void mouseDown(swf::Point stage, bool doubleClick = false);
    void mouseUp(swf::Point stage);
    void mouseWheel(int32_t delta);
    // A right press: the menu of the topmost object under the pointer, or
    // of the nearest parent with one (the root's last), hears
    // onSelect(owner, menu) before it would show.
    void contextMenu(swf::Point stage);
    void keyDown(uint32_t code, uint32_t ascii);
    void keyUp(uint32_t code, uint32_t ascii);
    [[nodiscard]] bool pointerOverButton() const;

    // The key number of button and keyPress conditions: 1-19 for the
    // special keys, the character for printable ASCII, 0 otherwise.
    [[nodiscard]] static uint8_t conditionKey(uint32_t code, uint32_t ascii);

private:
    // MenuLeave and MenuEnter are the drags of objects tracked as menus:
    // the pressed one goes idle, the one entered becomes the pressed one.
    enum class Transition : uint8_t {
        RollOver,
        RollOut,
        Press,
        Release,
        DragOut,
        DragOver,
        ReleaseOutside,
        MenuLeave,
        MenuEnter
    };

    void track(swf::Point stage);
    void pressFocused();
    void transition(model::DisplayObject& target, Transition t);
    // What takes the pointer at the point: none where it is covered.
    [[nodiscard]] model::DisplayObject* targetAt(swf::Point stage);
    [[nodiscard]] model::DisplayObject* findTarget(model::DisplayObject& container, swf::Point stage, int depth);
    [[nodiscard]] bool interactiveClip(model::DisplayObject& clip);
    [[nodiscard]] bool enabled(model::DisplayObject& object);

    Runtime& m_rt;
    std::weak_ptr<model::DisplayObject> m_hover;
    std::weak_ptr<model::DisplayObject> m_pressed;
    bool m_pressedInside = false;
};

}  // namespace script
