// How the movie is shown: quality, window mode and background colour.
#include "control/flash_control.h"

#include "control/bstr_text.h"
#include "control/control_error.h"

#include <array>

namespace control {

namespace {

// Window modes a container may ask for. We are always windowless and draw
// the same in every mode; the mode is kept for the container to read back.
constexpr std::array<std::u16string_view, 5> WindowModes{u"Window", u"Opaque", u"Transparent", u"Direct", u"GPU"};

COLORREF colorRefOf(swf::Rgba color) { return RGB(color.r, color.g, color.b); }

swf::Rgba rgbaOf(COLORREF color) { return {GetRValue(color), GetGValue(color), GetBValue(color), 255}; }

// The movie's own background: its first SetBackgroundColor, else white.
swf::Rgba movieBackground(const model::Stage& stage) {
    return stage.movie().backgroundColor.value_or(swf::Rgba{255, 255, 255, 255});
}

}  // namespace

HRESULT FlashControl::get_Quality(INT* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"Quality needs a place for the result");
    *pVal = qualityNumber(m_quality);
    return S_OK;
} catch (...) {
    return failureFromException(u"get_Quality");
}

HRESULT FlashControl::put_Quality(INT pVal) try {
    const auto level = qualityFromNumber(pVal);
    if (!level)
        return reportError(E_INVALIDARG,
                           u"Quality takes 0 (Low), 1 (High), 2 (AutoLow), 3 (AutoHigh), "
                           u"4 (Medium) or 5 (Best)");
    KeepAlive alive(*this);
    setQuality(*level);
    return S_OK;
} catch (...) {
    return failureFromException(u"put_Quality");
}

HRESULT FlashControl::get_Quality2(BSTR* pVal) try {
    return returnBstr(qualityName(m_quality), pVal, u"Quality2");
} catch (...) {
    return failureFromException(u"get_Quality2");
}

HRESULT FlashControl::put_Quality2(BSTR pVal) try {
    const auto level = qualityFromName(bstrView(pVal));
    if (!level)
        return reportError(E_INVALIDARG,
                           u"Quality2 takes \"Low\", \"Medium\", \"High\", \"Best\", \"AutoLow\" or \"AutoHigh\"");
    KeepAlive alive(*this);
    setQuality(*level);
    return S_OK;
} catch (...) {
    return failureFromException(u"put_Quality2");
}

void FlashControl::setQuality(QualityLevel level) {
    if (level == m_quality)
        return;
    m_quality = level;
    // The player has one quality: scripts of either machine read it.
    if (m_engine)
        m_engine->setQuality(scriptQualityName(level));
    if (m_player)
        m_player->setQuality(scriptQualityName(level));
    invalidateAll();
}

void FlashControl::takeScriptQuality(std::u16string_view name) {
    // A script's "HIGH" leaves AutoHigh as it is.
    const auto level = qualityFromName(name);
    if (level && scriptQualityName(m_quality) != name)
        setQuality(*level);
}

HRESULT FlashControl::get_WMode(BSTR* pVal) try { return returnBstr(m_windowMode, pVal, u"WMode"); } catch (...) {
    return failureFromException(u"get_WMode");
}

HRESULT FlashControl::put_WMode(BSTR pVal) try {
    const std::u16string_view mode = bstrView(pVal);
    for (const std::u16string_view known : WindowModes) {
        if (equalsIgnoringAsciiCase(known, mode)) {
            m_windowMode = std::u16string(known);
            return S_OK;
        }
    }
    return reportError(E_INVALIDARG, u"WMode takes \"Window\", \"Opaque\", \"Transparent\", \"Direct\" or \"GPU\"");
} catch (...) {
    return failureFromException(u"put_WMode");
}

// 0x00BBGGRR, the platform's COLORREF, so a container's brush of this value
// fills with the movie's own colour.
HRESULT FlashControl::get_BackgroundColor(LONG* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"BackgroundColor needs a place for the result");
    *pVal = LONG(backgroundColor());
    return S_OK;
} catch (...) {
    return failureFromException(u"get_BackgroundColor");
}

// -1 gives the movie its own colour back; any other value (its low 24 bits,
// 0x00BBGGRR) replaces it, for this movie and the ones loaded later.
HRESULT FlashControl::put_BackgroundColor(LONG pVal) try {
    KeepAlive alive(*this);
    if (pVal == -1)
        m_backgroundOverride.reset();
    else
        m_backgroundOverride = COLORREF(pVal) & 0x00FFFFFFu;
    if (m_stage) {
        applyBackground();
        publishChanges();
    } else {
        invalidateAll();
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"put_BackgroundColor");
}

COLORREF FlashControl::backgroundColor() const {
    if (m_backgroundOverride)
        return *m_backgroundOverride;
    if (m_stage)
        return colorRefOf(m_stage->backgroundColor());
    return DefaultBackground;
}

void FlashControl::applyBackground() {
    if (!m_stage)
        return;
    m_stage->setBackgroundColor(m_backgroundOverride ? rgbaOf(*m_backgroundOverride) : movieBackground(*m_stage));
}

}  // namespace control
