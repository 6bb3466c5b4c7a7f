// Fonts: DefineFont 1-3 with DefineFontInfo 1/2.
#pragma once

#include "swf/shape.h"
#include "swf/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace swf {

// One glyph: outline records (no styles; every fill index is 0 or 1, 1 being
// the glyph's colour), its character code and, with a layout, advance and
// bounds. Coordinates are in font units (see Font::emSquare).
struct Glyph {
    std::vector<ShapeRecord> records;
    uint16_t code = 0;    // UCS-2 (or the font's ANSI/Shift-JIS code when !wideCodes); 0 when unknown
    int16_t advance = 0;  // with a layout
    Rect bounds;          // with a layout
};

struct KerningPair {
    uint16_t code1 = 0;
    uint16_t code2 = 0;
    int16_t adjustment = 0;

    friend bool operator==(const KerningPair&, const KerningPair&) = default;
};

struct Font {
    uint8_t version = 1;  // DefineFont 1, 2 or 3
    // Glyph coordinates are designed on an em square of this many units: 1024
    // for DefineFont/DefineFont2, 20480 for DefineFont3 (twenty times finer).
    // Text of height h twips scales glyphs by h / emSquare.
    uint32_t emSquare = 1024;
    std::string name;      // UTF-8; empty when the file gives none
    bool hasInfo = false;  // DefineFont 1 got a DefineFontInfo (or a later version carries its own)
    bool bold = false;
    bool italic = false;
    bool smallText = false;
    bool shiftJis = false;
    bool ansi = false;
    bool wideCodes = true;
    uint8_t languageCode = 0;
    std::vector<Glyph> glyphs;
    bool hasLayout = false;
    uint16_t ascent = 0;
    uint16_t descent = 0;
    int16_t leading = 0;
    std::vector<KerningPair> kerning;

    // Glyph index for a character code, or -1.
    [[nodiscard]] int32_t glyphForCode(uint16_t code) const;
};

}  // namespace swf
