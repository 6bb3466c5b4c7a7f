// A placed DefineText (static text drawn from embedded glyphs).
#pragma once

#include "model/display_object.h"

#include "swf/text.h"

namespace model {

class StaticTextObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::StaticText;

    StaticTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Text& text);

    [[nodiscard]] const swf::Text& text() const { return *m_text; }

private:
    // From the glyph outlines of its records, so a text whose fonts are
    // missing (nothing drawn) has empty bounds.
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    const swf::Text* m_text = nullptr;
};

}  // namespace model
