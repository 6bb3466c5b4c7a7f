// A placed DefineEditText: a text field with its current content. The script
// layer binds it to its variable and writes the content through setText().
#pragma once

#include "model/display_object.h"

#include "swf/text.h"

#include <memory>
#include <string>

namespace model {

class EditTextObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::EditText;

    // The content starts as the character's initial text (or empty).
    EditTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::EditText& field);
    // A field a script made (createTextField): it owns its description.
    EditTextObject(std::shared_ptr<StageContext> context, std::shared_ptr<const swf::EditText> field);

    [[nodiscard]] const swf::EditText& field() const { return *m_field; }
    // UTF-8; HTML markup when field().html.
    [[nodiscard]] const std::string& text() const { return m_text; }
    void setText(std::string text);
    // The bound variable's path as the file gives it ("" when unbound).
    [[nodiscard]] const std::string& variableName() const { return m_field->variableName; }

private:
    // The field's rectangle, whatever it holds.
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    std::shared_ptr<const swf::EditText> m_owned;
    const swf::EditText* m_field = nullptr;
    std::string m_text;
};

}  // namespace model
