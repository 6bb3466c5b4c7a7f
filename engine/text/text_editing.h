// Editing a field's text as its user does: a caret with a selection, keys
// that move it or delete, typed text replacing the selection. Indices count
// code points of the FormattedText. Free of script types, so both script
// machines drive fields through it.
#pragma once

#include "text/formatted_text.h"
#include "text/text_layout.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace text {

struct TextSelection {
    size_t anchor = 0;  // where the selection started
    size_t caret = 0;   // where it ends; the caret shows here
    [[nodiscard]] size_t begin() const { return std::min(anchor, caret); }
    [[nodiscard]] size_t end() const { return std::max(anchor, caret); }
    [[nodiscard]] bool empty() const { return anchor == caret; }
    friend bool operator==(const TextSelection&, const TextSelection&) = default;
};

// What typing may add to a field.
struct EditRules {
    bool multiline = false;  // Enter adds '\r'; a single-line field takes no line ends
    size_t maxChars = 0;     // 0: no limit
    std::optional<std::u32string> restrict;
};

// Typing never makes a field longer than this.
inline constexpr size_t MaxEditedCharacters = 1 << 16;

enum class EditKey : uint8_t { Left, Right, Up, Down, Home, End, Backspace, Delete };

// What a field of `size` characters, `replaced` of them selected, takes of
// `typed`: no control characters but line ends (and those only when
// multiline), nothing the restrict pattern refuses, no more than the room
// maxChars and the size cap leave.
[[nodiscard]] std::u32string admitted(std::u32string_view typed, const EditRules& rules, size_t size, size_t replaced);

// Replaces the selection with what the rules admit of `typed`, in the
// format of the text before the selection (`emptyFormat` when there is no
// text); the caret follows the new text. False when nothing changed.
bool typeText(FormattedText& text, TextSelection& selection, std::u32string_view typed, const EditRules& rules,
              const TextFormat& emptyFormat);

// A key: arrows, Home and End move the caret (extending the selection with
// `extend`), Backspace and Delete remove the selection or one character (a
// CR LF pair at once). Up, Down, Home and End go by `layout`, which must be
// the text's. True when the text changed.
bool pressKey(FormattedText& text, TextSelection& selection, EditKey key, bool extend, const TextLayout& layout);

// Where the caret at `index` shows: its line and x (field twips, unscrolled).
struct CaretPlace {
    size_t line = 0;
    double x = 0.0;
};
[[nodiscard]] std::optional<CaretPlace> caretPlace(const TextLayout& layout, size_t index);
// The caret index nearest a point (field twips, unscrolled).
[[nodiscard]] size_t indexAtPoint(const TextLayout& layout, double x, double y);

// What a double click at caret `index` selects: the word (letters, digits,
// '_' and marks beyond ASCII) it touches, or else the run of spaces there,
// or else the one character after it. Empty past the text.
[[nodiscard]] TextSelection wordAround(std::u32string_view text, size_t index);

}  // namespace text
