#include "moviehost/testing/recording_site.h"

namespace moviehost::testing {

HRESULT RecordingSite::QueryInterface(REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite) ||
        IsEqualIID(riid, IID_IOleInPlaceSiteEx) ||
        (IsEqualIID(riid, IID_IOleInPlaceSiteWindowless) && offersWindowless))
        *ppv = static_cast<IOleInPlaceSiteWindowless*>(this);
    else if (IsEqualIID(riid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT RecordingSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    *ppmk = nullptr;
    return note("GetMoniker", E_NOTIMPL);
}

HRESULT RecordingSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                        LPOLEINPLACEFRAMEINFO info) {
    *frame = nullptr;
    *doc = nullptr;
    *pos = position;
    *clip = position;
    info->fMDIApp = FALSE;
    info->hwndFrame = nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return note("GetWindowContext");
}

HRESULT RecordingSite::OnInPlaceActivateEx(BOOL*, DWORD flags) {
    return note(flags == ACTIVATE_WINDOWLESS ? "OnInPlaceActivateEx(windowless)" : "OnInPlaceActivateEx(windowed)");
}

HRESULT RecordingSite::InvalidateRect(LPCRECT rect, BOOL) {
    invalidations.push_back(rect != nullptr ? std::optional<RECT>(*rect) : std::nullopt);
    return note("InvalidateRect");
}

HRESULT RecordingSite::InvalidateRgn(HRGN, BOOL) {
    invalidations.push_back(std::nullopt);
    return note("InvalidateRgn");
}

}  // namespace moviehost::testing
