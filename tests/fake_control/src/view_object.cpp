// IViewObject of the fake control: Draw paints the known picture described in
// fake_control.h into the 32-bit DIB section selected into the context, only
// where the bounds, the bitmap and the context's clip region all allow.
#include "control_object.h"

#include "call_text.h"

#include "platform/gdi.h"

#include <algorithm>
#include <vector>

namespace fake_control {

namespace {

struct Surface {
    BYTE* bits = nullptr;
    LONG width = 0;
    LONG height = 0;
    bool topDown = false;

    [[nodiscard]] BYTE* pixel(LONG x, LONG y) const {
        const LONG row = topDown ? y : height - 1 - y;
        return bits +
               (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    }
};

// The bitmap selected into the context, if it is a 32-bit DIB section.
bool surfaceOf(HDC hdc, Surface& surface) {
    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(hdc, OBJ_BITMAP));
    if (bitmap == nullptr)
        return false;
    DIBSECTION section = {};
    if (GetObjectW(bitmap, sizeof section, &section) != static_cast<int>(sizeof section))
        return false;
    if (section.dsBm.bmBits == nullptr || section.dsBm.bmBitsPixel != 32 || section.dsBmih.biWidth <= 0 ||
        section.dsBmih.biHeight == 0)
        return false;
    surface.bits = static_cast<BYTE*>(section.dsBm.bmBits);
    surface.width = section.dsBmih.biWidth;
    surface.topDown = section.dsBmih.biHeight < 0;
    surface.height = surface.topDown ? -section.dsBmih.biHeight : section.dsBmih.biHeight;
    return true;
}

// The rectangles of the context's clip region; the whole surface when the
// context has none.
std::vector<RECT> clipRects(HDC hdc, const Surface& surface) {
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    std::vector<RECT> rects;
    if (region == nullptr)
        return rects;
    const int hasClip = GetClipRgn(hdc, region);
    if (hasClip == 0) {
        rects.push_back(RECT{0, 0, surface.width, surface.height});
    } else if (hasClip == 1) {
        const DWORD size = GetRegionData(region, 0, nullptr);
        if (size >= sizeof(RGNDATAHEADER)) {
            std::vector<unsigned char> buffer(size);
            auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
            if (GetRegionData(region, size, data) == size) {
                const auto* first = reinterpret_cast<const RECT*>(data->Buffer);
                rects.assign(first, first + data->rdh.nCount);
            }
        }
    }
    DeleteObject(region);
    return rects;
}

RECT intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

BYTE blend(BYTE source, BYTE old, unsigned coverage) {
    return static_cast<BYTE>((source * coverage + old * (255u - coverage)) / 255u);
}

}  // namespace

HRESULT ControlObject::Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                            HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                            BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue), ULONG_PTR dwContinue) {
    const Invocation call = begin(
        "Draw",
        text::args(text::number(static_cast<long long>(dwDrawAspect)), text::number(static_cast<long long>(lindex)),
                   text::pointer(pvAspect), text::pointer(ptd), text::pointer(hdcTargetDev),
                   hdcDraw == nullptr ? std::string("null") : std::string("hdc"), text::rect(lprcBounds),
                   text::rect(lprcWBounds), pfnContinue == nullptr ? std::string("null") : std::string("fn"),
                   text::number(static_cast<long long>(dwContinue))));
    if (call.refused())
        return finish(call);
    const bool opaque = dwDrawAspect == DVASPECT_CONTENT || dwDrawAspect == DVASPECT_OPAQUE;
    if (!opaque && dwDrawAspect != DVASPECT_TRANSPARENT)
        return finish(Invocation{call.method, DV_E_DVASPECT, false});
    if (hdcDraw == nullptr || lprcBounds == nullptr)
        return finish(Invocation{call.method, E_INVALIDARG, false});
    Surface surface;
    if (!surfaceOf(hdcDraw, surface))
        return finish(Invocation{call.method, VIEW_E_DRAW, false});

    const unsigned counter = ++m_state.drawCount;
    const RECT bounds{lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    const RECT limit = intersect(bounds, RECT{0, 0, surface.width, surface.height});
    for (const RECT& clip : clipRects(hdcDraw, surface)) {
        const RECT area = intersect(limit, clip);
        for (LONG y = area.top; y < area.bottom; ++y) {
            for (LONG x = area.left; x < area.right; ++x) {
                const LONG u = x - bounds.left;
                const LONG v = y - bounds.top;
                const BYTE source[3] = {static_cast<BYTE>(u & 255), static_cast<BYTE>(v & 255),
                                        static_cast<BYTE>(counter & 255)};
                BYTE* pixel = surface.pixel(x, y);
                if (opaque) {
                    pixel[0] = source[0];
                    pixel[1] = source[1];
                    pixel[2] = source[2];
                    pixel[3] = 0;
                    continue;
                }
                static constexpr unsigned CoverageByBand[3] = {255, 0, 128};
                const unsigned coverage = CoverageByBand[(u / 4) % 3];
                for (int channel = 0; channel < 3; ++channel)
                    pixel[channel] = blend(source[channel], pixel[channel], coverage);
            }
        }
    }
    return finish(call);
}

HRESULT ControlObject::GetColorSet(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) {
    if (ppColorSet != nullptr)
        *ppColorSet = nullptr;
    return notImplemented("GetColorSet", text::number(static_cast<long long>(dwDrawAspect)));
}

HRESULT ControlObject::Freeze(DWORD dwDrawAspect, LONG, void*, DWORD* pdwFreeze) {
    if (pdwFreeze != nullptr)
        *pdwFreeze = 0;
    return notImplemented("Freeze", text::number(static_cast<long long>(dwDrawAspect)));
}

HRESULT ControlObject::Unfreeze(DWORD dwFreeze) {
    return notImplemented("Unfreeze", text::number(static_cast<long long>(dwFreeze)));
}

HRESULT ControlObject::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) {
    return notImplemented("SetAdvise", text::args(text::number(static_cast<long long>(aspects)),
                                                  text::number(static_cast<long long>(advf)), text::pointer(pAdvSink)));
}

HRESULT ControlObject::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
    if (pAspects != nullptr)
        *pAspects = 0;
    if (pAdvf != nullptr)
        *pAdvf = 0;
    if (ppAdvSink != nullptr)
        *ppAdvSink = nullptr;
    return notImplemented("GetAdvise");
}

}  // namespace fake_control
