// A field's content: code points in runs, each run with a complete format.
// Paragraphs end at '\r' or '\n'; paragraph members of a format (align,
// margins, indents, leading, bullet, tab stops) apply to whole paragraphs.
#pragma once

#include "text/text_format.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// An <img> in the text: it stands as ObjectReplacement in the characters
// and floats at the start of its line to the side it names; the lines
// beside it are shortened by its box (its size and the space around it).
inline constexpr char32_t ObjectReplacement = U'\uFFFC';

// The largest side an image box takes, twips (8191 pixels).
inline constexpr double MaxImageSide = 8191.0 * 20.0;

enum class ImageAlign : uint8_t { Left, Right };

struct InlineImage {
    std::string src;     // a library linkage id or a URL
    std::string id;      // the name scripts reach it by
    double width = 0.0;  // twips; 0: the picture's own
    double height = 0.0;
    double hspace = 160.0;  // twips either side, 8 px as the player leaves
    double vspace = 160.0;
    ImageAlign align = ImageAlign::Left;
    friend bool operator==(const InlineImage&, const InlineImage&) = default;
};

struct TextRun {
    size_t length = 0;
    TextFormat format;
};

class FormattedText {
public:
    FormattedText() = default;
    // `text` all in `format` (completed from the default format).
    FormattedText(std::u32string text, const TextFormat& format);

    [[nodiscard]] const std::u32string& text() const { return m_text; }
    [[nodiscard]] const std::vector<TextRun>& runs() const { return m_runs; }
    [[nodiscard]] size_t size() const { return m_text.size(); }

    // Adds text in `format` (completed from the default format); a run of
    // the same format as the last grows instead.
    void append(std::u32string_view text, const TextFormat& format);
    // Adds an image in `format`.
    void appendImage(InlineImage image, const TextFormat& format);
    // The image at character `index`, or null.
    [[nodiscard]] const InlineImage* imageAt(size_t index) const;
    [[nodiscard]] bool hasImages() const { return !m_images.empty(); }

    // Sets what `format` sets on [begin, end) (clamped); its paragraph
    // members go to every paragraph the range touches.
    void applyFormat(size_t begin, size_t end, const TextFormat& format);
    // Replaces [begin, end) (clamped) with `text` in `format` (completed
    // from the default format).
    void replace(size_t begin, size_t end, std::u32string_view text, const TextFormat& format);
    // What [begin, end) has in common; for an empty range, the format of
    // the character before `begin` (or at it, at the start).
    [[nodiscard]] TextFormat formatOf(size_t begin, size_t end) const;
    // The run format at character `index` (the last one past the end, the
    // default format when there is no text).
    [[nodiscard]] TextFormat formatAt(size_t index) const;

private:
    void merge();

    std::u32string m_text;
    std::vector<TextRun> m_runs;
    std::vector<std::pair<size_t, InlineImage>> m_images;  // by character index, ascending
};

[[nodiscard]] bool isParagraphEnd(char32_t c);
// UTF-8 to code points (broken sequences give U+FFFD) and back.
[[nodiscard]] std::u32string fromUtf8(std::string_view text);
[[nodiscard]] std::string toUtf8(std::u32string_view text);

}  // namespace text
