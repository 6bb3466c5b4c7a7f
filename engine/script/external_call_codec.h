// The call-exchange XML of the external interface, in UTF-8 (the control's
// UTF-16 requests convert through the overload that takes them):
//
//   <invoke name="f" returntype="xml"><arguments>...</arguments></invoke>
//
// with values <string>text</string>, <number>1.5</number>, <true/>, <false/>,
// <null/>, <undefined/>, <array><property id="0">value</property></array> and
// <object><property id="name">value</property></object>. Text and attribute
// values are escaped (& < > " '); decoding also takes numeric character
// references. Whitespace between elements is ignored.
//
// Decoding never fails hard: malformed, truncated, too deep (MaxDepth) or
// too large (MaxInput) input gives none.
#pragma once

#include "script/external_value.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace script {

struct ExternalRequest {
    std::u16string name;
    std::vector<ExternalValue> args;
};

class ExternalCallCodec {
public:
    static constexpr size_t MaxDepth = 64;
    static constexpr size_t MaxInput = size_t(16) << 20;

    [[nodiscard]] static std::string encodeValue(const ExternalValue& value);
    [[nodiscard]] static std::string encodeRequest(std::string_view name, const std::vector<ExternalValue>& args);
    [[nodiscard]] static std::optional<ExternalValue> decodeValue(std::string_view xml);
    [[nodiscard]] static std::optional<ExternalRequest> decodeRequest(std::string_view xml);
    // The same for a request as the container passes it (UTF-16).
    [[nodiscard]] static std::optional<ExternalRequest> decodeRequest(std::u16string_view xml);

    // Text escaping as the format uses it.
    [[nodiscard]] static std::string escape(std::string_view text);
    // none for a malformed entity.
    [[nodiscard]] static std::optional<std::string> unescape(std::string_view text);
};

}  // namespace script
