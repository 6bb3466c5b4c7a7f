#include "text/embedded_face.h"

namespace text {

EmbeddedFace::EmbeddedFace(uint16_t id, const swf::Font& font) : m_id(id), m_font(&font) {
    const double em = font.emSquare > 0 ? double(font.emSquare) : 1024.0;
    if (font.hasLayout) {
        m_ascent = font.ascent / em;
        m_descent = font.descent / em;
        for (const swf::KerningPair& k : font.kerning)
            m_kerning[uint32_t(k.code1) << 16 | k.code2] = k.adjustment / em;
    }
    // Advances once: a field asks for them per character.
    for (const swf::Glyph& g : font.glyphs) {
        auto outline = std::make_shared<GlyphOutline>();
        // Without a layout table: a plain guess.
        outline->advance = font.hasLayout ? g.advance / em : (g.code == u' ' ? 0.25 : 0.5);
        m_advances.emplace(char32_t(g.code), std::move(outline));
    }
}

std::shared_ptr<const GlyphOutline> EmbeddedFace::glyph(char32_t code) const {
    auto it = m_advances.find(code);
    return it != m_advances.end() ? it->second : nullptr;
}

double EmbeddedFace::kerning(char32_t left, char32_t right) const {
    if (left > 0xFFFF || right > 0xFFFF || m_kerning.empty())
        return 0.0;
    auto it = m_kerning.find(uint32_t(left) << 16 | uint32_t(right));
    return it != m_kerning.end() ? it->second : 0.0;
}

int32_t EmbeddedFace::glyphIndex(char32_t code) const {
    return code > 0xFFFF ? -1 : m_font->glyphForCode(uint16_t(code));
}

}  // namespace text
