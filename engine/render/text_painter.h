// Edit text fields: the field's content laid out in its rectangle and drawn
// with the embedded font's glyphs, or, for a device font (no outlines),
// with cairo's own text through fontconfig ("_sans", "_serif" and
// "_typewriter" map to sans-serif, serif and monospace; other names are
// asked of fontconfig as they are, which falls back to a default face).
#pragma once

#include "render/painter.h"
#include "swf/text.h"

#include <string>

namespace render {

// `text` is the field's current content (UTF-8; HTML when field.html).
void drawEditText(Painter& painter, const swf::EditText& field, const std::string& text, const PaintState& state);

// The fontconfig family for a font name the movie gives.
[[nodiscard]] std::string deviceFamily(const std::string& name);

}  // namespace render
