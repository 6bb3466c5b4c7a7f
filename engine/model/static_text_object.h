// A placed DefineText (static text drawn from embedded glyphs).
#pragma once

#include "model/display_object.h"

#include "swf/text.h"

#include <vector>

namespace swf {
struct Font;
}

namespace model {

// One character of the text, from a glyph whose font's code table names it.
struct StaticChar {
    char16_t code = 0;
    const swf::Font* font = nullptr;
    double x = 0.0;  // baseline origin in text space (twips, before Text::matrix)
    double y = 0.0;
    double advance = 0.0;
    double height = 0.0;  // twips
    swf::Rgba color;
};

class StaticTextObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::StaticText;
    static constexpr uint32_t DefaultSelectColor = 0xFFFF00;

    StaticTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Text& text);

    [[nodiscard]] const swf::Text& text() const { return *m_text; }

    // Glyphs without a font or a character code are left out.
    [[nodiscard]] const std::vector<StaticChar>& characters() const;
    // The character's cell (advance wide, font ascent to descent) in the
    // object's own twips.
    [[nodiscard]] swf::Bounds characterBox(size_t index) const;

    // Selection made through a text snapshot, drawn behind the glyphs.
    [[nodiscard]] bool isSelected(size_t index) const { return index < m_selected.size() && m_selected[index]; }
    void setSelected(size_t index, bool selected);
    [[nodiscard]] bool hasSelection() const { return m_selectedCount > 0; }
    [[nodiscard]] uint32_t selectColor() const { return m_selectColor; }
    void setSelectColor(uint32_t rgb);

private:
    // From the glyph outlines of its records, so a text whose fonts are
    // missing (nothing drawn) has empty bounds.
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    const swf::Text* m_text = nullptr;
    mutable std::optional<std::vector<StaticChar>> m_characters;
    std::vector<bool> m_selected;
    size_t m_selectedCount = 0;
    uint32_t m_selectColor = DefaultSelectColor;
};

}  // namespace model
