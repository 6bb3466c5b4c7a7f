#include "control/quality_setting.h"

#include <algorithm>
#include <array>

namespace control {

namespace {

struct QualityEntry {
    QualityLevel level;
    std::u16string_view name;
    render::Quality quality;
    std::u16string_view scriptName;
};

// In the order of the numbers the Quality property uses.
constexpr std::array<QualityEntry, 6> Qualities{{
    {QualityLevel::Low, u"Low", render::Quality::Low, u"LOW"},
    {QualityLevel::High, u"High", render::Quality::High, u"HIGH"},
    {QualityLevel::AutoLow, u"AutoLow", render::Quality::Low, u"LOW"},
    {QualityLevel::AutoHigh, u"AutoHigh", render::Quality::High, u"HIGH"},
    {QualityLevel::Medium, u"Medium", render::Quality::Medium, u"MEDIUM"},
    {QualityLevel::Best, u"Best", render::Quality::Best, u"BEST"},
}};

char16_t lowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

const QualityEntry& entryOf(QualityLevel level) { return Qualities[size_t(qualityNumber(level))]; }

}  // namespace

bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char16_t x, char16_t y) { return lowerAscii(x) == lowerAscii(y); });
}

std::optional<QualityLevel> qualityFromName(std::u16string_view name) {
    for (const QualityEntry& entry : Qualities)
        if (equalsIgnoringAsciiCase(entry.name, name))
            return entry.level;
    return std::nullopt;
}

std::optional<QualityLevel> qualityFromNumber(int number) {
    if (number < 0 || number >= int(Qualities.size()))
        return std::nullopt;
    return Qualities[size_t(number)].level;
}

int qualityNumber(QualityLevel level) {
    for (size_t i = 0; i < Qualities.size(); ++i)
        if (Qualities[i].level == level)
            return int(i);
    return 1;
}

std::u16string_view qualityName(QualityLevel level) { return entryOf(level).name; }

render::Quality renderQuality(QualityLevel level) { return entryOf(level).quality; }

std::u16string_view scriptQualityName(QualityLevel level) { return entryOf(level).scriptName; }

}  // namespace control
