// libFuzzer target: the text formats a movie loads — URL-encoded variables,
// XML and locations — parsed, printed and parsed again; and the HTML text
// fields take, read, laid out, written and read again; the same bytes as a
// style sheet, and the markup styled by it; and edits of the parsed text.
#include "net/location.h"
#include "net/url_variables.h"
#include "text/html_text.h"
#include "text/style_sheet.h"
#include "text/text_editing.h"
#include "text/text_layout.h"
#include "xml/xml_parser.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

// Metrics without the system's fonts: every glyph half an em.
class HalfEmFace final : public text::Face {
public:
    double ascent() const override { return 0.8; }
    double descent() const override { return 0.2; }
    std::shared_ptr<const text::GlyphOutline> glyph(char32_t) const override { return m_glyph; }
    double kerning(char32_t, char32_t) const override { return -0.01; }

private:
    std::shared_ptr<text::GlyphOutline> m_glyph = [] {
        auto g = std::make_shared<text::GlyphOutline>();
        g->advance = 0.5;
        return g;
    }();
};

void fuzzHtml(std::string_view text) {
    const auto face = std::make_shared<HalfEmFace>();
    for (const bool condense : {false, true}) {
        const text::FormattedText parsed = text::parseHtml(text, text::defaultFormat(), condense);
        const text::FormattedText again = text::parseHtml(text::writeHtml(parsed), text::defaultFormat());
        // What is written reads back to the same characters (white space
        // condensed once stays condensed).
        if (again.text() != parsed.text())
            __builtin_trap();
        const text::FieldBox box{0, 0, 4000, 2000, true, true, false};
        // Pictures of every size, absurd ones included, for images without one.
        const text::ImageSizer sizes = [](size_t index, const text::InlineImage&) {
            constexpr double Sizes[] = {0.0, 1e300, -5.0, std::numeric_limits<double>::quiet_NaN(), 400.0};
            return text::ImageSize{Sizes[index % 5], Sizes[(index / 5) % 5]};
        };
        const auto layout = text::layoutText(
            parsed, box, [face](const text::TextFormat&) { return face; }, sizes);
        for (const text::PlacedImage& image : layout.images) {
            if (!(image.width >= 0 && image.width <= text::MaxImageSide) ||
                !(image.height >= 0 && image.height <= text::MaxImageSide))
                __builtin_trap();
        }
        (void)text::maxScroll(layout, box);
        (void)text::bottomScroll(layout, box, 3);
        // Every key from a caret in the middle, then typing over a selection.
        text::FormattedText edited = parsed;
        text::TextSelection selection{parsed.size() / 3, parsed.size() / 2};
        for (const auto key : {text::EditKey::Up, text::EditKey::End, text::EditKey::Down, text::EditKey::Home,
                               text::EditKey::Left, text::EditKey::Right, text::EditKey::Delete}) {
            (void)text::pressKey(edited, selection, key, key == text::EditKey::Up, layout);
            if (selection.caret > edited.size() || selection.anchor > edited.size())
                __builtin_trap();
        }
        text::EditRules rules;
        rules.multiline = condense;
        rules.restrict = text.substr(0, 8).empty() ? std::nullopt : std::optional(text::fromUtf8(text.substr(0, 8)));
        (void)text::typeText(edited, selection, parsed.text().substr(0, 64), rules, text::defaultFormat());
        (void)text::pressKey(edited, selection, text::EditKey::Backspace, false, layout);
        size_t total = 0;
        for (const auto& run : edited.runs())
            total += run.length;
        if (total != edited.size())
            __builtin_trap();
    }
    text::StyleSheet sheet;
    if (sheet.parse(text)) {
        for (const std::string& name : sheet.names())
            (void)text::StyleSheet::transform(*sheet.style(name));
        const text::FormattedText styled =
            text::parseHtml("<p class='a'>x<span class=\"b\">y</span><a href='z'>l</a><h>h</h></p>",
                            text::defaultFormat(), false, &sheet);
        (void)styled.formatAt(1);
    }
    (void)text::parseHtml(text, text::defaultFormat(), false, &sheet);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto variables = net::decodeVariables(text);
    if (net::decodeVariables(net::encodeVariables(variables)) != variables)
        __builtin_trap();
    auto document = xml::Node::makeElement("");
    for (const bool ignoreWhite : {false, true}) {
        const auto outcome = xml::parseInto(*document, text, ignoreWhite, xml::ParseLimits{10000});
        const std::string printed = document->toString();
        if (outcome.status == xml::Ok) {
            auto again = xml::Node::makeElement("");
            (void)xml::parseInto(*again, printed, ignoreWhite, xml::ParseLimits{20000});
        }
    }
    if (auto location = net::parseLocation(text, "/base")) {
        (void)net::resolveLocation(*location, "../x.swf?a=1");
        (void)location->url();
    }
    fuzzHtml(text);
    return 0;
}
