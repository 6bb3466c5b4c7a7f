// IOleObject: the client site, in-place activation through DoVerb, closing,
// and the few facts an OLE container asks for.
#include "control/flash_control.h"

#include "control/control_error.h"

namespace control {

HRESULT FlashControl::SetClientSite(IOleClientSite* pClientSite) try {
    if (pClientSite != m_clientSite.get())
        deactivateInPlace();
    m_clientSite = platform::ComPtr<IOleClientSite>::share(pClientSite);
    return S_OK;
} catch (...) {
    return failureFromException(u"SetClientSite");
}

HRESULT FlashControl::GetClientSite(IOleClientSite** ppClientSite) try {
    if (ppClientSite == nullptr)
        return reportError(E_POINTER, u"GetClientSite needs a place for the result");
    *ppClientSite = m_clientSite.get();
    if (*ppClientSite != nullptr)
        (*ppClientSite)->AddRef();
    return S_OK;
} catch (...) {
    return failureFromException(u"GetClientSite");
}

// The container object's name is what an embedding page calls the control's
// object; no name or an empty one leaves objectID null.
HRESULT FlashControl::SetHostNames(LPCOLESTR, LPCOLESTR szContainerObj) try {
    if (szContainerObj != nullptr && *szContainerObj != 0)
        m_objectName = std::u16string(szContainerObj);
    else
        m_objectName.reset();
    if (m_scriptHost)
        m_scriptHost->setObjectId(m_objectName);
    return S_OK;
} catch (...) {
    return failureFromException(u"SetHostNames");
}

// Nothing to save: closing stops the clock, leaves the container's place and
// lets go of the site and every event sink. The movie stays loaded.
HRESULT FlashControl::Close(DWORD) try {
    KeepAlive alive(*this);
    m_timer.stop();
    m_scriptTimer.disarm();
    deactivateInPlace();
    m_events.unadviseAll();
    m_clientSite.reset();
    return S_OK;
} catch (...) {
    return failureFromException(u"Close");
}

HRESULT FlashControl::SetMoniker(DWORD, IMoniker*) try {
    return notImplemented(u"IOleObject::SetMoniker");
} catch (...) {
    return failureFromException(u"SetMoniker");
}

HRESULT FlashControl::GetMoniker(DWORD, DWORD, IMoniker** ppmk) try {
    if (ppmk != nullptr)
        *ppmk = nullptr;
    return notImplemented(u"IOleObject::GetMoniker");
} catch (...) {
    return failureFromException(u"GetMoniker");
}

HRESULT FlashControl::InitFromData(IDataObject*, BOOL, DWORD) try {
    return notImplemented(u"IOleObject::InitFromData");
} catch (...) {
    return failureFromException(u"InitFromData");
}

HRESULT FlashControl::GetClipboardData(DWORD, IDataObject** ppDataObject) try {
    if (ppDataObject != nullptr)
        *ppDataObject = nullptr;
    return notImplemented(u"IOleObject::GetClipboardData");
} catch (...) {
    return failureFromException(u"GetClipboardData");
}

// Showing the control means activating it in place; there is no window to
// open and no user interface to activate, so those verbs do the same.
HRESULT FlashControl::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND, LPCRECT) try {
    KeepAlive alive(*this);
    switch (iVerb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE:
        return activateInPlace(pActiveSite != nullptr ? pActiveSite : m_clientSite.get());
    case OLEIVERB_HIDE:
        deactivateInPlace();
        return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    default:
        if (iVerb > 0) {
            // Unknown positive verbs fall back to the primary one.
            const HRESULT hr = activateInPlace(pActiveSite != nullptr ? pActiveSite : m_clientSite.get());
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return reportError(E_NOTIMPL, u"the control does not know this verb");
    }
} catch (...) {
    return failureFromException(u"DoVerb");
}

HRESULT FlashControl::activateInPlace(IOleClientSite* site) {
    if (m_inPlaceSite)
        return S_OK;
    if (site == nullptr)
        return reportError(E_UNEXPECTED, u"the control has no client site to activate in");
    auto windowless = platform::ComPtr<IOleClientSite>::share(site).As<IOleInPlaceSiteWindowless>();
    if (!windowless)
        return reportError(E_NOINTERFACE, u"the site cannot host a windowless control (no IOleInPlaceSiteWindowless)");
    if (windowless->CanInPlaceActivate() != S_OK)
        return reportError(E_FAIL, u"the site refused in-place activation");
    if (windowless->CanWindowlessActivate() != S_OK)
        return reportError(E_FAIL, u"the site refused windowless activation, and the control has no window");
    BOOL noRedraw = FALSE;
    if (const HRESULT hr = windowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS); FAILED(hr))
        return reportError(hr, u"the site failed the in-place activation");

    platform::ComPtr<IOleInPlaceFrame> frame;
    platform::ComPtr<IOleInPlaceUIWindow> document;
    RECT position{0, 0, 0, 0};
    RECT clip{0, 0, 0, 0};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    if (SUCCEEDED(windowless->GetWindowContext(frame.receive(), document.receive(), &position, &clip, &frameInfo))) {
        m_position = position;
        m_clip = clip;
    }
    m_inPlaceSite = std::move(windowless);
    // A windowless site that says the control has the focus may never send
    // WM_SETFOCUS; a site without it (S_FALSE, or failing) sends it later.
    if (m_inPlaceSite->GetFocus() == S_OK)
        setFocused(true);
    // Closing stopped the clock; an activated control with a movie plays on.
    if (m_stage && !m_timer.running())
        (void)m_timer.start(PlaybackTimer::movieRate(m_stage->frameRate88()));
    if (!noRedraw)
        invalidateAll();
    return S_OK;
}

HRESULT FlashControl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) try {
    if (ppEnumOleVerb != nullptr)
        *ppEnumOleVerb = nullptr;
    return notImplemented(u"IOleObject::EnumVerbs");
} catch (...) {
    return failureFromException(u"EnumVerbs");
}

HRESULT FlashControl::Update() try { return S_OK; } catch (...) {
    return failureFromException(u"Update");
}

HRESULT FlashControl::IsUpToDate() try { return S_OK; } catch (...) {
    return failureFromException(u"IsUpToDate");
}

HRESULT FlashControl::GetUserClassID(CLSID* pClsid) try {
    if (pClsid == nullptr)
        return reportError(E_POINTER, u"GetUserClassID needs a place for the result");
    *pClsid = CLSID_ShockwaveFlash;
    return S_OK;
} catch (...) {
    return failureFromException(u"GetUserClassID");
}

HRESULT FlashControl::GetUserType(DWORD, LPOLESTR* pszUserType) try {
    if (pszUserType != nullptr)
        *pszUserType = nullptr;
    return notImplemented(u"IOleObject::GetUserType");
} catch (...) {
    return failureFromException(u"GetUserType");
}

// The extent (HIMETRIC) is kept for the container; drawing goes by the
// rectangles the container gives in pixels.
HRESULT FlashControl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) try {
    if (psizel == nullptr)
        return reportError(E_POINTER, u"SetExtent needs a size");
    if (dwDrawAspect != DVASPECT_CONTENT)
        return reportError(DV_E_DVASPECT, u"the control has an extent only for DVASPECT_CONTENT");
    m_extent = *psizel;
    return S_OK;
} catch (...) {
    return failureFromException(u"SetExtent");
}

HRESULT FlashControl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) try {
    if (psizel == nullptr)
        return reportError(E_POINTER, u"GetExtent needs a place for the result");
    if (dwDrawAspect != DVASPECT_CONTENT)
        return reportError(DV_E_DVASPECT, u"the control has an extent only for DVASPECT_CONTENT");
    *psizel = m_extent;
    return S_OK;
} catch (...) {
    return failureFromException(u"GetExtent");
}

HRESULT FlashControl::Advise(IAdviseSink*, DWORD* pdwConnection) try {
    if (pdwConnection != nullptr)
        *pdwConnection = 0;
    return notImplemented(u"IOleObject::Advise");
} catch (...) {
    return failureFromException(u"Advise");
}

HRESULT FlashControl::Unadvise(DWORD) try { return notImplemented(u"IOleObject::Unadvise"); } catch (...) {
    return failureFromException(u"Unadvise");
}

HRESULT FlashControl::EnumAdvise(IEnumSTATDATA** ppenumAdvise) try {
    if (ppenumAdvise != nullptr)
        *ppenumAdvise = nullptr;
    return notImplemented(u"IOleObject::EnumAdvise");
} catch (...) {
    return failureFromException(u"EnumAdvise");
}

HRESULT FlashControl::GetMiscStatus(DWORD, DWORD* pdwStatus) try {
    if (pdwStatus == nullptr)
        return reportError(E_POINTER, u"GetMiscStatus needs a place for the result");
    *pdwStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                 OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
} catch (...) {
    return failureFromException(u"GetMiscStatus");
}

HRESULT FlashControl::SetColorScheme(LOGPALETTE*) try {
    return notImplemented(u"IOleObject::SetColorScheme");
} catch (...) {
    return failureFromException(u"SetColorScheme");
}

}  // namespace control
