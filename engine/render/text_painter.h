// Text fields and device-font glyphs: the field's layout drawn run by run,
// embedded fonts from the movie's glyph shapes, device fonts from FreeType
// outlines (never cairo's own text, so what is drawn is what was measured).
#pragma once

#include "render/painter.h"
#include "text/font_face.h"
#include "text/glyph_rendering.h"
#include "text/text_renderer.h"

#include <optional>

namespace model {
class EditTextObject;
}

namespace render {

void drawEditText(Painter& painter, const model::EditTextObject& field, const PaintState& state);

// Appends a device glyph's outline to the path: `m` maps the em square
// (y down, origin on the baseline) to the device. False when the face has
// no outline for the code.
bool appendDeviceGlyph(cairo_t* cr, const text::Face& face, char32_t code, const cairo_matrix_t& m);

// "Advanced" text: a glyph's device matrix with its origin on the grid of
// the gridFitType (whole pixels, or thirds of one across). Turned or skewed
// text, and any other text, keeps its place.
[[nodiscard]] cairo_matrix_t fitGlyphOrigin(cairo_matrix_t m, const text::GlyphRendering& r);

// The cutoffs of a TextRenderer table for one run of advanced text: its
// font, style and colour at `sizeTwips` under `m` (twips -> pixels).
[[nodiscard]] std::optional<text::Cutoffs> runCutoffs(const text::TextRendererSettings* settings,
                                                      const text::GlyphRendering& r, std::string_view fontName,
                                                      text::FontStyle style, uint32_t rgb, double sizeTwips,
                                                      const cairo_matrix_t& m);

// Fills the current path of glyphs with the source set: advanced text has
// its stem edges fitted to the grid when `m` (text -> device) is upright,
// and its coverage reshaped by thickness, sharpness and the cutoffs; the
// player-wide `settings` (when given) set its outline precision and, in
// "lcd" mode, subpixel coverage.
void fillGlyphs(cairo_t* cr, const text::GlyphRendering& r, const cairo_matrix_t& m,
                const std::optional<text::Cutoffs>& cutoffs, const text::TextRendererSettings* settings = nullptr);

}  // namespace render
