// Typing into input text fields: a DefineEditText that is not read-only
// takes the keyboard focus when pressed (unless it is not selectable; the
// caret goes where it was pressed) or through Selection.setFocus (which
// selects all of it), and loses it to a press anywhere else.
//
// Characters arrive once each, as the `ascii` of a key-down (the control
// turns WM_KEYDOWN + WM_CHAR pairs into a single key-down). The arrows,
// Home and End move the caret (Shift extends the selection), Backspace (8)
// and Delete (key 46) remove the selection or one character, Enter (13)
// adds "\r" in multiline fields only, and any other character replaces the
// selection. Control characters, surrogate halves, values past U+10FFFF and
// characters typed while Ctrl (without Alt) is held are ignored. maxChars
// and restrict limit what typing adds (not what scripts set); HTML fields
// are typed into too, the new text taking the format before the caret.
//
// A change reaches the bound variable first, as a script's assignment
// would, then the field's text, then the field's onChanged(field) handler;
// when the edit scrolled the field, onScroller(field) follows.
#pragma once

#include "swf/geometry.h"
#include "swf/text.h"
#include "text/text_editing.h"

#include <cstdint>

namespace model {
class DisplayObject;
class EditTextObject;
struct FieldSettings;
}  // namespace model

namespace script {

class Runtime;

// Whether the field can hold the focus and be typed into (input fields
// without a style sheet).
[[nodiscard]] bool acceptsTyping(const model::EditTextObject& field);
// What typing may add to the field.
[[nodiscard]] text::EditRules editRules(const model::FieldSettings& settings);

// Moves the keyboard focus (null: none) with onKillFocus/onSetFocus and
// the Selection listeners; `shown` when the keyboard or a script moved it,
// so the focus rectangle may show.
void moveFocus(Runtime& rt, model::DisplayObject* to, bool shown);
// The focused field, when it is still on the stage and holds the focus
// (typeable, or selectable and focused by a press).
[[nodiscard]] model::EditTextObject* focusedField(Runtime& rt);
// Gives the focus to the field (null: to nothing), selecting all of its
// text. False when the field does not take it (the focus is then unchanged).
bool setFocus(Runtime& rt, model::EditTextObject* field);
// A left press at the stage point: the selectable field on top there takes
// the focus with the caret at the press (Shift extends the selection from
// its anchor, a double click selects the word there), else `pressed` (the
// button or clip the press goes to) when it takes focus, without the focus
// rectangle; anything else takes it away. Read-only fields hold the focus
// for selecting, not typing. Nothing changes where the pointer is covered.
void focusAtPress(Runtime& rt, swf::Point stage, bool doubleClick = false, model::DisplayObject* pressed = nullptr);
// The pointer moved with the button held: the pressed field's selection
// extends to it.
void dragSelection(Runtime& rt, swf::Point stage);
// The pointer at the stage point: a styled field's link under it takes its
// a:hover style (and the one before loses it).
void hoverAt(Runtime& rt, swf::Point stage);
// One key for the focused field, if any.
void keyForField(Runtime& rt, uint32_t code, uint32_t ascii);

}  // namespace script
