// Static text (DefineText 1/2) and edit text (DefineEditText).
#pragma once

#include "swf/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace swf {

struct GlyphEntry {
    uint32_t index = 0;   // into the record's font glyphs
    int32_t advance = 0;  // twips to the next glyph's origin

    friend bool operator==(const GlyphEntry&, const GlyphEntry&) = default;
};

// A TEXTRECORD as stored: fields the record does not set are empty and carry
// over from the previous record (font and height together, colour, offsets).
struct TextRecord {
    std::optional<uint16_t> fontId;
    std::optional<uint16_t> height;  // set exactly when fontId is
    std::optional<Rgba> color;
    std::optional<int16_t> xOffset;
    std::optional<int16_t> yOffset;
    std::vector<GlyphEntry> glyphs;
};

struct Text {
    uint8_t version = 1;  // DefineText 1 (RGB colours) or 2 (RGBA)
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecord> records;
};

enum class TextAlign : uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditText {
    Rect bounds;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = false;
    bool autoSize = false;
    bool noSelect = false;
    bool border = false;
    bool wasStatic = false;
    bool html = false;
    bool useOutlines = false;  // use the embedded glyphs of fontId
    std::optional<uint16_t> fontId;
    std::optional<std::string> fontClass;
    std::optional<uint16_t> fontHeight;  // twips
    std::optional<Rgba> textColor;
    std::optional<uint16_t> maxLength;
    bool hasLayout = false;
    TextAlign align = TextAlign::Left;
    uint16_t leftMargin = 0;
    uint16_t rightMargin = 0;
    uint16_t indent = 0;
    int16_t leading = 0;
    std::string variableName;                // UTF-8, may be empty
    std::optional<std::string> initialText;  // UTF-8 (HTML markup when html)
};

// CSMTextSettings: how a text character's glyphs meet the pixel grid.
struct TextSettings {
    bool advanced = false;  // UseFlashType 1
    uint8_t gridFit = 0;    // 0 none, 1 pixel, 2 subpixel
    float thickness = 0.0f;
    float sharpness = 0.0f;
};

}  // namespace swf
