#include "text/text_editing.h"

#include "text/restrict.h"

namespace text {

namespace {

bool typeable(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return false;
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

// The caret index on `line` nearest x.
size_t indexOnLine(const LaidLine& line, double x) {
    for (const LaidGlyph& g : line.glyphs) {
        if (x < g.x + g.advance / 2.0)
            return g.index;
    }
    return line.end;
}

std::optional<size_t> lineOf(const TextLayout& layout, size_t index) {
    for (size_t n = 0; n < layout.lines.size(); ++n) {
        const LaidLine& line = layout.lines[n];
        // At a wrap the caret belongs to the start of the next line.
        const bool nextStartsHere = n + 1 < layout.lines.size() && layout.lines[n + 1].begin == index;
        if (index >= line.begin && (index < line.end || (index == line.end && !nextStartsHere)))
            return n;
    }
    return std::nullopt;
}

// One character back or forward from `at`, a CR LF pair as one.
size_t stepBack(const std::u32string& t, size_t at) {
    if (at == 0)
        return 0;
    return at >= 2 && t[at - 2] == U'\r' && t[at - 1] == U'\n' ? at - 2 : at - 1;
}

size_t stepForward(const std::u32string& t, size_t at) {
    if (at >= t.size())
        return t.size();
    return at + 1 < t.size() && t[at] == U'\r' && t[at + 1] == U'\n' ? at + 2 : at + 1;
}

}  // namespace

std::u32string admitted(std::u32string_view typed, const EditRules& rules, size_t size, size_t replaced) {
    const size_t kept = size - std::min(replaced, size);
    size_t room = MaxEditedCharacters > kept ? MaxEditedCharacters - kept : 0;
    if (rules.maxChars > 0)
        room = std::min(room, rules.maxChars > kept ? rules.maxChars - kept : 0);
    std::u32string out;
    for (char32_t c : typed) {
        if (out.size() >= room)
            break;
        if (isParagraphEnd(c)) {
            if (rules.multiline)
                out.push_back(U'\r');
            continue;
        }
        if (!typeable(c) || (rules.restrict && !restrictAllows(*rules.restrict, c)))
            continue;
        out.push_back(c);
    }
    return out;
}

bool typeText(FormattedText& text, TextSelection& selection, std::u32string_view typed, const EditRules& rules,
              const TextFormat& emptyFormat) {
    const size_t begin = std::min(selection.begin(), text.size());
    const size_t end = std::min(selection.end(), text.size());
    const std::u32string added = admitted(typed, rules, text.size(), end - begin);
    if (added.empty() && begin == end)
        return false;
    const TextFormat format = text.size() ? text.formatOf(begin, begin) : emptyFormat;
    text.replace(begin, end, added, format);
    selection.anchor = selection.caret = begin + added.size();
    return true;
}

bool pressKey(FormattedText& text, TextSelection& selection, EditKey key, bool extend, const TextLayout& layout) {
    const std::u32string& t = text.text();
    selection.anchor = std::min(selection.anchor, t.size());
    selection.caret = std::min(selection.caret, t.size());
    if (key == EditKey::Backspace || key == EditKey::Delete) {
        size_t begin = selection.begin();
        size_t end = selection.end();
        if (begin == end) {
            if (key == EditKey::Backspace)
                begin = stepBack(t, begin);
            else
                end = stepForward(t, end);
        }
        if (begin == end)
            return false;
        text.replace(begin, end, {}, {});
        selection.anchor = selection.caret = begin;
        return true;
    }
    size_t to = selection.caret;
    const auto line = lineOf(layout, selection.caret);
    switch (key) {
    case EditKey::Left:
        to = !extend && !selection.empty() ? selection.begin() : stepBack(t, selection.caret);
        break;
    case EditKey::Right:
        to = !extend && !selection.empty() ? selection.end() : stepForward(t, selection.caret);
        break;
    case EditKey::Up:
    case EditKey::Down:
        if (line) {
            const auto place = caretPlace(layout, selection.caret);
            const bool up = key == EditKey::Up;
            if (up ? *line > 0 : *line + 1 < layout.lines.size())
                to = indexOnLine(layout.lines[up ? *line - 1 : *line + 1], place->x);
            else
                to = up ? 0 : t.size();
        }
        break;
    case EditKey::Home:
        if (line)
            to = layout.lines[*line].begin;
        break;
    case EditKey::End:
        if (line) {
            const LaidLine& l = layout.lines[*line];
            // Before a wrapped line's last space, so the caret stays on the line.
            const bool wraps = *line + 1 < layout.lines.size() && layout.lines[*line + 1].begin == l.end;
            to = wraps && l.end > l.begin ? l.end - 1 : l.end;
        }
        break;
    default:
        break;
    }
    selection.caret = std::min(to, t.size());
    if (!extend)
        selection.anchor = selection.caret;
    return false;
}

std::optional<CaretPlace> caretPlace(const TextLayout& layout, size_t index) {
    if (layout.lines.empty())
        return std::nullopt;
    // Past the laid-out text (cut at its limit): the end of the last line.
    const size_t n = lineOf(layout, index).value_or(layout.lines.size() - 1);
    const LaidLine& line = layout.lines[n];
    if (index >= line.begin && index < line.end)
        return CaretPlace{n, line.glyphs[index - line.begin].x};
    if (line.glyphs.empty())
        return CaretPlace{n, line.left};
    return CaretPlace{n, line.glyphs.back().x + line.glyphs.back().advance};
}

size_t indexAtPoint(const TextLayout& layout, double x, double y) {
    if (layout.lines.empty())
        return 0;
    for (const LaidLine& line : layout.lines) {
        if (y < line.top + line.height)
            return indexOnLine(line, x);
    }
    return indexOnLine(layout.lines.back(), x);
}

namespace {

enum class CharClass : uint8_t { Word, Space, Other };

CharClass classOf(char32_t c) {
    if (c == U' ' || c == U'\t')
        return CharClass::Space;
    if ((c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c == U'_')
        return CharClass::Word;
    // Letters of other scripts: anything past Latin-1's punctuation but the
    // general punctuation block and the object replacement.
    if (c >= 0xC0 && !(c >= 0x2000 && c <= 0x206F) && c != ObjectReplacement && c != 0xD7 && c != 0xF7)
        return CharClass::Word;
    return CharClass::Other;
}

}  // namespace

TextSelection wordAround(std::u32string_view text, size_t index) {
    if (index > text.size())
        index = text.size();
    // At the end of a word the click still means that word.
    size_t at = index;
    if (at == text.size() ||
        (at > 0 && classOf(text[at]) != CharClass::Word && classOf(text[at - 1]) == CharClass::Word))
        --at;
    if (at >= text.size())
        return {index, index};
    const CharClass kind = classOf(text[at]);
    if (kind == CharClass::Other || isParagraphEnd(text[at]))
        return {at, at + 1};
    size_t begin = at;
    size_t end = at + 1;
    while (begin > 0 && classOf(text[begin - 1]) == kind && !isParagraphEnd(text[begin - 1]))
        --begin;
    while (end < text.size() && classOf(text[end]) == kind && !isParagraphEnd(text[end]))
        ++end;
    return {begin, end};
}

}  // namespace text
