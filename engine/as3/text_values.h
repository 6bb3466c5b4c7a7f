// flash.text for ActionScript 3: TextField and StaticText over the model's
// text objects (the ones ActionScript 2 fields use), TextFormat over the
// text layer's format, Font over the movie's and the device's fonts.
// Scripts count lengths in pixels; the model in twips.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "model/edit_text_object.h"
#include "swf/geometry.h"
#include "text/style_sheet.h"
#include "text/text_format.h"

#include <memory>

#include <optional>
#include <span>
#include <utility>

namespace as3 {

[[nodiscard]] std::span<const avm2::CoreClassSpec> textClasses();
// DisplayObjectContainer.textSnapshot.
[[nodiscard]] std::span<const avm2::NativeAccessor> containerSnapshotAccessors();

// A new flash.text.TextFormat holding `format`.
[[nodiscard]] avm2::Value newTextFormat(avm2::Machine& m, const text::TextFormat& format);
// What a TextFormat sets; a TypeError for anything else.
[[nodiscard]] text::TextFormat readTextFormat(avm2::Machine& m, avm2::Value v);

// The sheet a flash.text.StyleSheet holds, or null for anything else.
[[nodiscard]] std::shared_ptr<text::StyleSheet> styleSheetOf(avm2::Value v);

// The text field a TextField object draws with, or null for anything else.
[[nodiscard]] model::EditTextObject* textFieldOf(avm2::Machine& m, avm2::Value v);

// A TextField's selection, within its text (begin <= end); the caret is its end.
[[nodiscard]] std::pair<size_t, size_t> textSelection(avm2::Machine& m, avm2::Value field);
void setTextSelection(avm2::Machine& m, avm2::Value field, size_t begin, size_t end);
// The display object for one of the field's <img> clips (the Loader of a
// file, a MovieClip for a symbol), made on first asking and the same one
// after; the field is its parent.
[[nodiscard]] avm2::Value fieldImageObject(avm2::Machine& m, avm2::Object* field,
                                           const std::shared_ptr<model::DisplayObject>& clip);
// The character drawn at a point of the field (pixels, its own
// coordinates, scrolling counted).
[[nodiscard]] std::optional<size_t> charIndexAt(const model::EditTextObject& field, double x, double y);

// Typing into stage.focus when it is an input TextField: textInput
// (cancelable), the edit, change. A key that edits nothing does nothing.
void typeIntoFocus(avm2::Machine& m, uint32_t code, uint32_t ascii, bool ctrl);
// A press on `target` at a stage point (twips): a field that has the focus
// takes the caret there; a click on an "event:" link sends link.
void pressText(avm2::Machine& m, avm2::Object* target, swf::Point stage);
void clickText(avm2::Machine& m, avm2::Object* target, swf::Point stage);
// The wheel over a field scrolls its lines (unless mouseWheelEnabled is off).
void wheelText(avm2::Machine& m, avm2::Object* target, int32_t lines);

}  // namespace as3
