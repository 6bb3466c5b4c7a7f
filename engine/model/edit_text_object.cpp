// A text field and its current content.
#include "model/edit_text_object.h"

#include "model/transform.h"

namespace model {

EditTextObject::EditTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::EditText& field)
    : DisplayObject(kKind, std::move(context), characterId), m_field(&field), m_text(field.initialText.value_or("")) {}

EditTextObject::EditTextObject(std::shared_ptr<StageContext> context, std::shared_ptr<const swf::EditText> field)
    : DisplayObject(kKind, std::move(context), 0),
      m_owned(std::move(field)),
      m_field(m_owned.get()),
      m_text(m_field->initialText.value_or("")) {}

void EditTextObject::setText(std::string text) {
    if (text == m_text)
        return;
    m_text = std::move(text);
    bumpContent();
}

swf::Bounds EditTextObject::leafBounds(const swf::Matrix& m) const {
    return transformBounds(m, toBounds(m_field->bounds));
}

}  // namespace model
