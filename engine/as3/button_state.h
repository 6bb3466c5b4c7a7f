// SimpleButton's side of the input: which state each button shows, and
// where a script-made button is hit (see button_classes.cpp).
#pragma once

#include "as3/display_state.h"

#include "avm2/core_library.h"

#include "swf/geometry.h"

#include <span>

namespace script {
class HitTester;
}

namespace as3 {

[[nodiscard]] std::span<const avm2::CoreClassSpec> buttonClasses();
// Whether the hitTestState of a button a script made is under the point.
[[nodiscard]] bool hitsScriptButton(avm2::Machine& m, const script::HitTester& hits, const DisplayState& d,
                                    swf::Point stage);
// The button under the pointer shows over (down while pressed on it, or
// when it tracks as a menu); the one it showed before goes back to up.
void updateButtons(avm2::Machine& m, bool buttonDown);
// trackAsMenu: a press dragged from one such object onto another moves
// there, so that the release over it is its click.
void followMenuPress(avm2::Machine& m, bool buttonDown);

}  // namespace as3
