// Typing into ActionScript 3 input fields: keys edit the focused field at
// its selection, as ActionScript 2 fields take them (restrict, maxChars,
// multiline), with textInput before each addition (a listener may cancel
// it) and change after each edit. Presses give fields the focus and the
// caret; clicks on "event:" links send link.
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"
#include "avm2/string.h"

#include "model/transform.h"
#include "text/formatted_text.h"
#include "text/restrict.h"

#include <algorithm>

namespace as3 {

using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

constexpr uint32_t Backspace = 8;
constexpr uint32_t Enter = 13;
constexpr uint32_t EndKey = 35;
constexpr uint32_t HomeKey = 36;
constexpr uint32_t LeftKey = 37;
constexpr uint32_t RightKey = 39;
constexpr uint32_t DeleteKey = 46;

// No control characters, surrogate halves or values past the last code point.
bool typeable(uint32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return false;
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

// The field's own coordinates (twips) of a stage point.
std::optional<swf::Point> local(const model::EditTextObject& field, swf::Point stage) {
    const auto inverse = model::invert(field.concatenatedMatrix());
    if (!inverse)
        return std::nullopt;
    return model::apply(*inverse, stage);
}

// Scrolls the field so that the caret's line and place show; true when
// either scroll changed.
bool revealCaret(model::EditTextObject& field, size_t caret) {
    const text::TextLayout& layout = field.layout();
    if (layout.lines.empty())
        return false;
    const int scroll = field.scroll();
    const double hscroll = field.hscroll();
    size_t n = layout.lines.size() - 1;
    while (n > 0 && layout.lines[n].begin > caret)
        --n;
    const int line = int(n) + 1;
    if (line < field.scroll())
        field.setScroll(line);
    else if (line > field.bottomScroll())
        field.setScroll(field.scroll() + line - field.bottomScroll());
    const text::LaidLine& laid = layout.lines[n];
    double x = laid.left;
    for (const text::LaidGlyph& g : laid.glyphs) {
        if (g.index >= caret) {
            x = g.x;
            break;
        }
        x = g.x + g.advance;
    }
    const text::FieldBox box = field.box();
    if (x - field.hscroll() > box.xMax - text::Gutter)
        field.setHscroll(x - (box.xMax - text::Gutter));
    else if (x - field.hscroll() < box.xMin + text::Gutter)
        field.setHscroll(x - (box.xMin + text::Gutter));
    return field.scroll() != scroll || field.hscroll() != hscroll;
}

void dispatchPlain(Machine& m, Object* target, const char16_t* type, bool bubbles) {
    Value event = makeEvent(m, type, bubbles);
    Machine::Pin keep(m, event);
    (void)dispatch(m, target, event);
}

}  // namespace

void typeIntoFocus(Machine& m, uint32_t code, uint32_t ascii, bool ctrl) {
    const Value focus = hostContext(m).held.focus;
    model::EditTextObject* field = textFieldOf(m, focus);
    if (!field || !field->settings().editable || field->styleSheet() || !onStage(focus.asObject()))
        return;
    Machine::Pin keepFocus(m, focus);
    std::shared_ptr<model::DisplayObject> keep = field->shared_from_this();
    const size_t length = field->document().size();
    auto [begin, end] = textSelection(m, focus);
    switch (code) {
    case LeftKey:
    case RightKey:
    case HomeKey:
    case EndKey: {
        const size_t caret = code == HomeKey   ? 0
                             : code == EndKey  ? length
                             : code == LeftKey ? (begin == end && begin > 0 ? begin - 1 : begin)
                                               : (begin == end ? std::min(end + 1, length) : end);
        setTextSelection(m, focus, caret, caret);
        if (revealCaret(*field, caret))
            dispatchPlain(m, focus.asObject(), u"scroll", false);
        return;
    }
    default:
        break;
    }
    // Ctrl+C and friends are shortcuts, not letters.
    if (ctrl)
        return;
    std::u32string inserted;
    if (ascii == Backspace) {
        if (begin == end && begin > 0)
            --begin;
    } else if (code == DeleteKey) {
        if (begin == end && end < length)
            ++end;
    } else if (ascii == Enter) {
        if (!field->settings().multiline)
            return;
        inserted = U"\r";
    } else if (typeable(ascii)) {
        inserted.push_back(char32_t(ascii));
        const auto& restrict = field->settings().restrict;
        if (restrict && !text::restrictAllows(text::fromUtf8(*restrict), char32_t(ascii)))
            return;
    } else {
        return;
    }
    if (inserted.empty() && begin == end)
        return;
    if (!inserted.empty()) {
        const auto max = field->settings().maxChars;
        if (max && length - (end - begin) + inserted.size() > *max)
            return;
        Value event = makeEvent(m, u"textInput", true, true, u"TextEvent");
        Machine::Pin keepEvent(m, event);
        eventOf(m, event).text = m.string(avm2::utf8ToUtf16(text::toUtf8(inserted)));
        if (!dispatch(m, focus.asObject(), event))
            return;
        // The listeners may have changed the text or the selection.
        if (textFieldOf(m, focus) != field)
            return;
        std::tie(begin, end) = textSelection(m, focus);
    }
    field->replaceText(begin, end, inserted, field->newTextFormat());
    setTextSelection(m, focus, begin + inserted.size(), begin + inserted.size());
    const bool scrolled = revealCaret(*field, begin + inserted.size());
    dispatchPlain(m, focus.asObject(), u"change", true);
    if (scrolled)
        dispatchPlain(m, focus.asObject(), u"scroll", false);
}

void wheelText(Machine& m, Object* target, int32_t lines) {
    model::EditTextObject* field = target ? textFieldOf(m, Value::object(target)) : nullptr;
    if (!field || lines == 0)
        return;
    const auto& stored = displayOf(m, Value::object(target)).stored;
    auto it = stored.find(u"mouseWheelEnabled");
    if (it != stored.end() && !avm2::toBoolean(it->second))
        return;
    const int before = field->scroll();
    field->setScroll(before - lines);
    if (field->scroll() != before)
        dispatchPlain(m, target, u"scroll", false);
}

void pressText(Machine& m, Object* target, swf::Point stage) {
    const Value v = Value::object(target);
    model::EditTextObject* field = target ? textFieldOf(m, v) : nullptr;
    const Value focus = hostContext(m).held.focus;
    if (!field || !focus.isObject() || focus.asObject() != target)
        return;
    const auto at = local(*field, stage);
    size_t caret = field->document().size();
    if (at) {
        if (const auto index = charIndexAt(*field, at->x / 20.0, at->y / 20.0))
            caret = *index;
    }
    setTextSelection(m, v, caret, caret);
}

void clickText(Machine& m, Object* target, swf::Point stage) {
    model::EditTextObject* field = target ? textFieldOf(m, Value::object(target)) : nullptr;
    const auto at = field ? local(*field, stage) : std::nullopt;
    if (!at)
        return;
    const auto format = field->formatAtPoint(double(at->x), double(at->y));
    const std::string url = format ? format->url.value_or("") : std::string();
    constexpr std::string_view Scheme = "event:";
    if (url.size() < Scheme.size() || !std::equal(Scheme.begin(), Scheme.end(), url.begin(), [](char a, char b) {
            return a == char(std::tolower(static_cast<unsigned char>(b)));
        }))
        return;
    Value event = makeEvent(m, u"link", true, false, u"TextEvent");
    Machine::Pin keep(m, event);
    eventOf(m, event).text = m.string(avm2::utf8ToUtf16(url.substr(Scheme.size())));
    (void)dispatch(m, target, event);
}

}  // namespace as3
