#include "render/text_layout.h"

#include "swf/bit_reader.h"

#include <algorithm>
#include <cctype>

namespace render {

namespace {

bool isBreak(char32_t c) { return c == U'\n' || c == U'\r'; }

struct Word {
    std::u32string chars;
    double width = 0.0;
};

}  // namespace

std::u32string decodeUtf8(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto c = uint8_t(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        bool ok = i + size_t(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto cc = uint8_t(text[i + size_t(k)]);
            if ((cc & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return out;
}

void encodeUtf8(char32_t cp, char (&out)[5]) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        cp = 0xFFFD;
    std::string bytes;  // at most four: no allocation
    swf::appendUtf8(bytes, uint32_t(cp));
    out[0] = out[1] = out[2] = out[3] = out[4] = 0;
    std::copy(bytes.begin(), bytes.end(), out);
}

std::string stripHtml(const std::string& html) {
    std::string out;
    size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            const size_t close = html.find('>', i);
            if (close == std::string::npos)
                break;
            std::string tag = html.substr(i + 1, close - i - 1);
            std::transform(tag.begin(), tag.end(), tag.begin(),
                           [](unsigned char ch) { return char(std::tolower(ch)); });
            if (tag.rfind("br", 0) == 0 || tag == "/p" || tag == "/li")
                out.push_back('\n');
            i = close + 1;
            continue;
        }
        if (c == '&') {
            static constexpr std::pair<const char*, char> Entities[] = {
                {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&nbsp;", ' '}};
            bool matched = false;
            for (const auto& [name, ch] : Entities) {
                if (html.compare(i, std::char_traits<char>::length(name), name) == 0) {
                    out.push_back(ch);
                    i += std::char_traits<char>::length(name);
                    matched = true;
                    break;
                }
            }
            if (matched)
                continue;
        }
        out.push_back(c);
        ++i;
    }
    // A last paragraph's end adds no empty line.
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::vector<TextLine> layoutText(const swf::EditText& field, const std::u32string& text, const TextMetrics& metrics) {
    const double left = field.bounds.xMin + TextGutter + field.leftMargin;
    const double right = field.bounds.xMax - TextGutter - double(field.rightMargin);
    const double lineStep = metrics.ascent + metrics.descent + field.leading;
    auto advance = [&](char32_t c) { return std::max(0.0, metrics.advance(c)); };

    // Paragraphs: split at new lines in multiline fields.
    std::vector<std::u32string> paragraphs(1);
    for (char32_t c : text) {
        if (isBreak(c)) {
            if (field.multiline)
                paragraphs.emplace_back();
            else
                paragraphs.back().push_back(U' ');
            continue;
        }
        paragraphs.back().push_back(c);
    }

    std::vector<TextLine> lines;
    std::vector<double> indents;  // per line: the paragraph's indent on its first line
    for (const std::u32string& paragraph : paragraphs) {
        TextLine line;
        double x = 0.0;
        double indent = field.indent;
        auto finishLine = [&] {
            lines.push_back(std::move(line));
            indents.push_back(indent);
            line = TextLine{};
            x = 0.0;
            indent = 0.0;
        };
        auto limit = [&] { return right - left - indent; };

        // Words with the spaces that follow them.
        std::vector<Word> words;
        for (char32_t c : paragraph) {
            if (words.empty() || (words.back().chars.back() == U' ' && c != U' '))
                words.emplace_back();
            words.back().chars.push_back(c);
            words.back().width += advance(c);
        }
        for (const Word& word : words) {
            // The word without its trailing spaces decides whether it fits.
            double solid = word.width;
            for (auto it = word.chars.rbegin(); it != word.chars.rend() && *it == U' '; ++it)
                solid -= advance(*it);
            if (field.wordWrap && !line.chars.empty() && x + solid > limit())
                finishLine();
            const bool startsLine = line.chars.empty();
            for (char32_t c : word.chars) {
                const double w = advance(c);
                // A word longer than a whole line breaks where it must.
                if (field.wordWrap && startsLine && c != U' ' && !line.chars.empty() && x + w > limit())
                    finishLine();
                line.chars.push_back({c, x});
                x += w;
                if (c != U' ')
                    line.width = x;
            }
        }
        finishLine();
    }

    for (size_t i = 0; i < lines.size(); ++i) {
        TextLine& line = lines[i];
        line.baseline = field.bounds.yMin + TextGutter + metrics.ascent + double(i) * lineStep;
        const double from = left + indents[i];
        const double space = right - from;
        double start = from;
        if (field.align == swf::TextAlign::Right)
            start = from + space - line.width;
        else if (field.align == swf::TextAlign::Center)
            start = from + (space - line.width) / 2.0;
        for (PlacedChar& c : line.chars)
            c.x += start;
    }
    return lines;
}

}  // namespace render
