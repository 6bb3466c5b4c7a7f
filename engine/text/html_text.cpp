#include "text/html_text.h"

#include "text/style_sheet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace text {

namespace {

// Deeper nesting than this is flattened: the format stack stays bounded.
constexpr size_t MaxDepth = 256;

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r'; }

std::optional<double> number(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '+'))
        s.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end == s.data() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<uint32_t> colour(std::string_view s) {
    if (!s.empty() && s.front() == '#')
        s.remove_prefix(1);
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc() || end == s.data())
        return std::nullopt;
    return v & 0xFFFFFF;
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attributes;  // names lower case
};

// Reads the tag starting after '<' up to its '>'; `i` ends past it.
Tag readTag(std::string_view html, size_t& i) {
    Tag tag;
    const size_t close = html.find('>', i);
    const std::string_view body = html.substr(i, close == std::string_view::npos ? html.size() - i : close - i);
    i = close == std::string_view::npos ? html.size() : close + 1;
    size_t k = 0;
    auto skipSpace = [&] {
        while (k < body.size() && std::isspace(static_cast<unsigned char>(body[k])))
            ++k;
    };
    skipSpace();
    if (k < body.size() && body[k] == '/') {
        tag.closing = true;
        ++k;
    }
    const size_t nameStart = k;
    while (k < body.size() && !std::isspace(static_cast<unsigned char>(body[k])) && body[k] != '/')
        ++k;
    tag.name = lower(body.substr(nameStart, k - nameStart));
    while (k < body.size()) {
        skipSpace();
        const size_t attrStart = k;
        while (k < body.size() && body[k] != '=' && !std::isspace(static_cast<unsigned char>(body[k])))
            ++k;
        std::string name = lower(body.substr(attrStart, k - attrStart));
        skipSpace();
        std::string value;
        if (k < body.size() && body[k] == '=') {
            ++k;
            skipSpace();
            if (k < body.size() && (body[k] == '"' || body[k] == '\'')) {
                const char quote = body[k++];
                const size_t end = body.find(quote, k);
                value = std::string(body.substr(k, end == std::string_view::npos ? body.size() - k : end - k));
                k = end == std::string_view::npos ? body.size() : end + 1;
            } else {
                const size_t valueStart = k;
                while (k < body.size() && !std::isspace(static_cast<unsigned char>(body[k])))
                    ++k;
                value = std::string(body.substr(valueStart, k - valueStart));
            }
        }
        if (!name.empty() && name != "/")
            tag.attributes.emplace_back(std::move(name), std::move(value));
        else if (k < body.size() && attrStart == k)
            ++k;  // a stray character: move on
    }
    return tag;
}

// An entity at `i` (on '&'): the character and its length, or nothing.
std::optional<std::pair<char32_t, size_t>> readEntity(std::string_view html, size_t i) {
    const size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10)
        return std::nullopt;
    const std::string name = lower(html.substr(i + 1, semi - i - 1));
    static constexpr std::pair<const char*, char32_t> Named[] = {{"lt", U'<'},   {"gt", U'>'},    {"amp", U'&'},
                                                                 {"quot", U'"'}, {"apos", U'\''}, {"nbsp", U'\u00A0'}};
    for (const auto& [n, c] : Named) {
        if (name == n)
            return std::pair{c, semi - i + 1};
    }
    if (name.size() > 1 && name[0] == '#') {
        uint32_t v = 0;
        const bool hex = name[1] == 'x';
        const char* from = name.data() + (hex ? 2 : 1);
        const auto [end, ec] = std::from_chars(from, name.data() + name.size(), v, hex ? 16 : 10);
        if (ec == std::errc() && end == name.data() + name.size() && end != from && v <= 0x10FFFF && v != 0)
            return std::pair{char32_t(v), semi - i + 1};
    }
    return std::nullopt;
}

class Reader {
public:
    Reader(const TextFormat& base, bool condense, const StyleSheet* styles, std::string_view hoverUrl)
        : m_condense(condense), m_styles(styles), m_hoverUrl(hoverUrl) {
        m_stack.push_back({"", base});
    }

    void text(char32_t c) {
        if (m_stack.back().hidden)
            return;
        // Line ends in the markup become the field's paragraph ends ('\r'), a CR LF pair one.
        const bool afterCr = m_lastCr;
        m_lastCr = c == U'\r';
        if (c == U'\n' && afterCr && !m_condense)
            return;
        if (c == U'\n')
            c = U'\r';
        if (m_condense && isSpace(c)) {
            if (m_lastSpace)
                return;
            c = U' ';
        }
        if (m_pendingBreak) {
            m_out.append(U"\r", m_pendingFormat);
            m_pendingBreak = false;
        }
        m_lastSpace = isSpace(c);
        m_out.append(std::u32string_view(&c, 1), format());
    }

    void tag(const Tag& t) {
        if (t.closing) {
            close(t.name);
            return;
        }
        if (t.name == "img") {
            image(t);
            return;
        }
        if (t.name == "br") {
            if (m_stack.back().hidden)
                return;
            m_out.append(U"\r", format());
            m_lastSpace = true;
            return;
        }
        TextFormat f = format();
        bool known = true;
        bool block = t.name == "p" || t.name == "li";
        if (block) {
            if (t.name == "li")
                f.bullet = true;
        } else if (t.name == "b") {
            f.bold = true;
        } else if (t.name == "i") {
            f.italic = true;
        } else if (t.name == "u") {
            f.underline = true;
        } else if (t.name != "font" && t.name != "a" && t.name != "textformat") {
            known = false;  // not ours: its text still shows
        }
        for (const auto& [name, value] : t.attributes)
            attribute(t.name, name, value, f);
        bool hidden = m_stack.back().hidden;
        if (m_styles) {
            // The tag's style, then its class's; links take a:link too.
            std::vector<const StyleSheet::Style*> styles{m_styles->style(t.name)};
            if (t.name == "a") {
                styles.push_back(m_styles->style("a:link"));
                if (!m_hoverUrl.empty() && f.url == m_hoverUrl)
                    styles.push_back(m_styles->style("a:hover"));
            }
            for (const auto& [name, value] : t.attributes) {
                if (name == "class")
                    styles.push_back(m_styles->style("." + value));
            }
            Display display = block ? Display::Block : Display::Inline;
            for (const StyleSheet::Style* style : styles) {
                if (!style)
                    continue;
                known = true;
                f.apply(StyleSheet::transform(*style));
                display = StyleSheet::display(*style, display);
            }
            block = display == Display::Block;
            hidden = hidden || display == Display::None;
        }
        if (!known)
            return;
        if (block)
            breakParagraph();
        if (m_stack.size() < MaxDepth)
            m_stack.push_back({t.name, std::move(f), block, hidden});
    }

    FormattedText finish() { return std::move(m_out); }

    void image(const Tag& t) {
        if (m_stack.back().hidden)
            return;
        InlineImage image;
        for (const auto& [name, value] : t.attributes) {
            auto length = [](double& member, const std::string& text, double limit) {
                if (auto v = number(text); v && *v >= 0)
                    member = std::min(*v, limit) * 20.0;
            };
            if (name == "src")
                image.src = value;
            else if (name == "id")
                image.id = value;
            else if (name == "width")
                length(image.width, value, 8191.0);
            else if (name == "height")
                length(image.height, value, 8191.0);
            else if (name == "hspace")
                length(image.hspace, value, 1000.0);
            else if (name == "vspace")
                length(image.vspace, value, 1000.0);
            else if (name == "align")
                image.align = lower(value) == "right" ? ImageAlign::Right : ImageAlign::Left;
        }
        if (m_pendingBreak) {
            m_out.append(U"\r", m_pendingFormat);
            m_pendingBreak = false;
        }
        m_lastSpace = false;
        m_out.appendImage(std::move(image), format());
    }

private:
    struct Level {
        std::string tag;
        TextFormat format;
        bool block = false;  // a paragraph of its own
        bool hidden = false;
    };

    const TextFormat& format() const { return m_stack.back().format; }

    // A new paragraph starts unless the text is at one already.
    void breakParagraph() {
        if (!m_out.text().empty() && !isParagraphEnd(m_out.text().back()) && !m_pendingBreak) {
            m_pendingBreak = true;
            m_pendingFormat = format();
        }
    }

    void close(const std::string& name) {
        for (size_t k = m_stack.size(); k-- > 1;) {
            if (m_stack[k].tag != name)
                continue;
            const TextFormat ended = m_stack[k].format;
            const bool block = m_stack[k].block;
            m_stack.resize(k);
            if (block) {
                // An empty paragraph still ends: its break goes in now.
                if (m_pendingBreak)
                    m_out.append(U"\r", m_pendingFormat);
                m_pendingBreak = true;
                m_pendingFormat = ended;
            }
            return;
        }
    }

    static void attribute(const std::string& tag, const std::string& name, const std::string& value, TextFormat& f) {
        if ((tag == "p" || tag == "li") && name == "align") {
            const std::string v = lower(value);
            f.align = v == "right"     ? Align::Right
                      : v == "center"  ? Align::Center
                      : v == "justify" ? Align::Justify
                                       : Align::Left;
        } else if (tag == "font") {
            if (name == "face") {
                f.font = value;
            } else if (name == "size") {
                // "+2" and "-2" are relative to the size around.
                if (auto v = number(value)) {
                    const bool relative = !value.empty() && (value[0] == '+' || value[0] == '-');
                    const double points = relative ? f.size.value_or(240.0) / 20.0 + *v : *v;
                    f.size = std::clamp(points, 0.0, 10000.0) * 20.0;
                }
            } else if (name == "color") {
                if (auto v = colour(value))
                    f.color = *v;
            } else if (name == "letterspacing") {
                if (auto v = number(value))
                    f.letterSpacing = std::clamp(*v, -1000.0, 1000.0) * 20.0;
            } else if (name == "kerning") {
                f.kerning = value == "1" || lower(value) == "true";
            }
        } else if (tag == "a") {
            if (name == "href")
                f.url = value;
            else if (name == "target")
                f.target = value;
        } else if (tag == "textformat") {
            auto length = [&](std::optional<double>& member) {
                if (auto v = number(value))
                    member = std::clamp(*v, -10000.0, 10000.0) * 20.0;
            };
            if (name == "leftmargin")
                length(f.leftMargin);
            else if (name == "rightmargin")
                length(f.rightMargin);
            else if (name == "indent")
                length(f.indent);
            else if (name == "blockindent")
                length(f.blockIndent);
            else if (name == "leading")
                length(f.leading);
            else if (name == "tabstops") {
                std::vector<double> stops;
                size_t from = 0;
                while (from <= value.size() && stops.size() < 100) {
                    const size_t comma = std::min(value.find(',', from), value.size());
                    if (auto v = number(std::string_view(value).substr(from, comma - from)))
                        stops.push_back(std::clamp(*v, 0.0, 100000.0) * 20.0);
                    from = comma + 1;
                }
                f.tabStops = std::move(stops);
            }
        }
    }

    FormattedText m_out;
    std::vector<Level> m_stack;
    bool m_condense = false;
    const StyleSheet* m_styles = nullptr;
    std::string_view m_hoverUrl;
    bool m_lastSpace = false;
    bool m_lastCr = false;
    bool m_pendingBreak = false;
    TextFormat m_pendingFormat;
};

std::string escape(std::u32string_view s, bool attribute) {
    std::string out;
    for (char32_t c : s) {
        if (c == U'<')
            out += "&lt;";
        else if (c == U'>')
            out += "&gt;";
        else if (c == U'&')
            out += "&amp;";
        else if (c == U'"' && attribute)
            out += "&quot;";
        else
            out += toUtf8(std::u32string_view(&c, 1));
    }
    return out;
}

std::string escape(const std::string& s) { return escape(fromUtf8(s), true); }

std::string pixels(double twips) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", std::round(twips / 20.0 * 100.0) / 100.0);
    return buffer;
}

const char* alignName(Align a) {
    switch (a) {
    case Align::Right:
        return "RIGHT";
    case Align::Center:
        return "CENTER";
    case Align::Justify:
        return "JUSTIFY";
    case Align::Left:
        break;
    }
    return "LEFT";
}

// An empty run still gives its FONT: an empty paragraph keeps its size.
void writeRun(std::string& out, const TextFormat& f, std::u32string_view s) {
    out +=
        "<FONT FACE=\"" + escape(f.font.value_or("")) + "\" SIZE=\"" + pixels(f.size.value_or(240.0)) + "\" COLOR=\"#";
    char hex[8];
    std::snprintf(hex, sizeof hex, "%06X", unsigned(f.color.value_or(0)));
    out += hex;
    out += "\" LETTERSPACING=\"" + pixels(f.letterSpacing.value_or(0.0)) + "\" KERNING=\"" +
           (f.kerning.value_or(false) ? "1" : "0") + "\">";
    const bool link = !f.url.value_or("").empty();
    if (link)
        out += "<A HREF=\"" + escape(*f.url) + "\" TARGET=\"" + escape(f.target.value_or("")) + "\">";
    if (f.bold.value_or(false))
        out += "<B>";
    if (f.italic.value_or(false))
        out += "<I>";
    if (f.underline.value_or(false))
        out += "<U>";
    out += escape(s, false);
    if (f.underline.value_or(false))
        out += "</U>";
    if (f.italic.value_or(false))
        out += "</I>";
    if (f.bold.value_or(false))
        out += "</B>";
    if (link)
        out += "</A>";
    out += "</FONT>";
}

void writeImage(std::string& out, InlineImage image, size_t index, std::span<const PlacedImage> placed) {
    for (const PlacedImage& p : placed) {
        if (p.index != index)
            continue;
        if (image.width <= 0)
            image.width = p.width;
        if (image.height <= 0)
            image.height = p.height;
    }
    out += "<IMG SRC=\"" + escape(fromUtf8(image.src), true) + "\"";
    if (!image.id.empty())
        out += " ID=\"" + escape(fromUtf8(image.id), true) + "\"";
    out += " WIDTH=\"" + pixels(image.width) + "\" HEIGHT=\"" + pixels(image.height) + "\" HSPACE=\"" +
           pixels(image.hspace) + "\" VSPACE=\"" + pixels(image.vspace) + "\"";
    if (image.align == ImageAlign::Right)
        out += " ALIGN=\"right\"";
    out += ">";
}

}  // namespace

FormattedText parseHtml(std::string_view html, const TextFormat& base, bool condenseWhite, const StyleSheet* styles,
                        std::string_view hoverUrl) {
    Reader reader(base, condenseWhite, styles, hoverUrl);
    size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            ++i;
            reader.tag(readTag(html, i));
            continue;
        }
        if (c == '&') {
            if (auto entity = readEntity(html, i)) {
                reader.text(entity->first);
                i += entity->second;
                continue;
            }
        }
        // One UTF-8 sequence.
        size_t n = 1;
        while (i + n < html.size() && (uint8_t(html[i + n]) & 0xC0) == 0x80 && n < 4)
            ++n;
        for (char32_t cp : fromUtf8(html.substr(i, n)))
            reader.text(cp);
        i += n;
    }
    return reader.finish();
}

std::string writeHtml(const FormattedText& text, std::span<const PlacedImage> placed) {
    std::string out;
    const std::u32string& s = text.text();
    size_t paragraphStart = 0;
    // A text ending in a paragraph end writes the empty paragraph after it.
    while (true) {
        size_t paragraphEnd = paragraphStart;
        while (paragraphEnd < s.size() && !isParagraphEnd(s[paragraphEnd]))
            ++paragraphEnd;
        const TextFormat p = text.formatAt(paragraphStart);
        const bool spacing = p.leftMargin.value_or(0) != 0 || p.rightMargin.value_or(0) != 0 ||
                             p.indent.value_or(0) != 0 || p.blockIndent.value_or(0) != 0 ||
                             p.leading.value_or(0) != 0 || !p.tabStops.value_or(std::vector<double>{}).empty();
        if (spacing) {
            out += "<TEXTFORMAT";
            auto attr = [&](const char* name, const std::optional<double>& v) {
                if (v.value_or(0) != 0)
                    out += std::string(" ") + name + "=\"" + pixels(*v) + "\"";
            };
            attr("LEFTMARGIN", p.leftMargin);
            attr("RIGHTMARGIN", p.rightMargin);
            attr("INDENT", p.indent);
            attr("BLOCKINDENT", p.blockIndent);
            attr("LEADING", p.leading);
            if (p.tabStops && !p.tabStops->empty()) {
                out += " TABSTOPS=\"";
                for (size_t k = 0; k < p.tabStops->size(); ++k)
                    out += (k ? "," : "") + pixels((*p.tabStops)[k]);
                out += "\"";
            }
            out += ">";
        }
        const bool bullet = p.bullet.value_or(false);
        out += bullet ? "<LI>" : std::string("<P ALIGN=\"") + alignName(p.align.value_or(Align::Left)) + "\">";
        // The runs of this paragraph, cut to it.
        size_t at = 0;
        if (paragraphStart == paragraphEnd)
            writeRun(out, p, {});
        for (const TextRun& run : text.runs()) {
            const size_t from = std::max(at, paragraphStart);
            const size_t to = std::min(at + run.length, paragraphEnd);
            // Images between the stretches of text.
            size_t piece = from;
            for (size_t k = from; k < to; ++k) {
                const InlineImage* image = s[k] == ObjectReplacement ? text.imageAt(k) : nullptr;
                if (!image)
                    continue;
                if (piece < k)
                    writeRun(out, run.format, std::u32string_view(s).substr(piece, k - piece));
                writeImage(out, *image, k, placed);
                piece = k + 1;
            }
            if (piece < to)
                writeRun(out, run.format, std::u32string_view(s).substr(piece, to - piece));
            at += run.length;
        }
        out += bullet ? "</LI>" : "</P>";
        if (spacing)
            out += "</TEXTFORMAT>";
        if (paragraphEnd >= s.size())
            break;
        paragraphStart = paragraphEnd + 1;
    }
    return out;
}

}  // namespace text
