// Static text: bounds from its glyph outlines.
#include "model/static_text_object.h"

#include "model/stage_context.h"
#include "model/transform.h"

namespace model {

StaticTextObject::StaticTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Text& text)
    : DisplayObject(kKind, std::move(context), characterId), m_text(&text) {}

swf::Bounds StaticTextObject::leafBounds(const swf::Matrix& m) const {
    return transformBounds(m, context().cache.textBounds(characterId()));
}

}  // namespace model
