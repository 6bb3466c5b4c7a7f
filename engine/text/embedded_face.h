// A font the movie embeds: advances and ascent from its layout table, pair
// adjustments from its kerning table. Its outlines are the movie's glyph
// shapes, which the renderer draws by glyph index.
#pragma once

#include "text/font_face.h"

#include "swf/font.h"

#include <unordered_map>

namespace text {

class EmbeddedFace final : public Face {
public:
    EmbeddedFace(uint16_t id, const swf::Font& font);

    double ascent() const override { return m_ascent; }
    double descent() const override { return m_descent; }
    // Advance only (no steps); nothing for a code the font lacks.
    std::shared_ptr<const GlyphOutline> glyph(char32_t code) const override;
    double kerning(char32_t left, char32_t right) const override;
    bool embedded() const override { return true; }

    [[nodiscard]] uint16_t id() const { return m_id; }
    [[nodiscard]] const swf::Font& font() const { return *m_font; }
    // Index into font().glyphs, or -1.
    [[nodiscard]] int32_t glyphIndex(char32_t code) const;

private:
    uint16_t m_id = 0;
    const swf::Font* m_font = nullptr;
    double m_ascent = 0.9;
    double m_descent = 0.2;
    std::unordered_map<uint32_t, double> m_kerning;  // (left << 16 | right) -> em
    std::unordered_map<char32_t, std::shared_ptr<const GlyphOutline>> m_advances;
};

}  // namespace text
