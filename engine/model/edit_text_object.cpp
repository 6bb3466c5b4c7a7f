// A text field: its settings, formatted content and layout.
#include "model/edit_text_object.h"

#include "model/movie_clip.h"
#include "model/object_factory.h"
#include "model/stage_context.h"
#include "model/transform.h"

#include "text/device_fonts.h"
#include "text/embedded_face.h"
#include "text/html_text.h"
#include "text/style_sheet.h"

#include <algorithm>
#include <cmath>

namespace model {

namespace {

FieldSettings settingsOf(const swf::EditText& f) {
    FieldSettings s;
    s.bounds = f.bounds;
    s.wordWrap = f.wordWrap;
    s.multiline = f.multiline;
    s.password = f.password;
    s.selectable = !f.noSelect;
    s.editable = !f.readOnly;
    s.html = f.html;
    s.embedFonts = f.useOutlines;
    s.border = f.border;
    s.background = f.border;  // the file's border flag draws both
    s.autoSize = f.autoSize ? AutoSize::Left : AutoSize::None;
    if (f.maxLength && *f.maxLength > 0)  // 0: no limit
        s.maxChars = *f.maxLength;
    return s;
}

text::TextFormat formatOf(const swf::EditText& f, const swf::Movie& movie) {
    text::TextFormat format = text::defaultFormat();
    if (f.fontId) {
        if (const auto* font = movie.characters.find<swf::Font>(*f.fontId)) {
            format.font = font->name;
            format.bold = font->bold;
            format.italic = font->italic;
        }
    } else if (f.fontClass) {
        format.font = *f.fontClass;
    }
    if (f.fontHeight)
        format.size = double(*f.fontHeight);
    if (f.textColor)
        format.color = uint32_t(f.textColor->r) << 16 | uint32_t(f.textColor->g) << 8 | f.textColor->b;
    if (f.hasLayout) {
        format.align = f.align == swf::TextAlign::Right     ? text::Align::Right
                       : f.align == swf::TextAlign::Center  ? text::Align::Center
                       : f.align == swf::TextAlign::Justify ? text::Align::Justify
                                                            : text::Align::Left;
        format.leftMargin = double(f.leftMargin);
        format.rightMargin = double(f.rightMargin);
        format.indent = double(f.indent);
        format.leading = double(f.leading);
    }
    return format;
}

}  // namespace

// What an <img> source names in the movie: an exported character's id, or
// (ActionScript 3) the character a SymbolClass links to that class name.
std::optional<uint16_t> imageCharacter(const swf::Movie& movie, const std::string& src) {
    if (const auto it = movie.exports.find(src); it != movie.exports.end())
        return it->second;
    if (!movie.usesActionScript3())
        return std::nullopt;
    for (const swf::Frame& frame : movie.root.frames) {
        for (const swf::ControlTag& tag : frame.tags) {
            if (const auto* symbols = std::get_if<swf::SymbolClass>(&tag)) {
                for (const auto& [id, name] : symbols->symbols) {
                    if (id != 0 && name == src)
                        return id;
                }
            }
        }
    }
    return std::nullopt;
}

EditTextObject::EditTextObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::EditText& field)
    : DisplayObject(kKind, std::move(context), characterId), m_field(&field), m_settings(settingsOf(field)) {
    // The authoring tool's anti-aliasing for this character, when it gave one.
    if (const auto& movie = library()) {
        if (const auto it = movie->textSettings.find(characterId); it != movie->textSettings.end())
            m_settings.glyphs = text::glyphRenderingOf(it->second);
    }
    m_newFormat = formatOf(field, *this->context().movie);
    setText(field.initialText.value_or(""));
}

EditTextObject::EditTextObject(std::shared_ptr<StageContext> context, std::shared_ptr<const swf::EditText> field)
    : DisplayObject(kKind, std::move(context), 0),
      m_owned(std::move(field)),
      m_field(m_owned.get()),
      m_settings(settingsOf(*m_field)) {
    m_newFormat = formatOf(*m_field, *this->context().movie);
    setText(m_field->initialText.value_or(""));
}

EditTextObject::~EditTextObject() = default;

const std::string& EditTextObject::text() const {
    if (m_textStale) {
        m_text = m_settings.html ? writtenHtml() : plainText();
        m_textStale = false;
    }
    return m_text;
}

void EditTextObject::setText(std::string text) {
    if (text == this->text() && !m_document.text().empty())
        return;
    m_document = m_settings.html
                     ? text::parseHtml(text, m_newFormat, m_settings.condenseWhite, m_styles.get(), m_hoverUrl)
                     : text::FormattedText(text::fromUtf8(text), m_newFormat);
    m_text = std::move(text);
    m_textStale = false;
    // Typing goes on after a script's new text.
    m_selection = {m_document.size(), m_document.size()};
    contentChanged();
}

void EditTextObject::setPlainText(const std::string& text) {
    m_document = text::FormattedText(text::fromUtf8(text), m_newFormat);
    m_text = m_settings.html ? text::writeHtml(m_document) : text;
    m_textStale = false;
    m_selection = {m_document.size(), m_document.size()};
    contentChanged();
}

std::string EditTextObject::writtenHtml() const { return text::writeHtml(m_document, layout().images); }

std::string EditTextObject::htmlText() const { return m_settings.html ? text() : plainText(); }

void EditTextObject::setHtmlText(const std::string& html) {
    if (m_settings.html) {
        m_text.clear();  // read the markup again even when it is the same
        m_textStale = false;
        setText(html);
    } else {
        setPlainText(html);
    }
}

void EditTextObject::setDocument(text::FormattedText document) {
    m_document = std::move(document);
    m_text = textOf(m_document);
    m_textStale = false;
    contentChanged();
}

std::string EditTextObject::textOf(const text::FormattedText& document) const {
    return m_settings.html ? text::writeHtml(document) : text::toUtf8(document.text());
}

text::TextSelection EditTextObject::selection() const {
    const size_t size = m_document.size();
    return {std::min(m_selection.anchor, size), std::min(m_selection.caret, size)};
}

void EditTextObject::setSelection(text::TextSelection selection) {
    if (selection == m_selection)
        return;
    m_selection = selection;
    if (m_focused)
        bumpContent();
}

void EditTextObject::setFocused(bool focused) {
    if (focused == m_focused)
        return;
    m_focused = focused;
    bumpContent();
}

void EditTextObject::revealCaret() {
    const text::TextLayout& l = layout();
    const auto place = text::caretPlace(l, selection().caret);
    if (!place)
        return;
    const int line = int(place->line) + 1;
    if (line < scroll())
        setScroll(line);
    else if (line > bottomScroll())
        setScroll(scroll() + line - bottomScroll());
    // Sideways only in fields that do not wrap.
    if (m_settings.wordWrap)
        return;
    const text::FieldBox b = box();
    const double left = b.xMin + text::Gutter;
    const double width = b.xMax - b.xMin - 2 * text::Gutter;
    const double x = place->x - left;
    if (x < hscroll())
        setHscroll(x);
    else if (x > hscroll() + width)
        setHscroll(x - width);
}

void EditTextObject::replaceText(size_t begin, size_t end, std::u32string_view inserted,
                                 const text::TextFormat& format) {
    const std::u32string_view old = m_document.text();
    end = std::min(end, old.size());
    begin = std::min(begin, end);
    m_textStale = true;
    // Appending (scripts that log into a field) keeps the runs as they are.
    if (begin == old.size()) {
        m_document.append(inserted, format);
        contentChanged();
        return;
    }
    text::FormattedText next;
    auto copy = [&](size_t from, size_t to) {
        size_t at = 0;
        for (const text::TextRun& run : m_document.runs()) {
            const size_t a = std::max(at, from);
            const size_t b = std::min(at + run.length, to);
            if (a < b)
                next.append(old.substr(a, b - a), run.format);
            at += run.length;
        }
    };
    copy(0, begin);
    next.append(inserted, format);
    copy(end, old.size());
    m_document = std::move(next);
    contentChanged();
}

void EditTextObject::setNewTextFormat(const text::TextFormat& format) { m_newFormat.apply(format); }

void EditTextObject::setStyleSheet(std::shared_ptr<const text::StyleSheet> styles) {
    if (styles == m_styles)
        return;
    m_styles = std::move(styles);
    if (m_settings.html) {
        std::string markup = text();
        m_text.clear();
        setText(std::move(markup));
    }
}

void EditTextObject::setHoverUrl(std::string url) {
    if (url == m_hoverUrl)
        return;
    m_hoverUrl = std::move(url);
    if (m_settings.html && m_styles && m_styles->style("a:hover")) {
        const text::TextSelection kept = m_selection;
        std::string markup = text();
        m_text.clear();
        setText(std::move(markup));
        m_selection = kept;
    }
}

void EditTextObject::applyFormat(size_t begin, size_t end, const text::TextFormat& format) {
    if (m_styles)
        return;
    m_document.applyFormat(begin, end, format);
    if (m_settings.html)
        m_textStale = true;
    contentChanged();
}

void EditTextObject::settingsChanged(const FieldSettings& before) {
    // The runs stay; the variable now sees them as markup or as plain text.
    if (before.html != m_settings.html)
        m_textStale = true;
    contentChanged();
}

void EditTextObject::contentChanged() {
    m_layout.reset();
    rebuildImageClips();
    fitAutoSize();
    bumpContent();
}

void EditTextObject::fitAutoSize() {
    if (m_settings.autoSize == AutoSize::None)
        return;
    swf::Rect& b = m_settings.bounds;
    if (!m_settings.wordWrap) {
        m_layout.reset();
        const int32_t width = int32_t(std::ceil(std::min(layout().textWidth, 1e7))) + int32_t(2 * text::Gutter);
        if (m_settings.autoSize == AutoSize::Right)
            b.xMin = b.xMax - width;
        else if (m_settings.autoSize == AutoSize::Center)
            b.xMin += (b.width() - width) / 2;
        b.xMax = b.xMin + width;
    }
    m_layout.reset();
    b.yMax = b.yMin + int32_t(std::ceil(std::min(layout().textHeight, 1e7))) + int32_t(2 * text::Gutter);
    m_layout.reset();
}

EmbeddedFont findEmbeddedFont(const swf::Movie& movie, const std::string& name, bool bold, bool italic) {
    EmbeddedFont found;
    EmbeddedFont loose;
    // Lowest id first, so the choice does not depend on hashing.
    movie.characters.forEach([&](uint16_t id, const swf::CharacterData& data) {
        const auto* font = std::get_if<swf::Font>(&data);
        if (!font || font->glyphs.empty() || font->name != name)
            return;
        EmbeddedFont& slot = font->bold == bold && font->italic == italic ? found : loose;
        if (!slot.font || id < slot.id)
            slot = {id, font};
    });
    return found.font ? found : loose;
}

text::FieldBox EditTextObject::box() const {
    const swf::Rect& b = m_settings.bounds;
    return {double(b.xMin),      double(b.yMin),       double(b.xMax),     double(b.yMax),
            m_settings.wordWrap, m_settings.multiline, m_settings.password};
}

std::shared_ptr<const text::Face> EditTextObject::faceFor(const text::TextFormat& format) const {
    const std::string name = format.font.value_or("");
    const bool bold = format.bold.value_or(false);
    const bool italic = format.italic.value_or(false);
    if (m_settings.embedFonts) {
        // The field's own font first, then any embedded font of that name
        // and style, then of that name.
        const swf::Font* found = nullptr;
        uint16_t foundId = 0;
        const swf::Font* own =
            m_field->fontId ? context().movie->characters.find<swf::Font>(*m_field->fontId) : nullptr;
        if (own && own->name == name && !own->glyphs.empty() && own->bold == bold && own->italic == italic) {
            found = own;
            foundId = *m_field->fontId;
        }
        if (!found) {
            const EmbeddedFont any = findEmbeddedFont(*context().movie, name, bold, italic);
            found = any.font, foundId = any.id;
        }
        if (!found && own && !own->glyphs.empty() && own->name == name)
            found = own, foundId = *m_field->fontId;
        if (found) {
            auto& face = m_embedded[found];
            if (!face)
                face = std::make_shared<text::EmbeddedFace>(foundId, *found);
            return face;
        }
    }
    return text::deviceFace(name, bold, italic);
}

const text::TextLayout& EditTextObject::layout() const {
    if (!m_layout) {
        m_layout = text::layoutText(
            m_document, box(), [this](const text::TextFormat& f) { return faceFor(f); },
            [this](size_t index, const text::InlineImage& image) { return imageSize(index, image); });
        placeImageClips();
    }
    return *m_layout;
}

const DisplayList& EditTextObject::imageClips() const { return m_images; }

bool EditTextObject::hasImageClip(size_t index) const {
    return std::any_of(m_imageAt.begin(), m_imageAt.end(), [&](const auto& at) { return at.first == index; });
}

namespace {

constexpr size_t MaxImageLoads = 1024;

text::ImageSize sizeOf(const swf::Bounds& b) {
    return b.empty ? text::ImageSize{} : text::ImageSize{b.xMax - b.xMin, b.yMax - b.yMin};
}

}  // namespace

void EditTextObject::enableImageClips() {
    m_imageClipsEnabled = true;
    rebuildImageClips();
    if (!m_imageAt.empty()) {
        m_layout.reset();
        fitAutoSize();
    }
}

void EditTextObject::rebuildImageClips() {
    if (!m_imageClipsEnabled)
        return;
    // Which images need a clip, in text order: exported clips and files.
    std::vector<std::pair<size_t, const text::InlineImage*>> wanted;
    const std::u32string& chars = m_document.text();
    const swf::Movie& movie = *library();
    for (size_t k = 0; k < chars.size(); ++k) {
        const text::InlineImage* image = chars[k] == text::ObjectReplacement ? m_document.imageAt(k) : nullptr;
        if (!image || image->src.empty())
            continue;
        if (const auto id = imageCharacter(movie, image->src); id && !movie.characters.find<swf::Sprite>(*id))
            continue;  // a bitmap is drawn directly, anything else as an empty frame
        wanted.emplace_back(k, image);
    }
    // The same images as before (an edit elsewhere in the text) keep their
    // clips, so timelines and loads go on.
    bool same = wanted.size() == m_imageAt.size();
    for (size_t n = 0; same && n < wanted.size(); ++n) {
        const MovieClip* clip = m_imageAt[n].second;
        const text::InlineImage* before = m_imageSources.size() > n ? &m_imageSources[n] : nullptr;
        same = clip && before && before->src == wanted[n].second->src && before->id == wanted[n].second->id;
    }
    if (same) {
        for (size_t n = 0; n < wanted.size(); ++n)
            m_imageAt[n].first = wanted[n].first;
        return;
    }
    while (!m_images.empty())
        (void)m_images.remove(m_images.begin()->first);
    m_imageAt.clear();
    m_imageSources.clear();
    m_natural.clear();
    ActionBatch batch;
    for (size_t n = 0; n < wanted.size(); ++n) {
        const auto& [index, image] = wanted[n];
        std::shared_ptr<MovieClip> clip;
        if (const auto id = imageCharacter(movie, image->src)) {
            clip = std::static_pointer_cast<MovieClip>(
                ObjectFactory::create(contextPtr(), *id, Origin::Script, nesting() + 1, batch));
        } else {
            clip = ObjectFactory::createEmptyClip(contextPtr(), nesting() + 1);
            auto& loads = context().stageRoot().imageLoads;
            // Full: drop those whose clips are gone.
            if (loads.size() >= MaxImageLoads)
                std::erase_if(loads, [](const auto& load) { return load.first.expired(); });
            if (clip && loads.size() < MaxImageLoads)
                loads.emplace_back(clip, image->src);
        }
        if (!clip)
            continue;  // at a limit: the image shows as an empty frame
        clip->setName(image->id);
        (void)m_images.insert(int32_t(n), clip);
        m_imageAt.emplace_back(index, clip.get());
        m_imageSources.push_back(*image);
    }
    context().flush(std::move(batch));
}

const swf::Bounds& EditTextObject::naturalBounds(const MovieClip& clip) const {
    // Taken once the clip has content, so animation inside it does not lay
    // the text out again every frame.
    swf::Bounds& natural = m_natural[&clip];
    if (natural.empty)
        natural = clip.localBounds();
    return natural;
}

text::ImageSize EditTextObject::imageSize(size_t index, const text::InlineImage& image) const {
    for (const auto& [at, clip] : m_imageAt) {
        if (at != index)
            continue;
        return sizeOf(naturalBounds(*clip));
    }
    const swf::Movie& movie = *library();
    if (const auto id = imageCharacter(movie, image.src)) {
        if (const auto* bitmap = movie.characters.find<swf::Bitmap>(*id); bitmap && bitmap->ok())
            return {bitmap->width * 20.0, bitmap->height * 20.0};
    }
    return {};
}

void EditTextObject::placeImageClips() const {
    if (m_imageAt.empty() || !m_layout)
        return;
    const text::TextLayout& l = *m_layout;
    const size_t first = size_t(scroll() - 1);
    const double dy = first < l.lines.size() ? l.lines[first].top - l.lines.front().top : 0.0;
    const double dx = hscroll();
    for (const auto& [index, clip] : m_imageAt) {
        const auto placed = std::find_if(l.images.begin(), l.images.end(),
                                         [&](const text::PlacedImage& p) { return p.index == index; });
        if (placed == l.images.end())
            continue;
        const swf::Bounds b = naturalBounds(*clip);
        const text::ImageSize natural = sizeOf(b);
        // The content's box fills the image's box; content that arrives
        // before the text is laid out again stays hidden until then.
        const double sx = natural.width > 0 ? placed->width / natural.width : b.empty ? 0.0 : 1.0;
        const double sy = natural.height > 0 ? placed->height / natural.height : b.empty ? 0.0 : 1.0;
        const double left = b.empty ? 0.0 : b.xMin;
        const double top = b.empty ? 0.0 : b.yMin;
        clip->setMatrix({sx, 0.0, 0.0, sy, placed->x - left * sx - dx, placed->y - top * sy - dy});
    }
}

void EditTextObject::refreshImages() {
    bool redraw = false;
    bool relayout = false;
    for (const auto& [index, clip] : m_imageAt) {
        if (const auto known = m_natural.find(clip); known == m_natural.end() || known->second.empty)
            relayout = relayout || !naturalBounds(*clip).empty;  // content arrived
        // Anything playing in the clip may change what it shows.
        std::vector<const DisplayObject*> open{clip};
        while (!redraw && !open.empty()) {
            const DisplayObject* o = open.back();
            open.pop_back();
            if (const auto* c = o->as<MovieClip>(); c && c->isPlaying() && c->totalFrames() > 1)
                redraw = true;
            if (const DisplayList* children = o->children()) {
                for (const auto& [depth, child] : *children)
                    open.push_back(child.get());
            }
        }
    }
    if (relayout) {
        m_layout.reset();
        fitAutoSize();
    }
    if (relayout || redraw)
        bumpContent();
}

// Kept as set and clamped when read: the layout is made only when needed.
int EditTextObject::scroll() const { return std::clamp(m_scroll, 1, maxScroll()); }

double EditTextObject::hscroll() const { return std::clamp(m_hscroll, 0.0, maxHscroll()); }

void EditTextObject::setScroll(int line) {
    const int clamped = std::clamp(line, 1, maxScroll());
    if (clamped == scroll())
        return;
    m_scroll = clamped;
    placeImageClips();
    bumpContent();
}

int EditTextObject::maxScroll() const { return text::maxScroll(layout(), box()); }

int EditTextObject::bottomScroll() const { return text::bottomScroll(layout(), box(), scroll()); }

double EditTextObject::maxHscroll() const {
    const text::FieldBox b = box();
    return std::max(0.0, layout().textWidth - (b.xMax - b.xMin - 2 * text::Gutter));
}

void EditTextObject::setHscroll(double twips) {
    const double clamped = std::isfinite(twips) ? std::clamp(twips, 0.0, maxHscroll()) : 0.0;
    if (clamped == hscroll())
        return;
    m_hscroll = clamped;
    placeImageClips();
    bumpContent();
}

std::optional<text::TextFormat> EditTextObject::formatAtPoint(double x, double y) const {
    const text::TextLayout& l = layout();
    const size_t first = size_t(scroll() - 1);
    if (first >= l.lines.size())
        return std::nullopt;
    x += hscroll();
    y += l.lines[first].top - l.lines.front().top;
    for (size_t n = first; n < l.lines.size(); ++n) {
        const text::LaidLine& line = l.lines[n];
        if (y < line.top || y >= line.top + line.height)
            continue;
        for (size_t k = 0; k < line.glyphs.size(); ++k) {
            const double end = k + 1 < line.glyphs.size() ? line.glyphs[k + 1].x : line.left + line.width;
            if (x >= line.glyphs[k].x && x < end)
                return m_document.runs()[line.glyphs[k].run].format;
        }
    }
    return std::nullopt;
}

swf::Bounds EditTextObject::leafBounds(const swf::Matrix& m) const {
    return transformBounds(m, toBounds(m_settings.bounds));
}

}  // namespace model
