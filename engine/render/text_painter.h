// Text fields and device-font glyphs: the field's layout drawn run by run,
// embedded fonts from the movie's glyph shapes, device fonts from FreeType
// outlines (never cairo's own text, so what is drawn is what was measured).
#pragma once

#include "render/painter.h"
#include "text/font_face.h"

namespace model {
class EditTextObject;
}

namespace render {

void drawEditText(Painter& painter, const model::EditTextObject& field, const PaintState& state);

// Appends a device glyph's outline to the path: `m` maps the em square
// (y down, origin on the baseline) to the device. False when the face has
// no outline for the code.
bool appendDeviceGlyph(cairo_t* cr, const text::Face& face, char32_t code, const cairo_matrix_t& m);

}  // namespace render
