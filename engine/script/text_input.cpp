// Typing into the focused input text field.
#include "script/text_input.h"

#include "script/calls.h"
#include "script/clip_control.h"
#include "script/clip_events.h"
#include "script/conversions.h"
#include "script/hit_test.h"
#include "script/runtime.h"
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
constexpr uint32_t Enter = 13;
constexpr size_t ControlKey = 17;
constexpr size_t AltKey = 18;

bool isContinuation(char c) { return (uint8_t(c) & 0xC0) == 0x80; }

// Characters a field takes as typed: no control characters (C0, Delete,
// C1), no surrogate halves, nothing past the last code point.
bool typeable(uint32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return false;
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

size_t codePoints(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        n += isContinuation(c) ? 0 : 1;
    return n;
}

// Where the last code point starts. Malformed text loses at most a lead
// byte and three continuation bytes per step.
size_t lastCodePointStart(std::string_view text) {
    size_t i = text.size();
    int continuations = 0;
    while (i > 0 && isContinuation(text[i - 1]) && continuations < 3) {
        --i;
        ++continuations;
    }
    return i > 0 && !isContinuation(text[i - 1]) ? i - 1 : i;
}

}  // namespace

bool acceptsTyping(const swf::EditText& field) { return !field.readOnly && !field.html; }

std::optional<std::string> typedText(std::string_view text, const swf::EditText& field, uint32_t ascii) {
    if (ascii == Backspace) {
        if (text.empty())
            return std::nullopt;
        if (text.ends_with("\r\n"))
            return std::string(text.substr(0, text.size() - 2));
        return std::string(text.substr(0, lastCodePointStart(text)));
    }
    std::string added;
    if (ascii == Enter) {
        if (!field.multiline)
            return std::nullopt;
        added = "\r";
    } else if (typeable(ascii)) {
        swf::appendUtf8(added, ascii);
    } else {
        return std::nullopt;
    }
    if (text.size() + added.size() > MaxTypedBytes)
        return std::nullopt;
    if (field.maxLength && *field.maxLength > 0 && codePoints(text) >= *field.maxLength)
        return std::nullopt;
    std::string out(text);
    out += added;
    return out;
}

namespace {

// The file's description with what scripts have changed since.
swf::EditText effective(const model::EditTextObject& field) {
    swf::EditText f = field.field();
    const model::FieldSettings& s = field.settings();
    f.readOnly = !s.editable;
    f.html = s.html;
    f.multiline = s.multiline;
    f.maxLength = s.maxChars;
    return f;
}

}  // namespace

model::EditTextObject* focusedField(Runtime& rt) {
    auto focus = rt.input.focus.lock();
    auto* field = focus ? focus->as<model::EditTextObject>() : nullptr;
    if (!field || !field->isOnStage() || !acceptsTyping(effective(*field))) {
        rt.input.focus.reset();
        return nullptr;
    }
    return field;
}

bool setFocus(Runtime& rt, model::EditTextObject* field) {
    if (!field) {
        rt.input.focus.reset();
        return true;
    }
    if (!field->isOnStage() || !acceptsTyping(effective(*field)))
        return false;
    rt.input.focus = field->shared_from_this();
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

void focusAtPress(Runtime& rt, swf::Point stage) {
    model::DisplayObject* hit = HitTester(rt.stage).topmost(rt.stage.root(), stage, nullptr);
    auto* field = hit ? hit->as<model::EditTextObject>() : nullptr;
    if (field && followLink(rt, *field, stage))
        return;
    if (field && field->settings().selectable && setFocus(rt, field))
        return;
    rt.input.focus.reset();
}

void typeCharacter(Runtime& rt, uint32_t ascii) {
    model::EditTextObject* field = focusedField(rt);
    if (!field)
        return;
    // Ctrl+C and friends are shortcuts, not letters; Ctrl with Alt is AltGr,
    // which types.
    if (rt.input.keysDown.test(ControlKey) && !rt.input.keysDown.test(AltKey))
        return;
    const auto& restrict = field->settings().restrict;
    if (restrict && ascii >= 32 && ascii != 127 && !text::restrictAllows(text::fromUtf8(*restrict), char32_t(ascii)))
        return;
    std::optional<std::string> text = typedText(field->text(), effective(*field), ascii);
    if (!text)
        return;
    // The handlers may take the field off the stage.
    std::shared_ptr<model::DisplayObject> keep = field->shared_from_this();
    model::MovieClip* parent = field->parentClip();
    if (parent && !field->variableName().empty()) {
        const bool stored = rt.guarded([&] {
            Frame f = timelineFrame(rt, rt.objectFor(*parent));
            setVariable(rt, f, utf8ToUtf16(field->variableName()), Value(rt.makeStringUtf8(*text)));
        });
        // The field follows its variable; a text the variable refused would
        // be undone at the end of this entry anyway.
        if (!stored)
            return;
    }
    field->setText(std::move(*text));
    if (hasHandler(rt, *field, u"onChanged")) {
        const Value args[] = {Value(rt.objectFor(*field))};
        runClipEvent(rt, *field, {0, u"onChanged"}, args);
    }
}

}  // namespace script
