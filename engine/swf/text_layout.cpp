#include "swf/text_layout.h"

namespace swf {

std::vector<PlacedGlyph> layoutText(const Text& text, const Dictionary& characters) {
    std::vector<PlacedGlyph> out;
    const Font* font = nullptr;
    uint16_t height = 0;
    Rgba color{0, 0, 0, 255};
    double x = 0.0;
    double y = 0.0;
    for (const TextRecord& record : text.records) {
        if (record.fontId) {
            font = characters.find<Font>(*record.fontId);
            height = record.height.value_or(0);
        }
        if (record.color)
            color = *record.color;
        if (record.xOffset)
            x = *record.xOffset;
        if (record.yOffset)
            y = *record.yOffset;
        for (const GlyphEntry& entry : record.glyphs) {
            if (font && entry.index < font->glyphs.size())
                out.push_back({font, entry.index, x, y, height, color, entry.advance});
            x += entry.advance;
        }
    }
    return out;
}

}  // namespace swf
