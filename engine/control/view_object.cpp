// IViewObject: drawing the current picture into a container's device
// context. The stage is shown whole inside the bounds, centred; only the
// context's clip region is touched.
#include "control/flash_control.h"

#include "control/control_error.h"
#include "control/dc_target.h"

#include <cstring>

namespace control {

namespace {

swf::Rgba rgbaOf(COLORREF color) { return {GetRValue(color), GetGValue(color), GetBValue(color), 255}; }

// What the opaque aspect shows while no movie is loaded: the colour in the
// target's clip (inside the surface and the drawing bounds), as blue, green,
// red, 255. Nothing happens for an unusable target.
void fillBackground(const render::Target& target, swf::Rgba color) {
    if (render::validate(target) != render::TargetError::None)
        return;
    const uint32_t pixel = 0xFF000000u | uint32_t(color.r) << 16 | uint32_t(color.g) << 8 | uint32_t(color.b);
    for (const render::PixelRect& r : render::effectiveClip(target)) {
        for (int32_t y = r.top; y < r.bottom; ++y) {
            const int32_t row = target.rowOrder == render::RowOrder::TopDown ? y : target.height - 1 - y;
            uint8_t* line = target.pixels + size_t(row) * size_t(target.stride);
            for (int32_t x = r.left; x < r.right; ++x)
                std::memcpy(line + size_t(x) * 4, &pixel, 4);
        }
    }
}

}  // namespace

// DVASPECT_CONTENT and DVASPECT_OPAQUE paint the background colour first;
// DVASPECT_TRANSPARENT composes the movie over what the bitmap holds, so a
// container can tell covered pixels from uncovered ones. A context without a
// 32-bit DIB section (a new memory DC) has no pixels to reach: S_OK, nothing
// drawn. With no movie the opaque aspects paint the background colour.
HRESULT FlashControl::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL lprcBounds,
                           LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) try {
    render::Aspect aspect = render::Aspect::Opaque;
    switch (dwDrawAspect) {
    case DVASPECT_CONTENT:
    case DVASPECT_OPAQUE:
        aspect = render::Aspect::Opaque;
        break;
    case DVASPECT_TRANSPARENT:
        aspect = render::Aspect::Transparent;
        break;
    default:
        return reportError(DV_E_DVASPECT, u"the control draws only the content, opaque and transparent aspects");
    }
    if (hdcDraw == nullptr)
        return reportError(E_INVALIDARG, u"Draw needs a device context");
    RECT bounds = m_position;
    if (lprcBounds != nullptr)
        bounds = RECT{lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    else if (!m_inPlaceSite)
        return reportError(E_INVALIDARG, u"Draw needs bounds unless the control is active in place");
    m_lastDrawBounds = bounds;
    syncLayout();

    auto found = targetFromDc(hdcDraw, bounds);
    if (!found) {
        if (found.error() == DcProblem::NoPixels)
            return S_OK;
        return reportError(E_INVALIDARG, u"Draw was given something that is not a device context");
    }
    const render::Target& target = found.value();

    if (!m_stage) {
        if (aspect == render::Aspect::Opaque)
            fillBackground(target, rgbaOf(backgroundColor()));
        return S_OK;
    }
    switch (m_renderer.draw(*m_stage, target, aspect, renderQuality(m_quality))) {
    case render::DrawError::None:
        return S_OK;
    case render::DrawError::InvalidTarget:
        return reportError(E_INVALIDARG, u"the device context's bitmap cannot be drawn into");
    case render::DrawError::CairoFailed:
        break;
    }
    return reportError(VIEW_E_DRAW, u"drawing the movie failed (out of memory?)");
} catch (...) {
    return failureFromException(u"Draw");
}

// No palette: the movie's colours are true colours.
HRESULT FlashControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) try {
    if (ppColorSet == nullptr)
        return reportError(E_POINTER, u"GetColorSet needs a place for the result");
    *ppColorSet = nullptr;
    return S_FALSE;
} catch (...) {
    return failureFromException(u"GetColorSet");
}

HRESULT FlashControl::Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) try {
    if (pdwFreeze != nullptr)
        *pdwFreeze = 0;
    return notImplemented(u"IViewObject::Freeze");
} catch (...) {
    return failureFromException(u"Freeze");
}

HRESULT FlashControl::Unfreeze(DWORD) try { return notImplemented(u"IViewObject::Unfreeze"); } catch (...) {
    return failureFromException(u"Unfreeze");
}

HRESULT FlashControl::SetAdvise(DWORD, DWORD, IAdviseSink*) try {
    return notImplemented(u"IViewObject::SetAdvise");
} catch (...) {
    return failureFromException(u"SetAdvise");
}

HRESULT FlashControl::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) try {
    if (pAspects != nullptr)
        *pAspects = 0;
    if (pAdvf != nullptr)
        *pAdvf = 0;
    if (ppAdvSink != nullptr)
        *ppAdvSink = nullptr;
    return notImplemented(u"IViewObject::GetAdvise");
} catch (...) {
    return failureFromException(u"GetAdvise");
}

}  // namespace control
