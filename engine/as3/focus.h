// Keyboard focus for ActionScript 3: stage.focus moves with focusOut and
// focusIn; a press moves it to a focusable object after mouseFocusChange,
// Tab after keyFocusChange (either cancelable), along the tab order:
// objects with a tabIndex in its order when any has one, else every
// tab-enabled object in display order, into containers whose tabChildren
// is on. Also flash.events.FocusEvent and flash.ui (Keyboard, Mouse,
// ContextMenu and its items).
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "swf/types.h"

#include <optional>
#include <span>

namespace as3 {

[[nodiscard]] std::span<const avm2::CoreClassSpec> focusClasses();
[[nodiscard]] std::span<const avm2::CoreClassSpec> uiClasses();
// InteractiveObject's tabEnabled, tabIndex, focusRect and contextMenu;
// DisplayObjectContainer's tabChildren.
[[nodiscard]] std::span<const avm2::NativeAccessor> interactiveFocusAccessors();
[[nodiscard]] std::span<const avm2::NativeAccessor> containerFocusAccessors();

// Moves stage.focus to `focus` (null: none), with focusOut and focusIn.
void moveFocus(avm2::Machine& m, avm2::Value focus);
// A press on `target`: focus moves to it when it takes focus (a text field
// that may be typed into or selected, a tab-enabled object).
void pressFocus(avm2::Machine& m, avm2::Object* target, bool shiftKey);
// The Tab key: focus to the next (or previous) object in tab order.
void tabFocus(avm2::Machine& m, bool backward);
// The focus rectangle as it should show now (stage twips): around what Tab
// focused, unless its focusRect (when null, stage.stageFocusRect) is off;
// never around a text field, which shows its caret.
[[nodiscard]] std::optional<swf::Rect> focusHighlight(avm2::Machine& m);
// A right press over `target` (null: the stage): menuSelect on the menu of
// the nearest object up from it that has one; no menu is shown.
void selectContextMenu(avm2::Machine& m, avm2::Object* target);

// The character a key types: the container's when it gives one, else the
// key's on a US layout with the shift state.
[[nodiscard]] uint32_t charCodeFor(uint32_t keyCode, uint32_t ascii, bool shift);

}  // namespace as3
