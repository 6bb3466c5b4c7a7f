// Keyboard focus beyond text fields: Tab and Shift+Tab walk the focus
// through buttons, clips with button handlers (or tabEnabled true) and
// input fields on the stage, not into a clip whose tabChildren is false,
// skipping what is hidden, disabled or tabEnabled false. When any of them
// has a tabIndex, only those take part, in tabIndex order; otherwise the
// order is by position, row by row from the top left. The focused button or
// clip gets the yellow rectangle around its bounds unless its _focusrect
// (or, when it has none, the global _focusrect) is off.
#pragma once

#include <vector>

namespace model {
class DisplayObject;
}

namespace script {

class Runtime;

// What Tab visits now, in order.
[[nodiscard]] std::vector<model::DisplayObject*> tabOrder(Runtime& rt);
// Whether Selection.setFocus may give the object the focus.
[[nodiscard]] bool takesFocus(Runtime& rt, model::DisplayObject& object);
// Focus to the next (or previous) object, wrapping around.
void tabFocus(Runtime& rt, bool backward);
// Sets the stage's focus rectangle from the focus as it is now.
void updateFocusHighlight(Runtime& rt);

}  // namespace script
