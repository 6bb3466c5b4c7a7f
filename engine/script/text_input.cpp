// Typing into the focused input text field.
#include "script/text_input.h"

#include "script/broadcaster.h"
#include "script/calls.h"
#include "script/clip_control.h"
#include "script/clip_events.h"
#include "script/conversions.h"
#include "script/hit_test.h"
#include "script/runtime.h"
#include "script/tab_focus.h"
#include "script/variables.h"

#include "model/edit_text_object.h"
#include "model/movie_clip.h"
#include "model/transform.h"
#include "text/formatted_text.h"
#include "text/restrict.h"

#include "swf/bit_reader.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace script {

namespace {

constexpr uint32_t Backspace = 8;
constexpr uint32_t DeleteKey = 46;
constexpr size_t ShiftKey = 16;
constexpr size_t ControlKey = 17;
constexpr size_t AltKey = 18;

// The focused object's script object, or null for none.
Value focusValue(Runtime& rt, model::DisplayObject* d) {
    return d && d->isOnStage() ? Value(rt.objectFor(*d)) : Value::null();
}

}  // namespace

bool acceptsTyping(const model::EditTextObject& field) { return field.settings().editable && !field.styleSheet(); }

text::EditRules editRules(const model::FieldSettings& settings) {
    text::EditRules rules;
    rules.multiline = settings.multiline;
    rules.maxChars = settings.maxChars.value_or(0);
    if (settings.restrict)
        rules.restrict = text::fromUtf8(*settings.restrict);
    return rules;
}

namespace {

// Whether the field may keep the focus: read-only fields only for selecting.
bool holdsFocus(const model::EditTextObject& field) { return acceptsTyping(field) || field.settings().selectable; }

}  // namespace

void moveFocus(Runtime& rt, model::DisplayObject* to, bool shown) {
    const auto before = rt.input.focus.lock();
    // Handlers below may take either object off the stage.
    const auto keep = to ? to->shared_from_this() : nullptr;
    rt.input.focusShown = to && shown;
    if (before.get() == to)
        return;
    if (auto* old = before ? before->as<model::EditTextObject>() : nullptr)
        old->setFocused(false);
    if (to) {
        if (auto* field = to->as<model::EditTextObject>())
            field->setFocused(true);
        rt.input.focus = to->shared_from_this();
    } else {
        rt.input.focus.reset();
    }
    // onKillFocus(new) on the old, onSetFocus(old) on the new, then the
    // Selection listeners' onSetFocus(old, new).
    const Value oldValue = focusValue(rt, before.get());
    const Value newValue = focusValue(rt, to);
    if (before && before->isOnStage() && hasHandler(rt, *before, u"onKillFocus"))
        (void)rt.guarded([&] { (void)callMethod(rt, oldValue, u"onKillFocus", std::span(&newValue, 1)); });
    if (to && to->isOnStage() && hasHandler(rt, *to, u"onSetFocus"))
        (void)rt.guarded([&] { (void)callMethod(rt, newValue, u"onSetFocus", std::span(&oldValue, 1)); });
    if (rt.selectionObject) {
        const Value args[] = {oldValue, newValue};
        broadcastEvent(rt, rt.selectionObject, u"onSetFocus", args);
    }
}

model::EditTextObject* focusedField(Runtime& rt) {
    auto focus = rt.input.focus.lock();
    auto* field = focus ? focus->as<model::EditTextObject>() : nullptr;
    if (!field)
        return nullptr;
    if (!field->isOnStage() || !holdsFocus(*field)) {
        // Gone or no longer focusable: dropped without events.
        rt.input.focus.reset();
        field->setFocused(false);
        return nullptr;
    }
    return field;
}

bool setFocus(Runtime& rt, model::EditTextObject* field) {
    if (!field) {
        moveFocus(rt, nullptr, false);
        return true;
    }
    if (!field->isOnStage() || !acceptsTyping(*field))
        return false;
    field->setSelection({0, field->document().size()});
    moveFocus(rt, field, false);
    return true;
}

namespace {

// A press on linked text: "asfunction:name,argument" calls the function on
// the field's timeline, any other URL is opened in the link's target.
bool followLink(Runtime& rt, model::EditTextObject& field, swf::Point stage) {
    const auto inverse = model::invert(field.concatenatedMatrix());
    if (!inverse)
        return false;
    const swf::Point local = model::apply(*inverse, stage);
    const auto format = field.formatAtPoint(double(local.x), double(local.y));
    const std::string url = format ? format->url.value_or("") : std::string();
    if (url.empty())
        return false;
    constexpr std::string_view Scheme = "asfunction:";
    if (url.size() >= Scheme.size() && std::equal(Scheme.begin(), Scheme.end(), url.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        })) {
        const std::string call = url.substr(Scheme.size());
        const size_t comma = call.find(',');
        model::MovieClip* parent = field.parentClip();
        if (!parent)
            return true;
        const Value argument(rt.makeStringUtf8(comma == std::string::npos ? std::string() : call.substr(comma + 1)));
        const std::u16string name = utf8ToUtf16(call.substr(0, comma));
        (void)rt.guarded([&] {
            (void)callMethod(rt, Value(rt.objectFor(*parent)), name,
                             std::span<const Value>(&argument, comma == std::string::npos ? 0 : 1));
        });
        return true;
    }
    requestUrl(rt, utf8ToUtf16(url), utf8ToUtf16(format->target.value_or("")), 0, false, false);
    return true;
}

}  // namespace

namespace {

// The caret index under a stage point in the field, scrolling counted.
std::optional<size_t> indexAtStage(const model::EditTextObject& field, swf::Point stage) {
    const auto inverse = model::invert(field.concatenatedMatrix());
    if (!inverse)
        return std::nullopt;
    const swf::Point local = model::apply(*inverse, stage);
    const text::TextLayout& layout = field.layout();
    const size_t first = size_t(field.scroll() - 1);
    const double dy = first < layout.lines.size() ? layout.lines[first].top - layout.lines.front().top : 0.0;
    return text::indexAtPoint(layout, double(local.x) + field.hscroll(), double(local.y) + dy);
}

}  // namespace

void focusAtPress(Runtime& rt, swf::Point stage, bool doubleClick, model::DisplayObject* pressed) {
    rt.input.selecting.reset();
    if (rt.input.pointerCovered)
        return;
    model::DisplayObject* hit = HitTester(rt.stage).topmost(rt.root(), stage, nullptr);
    auto* field = hit ? hit->as<model::EditTextObject>() : nullptr;
    // A press one of the field's <img> clips takes is not the text's.
    for (model::DisplayObject* d = field ? pressed : nullptr; d; d = d->parent()) {
        if (d == field) {
            field = nullptr;
            break;
        }
    }
    if (field && followLink(rt, *field, stage))
        return;
    if (!field || !field->settings().selectable || !field->isOnStage()) {
        moveFocus(rt, pressed && takesFocus(rt, *pressed) ? pressed : nullptr, false);
        return;
    }
    const bool wasFocused = rt.input.focus.lock().get() == field;
    moveFocus(rt, field, false);
    const auto at = indexAtStage(*field, stage);
    if (!at)
        return;
    text::TextSelection selection{*at, *at};
    if (doubleClick)
        selection = text::wordAround(field->document().text(), *at);
    else if (wasFocused && rt.input.keysDown.test(ShiftKey))
        selection = {field->selection().anchor, *at};
    field->setSelection(selection);
    field->revealCaret();
    // A double click's word stays whole; a plain press drags.
    if (!doubleClick)
        rt.input.selecting = field->shared_from_this();
}

void dragSelection(Runtime& rt, swf::Point stage) {
    auto held = rt.input.selecting.lock();
    auto* field = held ? held->as<model::EditTextObject>() : nullptr;
    if (!field || !rt.input.mouseDown || !field->isOnStage() || rt.input.focus.lock() != held) {
        rt.input.selecting.reset();
        return;
    }
    if (const auto at = indexAtStage(*field, stage)) {
        field->setSelection({field->selection().anchor, *at});
        field->revealCaret();
    }
}

void hoverAt(Runtime& rt, swf::Point stage) {
    if (!rt.input.hoverStyles)
        return;
    model::DisplayObject* hit =
        rt.input.pointerCovered ? nullptr : HitTester(rt.stage).topmost(rt.root(), stage, nullptr);
    auto* field = hit ? hit->as<model::EditTextObject>() : nullptr;
    if (field && !field->styleSheet())
        field = nullptr;
    std::string url;
    if (field) {
        if (const auto inverse = model::invert(field->concatenatedMatrix())) {
            const swf::Point local = model::apply(*inverse, stage);
            if (const auto format = field->formatAtPoint(double(local.x), double(local.y)))
                url = format->url.value_or("");
        }
    }
    auto before = rt.input.hoverField.lock();
    if (auto* old = before ? before->as<model::EditTextObject>() : nullptr; old && old != field)
        old->setHoverUrl({});
    if (field) {
        field->setHoverUrl(std::move(url));
        rt.input.hoverField = field->shared_from_this();
    } else {
        rt.input.hoverField.reset();
    }
}

void keyForField(Runtime& rt, uint32_t code, uint32_t ascii) {
    model::EditTextObject* field = focusedField(rt);
    if (!field || !acceptsTyping(*field))
        return;
    // Ctrl+C and friends are shortcuts, not letters; Ctrl with Alt is AltGr,
    // which types.
    if (rt.input.keysDown.test(ControlKey) && !rt.input.keysDown.test(AltKey))
        return;
    std::optional<text::EditKey> key;
    switch (code) {
    case 35:
        key = text::EditKey::End;
        break;
    case 36:
        key = text::EditKey::Home;
        break;
    case 37:
        key = text::EditKey::Left;
        break;
    case 38:
        key = text::EditKey::Up;
        break;
    case 39:
        key = text::EditKey::Right;
        break;
    case 40:
        key = text::EditKey::Down;
        break;
    case DeleteKey:
        key = text::EditKey::Delete;
        break;
    default:
        if (ascii == Backspace)
            key = text::EditKey::Backspace;
        break;
    }
    text::FormattedText document = field->document();
    text::TextSelection selection = field->selection();
    bool changed = false;
    if (key) {
        changed = text::pressKey(document, selection, *key, rt.input.keysDown.test(ShiftKey), field->layout());
    } else if (ascii != 0) {
        // Keys without a character (Shift, function keys) type nothing:
        // they must not replace the selection with nothing.
        const char32_t typed = ascii;
        changed = text::typeText(document, selection, std::u32string_view(&typed, 1), editRules(field->settings()),
                                 field->newTextFormat());
    }
    // The handlers may take the field off the stage.
    std::shared_ptr<model::DisplayObject> keep = field->shared_from_this();
    const int scrollBefore = field->scroll();
    const int maxScrollBefore = field->maxScroll();
    const double hscrollBefore = field->hscroll();
    if (changed) {
        model::MovieClip* parent = field->parentClip();
        if (parent && !field->variableName().empty()) {
            const bool stored = rt.guarded([&] {
                Frame f = timelineFrame(rt, rt.objectFor(*parent));
                setVariable(rt, f, utf8ToUtf16(field->variableName()),
                            Value(rt.makeStringUtf8(field->textOf(document))));
            });
            // The field follows its variable; a text the variable refused
            // would be undone at the end of this entry anyway.
            if (!stored)
                return;
        }
        field->setDocument(std::move(document));
    }
    field->setSelection(selection);
    field->revealCaret();
    if (changed && hasHandler(rt, *field, u"onChanged")) {
        const Value args[] = {Value(rt.objectFor(*field))};
        runClipEvent(rt, *field, {0, u"onChanged"}, args);
    }
    if (!field->isOnStage())
        return;
    if ((field->scroll() != scrollBefore || field->maxScroll() != maxScrollBefore ||
         field->hscroll() != hscrollBefore) &&
        hasHandler(rt, *field, u"onScroller")) {
        const Value args[] = {Value(rt.objectFor(*field))};
        runClipEvent(rt, *field, {0, u"onScroller"}, args);
    }
}

}  // namespace script
