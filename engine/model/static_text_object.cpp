// Static text: bounds from its glyph outlines.
#include "model/static_text_object.h"

#include "model/stage_context.h"
#include "model/transform.h"

#include "swf/movie.h"
#include "swf/text_layout.h"

#include <algorithm>

namespace model {

StaticTextObject::StaticTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Text& text)
    : DisplayObject(kKind, std::move(context), characterId), m_text(&text) {}

swf::Bounds StaticTextObject::leafBounds(const swf::Matrix& m) const {
    return transformBounds(m, context().cache.textBounds(characterId()));
}

// The laid-out glyphs that have a character code; advances size the cells.
const std::vector<StaticChar>& StaticTextObject::characters() const {
    if (m_characters)
        return *m_characters;
    std::vector<StaticChar> out;
    if (const std::shared_ptr<const swf::Movie>& movie = library()) {
        for (const swf::PlacedGlyph& g : swf::layoutText(*m_text, movie->characters)) {
            if (const uint16_t code = g.font->glyphs[g.glyphIndex].code)
                out.push_back({char16_t(code), g.font, g.x, g.y, double(g.advance), double(g.height), g.color});
        }
    }
    m_characters = std::move(out);
    return *m_characters;
}

swf::Bounds StaticTextObject::characterBox(size_t index) const {
    const auto& chars = characters();
    if (index >= chars.size())
        return {};
    const StaticChar& c = chars[index];
    // Fonts without layout metrics get the usual 0.8 / 0.2 split of the em.
    double ascent = c.height * 0.8;
    double descent = c.height * 0.2;
    if (c.font->hasLayout && c.font->emSquare > 0) {
        ascent = c.height * c.font->ascent / c.font->emSquare;
        descent = c.height * c.font->descent / c.font->emSquare;
    }
    swf::Bounds cell;
    cell.add(swf::Point{c.x, c.y - ascent});
    cell.add(swf::Point{c.x + std::max(c.advance, 0.0), c.y + descent});
    return transformBounds(m_text->matrix, cell);
}

void StaticTextObject::setSelected(size_t index, bool selected) {
    if (index >= characters().size() || isSelected(index) == selected)
        return;
    if (m_selected.size() < characters().size())
        m_selected.resize(characters().size());
    m_selected[index] = selected;
    m_selectedCount += selected ? 1 : size_t(-1);
    bumpContent();
}

void StaticTextObject::setSelectColor(uint32_t rgb) {
    if (m_selectColor == (rgb & 0xFFFFFF))
        return;
    m_selectColor = rgb & 0xFFFFFF;
    if (hasSelection())
        bumpContent();
}

}  // namespace model
