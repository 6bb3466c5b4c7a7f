// The HTML subset text fields take, read with a forgiving tokenizer: the
// markup movies carry is often not well formed (unclosed <p> and <li>,
// bare <br>, unquoted attributes, stray '&'), which an XML parser refuses.
// Unknown tags are skipped, unmatched closing tags ignored.
#pragma once

#include "text/formatted_text.h"
#include "text/text_layout.h"

#include <span>
#include <string>
#include <string_view>

namespace text {

class StyleSheet;

// `base` is the format text outside any tag gets (the field's new-text
// format). condenseWhite folds runs of white space into one space. With a
// style sheet, tags and classes take their styles (any tag may have one),
// "display" makes them paragraphs or hides their text, links take a:link,
// and links to `hoverUrl` (the one under the pointer) a:hover after it.
[[nodiscard]] FormattedText parseHtml(std::string_view html, const TextFormat& base, bool condenseWhite = false,
                                      const StyleSheet* styles = nullptr, std::string_view hoverUrl = {});

// The markup the player writes back: one <P> (or <LI>) per paragraph, a
// <FONT> per run, <TEXTFORMAT> around paragraphs with spacing set. Images
// sized by their pictures write the sizes `placed` (the layout's) gives.
[[nodiscard]] std::string writeHtml(const FormattedText& text, std::span<const PlacedImage> placed = {});

}  // namespace text
