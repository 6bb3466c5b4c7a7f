#include "render/text_painter.h"

#include "render/paint_source.h"
#include "render/text_layout.h"

#include <cmath>
#include <unordered_map>

namespace render {

namespace {

// Text height when the field names none: 12 points.
constexpr double kDefaultHeight = 240.0;
// Strings beyond this are cut: what is left could never be seen in a field.
constexpr size_t kMaxCharacters = 1 << 16;

struct Style {
    const swf::Font* font = nullptr;
    uint16_t fontId = 0;
    double height = kDefaultHeight;
    swf::Rgba color{0, 0, 0, 255};
    bool embedded = false;
};

void drawBorder(cairo_t* cr, const swf::EditText& field, const PaintState& state) {
    const swf::Rect& r = field.bounds;
    cairo_set_matrix(cr, &state.matrix);
    cairo_rectangle(cr, r.xMin, r.yMin, double(r.width()), double(r.height()));
    if (solidSource({255, 255, 255, 255}, state.cx).apply(cr))
        cairo_fill_preserve(cr);
    if (solidSource({0, 0, 0, 255}, state.cx).apply(cr)) {
        cairo_identity_matrix(cr);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
}

void drawEmbedded(Painter& painter, const Style& style, const std::vector<TextLine>& lines, const PaintState& state) {
    cairo_t* cr = painter.context();
    const double scale = style.height / style.font->emSquare;
    cairo_new_path(cr);
    for (const TextLine& line : lines) {
        for (const PlacedChar& c : line.chars) {
            if (c.code > 0xFFFF)
                continue;
            const int32_t index = style.font->glyphForCode(uint16_t(c.code));
            if (index < 0)
                continue;
            const auto outline = painter.geometry().glyph(style.fontId, uint32_t(index));
            if (!outline)
                continue;
            const PathData& path = pathOf(*outline);
            if (path.isEmpty())
                continue;
            const cairo_matrix_t glyph{scale, 0.0, 0.0, scale, c.x, line.baseline};
            cairo_matrix_t m;
            cairo_matrix_multiply(&m, &glyph, &state.matrix);
            if (!isDrawableMatrix(m))
                continue;
            cairo_set_matrix(cr, &m);
            path.appendTo(cr);
        }
    }
    cairo_identity_matrix(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    const PaintSource source = state.coverageOnly ? PaintSource{PaintSource::Kind::Solid, {0, 0, 0, 255}, nullptr}
                                                  : solidSource(style.color, state.cx);
    if (source.apply(cr))
        cairo_fill(cr);
    cairo_new_path(cr);
}

void drawDevice(cairo_t* cr, const Style& style, const std::vector<TextLine>& lines, const PaintState& state) {
    cairo_set_matrix(cr, &state.matrix);
    const PaintSource source = state.coverageOnly ? PaintSource{PaintSource::Kind::Solid, {0, 0, 0, 255}, nullptr}
                                                  : solidSource(style.color, state.cx);
    if (!source.apply(cr))
        return;
    for (const TextLine& line : lines) {
        for (const PlacedChar& c : line.chars) {
            if (c.code == U' ')
                continue;
            // One character at a time, at the position the layout gave it.
            char utf8[5];
            encodeUtf8(c.code, utf8);
            cairo_move_to(cr, c.x, line.baseline);
            cairo_show_text(cr, utf8);
        }
    }
    cairo_new_path(cr);
}

}  // namespace

std::string deviceFamily(const std::string& name) {
    if (name == "_sans" || name.empty())
        return "sans-serif";
    if (name == "_serif")
        return "serif";
    if (name == "_typewriter")
        return "monospace";
    return name;
}

void drawEditText(Painter& painter, const swf::EditText& field, const std::string& text, const PaintState& state) {
    if (field.bounds.isEmpty() || !isDrawableMatrix(state.matrix) ||
        (!state.coverageOnly && state.cx.hidesEverything()))
        return;
    if (const auto box = deviceBox({double(field.bounds.xMin), double(field.bounds.yMin), double(field.bounds.xMax),
                                    double(field.bounds.yMax), false},
                                   state.matrix);
        !box || !painter.touchesClip(*box))
        return;

    Style style;
    if (field.fontId) {
        style.fontId = *field.fontId;
        style.font = painter.geometry().movie().characters.find<swf::Font>(style.fontId);
    }
    if (field.fontHeight)
        style.height = *field.fontHeight;
    if (style.height <= 0.0)
        return;  // cairo takes a zero font size as a broken matrix and stops drawing

    if (field.textColor)
        style.color = *field.textColor;
    style.embedded = style.font != nullptr && !style.font->glyphs.empty() && field.useOutlines;

    cairo_t* cr = painter.context();
    cairo_save(cr);
    if (field.border && !state.coverageOnly)
        drawBorder(cr, field, state);
    // Text never shows outside its field.
    cairo_set_matrix(cr, &state.matrix);
    cairo_rectangle(cr, field.bounds.xMin, field.bounds.yMin, double(field.bounds.width()),
                    double(field.bounds.height()));
    cairo_clip(cr);

    std::u32string content = decodeUtf8(field.html ? stripHtml(text) : text);
    if (content.size() > kMaxCharacters)
        content.resize(kMaxCharacters);
    if (field.password) {
        for (char32_t& c : content) {
            if (c != U'\n' && c != U'\r')
                c = U'*';
        }
    }

    TextMetrics metrics;
    std::unordered_map<char32_t, double> advances;
    if (style.embedded) {
        const swf::Font& font = *style.font;
        const double scale = style.height / font.emSquare;
        metrics.ascent = font.hasLayout ? font.ascent * scale : style.height * 0.9;
        metrics.descent = font.hasLayout ? font.descent * scale : style.height * 0.2;
        metrics.advance = [&font, scale, &style](char32_t c) {
            const int32_t index = c > 0xFFFF ? -1 : font.glyphForCode(uint16_t(c));
            if (index >= 0 && font.hasLayout)
                return font.glyphs[size_t(index)].advance * scale;
            // Without a layout table, or for a missing space: a plain guess.
            return (c == U' ' ? 0.25 : 0.5) * style.height;
        };
        const auto lines = layoutText(field, content, metrics);
        drawEmbedded(painter, style, lines, state);
    } else {
        const std::string name = style.font != nullptr ? style.font->name : std::string();
        const bool bold = style.font != nullptr && style.font->bold;
        const bool italic = style.font != nullptr && style.font->italic;
        cairo_select_font_face(cr, deviceFamily(name).c_str(),
                               italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, style.height);
        cairo_font_extents_t fe;
        cairo_font_extents(cr, &fe);
        metrics.ascent = fe.ascent;
        metrics.descent = fe.descent;
        metrics.advance = [cr, &advances](char32_t c) {
            auto it = advances.find(c);
            if (it != advances.end())
                return it->second;
            char utf8[5];
            encodeUtf8(c, utf8);
            cairo_text_extents_t te;
            cairo_text_extents(cr, utf8, &te);
            advances.emplace(c, te.x_advance);
            return te.x_advance;
        };
        const auto lines = layoutText(field, content, metrics);
        drawDevice(cr, style, lines, state);
    }
    cairo_restore(cr);
}

}  // namespace render
