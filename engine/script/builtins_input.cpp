// Key, Mouse, Selection and Stage.
#include "script/builtins.h"

#include "script/broadcaster.h"
#include "script/conversions.h"
#include "script/runtime.h"
#include "script/stage_object.h"
#include "script/tab_focus.h"
#include "script/text_input.h"
#include "script/variables.h"

#include "model/edit_text_object.h"

#include <algorithm>
#include <cmath>

namespace script {

namespace {

Value keyIsDown(Runtime& rt, const Value&, std::span<const Value> args) {
    double code = toNumber(rt, arg(args, 0));
    if (!std::isfinite(code) || code < 0 || code > 255)
        return Value::fromBool(false);
    return Value::fromBool(rt.input.keysDown.test(size_t(code)));
}

Value keyIsToggled(Runtime&, const Value&, std::span<const Value>) { return Value::fromBool(false); }

Value keyGetCode(Runtime& rt, const Value&, std::span<const Value>) { return Value(double(rt.input.lastKeyCode)); }

Value keyGetAscii(Runtime& rt, const Value&, std::span<const Value>) { return Value(double(rt.input.lastAscii)); }

Value mouseShowHide(Runtime&, const Value&, std::span<const Value>) {
    return Value(1.0);  // the pointer was visible (we draw none)
}

// A noScale movie sees the shown size; others their own.
Value stageWidth(Runtime& rt, const Value&, std::span<const Value>) {
    const auto& layout = rt.stage.layout();
    if (layout.scaleMode == model::ScaleMode::NoScale && layout.surfaceWidth > 0)
        return Value(layout.surfaceWidth);
    return Value(std::round(double(rt.stage.widthTwips()) / 20.0));
}

Value stageHeight(Runtime& rt, const Value&, std::span<const Value>) {
    const auto& layout = rt.stage.layout();
    if (layout.scaleMode == model::ScaleMode::NoScale && layout.surfaceHeight > 0)
        return Value(layout.surfaceHeight);
    return Value(std::round(double(rt.stage.heightTwips()) / 20.0));
}

constexpr std::u16string_view ScaleModeNames[] = {u"showAll", u"noBorder", u"exactFit", u"noScale"};

Value getScaleMode(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(String(ScaleModeNames[size_t(rt.stage.layout().scaleMode)]));
}

// Unknown names leave the mode as it is.
Value setScaleMode(Runtime& rt, const Value&, std::span<const Value> args) {
    const String name = toString(rt, arg(args, 0));
    for (size_t i = 0; i < std::size(ScaleModeNames); ++i) {
        if (equalsFolded(name.view(), ScaleModeNames[i])) {
            model::StageLayout layout = rt.stage.layout();
            layout.scaleMode = model::ScaleMode(i);
            rt.stage.setLayout(layout);
        }
    }
    return Value();
}

Value getAlign(Runtime& rt, const Value&, std::span<const Value>) {
    const uint8_t bits = rt.stage.layout().align;
    std::u16string text;
    if ((bits & model::align::Top) != 0)
        text += u'T';
    if ((bits & model::align::Bottom) != 0)
        text += u'B';
    if ((bits & model::align::Left) != 0)
        text += u'L';
    if ((bits & model::align::Right) != 0)
        text += u'R';
    return Value(rt.makeString(text));
}

// false hides the player's own items of the right-click menu: menus made
// from then on start with their built-in items off.
Value getShowMenu(Runtime& rt, const Value&, std::span<const Value>) { return Value::fromBool(rt.showMenu); }

Value setShowMenu(Runtime& rt, const Value&, std::span<const Value> args) {
    rt.showMenu = toBoolean(rt, arg(args, 0));
    return Value();
}

// The letters T, B, L and R in any order; others are ignored.
Value setAlign(Runtime& rt, const Value&, std::span<const Value> args) {
    uint8_t bits = 0;
    for (const char16_t c : toString(rt, arg(args, 0)).view()) {
        if (c == u'T' || c == u't')
            bits |= model::align::Top;
        else if (c == u'B' || c == u'b')
            bits |= model::align::Bottom;
        else if (c == u'L' || c == u'l')
            bits |= model::align::Left;
        else if (c == u'R' || c == u'r')
            bits |= model::align::Right;
    }
    model::StageLayout layout = rt.stage.layout();
    layout.align = bits;
    rt.stage.setLayout(layout);
    return Value();
}

// The focused object's dot path, or null.
Value selectionGetFocus(Runtime& rt, const Value&, std::span<const Value>) {
    auto focus = rt.input.focus.lock();
    if (focus && focus->as<model::EditTextObject>() && !focusedField(rt))
        focus.reset();
    return focus && focus->isOnStage() ? Value(rt.makeString(dotPath(*rt.objectFor(*focus)))) : Value::null();
}

// A field, button or clip, or a path to one; null or undefined clears the
// focus.
Value selectionSetFocus(Runtime& rt, const Value&, std::span<const Value> args) {
    Value target = arg(args, 0);
    if (target.isNullish())
        return Value::fromBool(setFocus(rt, nullptr));
    if (!target.asObject()) {
        Frame f = timelineFrame(rt, rt.rootObject());
        target = getVariable(rt, f, toString(rt, target).view());
    }
    Object* o = target.asObject();
    if (!o || o->objectClass() != ObjectClass::Stage)
        return Value::fromBool(false);
    model::DisplayObject* d = static_cast<StageObject*>(o)->display();
    if (!d)
        return Value::fromBool(false);
    if (auto* field = d->as<model::EditTextObject>())
        return Value::fromBool(setFocus(rt, field));
    if (!takesFocus(rt, *d))
        return Value::fromBool(false);
    moveFocus(rt, d, true);
    return Value::fromBool(true);
}

// The focused field's selection, -1 with no focus.
Value selectionIndex(Runtime& rt, size_t (*which)(const text::TextSelection&)) {
    model::EditTextObject* field = focusedField(rt);
    return Value(field ? double(which(field->selection())) : -1.0);
}

Value selectionGetBeginIndex(Runtime& rt, const Value&, std::span<const Value>) {
    return selectionIndex(rt, [](const text::TextSelection& s) { return s.begin(); });
}

Value selectionGetEndIndex(Runtime& rt, const Value&, std::span<const Value>) {
    return selectionIndex(rt, [](const text::TextSelection& s) { return s.end(); });
}

Value selectionGetCaretIndex(Runtime& rt, const Value&, std::span<const Value>) {
    return selectionIndex(rt, [](const text::TextSelection& s) { return s.caret; });
}

// setSelection(begin, end) in the focused field, both kept within its text.
Value selectionSetSelection(Runtime& rt, const Value&, std::span<const Value> args) {
    model::EditTextObject* field = focusedField(rt);
    if (!field)
        return Value();
    const double size = double(field->document().size());
    auto at = [&](const Value& v) {
        const double n = toNumber(rt, v);
        return size_t(std::isfinite(n) ? std::clamp(n, 0.0, size) : 0.0);
    };
    field->setSelection({at(arg(args, 0)), at(arg(args, 1))});
    field->revealCaret();
    return Value();
}

void addGetter(Runtime& rt, Object* on, std::u16string_view name, NativeFn getter) {
    Property& p = on->properties().add(String(name), Value(), PropertyFlag::DontDelete);
    p.getter = rt.newNative(getter);
}

}  // namespace

void installInput(Runtime& rt) {
    Object* key = rt.newObject();
    rt.keyObject = key;
    rt.defineMethod(key, u"isDown", keyIsDown);
    rt.defineMethod(key, u"isToggled", keyIsToggled);
    rt.defineMethod(key, u"getCode", keyGetCode);
    rt.defineMethod(key, u"getAscii", keyGetAscii);
    const struct {
        std::u16string_view name;
        double code;
    } keys[] = {
        {u"BACKSPACE", 8}, {u"CAPSLOCK", 20}, {u"CONTROL", 17}, {u"DELETEKEY", 46}, {u"DOWN", 40}, {u"END", 35},
        {u"ENTER", 13},    {u"ESCAPE", 27},   {u"HOME", 36},    {u"INSERT", 45},    {u"LEFT", 37}, {u"PGDN", 34},
        {u"PGUP", 33},     {u"RIGHT", 39},    {u"SHIFT", 16},   {u"SPACE", 32},     {u"TAB", 9},   {u"UP", 38},
    };
    for (const auto& k : keys)
        rt.defineValue(key, k.name, Value(k.code), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    makeBroadcaster(rt, key);
    rt.defineValue(rt.global, u"Key", Value(key));

    Object* mouse = rt.newObject();
    rt.mouseObject = mouse;
    rt.defineMethod(mouse, u"show", mouseShowHide);
    rt.defineMethod(mouse, u"hide", mouseShowHide);
    makeBroadcaster(rt, mouse);
    rt.defineValue(rt.global, u"Mouse", Value(mouse));

    Object* selection = rt.newObject();
    rt.defineMethod(selection, u"getFocus", selectionGetFocus);
    rt.defineMethod(selection, u"setFocus", selectionSetFocus);
    rt.defineMethod(selection, u"getBeginIndex", selectionGetBeginIndex);
    rt.defineMethod(selection, u"getEndIndex", selectionGetEndIndex);
    rt.defineMethod(selection, u"getCaretIndex", selectionGetCaretIndex);
    rt.defineMethod(selection, u"setSelection", selectionSetSelection);
    makeBroadcaster(rt, selection);
    rt.selectionObject = selection;
    rt.defineValue(rt.global, u"Selection", Value(selection));

    Object* stage = rt.newObject();
    rt.stageClass = stage;
    addGetter(rt, stage, u"width", stageWidth);
    addGetter(rt, stage, u"height", stageHeight);
    defineAccessor(rt, stage, u"scaleMode", getScaleMode, setScaleMode);
    defineAccessor(rt, stage, u"align", getAlign, setAlign);
    defineAccessor(rt, stage, u"showMenu", getShowMenu, setShowMenu);
    makeBroadcaster(rt, stage);
    rt.defineValue(rt.global, u"Stage", Value(stage));
}

void deliverStageResize(Runtime& rt) {
    const auto& layout = rt.stage.layout();
    const std::pair<int32_t, int32_t> size{layout.surfaceWidth, layout.surfaceHeight};
    const bool first = rt.stageSizeSeen == std::pair<int32_t, int32_t>{0, 0};
    if (size == rt.stageSizeSeen)
        return;
    rt.stageSizeSeen = size;
    // Being placed the first time is no resize; only noScale movies hear of one.
    if (first || layout.scaleMode != model::ScaleMode::NoScale || !rt.stageClass)
        return;
    rt.guarded([&] { broadcastEvent(rt, rt.stageClass, u"onResize", {}); });
}

}  // namespace script
