#include "text/text_renderer.h"

#include <algorithm>
#include <cmath>

namespace text {

std::optional<DisplayMode> displayModeNamed(std::u16string_view name) {
    if (name == u"default")
        return DisplayMode::Default;
    if (name == u"lcd")
        return DisplayMode::Lcd;
    if (name == u"crt")
        return DisplayMode::Crt;
    return std::nullopt;
}

std::u16string_view displayModeName(DisplayMode mode) {
    switch (mode) {
    case DisplayMode::Lcd:
        return u"lcd";
    case DisplayMode::Crt:
        return u"crt";
    case DisplayMode::Default:
        break;
    }
    return u"default";
}

std::optional<ColorType> colorTypeNamed(std::u16string_view name) {
    if (name == u"dark")
        return ColorType::Dark;
    if (name == u"light")
        return ColorType::Light;
    return std::nullopt;
}

ColorType colorTypeOf(uint32_t rgb) {
    const double luma = 0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF);
    return luma > 127.5 ? ColorType::Light : ColorType::Dark;
}

std::optional<FontStyle> fontStyleNamed(std::u16string_view name) {
    if (name == u"regular")
        return FontStyle{false, false};
    if (name == u"bold")
        return FontStyle{true, false};
    if (name == u"italic")
        return FontStyle{false, true};
    if (name == u"boldItalic")
        return FontStyle{true, true};
    return std::nullopt;
}

void TextRendererSettings::setDisplayMode(DisplayMode mode) {
    if (mode != m_displayMode)
        ++m_version;
    m_displayMode = mode;
}

bool TextRendererSettings::setMaxLevel(int level) {
    if (level != 3 && level != 4 && level != 7)
        return false;
    if (level != m_maxLevel)
        ++m_version;
    m_maxLevel = level;
    return true;
}

double TextRendererSettings::toleranceScale() const {
    switch (m_maxLevel) {
    case 3:
        return 5.0;
    case 7:
        return 0.2;
    default:
        return 1.0;
    }
}

bool TextRendererSettings::setTable(std::string_view fontName, FontStyle style, ColorType color,
                                    std::vector<CsmSettings> rows) {
    if (rows.size() > MaxRows)
        return false;
    std::erase_if(rows, [](const CsmSettings& r) {
        return !std::isfinite(r.fontSize) || !std::isfinite(r.insideCutoff) || !std::isfinite(r.outsideCutoff);
    });
    Key key{std::string(fontName), style.bold, style.italic, color};
    if (rows.empty()) {
        if (m_tables.erase(key))
            ++m_version;
        return true;
    }
    if (m_tables.size() >= MaxTables && !m_tables.contains(key))
        return false;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CsmSettings& a, const CsmSettings& b) { return a.fontSize < b.fontSize; });
    m_tables[std::move(key)] = std::move(rows);
    ++m_version;
    return true;
}

std::optional<Cutoffs> TextRendererSettings::cutoffs(std::string_view fontName, FontStyle style, ColorType color,
                                                     double pixelSize) const {
    if (m_tables.empty())
        return std::nullopt;
    const auto it = m_tables.find(Key{std::string(fontName), style.bold, style.italic, color});
    if (it == m_tables.end())
        return std::nullopt;
    const std::vector<CsmSettings>& rows = it->second;
    auto of = [](const CsmSettings& r) { return Cutoffs{r.insideCutoff, r.outsideCutoff}; };
    if (!(pixelSize > rows.front().fontSize))
        return of(rows.front());
    if (pixelSize >= rows.back().fontSize)
        return of(rows.back());
    const auto above = std::upper_bound(rows.begin(), rows.end(), pixelSize,
                                        [](double size, const CsmSettings& r) { return size < r.fontSize; });
    const CsmSettings& hi = *above;
    const CsmSettings& lo = *(above - 1);
    const double t = hi.fontSize > lo.fontSize ? (pixelSize - lo.fontSize) / (hi.fontSize - lo.fontSize) : 1.0;
    return Cutoffs{lo.insideCutoff + t * (hi.insideCutoff - lo.insideCutoff),
                   lo.outsideCutoff + t * (hi.outsideCutoff - lo.outsideCutoff)};
}

}  // namespace text
