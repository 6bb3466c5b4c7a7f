// The container's pointer and keys as the display list's events.
#include "as3/button_state.h"
#include "as3/display_state.h"
#include "as3/focus.h"
#include "as3/host_context.h"
#include "as3/input_events.h"
#include "as3/player.h"

#include "as3/avm1_movies.h"
#include "as3/pointer_queries.h"
#include "as3/text_values.h"

#include "avm2/machine.h"

#include "model/placement3d.h"
#include "model/transform.h"

#include <algorithm>

namespace as3 {

using avm2::Object;
using avm2::Value;

namespace {

constexpr uint32_t TabKey = 9;
constexpr uint32_t ShiftKey = 16;
constexpr uint32_t ControlKey = 17;
constexpr uint32_t AltKey = 18;

// The object and its ancestors, innermost first.
std::vector<Object*> chain(avm2::Machine& m, Object* o) {
    std::vector<Object*> out;
    for (; o && out.size() < 100000; o = displayOf(m, Value::object(o)).parentObject)
        out.push_back(o);
    return out;
}

}  // namespace

void Player::sendMouse(Object* target, const char16_t* type, swf::Point stage, bool bubbles, Object* related,
                       int32_t delta) {
    if (!target)
        return;
    avm2::Machine& m = *m_machine;
    (void)run(std::u16string(u"a ") + type + u" listener", [&] {
        Value event = makeEvent(m, type, bubbles, false, u"MouseEvent");
        avm2::Machine::Pin keep(m, event);
        auto& e = *event.asObject()->nativeAs<InputEventState>();
        const model::DisplayObject* o = displayOf(m, Value::object(target)).object.get();
        // Through 3D projections back to the flat drawing, then its inverse.
        const auto flat = o ? model::flatStagePoint(*o, stage) : std::optional(stage);
        const auto toLocal = o ? model::invert(o->concatenatedMatrix()) : std::optional<swf::Matrix>(swf::Matrix{});
        const swf::Point local = toLocal && flat ? model::apply(*toLocal, *flat) : swf::Point{};
        e.localX = local.x / 20;
        e.localY = local.y / 20;
        e.stageX = stage.x / 20;
        e.stageY = stage.y / 20;
        e.buttonDown = m_buttonDown;
        e.delta = delta;
        e.relatedObject = related ? Value::object(related) : Value();
        dispatch(m, target, event);
    });
}

void Player::track(swf::Point stage) {
    HostContext& ctx = *m_context;
    avm2::Machine& m = *m_machine;
    ctx.pointer = stage;
    Object* now = nullptr;
    (void)run(u"the pointer", [&] { now = mouseTargetAt(m, stage); });
    Object* before = ctx.held.hover.isObject() ? ctx.held.hover.asObject() : nullptr;
    if (now == before)
        return;
    ctx.held.hover = now ? Value::object(now) : Value();
    avm2::Machine::Pin keepBefore(m, before ? Value::object(before) : Value());
    // Roll events go to the objects the pointer left or entered, not to
    // the ancestors both share.
    const std::vector<Object*> left = before ? chain(m, before) : std::vector<Object*>{};
    const std::vector<Object*> entered = now ? chain(m, now) : std::vector<Object*>{};
    // The stage is no related object.
    Object* stageObject = ctx.held.stage.isObject() ? ctx.held.stage.asObject() : nullptr;
    Object* relatedNow = now == stageObject ? nullptr : now;
    Object* relatedBefore = before == stageObject ? nullptr : before;
    sendMouse(before, u"mouseOut", stage, true, relatedNow);
    for (Object* o : left) {
        if (std::find(entered.begin(), entered.end(), o) == entered.end())
            sendMouse(o, u"rollOut", stage, false, relatedNow);
    }
    sendMouse(now, u"mouseOver", stage, true, relatedBefore);
    for (size_t i = entered.size(); i-- > 0;) {
        if (std::find(left.begin(), left.end(), entered[i]) == left.end())
            sendMouse(entered[i], u"rollOver", stage, false, relatedBefore);
    }
}

// The old movies hear the pointer first; only the one whose shape is on
// top there may have its buttons and fields take it. Returns that one.
std::shared_ptr<model::DisplayObject> Player::pointerToAvm1(swf::Point stage,
                                                            const std::function<void(script::Engine&)>& event) {
    HostContext& ctx = *m_context;
    if (ctx.avm1Movies.empty())
        return nullptr;
    std::shared_ptr<model::DisplayObject> over;
    if (m_started)
        (void)run(u"the pointer", [&] { over = liveAvm1Root(ctx, pointerHitAt(*m_machine, stage).avm1); });
    forEachAvm1Movie(ctx, [&](const model::DisplayObject& root, script::Engine& e) {
        e.setPointerCovered(&root != over.get());
        event(e);
    });
    return over;
}

// The old movie that has the keys: the one pressed last, while no AS3
// object has the focus.
script::Engine* Player::avm1WithKeys() {
    HostContext& ctx = *m_context;
    const auto focused = ctx.avm1Focus.lock();
    if (!focused || ctx.held.focus.isObject())
        return nullptr;
    script::Engine* found = nullptr;
    forEachAvm1Movie(ctx, [&](const model::DisplayObject& root, script::Engine& e) {
        if (&root == focused.get())
            found = &e;
    });
    return found;
}

void Player::mouseMove(swf::Point stage) {
    (void)pointerToAvm1(stage, [&](script::Engine& e) { e.mouseMove(stage); });
    if (!m_started)
        return;
    if (m_context->held.dragged.isObject())
        (void)run(u"the dragged sprite", [&] { followDrag(*m_machine, stage); });
    track(stage);
    const Value hover = m_context->held.hover;
    followMenuPress(*m_machine, m_buttonDown);
    sendMouse(hover.isObject() ? hover.asObject() : nullptr, u"mouseMove", stage);
    (void)run(u"a button", [&] { updateButtons(*m_machine, m_buttonDown); });
}

void Player::mouseDown(swf::Point stage, bool doubleClick) {
    const auto intoAvm1 = pointerToAvm1(stage, [&](script::Engine& e) { e.mouseDown(stage, doubleClick); });
    if (!m_started)
        return;
    track(stage);
    m_buttonDown = true;
    m_doubleClickDue = doubleClick;
    const Value hover = m_context->held.hover;
    m_context->held.pressed = hover;
    sendMouse(hover.isObject() ? hover.asObject() : nullptr, u"mouseDown", stage);
    Object* pressed = hover.isObject() ? hover.asObject() : nullptr;
    if (intoAvm1) {
        // The old movie takes the keys; stage.focus lets go of them.
        (void)run(u"a focus listener", [&] { moveFocus(*m_machine, Value()); });
        m_context->avm1Focus = intoAvm1;
    } else {
        // A press elsewhere takes the keys from an old movie that had them.
        (void)run(u"a focus listener", [&] {
            releaseAvm1Focus(*m_context);
            pressFocus(*m_machine, pressed, m_context->keysDown.test(ShiftKey));
        });
    }
    (void)run(u"a press on text", [&] { pressText(*m_machine, pressed, stage); });
    (void)run(u"a button", [&] { updateButtons(*m_machine, true); });
    updateFocusHighlight();
}

void Player::mouseUp(swf::Point stage) {
    (void)pointerToAvm1(stage, [&](script::Engine& e) { e.mouseUp(stage); });
    if (!m_started)
        return;
    track(stage);
    m_buttonDown = false;
    HostContext& ctx = *m_context;
    const Value hover = ctx.held.hover;
    const Value pressed = ctx.held.pressed;
    ctx.held.pressed = Value();
    avm2::Machine::Pin keep(*m_machine, pressed);
    Object* target = hover.isObject() ? hover.asObject() : nullptr;
    sendMouse(target, u"mouseUp", stage);
    (void)run(u"a button", [&] { updateButtons(*m_machine, false); });
    if (!target || !pressed.isObject() || pressed.asObject() != target)
        return;
    // The second click of a double click on an object that takes them is
    // its doubleClick, not another click.
    const auto& stored = displayOf(*m_machine, hover).stored;
    const auto enabled = stored.find(u"doubleClickEnabled");
    const bool doubleClick =
        m_doubleClickDue && enabled != stored.end() && enabled->second.isBoolean() && enabled->second.asBoolean();
    m_doubleClickDue = false;
    sendMouse(target, doubleClick ? u"doubleClick" : u"click", stage);
    (void)run(u"a link listener", [&] { clickText(*m_machine, target, stage); });
}

void Player::mouseWheel(int32_t lines) {
    (void)pointerToAvm1(m_context->pointer, [&](script::Engine& e) { e.mouseWheel(lines); });
    if (!m_started)
        return;
    const Value hover = m_context->held.hover;
    sendMouse(hover.isObject() ? hover.asObject() : nullptr, u"mouseWheel", m_context->pointer, true, nullptr, lines);
    (void)run(u"a scroll listener",
              [&] { wheelText(*m_machine, hover.isObject() ? hover.asObject() : nullptr, lines); });
}

void Player::sendKey(const char16_t* type, uint32_t code, uint32_t ascii) {
    if (!m_started)
        return;
    HostContext& ctx = *m_context;
    avm2::Machine& m = *m_machine;
    Value target = ctx.held.focus.isObject() && onStage(ctx.held.focus.asObject()) ? ctx.held.focus : ctx.held.stage;
    if (!target.isObject())
        return;
    (void)run(std::u16string(u"a ") + type + u" listener", [&] {
        Value event = makeEvent(m, type, true, false, u"KeyboardEvent");
        avm2::Machine::Pin keep(m, event);
        auto& e = *event.asObject()->nativeAs<InputEventState>();
        e.keyCode = code;
        // The number pad's digits and operators (96 to 111).
        e.keyLocation = code >= 96 && code <= 111 ? 3 : 0;
        e.charCode = charCodeFor(code, ascii, ctx.keysDown.test(ShiftKey));
        e.shiftKey = ctx.keysDown.test(ShiftKey);
        e.ctrlKey = ctx.keysDown.test(ControlKey);
        e.altKey = ctx.keysDown.test(AltKey);
        dispatch(m, target.asObject(), event);
    });
}

void Player::keyDown(uint32_t code, uint32_t ascii) {
    script::Engine* old = avm1WithKeys();
    if (old)
        old->keyDown(code, ascii);
    if (code < m_context->keysDown.size())
        m_context->keysDown.set(code);
    sendKey(u"keyDown", code, ascii);
    // Tab and typing are the old movie's while it has the keys.
    if (!m_started || old)
        return;
    // Ctrl with Alt is AltGr, which types.
    const auto& keys = m_context->keysDown;
    const bool shortcut = keys.test(ControlKey) && !keys.test(AltKey);
    if (code == TabKey) {
        (void)run(u"a focus listener", [&] { tabFocus(*m_machine, keys.test(ShiftKey)); });
        updateFocusHighlight();
        return;
    }
    const uint32_t typed = charCodeFor(code, ascii, keys.test(ShiftKey));
    (void)run(u"a text input listener", [&] { typeIntoFocus(*m_machine, code, typed, shortcut); });
    updateFocusHighlight();
}
void Player::contextMenu(swf::Point stage) {
    if (!m_started)
        return;
    // Over an old movie's drawing, the menu is that movie's.
    std::shared_ptr<model::DisplayObject> over;
    (void)run(u"the pointer", [&] { over = liveAvm1Root(*m_context, pointerHitAt(*m_machine, stage).avm1); });
    if (script::Engine* old = avm1EngineOf(*m_context, over.get())) {
        old->contextMenu(stage);
        return;
    }
    track(stage);
    const Value hover = m_context->held.hover;
    (void)run(u"a menuSelect listener",
              [&] { selectContextMenu(*m_machine, hover.isObject() ? hover.asObject() : nullptr); });
    updateFocusHighlight();
}

void Player::updateFocusHighlight() {
    // The rectangle is the old movie's while it has the keys.
    if (avm1WithKeys())
        return;
    std::optional<swf::Rect> area;
    (void)run(u"the focus rectangle", [&] { area = focusHighlight(*m_machine); });
    m_context->stage.setFocusHighlight(area);
}

void Player::keyUp(uint32_t code, uint32_t ascii) {
    if (script::Engine* old = avm1WithKeys())
        old->keyUp(code, ascii);
    if (code < m_context->keysDown.size())
        m_context->keysDown.reset(code);
    sendKey(u"keyUp", code, ascii);
}

}  // namespace as3
