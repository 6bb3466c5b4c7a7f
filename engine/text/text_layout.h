// Line layout of formatted text in a field: runs of differing format on one
// line, word wrap, multiline, alignment, margins and indents, leading,
// letter spacing, kerning, tab stops and bullets. Positions are field twips;
// the renderer draws exactly what this measures.
#pragma once

#include "text/font_face.h"
#include "text/formatted_text.h"

#include <functional>
#include <memory>
#include <vector>

namespace text {

// The gap the player keeps between a field's edge and its text.
inline constexpr double Gutter = 40.0;

struct FieldBox {
    double xMin = 0.0, yMin = 0.0, xMax = 0.0, yMax = 0.0;  // twips
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;  // every character shows as '*'
};

struct LaidGlyph {
    char32_t code = 0;  // as drawn ('*' in a password field)
    double x = 0.0;     // origin, field twips
    size_t run = 0;     // index into the text's runs
    size_t index = 0;   // of its character in the text
    double advance = 0.0;
};

struct LaidLine {
    std::vector<LaidGlyph> glyphs;
    size_t begin = 0;  // the text index the line starts at
    double top = 0.0;  // field twips
    double baseline = 0.0;
    double height = 0.0;              // ascent + descent + leading
    double left = 0.0;                // where the text starts
    double width = 0.0;               // up to the end of the last visible glyph
    std::optional<size_t> bulletRun;  // a bullet before the line, in this run's format
    double bulletX = 0.0;
    size_t end = 0;  // past the line's last character (begin when it has none)
};

// A floated image's picture box (field twips, the space around it excluded).
struct PlacedImage {
    size_t index = 0;  // of its ObjectReplacement in the text
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};

struct TextLayout {
    std::vector<LaidLine> lines;
    std::vector<PlacedImage> images;
    std::vector<std::shared_ptr<const Face>> faces;  // per run
    double textWidth = 0.0;                          // widest line, twips
    double textHeight = 0.0;
};

// The face for a run's (complete) format; never empty.
using FaceResolver = std::function<std::shared_ptr<const Face>(const TextFormat&)>;

// The picture's own size (twips) of the image at character `index`: used for
// a width or height the markup leaves out. Zero while it is not known (a
// file still loading).
struct ImageSize {
    double width = 0.0;
    double height = 0.0;
};
using ImageSizer = std::function<ImageSize(size_t index, const InlineImage& image)>;

// Strings longer than this are laid out cut: the rest could never be seen.
inline constexpr size_t MaxLaidCharacters = 1 << 16;

[[nodiscard]] TextLayout layoutText(const FormattedText& text, const FieldBox& box, const FaceResolver& faces,
                                    const ImageSizer& sizes = {});

// Scrolling, in lines counted from 1 as scripts see them: the last first line
// that still shows the end of the text, and the last line fully shown when
// `scroll` is first.
[[nodiscard]] int maxScroll(const TextLayout& layout, const FieldBox& box);
[[nodiscard]] int bottomScroll(const TextLayout& layout, const FieldBox& box, int scroll);

}  // namespace text
