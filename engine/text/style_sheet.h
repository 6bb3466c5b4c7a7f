// The CSS subset text fields take: rules of selectors (tag names, ".class",
// "a:link", "a:hover") with properties, kept by selector name in lower case,
// each property under its script name ("font-size" becomes "fontSize").
// transform() turns a style into the format it sets.
#pragma once

#include "text/text_format.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

enum class Display : uint8_t { Inline, Block, None };

class StyleSheet {
public:
    using Style = std::map<std::string, std::string>;

    // Adds the rules of `css`, later ones overriding earlier properties.
    // False, adding nothing, when it does not read as rules.
    bool parse(std::string_view css);
    // Sets a style by selector name; none removes it.
    void setStyle(std::string_view name, std::optional<Style> style);
    [[nodiscard]] const Style* style(std::string_view name) const;
    [[nodiscard]] std::vector<std::string> names() const;  // sorted
    void clear() { m_styles.clear(); }
    [[nodiscard]] bool empty() const { return m_styles.empty(); }

    // The format a style sets; what it leaves out stays empty.
    [[nodiscard]] static TextFormat transform(const Style& style);
    [[nodiscard]] static Display display(const Style& style, Display otherwise);

private:
    std::map<std::string, Style, std::less<>> m_styles;
};

// Limits on what one sheet holds, so hostile CSS stays bounded.
inline constexpr size_t MaxStyles = 4096;
inline constexpr size_t MaxStyleProperties = 64;

}  // namespace text
