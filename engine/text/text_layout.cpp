#include "text/text_layout.h"

#include <algorithm>
#include <cmath>

namespace text {

namespace {

// Tab stops every this many twips when a paragraph sets none.
constexpr double DefaultTab = 720.0;

struct Item {
    char32_t code = 0;
    size_t run = 0;
    double advance = 0.0;
};

double runSize(const TextFormat& f) { return std::clamp(f.size.value_or(240.0), 0.0, 200000.0); }

double nextTab(double x, const TextFormat& p) {
    for (double stop : p.tabStops.value_or(std::vector<double>{})) {
        if (stop > x)
            return stop;
    }
    return (std::floor(x / DefaultTab) + 1.0) * DefaultTab;
}

// Widens the spaces between a line's words so that it fills `space`.
void justify(LaidLine& line, double space) {
    size_t last = line.glyphs.size();
    while (last > 0 && line.glyphs[last - 1].code == U' ')
        --last;
    size_t gaps = 0;
    for (size_t k = 0; k < last; ++k)
        gaps += line.glyphs[k].code == U' ' ? 1 : 0;
    const double extra = space - line.width;
    if (gaps == 0 || extra <= 0)
        return;
    size_t seen = 0;
    for (size_t k = 0; k < line.glyphs.size(); ++k) {
        line.glyphs[k].x += extra * double(seen) / double(gaps);
        if (k < last && line.glyphs[k].code == U' ')
            ++seen;
    }
    line.width = space;
}

// A floated image's box with its space, beside which lines are shortened.
struct Float {
    bool right = false;
    double width = 0.0;  // with hspace either side
    double top = 0.0;
    double bottom = 0.0;
};

// How far floats beside a line starting at `top` push its left and right
// edges in: floats on one side stand next to each other.
std::pair<double, double> insets(const std::vector<Float>& floats, double top) {
    double left = 0.0;
    double right = 0.0;
    for (const Float& f : floats) {
        if (top < f.top - 0.5 || top >= f.bottom)
            continue;
        (f.right ? right : left) += f.width;
    }
    return {left, right};
}

}  // namespace

TextLayout layoutText(const FormattedText& text, const FieldBox& box, const FaceResolver& faces,
                      const ImageSizer& sizes) {
    TextLayout out;
    const auto& runs = text.runs();
    out.faces.reserve(runs.size());
    for (const TextRun& run : runs)
        out.faces.push_back(faces(run.format));

    // The characters with their runs.
    std::vector<Item> items;
    {
        const size_t count = std::min(text.size(), MaxLaidCharacters);
        items.reserve(count);
        size_t at = 0;
        for (size_t r = 0; r < runs.size() && at < count; ++r) {
            for (size_t k = 0; k < runs[r].length && at < count; ++k, ++at) {
                char32_t c = text.text()[at];
                if (isParagraphEnd(c) && !box.multiline)
                    c = U' ';
                else if (box.password && !isParagraphEnd(c))
                    c = U'*';
                items.push_back({c, r, 0.0});
            }
        }
    }

    double top = box.yMin + Gutter;
    std::vector<Float> floats;
    size_t start = 0;
    while (true) {
        size_t end = start;
        while (end < items.size() && !isParagraphEnd(items[end].code))
            ++end;
        const TextFormat p = start < items.size() ? runs[items[start].run].format
                                                  : (runs.empty() ? defaultFormat() : runs.back().format);
        const bool bullet = p.bullet.value_or(false);
        const double bulletIndent = bullet ? runSize(p) * 1.5 : 0.0;
        const double left = box.xMin + Gutter + p.leftMargin.value_or(0.0) + p.blockIndent.value_or(0.0) + bulletIndent;
        const double right = box.xMax - Gutter - p.rightMargin.value_or(0.0);

        // A line's ascent and descent from the runs of its glyphs; an empty
        // line keeps the height of its paragraph's format.
        auto lineExtent = [&](const LaidLine& line) {
            double ascent = 0.0;
            double descent = 0.0;
            auto measure = [&](size_t run) {
                const double size = runSize(runs[run].format);
                ascent = std::max(ascent, out.faces[run]->ascent() * size);
                descent = std::max(descent, out.faces[run]->descent() * size);
            };
            for (const LaidGlyph& g : line.glyphs)
                measure(g.run);
            if (line.glyphs.empty()) {
                const size_t run = start < items.size() ? items[start].run : runs.size();
                if (run < runs.size())
                    measure(run);
                else if (!runs.empty())
                    measure(runs.size() - 1);
                else
                    ascent = runSize(p) * 0.9, descent = runSize(p) * 0.2;
            }
            return std::pair{ascent, descent};
        };
        auto lineHeight = [&](const LaidLine& line) {
            const auto [ascent, descent] = lineExtent(line);
            return ascent + descent + p.leading.value_or(0.0);
        };

        // Advances, with letter spacing and kerning of pairs in one run.
        for (size_t k = start; k < end; ++k) {
            Item& it = items[k];
            const TextFormat& f = runs[it.run].format;
            const Face& face = *out.faces[it.run];
            const double size = runSize(f);
            const auto glyph = face.glyph(it.code);
            it.advance = (glyph ? glyph->advance : 0.0) * size + f.letterSpacing.value_or(0.0);
            // A floated image takes no room on its line.
            if (it.code == ObjectReplacement && text.imageAt(k))
                it.advance = 0.0;
            if (k + 1 < end && items[k + 1].run == it.run && f.kerning.value_or(false))
                it.advance += face.kerning(it.code, items[k + 1].code) * size;
            if (!std::isfinite(it.advance))
                it.advance = 0.0;
        }

        // The paragraph's images float from its first line's top, each
        // beside the ones before it on its side.
        for (size_t k = start; k < end; ++k) {
            const InlineImage* image = items[k].code == ObjectReplacement ? text.imageAt(k) : nullptr;
            if (!image)
                continue;
            const bool onRight = image->align == ImageAlign::Right;
            const auto [inLeft, inRight] = insets(floats, top);
            double width = image->width;
            double height = image->height;
            if ((width <= 0 || height <= 0) && sizes) {
                const ImageSize natural = sizes(k, *image);
                auto usable = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, MaxImageSide) : 0.0; };
                if (width <= 0)
                    width = usable(natural.width);
                if (height <= 0)
                    height = usable(natural.height);
            }
            const double outer = width + 2 * image->hspace;
            const double x = onRight ? right - inRight - outer + image->hspace : left + inLeft + image->hspace;
            out.images.push_back({k, x, top + image->vspace, width, height});
            floats.push_back({onRight, outer, top, top + height + 2 * image->vspace});
        }

        // Fill lines: words with their trailing spaces; a word wider than a
        // line breaks where it must. Lines beside floats are shorter; the
        // top of the line being filled is followed to know which it passes.
        std::vector<LaidLine> lines(1);
        lines.back().begin = start;
        double indent = p.indent.value_or(0.0);
        double x = 0.0;
        double fillTop = top;
        auto limit = [&] {
            const auto [inLeft, inRight] = insets(floats, fillTop);
            return right - left - indent - inLeft - inRight;
        };
        auto newLine = [&](size_t from) {
            fillTop += lineHeight(lines.back());
            lines.emplace_back();
            lines.back().begin = from;
            x = 0.0;
            indent = 0.0;
        };
        auto place = [&](size_t k) {
            Item& it = items[k];
            if (it.code == U'\t') {
                it.advance = std::max(0.0, nextTab(x + indent, p) - indent - x);
            }
            lines.back().glyphs.push_back({it.code, x, it.run, k, it.advance});
            x += it.advance;
            if (it.code != U' ' && it.code != U'\t')
                lines.back().width = x;
        };
        size_t k = start;
        while (k < end) {
            size_t wordEnd = k;
            double solid = 0.0;
            while (wordEnd < end && items[wordEnd].code != U' ' && items[wordEnd].code != U'\t')
                solid += items[wordEnd++].advance;
            if (box.wordWrap && !lines.back().glyphs.empty() && x + solid > limit())
                newLine(k);
            const bool startsLine = lines.back().glyphs.empty();
            for (; k < wordEnd; ++k) {
                if (box.wordWrap && startsLine && !lines.back().glyphs.empty() && x + items[k].advance > limit())
                    newLine(k);
                place(k);
            }
            while (k < end && (items[k].code == U' ' || items[k].code == U'\t'))
                place(k++);
        }

        // Heights and alignment.
        for (size_t n = 0; n < lines.size(); ++n) {
            LaidLine& line = lines[n];
            const auto [ascent, descent] = lineExtent(line);
            line.end = line.glyphs.empty() ? line.begin : line.glyphs.back().index + 1;
            line.top = top;
            line.baseline = top + ascent;
            line.height = ascent + descent + p.leading.value_or(0.0);
            top += line.height;
            const auto [inLeft, inRight] = insets(floats, line.top);
            const double from = left + inLeft + (n == 0 ? p.indent.value_or(0.0) : 0.0);
            const double space = right - inRight - from;
            const Align align = p.align.value_or(Align::Left);
            line.left = align == Align::Right    ? from + space - line.width
                        : align == Align::Center ? from + (space - line.width) / 2.0
                                                 : from;
            for (LaidGlyph& g : line.glyphs)
                g.x += line.left;
            // Justified lines but the paragraph's last spread their spaces.
            if (align == Align::Justify && n + 1 < lines.size())
                justify(line, space);
            if (bullet && n == 0 && (start < items.size() || !runs.empty())) {
                line.bulletRun = start < items.size() ? items[start].run : runs.size() - 1;
                line.bulletX = left - bulletIndent + runSize(p) * 0.5;
            }
            out.textWidth = std::max(out.textWidth, line.width);
            out.lines.push_back(std::move(line));
        }
        if (end >= items.size())
            break;
        start = end + 1;
    }
    // Images below the last line still count in the text's height.
    for (const Float& f : floats)
        top = std::max(top, f.bottom);
    out.textHeight = top - (box.yMin + Gutter);
    return out;
}

int maxScroll(const TextLayout& layout, const FieldBox& box) {
    const double visible = box.yMax - box.yMin - 2 * Gutter;
    double below = 0.0;
    size_t first = layout.lines.size();
    while (first > 0 && below + layout.lines[first - 1].height <= visible + 0.5) {
        below += layout.lines[first - 1].height;
        --first;
    }
    // A line taller than the field still scrolls to itself.
    if (first == layout.lines.size() && first > 0)
        --first;
    return int(first) + 1;
}

int bottomScroll(const TextLayout& layout, const FieldBox& box, int scroll) {
    const double visible = box.yMax - box.yMin - 2 * Gutter;
    const size_t from = size_t(std::clamp(scroll, 1, std::max(1, int(layout.lines.size())))) - 1;
    double used = 0.0;
    size_t last = from;
    for (size_t n = from; n < layout.lines.size(); ++n) {
        if (used + layout.lines[n].height > visible + 0.5 && n > from)
            break;
        used += layout.lines[n].height;
        last = n;
    }
    return int(last) + 1;
}

}  // namespace text
