#include "control_site.h"

#include "movie_player.h"

namespace moviehost {

CControlSite::~CControlSite() = default;

HRESULT CControlSite::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceSite ||
        riid == IID_IOleInPlaceSiteEx || riid == IID_IOleInPlaceSiteWindowless)
        *ppv = InPlaceSite();
    else if (riid == IID_IOleClientSite)
        *ppv = ClientSite();
    else
        return E_NOTIMPL;  // what this site has always answered; controls take it as "no"
    AddRef();
    return S_OK;
}

ULONG CControlSite::AddRef() { return static_cast<ULONG>(++m_refs); }

ULONG CControlSite::Release() { return static_cast<ULONG>(--m_refs); }

HRESULT CControlSite::GetWindow(HWND*) { return E_FAIL; }
HRESULT CControlSite::ContextSensitiveHelp(BOOL) { return S_OK; }
HRESULT CControlSite::CanInPlaceActivate() { return S_OK; }
HRESULT CControlSite::OnInPlaceActivate() { return S_OK; }
HRESULT CControlSite::OnUIActivate() { return S_OK; }

HRESULT CControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                       LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
    if (ppFrame == nullptr || ppDoc == nullptr || lprcPosRect == nullptr || lprcClipRect == nullptr ||
        lpFrameInfo == nullptr)
        return E_POINTER;
    const RECT surface = {0, 0, m_owner->Width(), m_owner->Height()};
    *lprcPosRect = surface;
    *lprcClipRect = surface;
    *ppFrame = nullptr;
    // There is no frame; asking keeps the answer in one place (QueryInterface).
    QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(ppFrame));
    *ppDoc = nullptr;
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = nullptr;
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
    return S_OK;
}

HRESULT CControlSite::Scroll(SIZE) { return S_OK; }
HRESULT CControlSite::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT CControlSite::OnInPlaceDeactivate() { return S_OK; }
HRESULT CControlSite::DiscardUndoState() { return S_OK; }
HRESULT CControlSite::DeactivateAndUndo() { return S_OK; }
// The size changes only through the player's ResizeSurface.
HRESULT CControlSite::OnPosRectChange(LPCRECT) { return S_OK; }
HRESULT CControlSite::OnInPlaceActivateEx(BOOL*, DWORD) { return S_OK; }
HRESULT CControlSite::OnInPlaceDeactivateEx(BOOL) { return S_OK; }
HRESULT CControlSite::RequestUIActivate() { return S_FALSE; }
HRESULT CControlSite::CanWindowlessActivate() { return S_OK; }
// Capture and focus are not kept: the control never holds the capture and
// always has the focus.
HRESULT CControlSite::GetCapture() { return S_FALSE; }
HRESULT CControlSite::SetCapture(BOOL) { return S_OK; }
HRESULT CControlSite::GetFocus() { return S_OK; }
HRESULT CControlSite::SetFocus(BOOL) { return S_OK; }
HRESULT CControlSite::GetDC(LPCRECT, DWORD, HDC*) { return E_INVALIDARG; }
HRESULT CControlSite::ReleaseDC(HDC) { return E_INVALIDARG; }

HRESULT CControlSite::InvalidateRect(LPCRECT pRect, BOOL) {
    m_owner->AddDirtyRect(pRect);
    return S_OK;
}

// The region is not read: the whole surface is redrawn.
HRESULT CControlSite::InvalidateRgn(HRGN, BOOL) {
    m_owner->AddDirtyRect(nullptr);
    return S_OK;
}

HRESULT CControlSite::ScrollRect(INT, INT, LPCRECT, LPCRECT) { return S_OK; }

HRESULT CControlSite::AdjustRect(LPRECT prc) { return prc == nullptr ? E_INVALIDARG : S_OK; }

HRESULT CControlSite::OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) { return S_FALSE; }

HRESULT CControlSite::SaveObject() { return S_OK; }

HRESULT CControlSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk == nullptr)
        return E_POINTER;
    *ppmk = nullptr;
    return E_NOTIMPL;
}

HRESULT CControlSite::GetContainer(IOleContainer**) { return E_NOINTERFACE; }
HRESULT CControlSite::ShowObject() { return E_NOTIMPL; }
HRESULT CControlSite::OnShowWindow(BOOL) { return E_NOTIMPL; }
HRESULT CControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

}  // namespace moviehost
