// The button state machine and input broadcasts.
#include "script/input_dispatcher.h"

#include "script/broadcaster.h"
#include "script/calls.h"
#include "script/clip_control.h"
#include "script/clip_events.h"
#include "script/conversions.h"
#include "script/hit_test.h"
#include "script/interpreter.h"
#include "script/runtime.h"
#include "script/tab_focus.h"
#include "script/text_input.h"

#include "model/button_object.h"
#include "model/display_list.h"
#include "model/edit_text_object.h"

namespace script {

namespace {

constexpr int MaxNesting = 64;
constexpr uint32_t TabKey = 9;
constexpr uint32_t EnterKey = 13;
constexpr uint32_t SpaceKey = 32;
constexpr size_t ShiftKey = 16;

struct TransitionInfo {
    uint16_t condition;
    uint32_t clipBit;
    std::u16string_view handler;
    model::ButtonState state;
    std::u16string_view label;
};

}  // namespace

StageObject* existingObject(model::DisplayObject& d) {
    auto* link = static_cast<StageLink*>(d.scriptData());
    return link ? link->object() : nullptr;
}

const Value* rawProperty(Object* o, std::u16string_view name) {
    for (int hops = 0; o && hops < 256; o = o->proto(), ++hops) {
        if (const Property* p = o->properties().find(name))
            return p->getter ? nullptr : &p->value;
    }
    return nullptr;
}

uint8_t InputDispatcher::conditionKey(uint32_t code, uint32_t ascii) {
    switch (code) {
    case 37:
        return 1;  // left
    case 39:
        return 2;  // right
    case 36:
        return 3;  // home
    case 35:
        return 4;  // end
    case 45:
        return 5;  // insert
    case 46:
        return 6;  // delete
    case 8:
        return 8;  // backspace
    case 13:
        return 13;  // enter
    case 38:
        return 14;  // up
    case 40:
        return 15;  // down
    case 33:
        return 16;  // page up
    case 34:
        return 17;  // page down
    case 9:
        return 18;  // tab
    case 27:
        return 19;  // escape
    default:
        break;
    }
    return ascii >= 32 && ascii <= 126 ? uint8_t(ascii) : 0;
}

bool InputDispatcher::enabled(model::DisplayObject& object) { return isEnabled(object); }

bool InputDispatcher::interactiveClip(model::DisplayObject& clip) { return hasButtonHandlers(m_rt, clip); }

// A script's trackAsMenu wins over a button's flag from the file.
bool tracksAsMenu(model::DisplayObject& object) {
    if (const Value* v = rawProperty(existingObject(object), u"trackAsMenu"))
        return v->isBoolean() && v->asBool();
    const auto* button = object.as<model::ButtonObject>();
    return button && button->button().trackAsMenu;
}

bool isEnabled(model::DisplayObject& object) {
    const Value* v = rawProperty(existingObject(object), u"enabled");
    return !v || !(v->isBoolean() && !v->asBool());
}

bool hasButtonHandlers(Runtime& rt, model::DisplayObject& clip) {
    constexpr uint32_t ButtonEvents = swf::ClipEvent::Press | swf::ClipEvent::Release | swf::ClipEvent::ReleaseOutside |
                                      swf::ClipEvent::RollOver | swf::ClipEvent::RollOut | swf::ClipEvent::DragOver |
                                      swf::ClipEvent::DragOut;
    for (const swf::ClipAction& a : clip.clipActions()) {
        if (a.events & ButtonEvents)
            return true;
    }
    if (!existingObject(clip))
        return false;
    for (std::u16string_view h :
         {u"onPress", u"onRelease", u"onReleaseOutside", u"onRollOver", u"onRollOut", u"onDragOver", u"onDragOut"}) {
        if (hasHandler(rt, clip, h))
            return true;
    }
    return false;
}

model::DisplayObject* InputDispatcher::findTarget(model::DisplayObject& container, swf::Point p, int depth) {
    const auto* field = container.as<model::EditTextObject>();
    // A field's <img> clips are its children for the pointer.
    const model::DisplayList* list = field ? &field->imageClips() : container.children();
    if (!list || depth > MaxNesting)
        return nullptr;
    HitTester tester(m_rt.stage);
    for (auto it = list->entries().rbegin(); it != list->entries().rend(); ++it) {
        model::DisplayObject* child = it->second.get();
        if (!child->isVisible() || child->isMask())
            continue;
        if (child->kind() == model::DisplayKind::Button) {
            if (enabled(*child) && tester.hitsButton(static_cast<model::ButtonObject&>(*child), p))
                return child;
        } else if (child->kind() == model::DisplayKind::MovieClip) {
            if (interactiveClip(*child)) {
                if (enabled(*child) && tester.hits(*child, p))
                    return child;
                continue;
            }
            if (model::DisplayObject* found = findTarget(*child, p, depth + 1))
                return found;
        } else if (child->kind() == model::DisplayKind::EditText) {
            if (model::DisplayObject* found = findTarget(*child, p, depth + 1))
                return found;
        }
    }
    return nullptr;
}

void InputDispatcher::transition(model::DisplayObject& target, Transition t) {
    static constexpr TransitionInfo Info[] = {
        {swf::ButtonCondition::IdleToOverUp, swf::ClipEvent::RollOver, u"onRollOver", model::ButtonState::Over,
         u"_over"},
        {swf::ButtonCondition::OverUpToIdle, swf::ClipEvent::RollOut, u"onRollOut", model::ButtonState::Up, u"_up"},
        {swf::ButtonCondition::OverUpToOverDown, swf::ClipEvent::Press, u"onPress", model::ButtonState::Down, u"_down"},
        {swf::ButtonCondition::OverDownToOverUp, swf::ClipEvent::Release, u"onRelease", model::ButtonState::Over,
         u"_over"},
        {swf::ButtonCondition::OverDownToOutDown, swf::ClipEvent::DragOut, u"onDragOut", model::ButtonState::Up,
         u"_up"},
        {swf::ButtonCondition::OutDownToOverDown, swf::ClipEvent::DragOver, u"onDragOver", model::ButtonState::Down,
         u"_down"},
        {swf::ButtonCondition::OutDownToIdle, swf::ClipEvent::ReleaseOutside, u"onReleaseOutside",
         model::ButtonState::Up, u"_up"},
        {swf::ButtonCondition::OverDownToIdle, swf::ClipEvent::DragOut, u"onDragOut", model::ButtonState::Up, u"_up"},
        {swf::ButtonCondition::IdleToOverDown, swf::ClipEvent::DragOver, u"onDragOver", model::ButtonState::Down,
         u"_down"},
    };
    const TransitionInfo& info = Info[size_t(t)];
    std::shared_ptr<model::DisplayObject> keep = target.shared_from_this();
    if (!target.isOnStage())
        return;
    if (auto* button = target.as<model::ButtonObject>()) {
        button->setState(info.state);
        model::MovieClip* parent = button->parentClip();
        std::vector<const swf::ButtonAction*> actions;
        for (const swf::ButtonAction& a : button->button().actions) {
            if (a.conditions & info.condition)
                actions.push_back(&a);
        }
        for (const swf::ButtonAction* a : actions) {
            if (parent)
                (void)m_rt.guarded([&] { m_rt.interpreter().runBlock(a->actions, m_rt.objectFor(*parent)); });
        }
        runClipEvent(m_rt, target, {0, info.handler});
        return;
    }
    if (auto* clip = target.as<model::MovieClip>()) {
        if (auto frame = clip->findLabel(utf16ToUtf8(info.label))) {
            (void)clip->gotoFrame(*frame);
            clip->stop();
        }
    }
    runClipEvent(m_rt, target, {info.clipBit, info.handler});
}

model::DisplayObject* InputDispatcher::targetAt(swf::Point p) {
    return m_rt.input.pointerCovered ? nullptr : findTarget(m_rt.root(), p, 0);
}

void InputDispatcher::track(swf::Point p) {
    model::DisplayObject* target = targetAt(p);
    if (auto pressed = m_pressed.lock()) {
        bool inside = target == pressed.get();
        // Dragged from one menu item onto another: the press moves there,
        // so that a release over it is its release.
        if (!inside && target && m_pressedInside && tracksAsMenu(*pressed) && tracksAsMenu(*target)) {
            transition(*pressed, Transition::MenuLeave);
            if (target->isOnStage()) {
                m_pressed = target->shared_from_this();
                transition(*target, Transition::MenuEnter);
            }
            return;
        }
        if (inside != m_pressedInside) {
            m_pressedInside = inside;
            transition(*pressed, inside ? Transition::DragOver : Transition::DragOut);
        }
        return;
    }
    auto hover = m_hover.lock();
    if (target == hover.get())
        return;
    m_hover.reset();
    if (hover && hover->isOnStage())
        transition(*hover, Transition::RollOut);
    // The roll-out handlers may have changed the stage: look again.
    target = targetAt(p);
    if (target) {
        m_hover = target->shared_from_this();
        transition(*target, Transition::RollOver);
    }
}

void InputDispatcher::mouseMove(swf::Point p) {
    m_rt.input.mouse = p;
    (void)m_rt.guarded([&] { updateDrag(m_rt); });
    hoverAt(m_rt, p);
    dragSelection(m_rt, p);
    broadcastClipEvent(m_rt, {swf::ClipEvent::MouseMove, u"onMouseMove"});
    broadcastEvent(m_rt, m_rt.mouseObject, u"onMouseMove", {});
    track(p);
}

void InputDispatcher::mouseDown(swf::Point p, bool doubleClick) {
    m_rt.input.mouse = p;
    m_rt.input.mouseDown = true;
    // A pressed button or clip takes the Tab focus, as a field does.
    focusAtPress(m_rt, p, doubleClick, targetAt(p));
    track(p);
    broadcastClipEvent(m_rt, {swf::ClipEvent::MouseDown, u"onMouseDown"});
    broadcastEvent(m_rt, m_rt.mouseObject, u"onMouseDown", {});
    auto target = m_hover.lock();
    if (target && target->isOnStage()) {
        m_pressed = target;
        m_pressedInside = true;
        transition(*target, Transition::Press);
    }
}

void InputDispatcher::mouseUp(swf::Point p) {
    m_rt.input.mouse = p;
    dragSelection(m_rt, p);
    m_rt.input.mouseDown = false;
    m_rt.input.selecting.reset();
    broadcastClipEvent(m_rt, {swf::ClipEvent::MouseUp, u"onMouseUp"});
    broadcastEvent(m_rt, m_rt.mouseObject, u"onMouseUp", {});
    auto pressed = m_pressed.lock();
    m_pressed.reset();
    if (pressed && pressed->isOnStage()) {
        if (m_pressedInside) {
            m_hover = pressed;
            transition(*pressed, Transition::Release);
        } else {
            m_hover.reset();
            transition(*pressed, Transition::ReleaseOutside);
        }
    }
    m_pressedInside = false;
    track(p);
}

void InputDispatcher::mouseWheel(int32_t delta) {
    Value args[] = {Value(double(delta))};
    broadcastEvent(m_rt, m_rt.mouseObject, u"onMouseWheel", args);
}

void InputDispatcher::contextMenu(swf::Point p) {
    m_rt.input.mouse = p;
    track(p);
    model::DisplayObject* hit = HitTester(m_rt.stage).topmost(m_rt.root(), p, nullptr);
    for (model::DisplayObject* o = hit ? hit : &m_rt.root(); o; o = o == &m_rt.root() ? nullptr : o->parent()) {
        StageObject* owner = existingObject(*o);
        const Value* found = owner ? rawProperty(owner, u"menu") : nullptr;
        if (!found || !found->asObject())
            continue;
        const Value menu = *found;
        const Value args[] = {Value(owner), menu};
        (void)m_rt.guarded([&] { (void)callMethod(m_rt, menu, u"onSelect", args); });
        return;
    }
}

void InputDispatcher::keyDown(uint32_t code, uint32_t ascii) {
    m_rt.input.keysDown.set(code & 0xFF);
    m_rt.input.lastKeyCode = code;
    m_rt.input.lastAscii = ascii;
    // The field takes the character before scripts hear the key, so a key
    // listener reads the text as typed.
    keyForField(m_rt, code, ascii);
    if (code == TabKey)
        tabFocus(m_rt, m_rt.input.keysDown.test(ShiftKey));
    else if (code == EnterKey || code == SpaceKey)
        pressFocused();
    const uint8_t key = conditionKey(code, ascii);
    if (key) {
        // Buttons anywhere on the stage answer their key conditions.
        std::vector<std::shared_ptr<model::DisplayObject>> buttons;
        std::vector<model::DisplayObject*> walk{&m_rt.root()};
        while (!walk.empty()) {
            model::DisplayObject* d = walk.back();
            walk.pop_back();
            if (d->kind() == model::DisplayKind::Button)
                buttons.push_back(d->shared_from_this());
            if (const model::DisplayList* children = d->children()) {
                for (auto it = children->entries().rbegin(); it != children->entries().rend(); ++it)
                    walk.push_back(it->second.get());
            }
        }
        for (const auto& b : buttons) {
            auto* button = b->as<model::ButtonObject>();
            model::MovieClip* parent = button->parentClip();
            if (!button->isOnStage() || !parent)
                continue;
            for (const swf::ButtonAction& a : button->button().actions) {
                if (a.keyCode == key)
                    (void)m_rt.guarded([&] { m_rt.interpreter().runBlock(a.actions, m_rt.objectFor(*parent)); });
            }
        }
        broadcastClipEvent(m_rt, {swf::ClipEvent::KeyPress, {}, key});
    }
    broadcastClipEvent(m_rt, {swf::ClipEvent::KeyDown, {}});
    broadcastEvent(m_rt, m_rt.keyObject, u"onKeyDown", {});
}

void InputDispatcher::keyUp(uint32_t code, uint32_t ascii) {
    m_rt.input.keysDown.reset(code & 0xFF);
    m_rt.input.lastKeyCode = code;
    m_rt.input.lastAscii = ascii;
    broadcastClipEvent(m_rt, {swf::ClipEvent::KeyUp, {}});
    broadcastEvent(m_rt, m_rt.keyObject, u"onKeyUp", {});
}

void InputDispatcher::pressFocused() {
    const auto focus = m_rt.input.focus.lock();
    if (!focus || !focus->isOnStage() || focus->as<model::EditTextObject>() || !isEnabled(*focus))
        return;
    transition(*focus, Transition::Press);
    if (focus->isOnStage())
        transition(*focus, Transition::Release);
}

bool InputDispatcher::pointerOverButton() const {
    auto hover = m_hover.lock();
    if (!hover || !hover->isOnStage())
        return false;
    const Value* hand = rawProperty(existingObject(*hover), u"useHandCursor");
    return !hand || !(hand->isBoolean() && !hand->asBool());
}

}  // namespace script
