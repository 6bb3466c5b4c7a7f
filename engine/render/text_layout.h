// Line layout of an edit text field: alignment, word wrap, multiline,
// leading, margins and indent. Pure arithmetic in twips; the painter measures
// characters and draws what comes out.
#pragma once

#include "swf/text.h"

#include <functional>
#include <string>
#include <vector>

namespace render {

struct PlacedChar {
    char32_t code = 0;
    double x = 0.0;  // origin of the glyph, field twips
};

struct TextLine {
    std::vector<PlacedChar> chars;
    double baseline = 0.0;  // field twips
    double width = 0.0;
};

struct TextMetrics {
    double ascent = 0.0;   // twips above the baseline
    double descent = 0.0;  // twips below it
    // Advance of one character in twips.
    std::function<double(char32_t)> advance;
};

// The gap the player keeps between a field's edge and its text.
inline constexpr double TextGutter = 40.0;

// Lays `text` (code points) out in `field`'s rectangle. New lines break only
// in multiline fields (elsewhere they show as spaces); word wrap breaks at
// spaces, or inside a word longer than a line.
[[nodiscard]] std::vector<TextLine> layoutText(const swf::EditText& field, const std::u32string& text,
                                               const TextMetrics& metrics);

// UTF-8 to code points; broken sequences become U+FFFD.
[[nodiscard]] std::u32string decodeUtf8(const std::string& text);
// One code point as UTF-8 into `out` (zero-terminated); surrogates and
// values past U+10FFFF give U+FFFD.
void encodeUtf8(char32_t code, char (&out)[5]);
// The visible text of an HTML field: tags dropped, <br> and </p> as new
// lines, the common entities decoded.
[[nodiscard]] std::string stripHtml(const std::string& html);

}  // namespace render
