#include "text/formatted_text.h"

#include "moviehost/utf.h"

#include <algorithm>

namespace text {

namespace {

TextFormat completed(const TextFormat& format) {
    TextFormat f = defaultFormat();
    f.apply(format);
    return f;
}

TextFormat paragraphPart(const TextFormat& f) {
    TextFormat p;
    p.align = f.align;
    p.leftMargin = f.leftMargin;
    p.rightMargin = f.rightMargin;
    p.indent = f.indent;
    p.blockIndent = f.blockIndent;
    p.leading = f.leading;
    p.bullet = f.bullet;
    p.tabStops = f.tabStops;
    return p;
}

TextFormat characterPart(TextFormat f) {
    f.align.reset();
    f.leftMargin.reset();
    f.rightMargin.reset();
    f.indent.reset();
    f.blockIndent.reset();
    f.leading.reset();
    f.bullet.reset();
    f.tabStops.reset();
    return f;
}

}  // namespace

bool isParagraphEnd(char32_t c) { return c == U'\r' || c == U'\n'; }

FormattedText::FormattedText(std::u32string text, const TextFormat& format) { append(text, format); }

void FormattedText::append(std::u32string_view text, const TextFormat& format) {
    if (text.empty())
        return;
    m_text.append(text);
    TextFormat f = completed(format);
    if (!m_runs.empty() && m_runs.back().format == f)
        m_runs.back().length += text.size();
    else
        m_runs.push_back({text.size(), std::move(f)});
}

void FormattedText::appendImage(InlineImage image, const TextFormat& format) {
    const size_t at = m_text.size();
    append(std::u32string_view(&ObjectReplacement, 1), format);
    m_images.emplace_back(at, std::move(image));
}

const InlineImage* FormattedText::imageAt(size_t index) const {
    const auto found = std::lower_bound(m_images.begin(), m_images.end(), index,
                                        [](const auto& entry, size_t i) { return entry.first < i; });
    return found != m_images.end() && found->first == index ? &found->second : nullptr;
}

void FormattedText::applyFormat(size_t begin, size_t end, const TextFormat& format) {
    end = std::min(end, m_text.size());
    if (begin >= end)
        return;
    // Widen to whole paragraphs for the paragraph members.
    size_t paraBegin = begin;
    while (paraBegin > 0 && !isParagraphEnd(m_text[paraBegin - 1]))
        --paraBegin;
    size_t paraEnd = end;
    while (paraEnd < m_text.size() && !isParagraphEnd(m_text[paraEnd - 1]))
        ++paraEnd;
    const TextFormat chars = characterPart(format);
    const TextFormat paragraph = paragraphPart(format);

    std::vector<TextRun> split;
    size_t at = 0;
    auto cut = [&](size_t from, size_t to, const TextFormat& base) {
        if (from >= to)
            return;
        TextFormat f = base;
        if (from >= begin && to <= end)
            f.apply(chars);
        if (from >= paraBegin && to <= paraEnd)
            f.apply(paragraph);
        split.push_back({to - from, std::move(f)});
    };
    for (const TextRun& run : m_runs) {
        const size_t runEnd = at + run.length;
        size_t bounds[] = {at,
                           std::clamp(paraBegin, at, runEnd),
                           std::clamp(begin, at, runEnd),
                           std::clamp(end, at, runEnd),
                           std::clamp(paraEnd, at, runEnd),
                           runEnd};
        std::sort(std::begin(bounds), std::end(bounds));
        for (size_t i = 0; i + 1 < std::size(bounds); ++i)
            cut(bounds[i], bounds[i + 1], run.format);
        at = runEnd;
    }
    m_runs = std::move(split);
    merge();
}

void FormattedText::replace(size_t begin, size_t end, std::u32string_view text, const TextFormat& format) {
    end = std::min(end, m_text.size());
    begin = std::min(begin, end);
    std::vector<TextRun> runs;
    runs.reserve(m_runs.size() + 2);
    size_t at = 0;
    bool inserted = false;
    auto insert = [&] {
        if (!inserted && !text.empty())
            runs.push_back({text.size(), completed(format)});
        inserted = true;
    };
    for (TextRun& run : m_runs) {
        const size_t runEnd = at + run.length;
        const size_t keepBefore = std::clamp(begin, at, runEnd) - at;
        const size_t keepAfter = runEnd - std::clamp(end, at, runEnd);
        if (keepBefore > 0)
            runs.push_back({keepBefore, run.format});
        if (runEnd >= begin)
            insert();
        if (keepAfter > 0)
            runs.push_back({keepAfter, std::move(run.format)});
        at = runEnd;
    }
    insert();
    m_text.replace(begin, end - begin, text);
    m_runs = std::move(runs);
    // Images in the range go; those after it move with their characters.
    std::erase_if(m_images, [&](const auto& entry) { return entry.first >= begin && entry.first < end; });
    for (auto& entry : m_images) {
        if (entry.first >= end)
            entry.first = entry.first - (end - begin) + text.size();
    }
    merge();
}

void FormattedText::merge() {
    std::vector<TextRun> merged;
    for (TextRun& run : m_runs) {
        if (run.length == 0)
            continue;
        if (!merged.empty() && merged.back().format == run.format)
            merged.back().length += run.length;
        else
            merged.push_back(std::move(run));
    }
    m_runs = std::move(merged);
}

TextFormat FormattedText::formatAt(size_t index) const {
    size_t at = 0;
    for (const TextRun& run : m_runs) {
        if (index < at + run.length)
            return run.format;
        at += run.length;
    }
    return m_runs.empty() ? defaultFormat() : m_runs.back().format;
}

TextFormat FormattedText::formatOf(size_t begin, size_t end) const {
    end = std::min(end, m_text.size());
    if (begin >= end)
        return formatAt(begin > 0 ? begin - 1 : 0);
    std::optional<TextFormat> common;
    size_t at = 0;
    for (const TextRun& run : m_runs) {
        const size_t runEnd = at + run.length;
        if (runEnd > begin && at < end) {
            if (common)
                common->intersect(run.format);
            else
                common = run.format;
        }
        at = runEnd;
    }
    return common.value_or(defaultFormat());
}

// Each byte of a bad sequence is its own U+FFFD here, so a field keeps one
// replacement character per byte it could not read.
std::u32string fromUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto c = uint8_t(text[i]);
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        char32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
        bool ok = extra >= 0 && i + size_t(extra) < text.size() + (extra == 0 ? 1 : 0);
        for (int k = 1; ok && k <= extra; ++k) {
            const auto cc = uint8_t(text[i + size_t(k)]);
            ok = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return out;
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text)
        moviehost::appendUtf8(out, cp);
    return out;
}

}  // namespace text
