// ScaleMode, Scale, AlignMode and SAlign: how the stage sits in the shown
// rectangle. They belong to the control and carry over to the next movie;
// a movie's Stage.scaleMode and Stage.align change them too.
#include "control/flash_control.h"

#include "control/bstr_text.h"
#include "control/control_error.h"

#include <algorithm>
#include <array>

namespace control {

namespace {

constexpr std::array<std::u16string_view, 4> ScaleNames = {u"ShowAll", u"NoBorder", u"ExactFit", u"NoScale"};

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

bool equalsFolded(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return upper(x) == upper(y); });
}

}  // namespace

void FlashControl::syncLayout() {
    if (m_stage) {
        m_layout.scaleMode = m_stage->layout().scaleMode;
        m_layout.align = m_stage->layout().align;
    }
    const RECT bounds = shownBounds();
    m_layout.surfaceWidth = std::max<int32_t>(0, bounds.right - bounds.left);
    m_layout.surfaceHeight = std::max<int32_t>(0, bounds.bottom - bounds.top);
    if (m_stage && !(m_stage->layout() == m_layout))
        m_stage->setLayout(m_layout);  // the next changes published draw everything
}

HRESULT FlashControl::get_ScaleMode(INT* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"ScaleMode needs a place for the result");
    syncLayout();
    *pVal = INT(m_layout.scaleMode);
    return S_OK;
} catch (...) {
    return failureFromException(u"get_ScaleMode");
}

// 0 show all, 1 no border, 2 exact fit, 3 no scale.
HRESULT FlashControl::put_ScaleMode(INT pVal) try {
    if (pVal < 0 || pVal > 3)
        return reportError(E_INVALIDARG, u"ScaleMode is 0 (show all) to 3 (no scale)");
    syncLayout();
    m_layout.scaleMode = model::ScaleMode(pVal);
    if (m_stage)
        m_stage->setLayout(m_layout);
    invalidateAll();
    return S_OK;
} catch (...) {
    return failureFromException(u"put_ScaleMode");
}

HRESULT FlashControl::get_Scale(BSTR* pVal) try {
    syncLayout();
    return returnBstr(ScaleNames[size_t(m_layout.scaleMode)], pVal, u"Scale");
} catch (...) {
    return failureFromException(u"get_Scale");
}

HRESULT FlashControl::put_Scale(BSTR pVal) try {
    const std::u16string_view name = bstrView(pVal);
    for (size_t i = 0; i < ScaleNames.size(); ++i)
        if (equalsFolded(name, ScaleNames[i]))
            return put_ScaleMode(INT(i));
    return reportError(E_INVALIDARG, u"Scale is ShowAll, NoBorder, ExactFit or NoScale");
} catch (...) {
    return failureFromException(u"put_Scale");
}

HRESULT FlashControl::get_AlignMode(INT* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"AlignMode needs a place for the result");
    syncLayout();
    *pVal = INT(m_layout.align);
    return S_OK;
} catch (...) {
    return failureFromException(u"get_AlignMode");
}

// Bits: 1 left, 2 right, 4 top, 8 bottom; none centres.
HRESULT FlashControl::put_AlignMode(INT pVal) try {
    if (pVal < 0 || pVal > model::align::All)
        return reportError(E_INVALIDARG, u"AlignMode is a combination of 1 (left), 2 (right), 4 (top), 8 (bottom)");
    syncLayout();
    m_layout.align = uint8_t(pVal);
    if (m_stage)
        m_stage->setLayout(m_layout);
    invalidateAll();
    return S_OK;
} catch (...) {
    return failureFromException(u"put_AlignMode");
}

// "T", "B", "L", "R" and their pairs ("TL", "BR"), in any order and case.
HRESULT FlashControl::get_SAlign(BSTR* pVal) try {
    syncLayout();
    std::u16string text;
    if ((m_layout.align & model::align::Top) != 0)
        text += u'T';
    if ((m_layout.align & model::align::Bottom) != 0)
        text += u'B';
    if ((m_layout.align & model::align::Left) != 0)
        text += u'L';
    if ((m_layout.align & model::align::Right) != 0)
        text += u'R';
    return returnBstr(text, pVal, u"SAlign");
} catch (...) {
    return failureFromException(u"get_SAlign");
}

HRESULT FlashControl::put_SAlign(BSTR pVal) try {
    INT bits = 0;
    for (const char16_t c : bstrView(pVal)) {
        switch (upper(c)) {
        case u'L':
            bits |= model::align::Left;
            break;
        case u'R':
            bits |= model::align::Right;
            break;
        case u'T':
            bits |= model::align::Top;
            break;
        case u'B':
            bits |= model::align::Bottom;
            break;
        default:
            return reportError(E_INVALIDARG, u"SAlign takes the letters T, B, L and R");
        }
    }
    return put_AlignMode(bits);
} catch (...) {
    return failureFromException(u"put_SAlign");
}

}  // namespace control
