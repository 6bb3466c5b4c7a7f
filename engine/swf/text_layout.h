// Static text records resolved into positioned glyphs.
//
// Text records set only what changes; this carries font, height, colour and
// pen position from record to record the way the format defines: an x or y
// offset is an absolute position in the text's own space, and without an x
// offset a record continues where the previous one's advances ended.
#pragma once

#include "swf/character.h"

#include <cstdint>
#include <vector>

namespace swf {

struct PlacedGlyph {
    const Font* font = nullptr;  // never null in layoutText's output
    uint32_t glyphIndex = 0;     // always < font->glyphs.size()
    double x = 0.0;              // baseline origin in text space (twips, before Text::matrix)
    double y = 0.0;
    uint16_t height = 0;  // twips; glyph scale is height / font->emSquare
    Rgba color;           // black until a record sets one
    int32_t advance = 0;  // twips the pen moves after this glyph
};

// Glyphs whose font is undefined or not a font, or whose index is outside
// the font, are left out (their advance still moves the pen).
[[nodiscard]] std::vector<PlacedGlyph> layoutText(const Text& text, const Dictionary& characters);

}  // namespace swf
