// flash.text.TextField and TextLineMetrics: a TextField draws with a model
// text field, a new one 100 by 100 pixels in the format a new field starts
// with, a timeline-placed one with the field the timeline placed. Text a
// script gives takes the default text format; "\n" and "\r\n" end
// paragraphs as "\r" does.
#include "as3/display_properties.h"
#include "as3/display_state.h"
#include "as3/geom_values.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"
#include "avm2/string.h"

#include "text/formatted_text.h"
#include "text/glyph_rendering.h"
#include "text/html_text.h"

#include <algorithm>
#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

constexpr int32_t NewFieldTwips = 2000;
// The field's text lives outside the script heap: a longer one is refused.
constexpr size_t MaxFieldCharacters = size_t(1) << 22;

// The selection lives with the display object; both ends are kept within
// the text when read.
constexpr char16_t SelectionBegin[] = u"\x01selectionBegin";
constexpr char16_t SelectionEnd[] = u"\x01selectionEnd";

model::EditTextObject& fieldOf(Machine& m, Value t) {
    auto* field = textFieldOf(m, t);
    if (!field)
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.text.TextField.");
    return *field;
}

std::u32string scriptText(Machine& m, Value v) {
    std::u32string s = text::fromUtf8(avm2::utf16ToUtf8(m.toString(v)->text()));
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == U'\r' && i + 1 < s.size() && s[i + 1] == U'\n')
            continue;
        out.push_back(s[i] == U'\n' ? U'\r' : s[i]);
    }
    return out;
}

Value stringOf(Machine& m, std::u32string_view s) { return m.string(avm2::utf8ToUtf16(text::toUtf8(s))); }

double px(double twips) { return twips / 20.0; }

int32_t intArg(Machine& m, std::span<const Value> args, size_t i, int32_t otherwise) {
    return i < args.size() && !args[i].isUndefined() ? avm2::toInt32(m.toNumber(args[i])) : otherwise;
}

void dispatchPlain(Machine& m, Value target, const char16_t* type, bool bubbles) {
    Value event = makeEvent(m, type, bubbles);
    Machine::Pin keep(m, event);
    (void)dispatch(m, target.asObject(), event);
}

void tooLong(Machine& m) { m.throwError("Error", 1000, u"The system is out of memory."); }

// A styled field takes its formats from the sheet alone.
void refuseStyled(Machine& m, const model::EditTextObject& f) {
    if (f.styleSheet())
        m.throwError("Error", 2009, u"This method cannot be used on a text field with a style sheet.");
}

void edit(Machine& m, model::EditTextObject& f, size_t begin, size_t end, std::u32string_view inserted) {
    if (f.document().size() - (std::min(end, f.document().size()) - std::min(begin, end)) + inserted.size() >
        MaxFieldCharacters)
        tooLong(m);
    f.replaceText(begin, end, inserted, f.newTextFormat());
}

// --- Construction -----------------------------------------------------------

Value textFieldInit(Machine& m, Value t, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    if (!t.asObject()->nativeAs<DisplayState>() && !ctx.pendingObject) {
        auto field = ctx.stage.createDetachedTextField(NewFieldTwips, NewFieldTwips);
        if (!field)
            m.throwError("Error", 1000, u"The system is out of memory.");
        ctx.pendingObject = std::move(field);
    }
    (void)initInteractiveObject(m, t, args);
    // Fields here answer htmlText with markup whatever they were made as.
    if (auto* field = textFieldOf(m, t); field && !field->settings().html)
        field->changeSettings([](model::FieldSettings& s) { s.html = true; });
    return Value();
}

// --- Content ----------------------------------------------------------------

Value getText(Machine& m, Value t, std::span<const Value>) { return stringOf(m, fieldOf(m, t).document().text()); }
Value setText(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const Value v = argument(args, 0);
    if (v.isNullish())
        m.throwError("TypeError", 2007, u"Parameter text must be non-null.");
    edit(m, f, 0, f.document().size(), scriptText(m, v));
    return Value();
}
// A styled field answers with the markup it was given, as the sheet may
// change what that markup means.
Value getHtmlText(Machine& m, Value t, std::span<const Value>) {
    const model::EditTextObject& f = fieldOf(m, t);
    return m.string(avm2::utf8ToUtf16(f.styleSheet() ? f.text() : f.writtenHtml()));
}
Value setHtmlText(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const Value v = argument(args, 0);
    if (v.isNullish())
        m.throwError("TypeError", 2007, u"Parameter text must be non-null.");
    const std::u16string& html = m.toString(v)->text();
    if (html.size() > MaxFieldCharacters)
        tooLong(m);
    if (!f.settings().html)
        f.changeSettings([](model::FieldSettings& s) { s.html = true; });
    f.setHtmlText(avm2::utf16ToUtf8(html));
    return Value();
}
Value getLength(Machine& m, Value t, std::span<const Value>) {
    return Value::number(double(fieldOf(m, t).document().size()));
}

Value appendText(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const size_t end = f.document().size();
    edit(m, f, end, end, scriptText(m, argument(args, 0)));
    return Value();
}

void checkRange(Machine& m, size_t length, int32_t begin, int32_t end) {
    if (begin < 0 || end < begin || size_t(end) > length)
        m.throwError("RangeError", 2006, u"The supplied index is out of bounds.");
}

Value replaceText(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    refuseStyled(m, f);
    const int32_t begin = intArg(m, args, 0, 0);
    const int32_t end = intArg(m, args, 1, 0);
    checkRange(m, f.document().size(), begin, end);
    edit(m, f, size_t(begin), size_t(end), scriptText(m, argument(args, 2)));
    return Value();
}

Value replaceSelectedText(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    refuseStyled(m, f);
    const auto [begin, end] = textSelection(m, t);
    const std::u32string inserted = scriptText(m, argument(args, 0));
    edit(m, f, begin, end, inserted);
    setTextSelection(m, t, begin + inserted.size(), begin + inserted.size());
    return Value();
}

// --- Formats ----------------------------------------------------------------

Value getDefaultFormat(Machine& m, Value t, std::span<const Value>) {
    return newTextFormat(m, fieldOf(m, t).newTextFormat());
}
Value setDefaultFormat(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    refuseStyled(m, f);
    f.setNewTextFormat(readTextFormat(m, argument(args, 0)));
    return Value();
}

// (begin = -1, end = -1): the whole text; an end of -1 is one character.
std::pair<size_t, size_t> formatRange(Machine& m, const model::EditTextObject& f, std::span<const Value> args,
                                      size_t first) {
    const size_t length = f.document().size();
    int32_t begin = intArg(m, args, first, -1);
    int32_t end = intArg(m, args, first + 1, -1);
    if (begin == -1 && end == -1)
        return {0, length};
    if (end == -1)
        end = begin + 1;
    if (begin == -1)
        begin = 0;
    checkRange(m, length, begin, end);
    return {size_t(begin), size_t(end)};
}

Value getTextFormat(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const auto [begin, end] = formatRange(m, f, args, 0);
    if (begin >= end)
        return newTextFormat(m, begin < f.document().size() ? f.document().formatAt(begin) : f.newTextFormat());
    return newTextFormat(m, f.document().formatOf(begin, end));
}
Value setTextFormat(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    refuseStyled(m, f);
    const text::TextFormat format = readTextFormat(m, argument(args, 0));
    const auto [begin, end] = formatRange(m, f, args, 1);
    f.applyFormat(begin, end, format);
    return Value();
}

// --- Settings ---------------------------------------------------------------

template <bool model::FieldSettings::*Field>
Value flagGet(Machine& m, Value t, std::span<const Value>) {
    return Value::boolean(fieldOf(m, t).settings().*Field);
}
template <bool model::FieldSettings::*Field>
Value flagSet(Machine& m, Value t, std::span<const Value> args) {
    const bool on = avm2::toBoolean(argument(args, 0));
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) { s.*Field = on; });
    return Value();
}
template <uint32_t model::FieldSettings::*Field>
Value colorGet(Machine& m, Value t, std::span<const Value>) {
    return Value::fromUInt(fieldOf(m, t).settings().*Field);
}
template <uint32_t model::FieldSettings::*Field>
Value colorSet(Machine& m, Value t, std::span<const Value> args) {
    const uint32_t color = avm2::toUInt32(m.toNumber(argument(args, 0))) & 0xFFFFFF;
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) { s.*Field = color; });
    return Value();
}

constexpr std::pair<model::AutoSize, const char16_t*> AutoSizeNames[] = {
    {model::AutoSize::None, u"none"},
    {model::AutoSize::Left, u"left"},
    {model::AutoSize::Center, u"center"},
    {model::AutoSize::Right, u"right"},
};
Value autoSizeGet(Machine& m, Value t, std::span<const Value>) {
    const model::AutoSize a = fieldOf(m, t).settings().autoSize;
    for (const auto& [value, name] : AutoSizeNames) {
        if (value == a)
            return m.string(name);
    }
    return m.string(u"none");
}
Value autoSizeSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const std::u16string name = m.toString(argument(args, 0))->text();
    for (const auto& [value, text] : AutoSizeNames) {
        if (name == text) {
            f.changeSettings([&](model::FieldSettings& s) { s.autoSize = value; });
            return Value();
        }
    }
    m.throwError("ArgumentError", 2008, u"Parameter autoSize must be one of the accepted values.");
}

Value typeGet(Machine& m, Value t, std::span<const Value>) {
    return m.string(fieldOf(m, t).settings().editable ? u"input" : u"dynamic");
}
Value typeSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const std::u16string name = m.toString(argument(args, 0))->text();
    if (name != u"input" && name != u"dynamic")
        m.throwError("ArgumentError", 2008, u"Parameter type must be one of the accepted values.");
    f.changeSettings([&](model::FieldSettings& s) { s.editable = name == u"input"; });
    return Value();
}

// antiAliasType, gridFitType, sharpness and thickness: how the glyphs are
// drawn (see text::GlyphRendering).
Value antiAliasTypeGet(Machine& m, Value t, std::span<const Value>) {
    return m.string(fieldOf(m, t).settings().glyphs.advanced ? u"advanced" : u"normal");
}
Value antiAliasTypeSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const std::u16string name = m.toString(argument(args, 0))->text();
    if (name != u"normal" && name != u"advanced")
        m.throwError("ArgumentError", 2008, u"Parameter antiAliasType must be one of the accepted values.");
    f.changeSettings([&](model::FieldSettings& s) { s.glyphs.advanced = name == u"advanced"; });
    return Value();
}
Value gridFitTypeGet(Machine& m, Value t, std::span<const Value>) {
    return m.string(std::u16string(text::gridFitName(fieldOf(m, t).settings().glyphs.gridFit)));
}
Value gridFitTypeSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const auto fit = text::gridFitNamed(m.toString(argument(args, 0))->text());
    if (!fit)
        m.throwError("ArgumentError", 2008, u"Parameter gridFitType must be one of the accepted values.");
    f.changeSettings([&](model::FieldSettings& s) { s.glyphs.gridFit = *fit; });
    return Value();
}
Value sharpnessGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(fieldOf(m, t).settings().glyphs.sharpness);
}
Value sharpnessSet(Machine& m, Value t, std::span<const Value> args) {
    const double v = text::clampSharpness(m.toNumber(argument(args, 0)));
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) { s.glyphs.sharpness = v; });
    return Value();
}
Value thicknessGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(fieldOf(m, t).settings().glyphs.thickness);
}
Value thicknessSet(Machine& m, Value t, std::span<const Value> args) {
    const double v = text::clampThickness(m.toNumber(argument(args, 0)));
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) { s.glyphs.thickness = v; });
    return Value();
}

Value maxCharsGet(Machine& m, Value t, std::span<const Value>) {
    return Value::fromInt(fieldOf(m, t).settings().maxChars.value_or(0));
}
Value maxCharsSet(Machine& m, Value t, std::span<const Value> args) {
    const int32_t n = avm2::toInt32(m.toNumber(argument(args, 0)));
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) {
        if (n > 0)
            s.maxChars = uint16_t(std::min(n, 0xFFFF));
        else
            s.maxChars.reset();
    });
    return Value();
}

Value restrictGet(Machine& m, Value t, std::span<const Value>) {
    const auto& r = fieldOf(m, t).settings().restrict;
    return r ? m.string(avm2::utf8ToUtf16(*r)) : Value::null();
}
Value restrictSet(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    std::optional<std::string> r;
    if (!v.isNullish())
        r = avm2::utf16ToUtf8(m.toString(v)->text());
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) { s.restrict = r; });
    return Value();
}

// The text's colour: every run's, and the default format's.
Value textColorGet(Machine& m, Value t, std::span<const Value>) {
    const model::EditTextObject& f = fieldOf(m, t);
    const text::TextFormat first = f.document().size() ? f.document().formatAt(0) : f.newTextFormat();
    return Value::fromUInt(first.color.value_or(0));
}
Value textColorSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    text::TextFormat color;
    color.color = avm2::toUInt32(m.toNumber(argument(args, 0))) & 0xFFFFFF;
    f.setNewTextFormat(color);
    f.applyFormat(0, f.document().size(), color);
    return Value();
}

// What changes no drawing here (mouseWheelEnabled...), kept as set.
template <const char16_t* Name>
Value keptGet(Machine& m, Value t, std::span<const Value>) {
    const auto& stored = displayOf(m, t).stored;
    auto it = stored.find(Name);
    return it != stored.end() ? it->second : Value::null();
}
template <const char16_t* Name>
Value keptSet(Machine& m, Value t, std::span<const Value> args) {
    displayOf(m, t).stored[Name] = argument(args, 0);
    return Value();
}
constexpr char16_t MouseWheelEnabled[] = u"mouseWheelEnabled";
constexpr char16_t AlwaysShowSelection[] = u"alwaysShowSelection";
constexpr char16_t UseRichTextClipboard[] = u"useRichTextClipboard";
constexpr char16_t StyleSheet[] = u"styleSheet";

void setKeptDefaults(Machine& m, Value t) {
    auto& stored = displayOf(m, t).stored;
    stored.emplace(MouseWheelEnabled, Value::boolean(true));
    stored.emplace(AlwaysShowSelection, Value::boolean(false));
    stored.emplace(UseRichTextClipboard, Value::boolean(false));
    stored.emplace(StyleSheet, Value::null());
}

// The field shares the sheet's rules; null leaves the field unstyled.
Value styleSheetSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const Value v = argument(args, 0);
    std::shared_ptr<text::StyleSheet> sheet = styleSheetOf(v);
    if (!sheet && !v.isNullish())
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert the value to flash.text.StyleSheet.");
    displayOf(m, t).stored[StyleSheet] = sheet ? v : Value::null();
    f.setStyleSheet(std::move(sheet));
    return Value();
}

Value fullInit(Machine& m, Value t, std::span<const Value> args) {
    (void)textFieldInit(m, t, args);
    setKeptDefaults(m, t);
    return Value();
}

// --- Size, scrolling, measures ------------------------------------------------

// The box changes size; the text is not scaled.
template <bool Width>
Value sizeSet(Machine& m, Value t, std::span<const Value> args) {
    const double n = m.toNumber(argument(args, 0));
    if (!std::isfinite(n))
        return Value();
    const int32_t twips = int32_t(std::clamp(n * 20.0, 0.0, 1e8));
    fieldOf(m, t).changeSettings([&](model::FieldSettings& s) {
        if (Width)
            s.bounds.xMax = s.bounds.xMin + twips;
        else
            s.bounds.yMax = s.bounds.yMin + twips;
    });
    return Value();
}

Value scrollVGet(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(fieldOf(m, t).scroll()); }
Value scrollVSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const int before = f.scroll();
    f.setScroll(avm2::toInt32(m.toNumber(argument(args, 0))));
    if (f.scroll() != before)
        dispatchPlain(m, t, u"scroll", false);
    return Value();
}
Value scrollHGet(Machine& m, Value t, std::span<const Value>) {
    return Value::fromInt(int32_t(std::lround(px(fieldOf(m, t).hscroll()))));
}
Value scrollHSet(Machine& m, Value t, std::span<const Value> args) {
    model::EditTextObject& f = fieldOf(m, t);
    const double before = f.hscroll();
    f.setHscroll(m.toNumber(argument(args, 0)) * 20.0);
    if (f.hscroll() != before)
        dispatchPlain(m, t, u"scroll", false);
    return Value();
}
Value maxScrollVGet(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(fieldOf(m, t).maxScroll()); }
Value maxScrollHGet(Machine& m, Value t, std::span<const Value>) {
    return Value::fromInt(int32_t(std::lround(px(fieldOf(m, t).maxHscroll()))));
}
Value bottomScrollVGet(Machine& m, Value t, std::span<const Value>) {
    return Value::fromInt(fieldOf(m, t).bottomScroll());
}
Value textWidthGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(px(fieldOf(m, t).layout().textWidth));
}
Value textHeightGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(px(fieldOf(m, t).layout().textHeight));
}
Value numLinesGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(double(fieldOf(m, t).layout().lines.size()));
}

// --- Selection ----------------------------------------------------------------

Value selectionBeginGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(double(textSelection(m, t).first));
}
Value selectionEndGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(double(textSelection(m, t).second));
}
Value caretIndexGet(Machine& m, Value t, std::span<const Value>) {
    const DisplayState& d = displayOf(m, t);
    auto it = d.stored.find(SelectionEnd);
    const size_t length = fieldOf(m, t).document().size();
    return Value::number(
        double(it != d.stored.end() && it->second.isNumeric() ? std::min(size_t(it->second.numeric()), length) : 0));
}
Value setSelection(Machine& m, Value t, std::span<const Value> args) {
    const double length = double(fieldOf(m, t).document().size());
    auto clampArg = [&](size_t i) {
        const double n = m.toNumber(argument(args, i));
        return size_t(std::isfinite(n) ? std::clamp(n, 0.0, length) : 0.0);
    };
    setTextSelection(m, t, clampArg(0), clampArg(1));
    return Value();
}

// --- Lines and characters -------------------------------------------------------

const text::LaidLine& lineAt(Machine& m, const model::EditTextObject& f, std::span<const Value> args) {
    const auto& lines = f.layout().lines;
    const int32_t n = intArg(m, args, 0, 0);
    if (n < 0 || size_t(n) >= lines.size())
        m.throwError("RangeError", 2006, u"The supplied index is out of bounds.");
    return lines[size_t(n)];
}

// Where line n ends: where the next begins (its paragraph end counted), or the text's end.
size_t lineEnd(const model::EditTextObject& f, size_t n) {
    const auto& lines = f.layout().lines;
    return n + 1 < lines.size() ? lines[n + 1].begin : f.document().size();
}

size_t lineNumber(const model::EditTextObject& f, const text::LaidLine& line) {
    return size_t(&line - f.layout().lines.data());
}

Value getLineOffset(Machine& m, Value t, std::span<const Value> args) {
    return Value::fromInt(int32_t(lineAt(m, fieldOf(m, t), args).begin));
}
Value getLineLength(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    const text::LaidLine& line = lineAt(m, f, args);
    return Value::fromInt(int32_t(lineEnd(f, lineNumber(f, line)) - line.begin));
}
Value getLineText(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    const text::LaidLine& line = lineAt(m, f, args);
    const size_t end = lineEnd(f, lineNumber(f, line));
    return stringOf(m, std::u32string_view(f.document().text()).substr(line.begin, end - line.begin));
}
Value getLineMetrics(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    const text::LaidLine& line = lineAt(m, f, args);
    const text::TextFormat format =
        line.begin < f.document().size() ? f.document().formatAt(line.begin) : f.newTextFormat();
    const double leading = format.leading.value_or(0.0);
    const double ascent = line.baseline - line.top;
    const Value values[] = {Value::number(px(line.left)),
                            Value::number(px(line.width)),
                            Value::number(px(line.height)),
                            Value::number(px(ascent)),
                            Value::number(px(line.height - ascent - leading)),
                            Value::number(px(leading))};
    return m.construct(Value::object(m.coreClass(u"flash.text", u"TextLineMetrics")), values);
}
Value getLineIndexOfChar(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    const int32_t i = intArg(m, args, 0, 0);
    const auto& lines = f.layout().lines;
    if (i < 0 || size_t(i) >= f.document().size())
        return Value::fromInt(-1);
    for (size_t n = lines.size(); n-- > 0;) {
        if (lines[n].begin <= size_t(i))
            return Value::fromInt(int32_t(n));
    }
    return Value::fromInt(-1);
}

const text::LaidGlyph* glyphOf(const model::EditTextObject& f, size_t index, const text::LaidLine** on) {
    for (const text::LaidLine& line : f.layout().lines) {
        for (const text::LaidGlyph& g : line.glyphs) {
            if (g.index == index) {
                *on = &line;
                return &g;
            }
        }
    }
    return nullptr;
}

Value getCharBoundaries(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    const int32_t i = intArg(m, args, 0, 0);
    const text::LaidLine* line = nullptr;
    const text::LaidGlyph* g = i >= 0 ? glyphOf(f, size_t(i), &line) : nullptr;
    if (!g)
        return Value::null();
    return newRectangle(m, px(g->x), px(line->top), px(g->advance), px(line->height));
}

// The line under a point of the field (pixels), scrolling counted.
const text::LaidLine* lineAtPoint(const model::EditTextObject& f, double& x, double y) {
    const auto& lines = f.layout().lines;
    const size_t first = size_t(f.scroll() - 1);
    if (first >= lines.size() || !std::isfinite(x) || !std::isfinite(y))
        return nullptr;
    x = x * 20.0 + f.hscroll();
    const double ty = y * 20.0 + lines[first].top - lines.front().top;
    for (size_t n = first; n < lines.size(); ++n) {
        if (ty >= lines[n].top && ty < lines[n].top + lines[n].height)
            return &lines[n];
    }
    return nullptr;
}

Value getLineIndexAtPoint(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    double x = m.toNumber(argument(args, 0));
    const text::LaidLine* line = lineAtPoint(f, x, m.toNumber(argument(args, 1)));
    return Value::fromInt(line ? int32_t(lineNumber(f, *line)) : -1);
}
Value getCharIndexAtPoint(Machine& m, Value t, std::span<const Value> args) {
    const auto index = charIndexAt(fieldOf(m, t), m.toNumber(argument(args, 0)), m.toNumber(argument(args, 1)));
    return Value::fromInt(index ? int32_t(*index) : -1);
}
Value getFirstCharInParagraph(Machine& m, Value t, std::span<const Value> args) {
    const std::u32string& s = fieldOf(m, t).document().text();
    const int32_t i = intArg(m, args, 0, 0);
    if (i < 0 || size_t(i) >= s.size())
        return Value::fromInt(-1);
    size_t k = size_t(i);
    while (k > 0 && !text::isParagraphEnd(s[k - 1]))
        --k;
    return Value::fromInt(int32_t(k));
}
Value getParagraphLength(Machine& m, Value t, std::span<const Value> args) {
    const std::u32string& s = fieldOf(m, t).document().text();
    const int32_t i = intArg(m, args, 0, 0);
    if (i < 0 || size_t(i) >= s.size())
        return Value::fromInt(-1);
    size_t begin = size_t(i);
    while (begin > 0 && !text::isParagraphEnd(s[begin - 1]))
        --begin;
    size_t end = size_t(i);
    while (end < s.size() && !text::isParagraphEnd(s[end]))
        ++end;
    return Value::fromInt(int32_t(std::min(end + 1, s.size()) - begin));
}

// --- TextLineMetrics ------------------------------------------------------------

Value lineMetricsInit(Machine& m, Value t, std::span<const Value> args) {
    const char16_t* names[] = {u"x", u"width", u"height", u"ascent", u"descent", u"leading"};
    for (size_t i = 0; i < std::size(names); ++i)
        t.asObject()->setOwn(names[i], Value::number(i < args.size() ? m.toNumber(args[i]) : 0.0));
    return Value();
}

// The display object showing the field's <img> of that id; null for an
// image drawn without a clip (an exported bitmap) or an id no image has.
Value getImageReference(Machine& m, Value t, std::span<const Value> args) {
    const model::EditTextObject& f = fieldOf(m, t);
    const std::string id = avm2::utf16ToUtf8(m.toString(argument(args, 0))->text());
    for (const auto& [depth, image] : f.imageClips()) {
        if (image->name() == id)
            return fieldImageObject(m, t.asObject(), image);
    }
    return Value::null();
}

const avm2::NativeMember Methods[] = {
    {u"appendText", appendText},
    {u"replaceText", replaceText},
    {u"replaceSelectedText", replaceSelectedText},
    {u"getImageReference", getImageReference},
    {u"getTextFormat", getTextFormat},
    {u"setTextFormat", setTextFormat},
    {u"setSelection", setSelection},
    {u"getLineMetrics", getLineMetrics},
    {u"getLineText", getLineText},
    {u"getLineOffset", getLineOffset},
    {u"getLineLength", getLineLength},
    {u"getLineIndexOfChar", getLineIndexOfChar},
    {u"getCharBoundaries", getCharBoundaries},
    {u"getCharIndexAtPoint", getCharIndexAtPoint},
    {u"getLineIndexAtPoint", getLineIndexAtPoint},
    {u"getFirstCharInParagraph", getFirstCharInParagraph},
    {u"getParagraphLength", getParagraphLength},
};

const std::vector<avm2::NativeAccessor> Accessors = [] {
    std::vector<avm2::NativeAccessor> all = {
        {u"text", getText, setText},
        {u"htmlText", getHtmlText, setHtmlText},
        {u"length", getLength},
        {u"defaultTextFormat", getDefaultFormat, setDefaultFormat},
        {u"autoSize", autoSizeGet, autoSizeSet},
        {u"type", typeGet, typeSet},
        {u"wordWrap", flagGet<&model::FieldSettings::wordWrap>, flagSet<&model::FieldSettings::wordWrap>},
        {u"multiline", flagGet<&model::FieldSettings::multiline>, flagSet<&model::FieldSettings::multiline>},
        {u"selectable", flagGet<&model::FieldSettings::selectable>, flagSet<&model::FieldSettings::selectable>},
        {u"displayAsPassword", flagGet<&model::FieldSettings::password>, flagSet<&model::FieldSettings::password>},
        {u"embedFonts", flagGet<&model::FieldSettings::embedFonts>, flagSet<&model::FieldSettings::embedFonts>},
        {u"condenseWhite", flagGet<&model::FieldSettings::condenseWhite>,
         flagSet<&model::FieldSettings::condenseWhite>},
        {u"border", flagGet<&model::FieldSettings::border>, flagSet<&model::FieldSettings::border>},
        {u"background", flagGet<&model::FieldSettings::background>, flagSet<&model::FieldSettings::background>},
        {u"borderColor", colorGet<&model::FieldSettings::borderColor>, colorSet<&model::FieldSettings::borderColor>},
        {u"backgroundColor", colorGet<&model::FieldSettings::backgroundColor>,
         colorSet<&model::FieldSettings::backgroundColor>},
        {u"textColor", textColorGet, textColorSet},
        {u"maxChars", maxCharsGet, maxCharsSet},
        {u"restrict", restrictGet, restrictSet},
        {u"scrollV", scrollVGet, scrollVSet},
        {u"scrollH", scrollHGet, scrollHSet},
        {u"maxScrollV", maxScrollVGet},
        {u"maxScrollH", maxScrollHGet},
        {u"bottomScrollV", bottomScrollVGet},
        {u"textWidth", textWidthGet},
        {u"textHeight", textHeightGet},
        {u"numLines", numLinesGet},
        {u"selectionBeginIndex", selectionBeginGet},
        {u"selectionEndIndex", selectionEndGet},
        {u"caretIndex", caretIndexGet},
        {u"antiAliasType", antiAliasTypeGet, antiAliasTypeSet},
        {u"gridFitType", gridFitTypeGet, gridFitTypeSet},
        {u"sharpness", sharpnessGet, sharpnessSet},
        {u"thickness", thicknessGet, thicknessSet},
        {u"mouseWheelEnabled", keptGet<MouseWheelEnabled>, keptSet<MouseWheelEnabled>},
        {u"alwaysShowSelection", keptGet<AlwaysShowSelection>, keptSet<AlwaysShowSelection>},
        {u"useRichTextClipboard", keptGet<UseRichTextClipboard>, keptSet<UseRichTextClipboard>},
        {u"styleSheet", keptGet<StyleSheet>, styleSheetSet},
    };
    // width and height read as every display object's; setting them resizes the box.
    for (const avm2::NativeAccessor& a : displayObjectAccessors()) {
        const std::u16string_view name = a.name;
        if (name == u"width")
            all.push_back({a.name, a.get, sizeSet<true>});
        else if (name == u"height")
            all.push_back({a.name, a.get, sizeSet<false>});
    }
    return all;
}();

}  // namespace

model::EditTextObject* textFieldOf(Machine&, Value v) {
    auto* d = v.isObject() ? v.asObject()->nativeAs<DisplayState>() : nullptr;
    return d && d->object ? d->object->as<model::EditTextObject>() : nullptr;
}

std::pair<size_t, size_t> textSelection(Machine& m, Value t) {
    const DisplayState& d = displayOf(m, t);
    const size_t length = fieldOf(m, t).document().size();
    auto read = [&](const char16_t* key) {
        auto it = d.stored.find(key);
        return it != d.stored.end() && it->second.isNumeric() ? std::min(size_t(it->second.numeric()), length)
                                                              : size_t(0);
    };
    const size_t a = read(SelectionBegin);
    const size_t b = read(SelectionEnd);
    return {std::min(a, b), std::max(a, b)};
}

void setTextSelection(Machine& m, Value t, size_t begin, size_t end) {
    DisplayState& d = displayOf(m, t);
    d.stored[SelectionBegin] = Value::number(double(begin));
    d.stored[SelectionEnd] = Value::number(double(end));
}

std::optional<size_t> charIndexAt(const model::EditTextObject& field, double x, double y) {
    const text::LaidLine* line = lineAtPoint(field, x, y);
    if (line) {
        for (const text::LaidGlyph& g : line->glyphs) {
            if (x >= g.x && x < g.x + g.advance)
                return g.index;
        }
    }
    return std::nullopt;
}

std::span<const avm2::CoreClassSpec> textFieldClasses() {
    static const avm2::CoreClassSpec Classes[] = {
        sealedClass(u"flash.text", u"TextField", u"flash.display.InteractiveObject", fullInit,
                    {.methods = Methods, .accessors = Accessors}),
        {.name = u"TextLineMetrics", .base = u"Object", .init = lineMetricsInit, .package = u"flash.text"},
    };
    return Classes;
}

Value fieldImageObject(Machine& m, avm2::Object* field, const std::shared_ptr<model::DisplayObject>& clip) {
    HostContext& ctx = hostContext(m);
    auto& held = ctx.held.fieldImages;
    std::erase_if(held, [](const auto& e) { return e.second.first.expired(); });
    Value v;
    if (const auto it = held.find(clip->id()); it != held.end()) {
        v = it->second.second;
    } else {
        ctx.pendingObject = clip;
        try {
            v = m.construct(Value::object(m.coreClass(u"flash.display", u"MovieClip")), {});
        } catch (...) {
            ctx.pendingObject.reset();
            throw;
        }
        ctx.pendingObject.reset();
        held[clip->id()] = {clip, v};
    }
    // A file's Loader is made before anyone knows its field.
    if (DisplayState& d = displayOf(m, v); !d.parentObject)
        d.parentObject = field;
    return v;
}

}  // namespace as3
