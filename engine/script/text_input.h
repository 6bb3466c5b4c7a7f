// Typing into input text fields: a DefineEditText that is not read-only
// takes the keyboard focus when pressed (unless it is not selectable) or
// through Selection.setFocus, and loses it to a press anywhere else.
//
// Characters arrive once each, as the `ascii` of a key-down (the control
// turns WM_KEYDOWN + WM_CHAR pairs into a single key-down). The caret stays
// at the end of the text: a character is appended, Backspace (8) removes
// the last code point (a "\r\n" pair as one), Enter (13) appends "\r" in
// multiline fields only. Anything else is ignored: NUL, the other control
// characters, Delete, surrogate halves, values past U+10FFFF, and
// characters typed while Ctrl (without Alt) is held. A field holds
// at most maxLength code points from typing (0 or none: no limit), and never
// grows past MaxTypedBytes by typing. HTML fields are not typed into: their
// text is markup, and the end of it is no place for a caret.
//
// A change reaches the bound variable first, as a script's assignment
// would, then the field's text, then the field's onChanged(field) handler.
#pragma once

#include "swf/geometry.h"
#include "swf/text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace model {
class EditTextObject;
}

namespace script {

class Runtime;

inline constexpr size_t MaxTypedBytes = 64 * 1024;

// Whether the field can hold the focus and be typed into.
[[nodiscard]] bool acceptsTyping(const swf::EditText& field);
// The text after one typed character (ascii as above), or none when the
// character changes nothing. `text` is UTF-8 (not necessarily valid).
[[nodiscard]] std::optional<std::string> typedText(std::string_view text, const swf::EditText& field, uint32_t ascii);

// The focused field, when it is still on the stage and typeable.
[[nodiscard]] model::EditTextObject* focusedField(Runtime& rt);
// Gives the focus to the field (null: to nothing). False when the field
// does not take it (the focus is then unchanged).
bool setFocus(Runtime& rt, model::EditTextObject* field);
// A left press at the stage point: the input field on top there takes the
// focus, anything else takes it away.
void focusAtPress(Runtime& rt, swf::Point stage);
// One typed character for the focused field, if any.
void typeCharacter(Runtime& rt, uint32_t ascii);

}  // namespace script
