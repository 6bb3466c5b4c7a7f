// ActionScript 2's view of text fields: the TextField properties served
// from the model's field, and the TextFormat class.
#pragma once

#include "script/value.h"

#include <memory>
#include <optional>
#include <string_view>

namespace model {
class EditTextObject;
}
namespace text {
struct TextFormat;
class StyleSheet;
}  // namespace text

namespace script {

class Runtime;

// A TextField property by name, or nothing when the name is not one.
[[nodiscard]] std::optional<Value> getTextFieldProperty(Runtime& rt, model::EditTextObject& field,
                                                        std::u16string_view name);
// True when the name is a TextField property (read-only ones ignore the value).
bool setTextFieldProperty(Runtime& rt, model::EditTextObject& field, std::u16string_view name, const Value& value);

// A TextFormat object holding what `format` sets.
[[nodiscard]] Value textFormatObject(Runtime& rt, const text::TextFormat& format);
// The sheet of a TextField.StyleSheet object, or null for any other value.
[[nodiscard]] std::shared_ptr<const text::StyleSheet> styleSheetOf(const Value& value);

}  // namespace script
