// A placed DefineEditText, or a field a script made: its formatted content,
// the settings scripts may change, and its layout (kept until either
// changes). The script layer binds it to its variable through text() and
// setText().
#pragma once

#include "model/display_list.h"
#include "model/display_object.h"

#include "swf/text.h"
#include "text/formatted_text.h"
#include "text/glyph_rendering.h"
#include "text/text_editing.h"
#include "text/text_layout.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace text {
class EmbeddedFace;
class StyleSheet;
}  // namespace text

namespace model {

struct ActionBatch;
class MovieClip;

enum class AutoSize : uint8_t { None, Left, Center, Right };

struct FieldSettings {
    swf::Rect bounds;  // the field's box, twips
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool selectable = true;
    bool editable = false;
    bool html = false;
    bool embedFonts = false;
    bool condenseWhite = false;
    bool border = false;
    bool background = false;
    uint32_t borderColor = 0x000000;
    uint32_t backgroundColor = 0xFFFFFF;
    AutoSize autoSize = AutoSize::None;
    std::optional<std::string> restrict;  // the characters typing may add (UTF-8 pattern)
    std::optional<uint16_t> maxChars;
    text::GlyphRendering glyphs;  // antiAliasType, gridFitType, sharpness, thickness
};

struct EmbeddedFont {
    uint16_t id = 0;
    const swf::Font* font = nullptr;
};
// The movie's font with outlines of that name, of that style if there is
// one; none when the movie embeds no such font.
[[nodiscard]] EmbeddedFont findEmbeddedFont(const swf::Movie& movie, const std::string& name, bool bold, bool italic);

// The character an <img> source names in `movie`: an exported one, or (in
// ActionScript 3 movies) the one a SymbolClass links to that class name.
[[nodiscard]] std::optional<uint16_t> imageCharacter(const swf::Movie& movie, const std::string& src);

class EditTextObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::EditText;

    // The content starts as the character's initial text (or empty).
    EditTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::EditText& field);
    // A field a script made (createTextField): it owns its description.
    EditTextObject(std::shared_ptr<StageContext> context, std::shared_ptr<const swf::EditText> field);
    ~EditTextObject() override;

    [[nodiscard]] const swf::EditText& field() const { return *m_field; }
    [[nodiscard]] const FieldSettings& settings() const { return m_settings; }
    // Changes settings; the content is laid out again (and, for html or
    // condenseWhite, read again from its markup).
    template <typename Change>
    void changeSettings(Change&& change) {
        const FieldSettings before = m_settings;
        change(m_settings);
        settingsChanged(before);
    }

    // The content as the bound variable holds it: markup when html.
    [[nodiscard]] const std::string& text() const;
    void setText(std::string text);
    [[nodiscard]] std::string plainText() const { return text::toUtf8(m_document.text()); }
    void setPlainText(const std::string& text);
    // The document's markup as the player writes it back; images sized by
    // their pictures give the sizes they are laid out at.
    [[nodiscard]] std::string writtenHtml() const;
    [[nodiscard]] std::string htmlText() const;
    void setHtmlText(const std::string& html);

    [[nodiscard]] const text::FormattedText& document() const { return m_document; }
    [[nodiscard]] const text::TextFormat& newTextFormat() const { return m_newFormat; }
    void setNewTextFormat(const text::TextFormat& format);
    // Puts `inserted` in `format` in place of [begin, end) of the plain
    // text; the rest keeps its runs.
    void replaceText(size_t begin, size_t end, std::u32string_view inserted, const text::TextFormat& format);
    // Formats [begin, end) of the plain text.
    void applyFormat(size_t begin, size_t end, const text::TextFormat& format);

    // A style sheet styles the markup (read again now) and makes the field
    // read-only to its user and to setTextFormat; null removes it.
    void setStyleSheet(std::shared_ptr<const text::StyleSheet> styles);
    [[nodiscard]] const text::StyleSheet* styleSheet() const { return m_styles.get(); }
    // The link under the pointer ("" for none): a styled field shows its
    // links to that URL in a:hover.
    void setHoverUrl(std::string url);

    // An edited document: the text (markup when html) follows it.
    void setDocument(text::FormattedText document);
    // The text() a document gives in this field.
    [[nodiscard]] std::string textOf(const text::FormattedText& document) const;

    // The selection, within the text. A focused field draws its caret.
    [[nodiscard]] text::TextSelection selection() const;
    void setSelection(text::TextSelection selection);
    [[nodiscard]] bool focused() const { return m_focused; }
    void setFocused(bool focused);
    // Scrolls the least that shows the caret.
    void revealCaret();

    // The bound variable's path as the file gives it ("" when unbound).
    [[nodiscard]] const std::string& variableName() const { return m_field->variableName; }

    [[nodiscard]] const text::TextLayout& layout() const;
    [[nodiscard]] text::FieldBox box() const;
    // The face a format resolves to in this field (embedded when embedFonts
    // finds the movie's font of that name, else a device face).
    [[nodiscard]] std::shared_ptr<const text::Face> faceFor(const text::TextFormat& format) const;

    // Lines from 1; scroll is kept within 1..maxScroll, hscroll in twips.
    [[nodiscard]] int scroll() const;
    void setScroll(int line);
    [[nodiscard]] int maxScroll() const;
    [[nodiscard]] int bottomScroll() const;
    [[nodiscard]] double hscroll() const;
    void setHscroll(double twips);
    [[nodiscard]] double maxHscroll() const;
    // The format of the character drawn at a point of the field (twips, the
    // field's own coordinates, scrolling counted), or nothing.
    [[nodiscard]] std::optional<text::TextFormat> formatAtPoint(double x, double y) const;

    // The clips that show the field's <img> tags naming an exported clip or
    // a file (an exported bitmap needs none): children of the field for
    // drawing and scripts, at depth = the image's order in the text, named
    // by its id. A file's clip waits in StageContext::imageLoads for the
    // script layer to load it as loadMovie would. Their matrices put them in their boxes, scrolling counted.
    [[nodiscard]] const DisplayList& imageClips() const;
    // Called by whoever made the field once its nesting is set: <img> clips
    // are made from then on (their nesting bounds an image that holds itself).
    void enableImageClips();
    // Whether the image at character `index` shows through a clip.
    [[nodiscard]] bool hasImageClip(size_t index) const;
    // After the image clips advanced: content that grew or shrank lays the
    // text out again, and a playing clip redraws the field.
    void refreshImages();

private:
    // The field's rectangle, whatever it holds.
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;
    void settingsChanged(const FieldSettings& before);
    void contentChanged();
    void fitAutoSize();

    std::shared_ptr<const swf::EditText> m_owned;
    const swf::EditText* m_field = nullptr;
    FieldSettings m_settings;
    // Written again from the document when read after edits that leave it stale.
    mutable std::string m_text;
    mutable bool m_textStale = false;
    text::FormattedText m_document;
    text::TextFormat m_newFormat;
    std::shared_ptr<const text::StyleSheet> m_styles;
    std::string m_hoverUrl;
    text::TextSelection m_selection;
    bool m_focused = false;
    int m_scroll = 1;
    double m_hscroll = 0.0;
    void rebuildImageClips();
    // The natural size of the image at `index` (twips; zero when unknown).
    [[nodiscard]] text::ImageSize imageSize(size_t index, const text::InlineImage& image) const;
    [[nodiscard]] const swf::Bounds& naturalBounds(const MovieClip& clip) const;
    // Puts each image clip in its box; needs the layout.
    void placeImageClips() const;

    mutable std::optional<text::TextLayout> m_layout;
    // Image clips by character index of their image; m_images owns them.
    DisplayList m_images{*this};
    bool m_imageClipsEnabled = false;
    std::vector<std::pair<size_t, MovieClip*>> m_imageAt;
    std::vector<text::InlineImage> m_imageSources;  // what each clip of m_imageAt shows
    // Each clip's bounds once it has content: its box shows them.
    mutable std::map<const MovieClip*, swf::Bounds> m_natural;
    mutable std::map<const swf::Font*, std::shared_ptr<const text::EmbeddedFace>> m_embedded;
};

}  // namespace model
