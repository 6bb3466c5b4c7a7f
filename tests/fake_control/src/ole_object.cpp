// IOleObject of the fake control: the client site, in-place activation by
// DoVerb, closing, and the extent.
#include "control_object.h"

#include "call_text.h"

namespace fake_control {

HRESULT ControlObject::SetClientSite(IOleClientSite* pClientSite) {
    const Invocation call = begin("SetClientSite", text::pointer(pClientSite));
    if (!call.refused()) {
        if (pClientSite != nullptr)
            pClientSite->AddRef();
        if (m_site != nullptr)
            m_site->Release();
        m_site = pClientSite;
    }
    return finish(call);
}

HRESULT ControlObject::GetClientSite(IOleClientSite** ppClientSite) {
    const Invocation call = begin("GetClientSite");
    if (ppClientSite == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        *ppClientSite = m_site;
        if (m_site != nullptr)
            m_site->AddRef();
    }
    return finish(call);
}

HRESULT ControlObject::SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) {
    return finish(begin("SetHostNames", text::args(text::wide(szContainerApp), text::wide(szContainerObj))));
}

HRESULT ControlObject::Close(DWORD dwSaveOption) {
    const Invocation call = begin("Close", text::number(static_cast<long long>(dwSaveOption)));
    if (!call.refused()) {
        m_state.closed = true;
        m_state.inPlaceActive = false;
        m_state.windowless = false;
    }
    return finish(call);
}

HRESULT ControlObject::SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) {
    return notImplemented("SetMoniker",
                          text::args(text::number(static_cast<long long>(dwWhichMoniker)), text::pointer(pmk)));
}

HRESULT ControlObject::GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) {
    if (ppmk != nullptr)
        *ppmk = nullptr;
    return notImplemented("GetMoniker", text::args(text::number(static_cast<long long>(dwAssign)),
                                                   text::number(static_cast<long long>(dwWhichMoniker))));
}

HRESULT ControlObject::InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) {
    return notImplemented("InitFromData",
                          text::args(text::pointer(pDataObject), text::number(static_cast<long long>(fCreation)),
                                     text::number(static_cast<long long>(dwReserved))));
}

HRESULT ControlObject::GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) {
    if (ppDataObject != nullptr)
        *ppDataObject = nullptr;
    return notImplemented("GetClipboardData", text::number(static_cast<long long>(dwReserved)));
}

HRESULT ControlObject::DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                              LPCRECT lprcPosRect) {
    const Invocation call =
        begin("DoVerb", text::args(text::number(static_cast<long long>(iVerb)), text::pointer(lpmsg),
                                   text::pointer(pActiveSite), text::number(static_cast<long long>(lindex)),
                                   text::pointer(hwndParent), text::rect(lprcPosRect)));
    if (call.refused())
        return finish(call);
    HRESULT result = call.result;
    switch (iVerb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE:
        if (const HRESULT hr = activateInPlace(pActiveSite != nullptr ? pActiveSite : m_site); FAILED(hr))
            result = hr;
        break;
    case OLEIVERB_HIDE:
        m_state.inPlaceActive = false;
        break;
    default:
        result = E_NOTIMPL;
        break;
    }
    return finish(Invocation{call.method, result, call.skipOutput});
}

// What an in-place activation asks of the site: whether it may activate (and
// windowless), then where it sits. Nothing is done when the site refuses.
HRESULT ControlObject::activateInPlace(IOleClientSite* site) {
    if (site == nullptr)
        return E_UNEXPECTED;
    auto client = platform::ComPtr<IOleClientSite>::share(site);
    auto inPlace = client.As<IOleInPlaceSite>();
    if (!inPlace)
        return E_NOINTERFACE;
    if (inPlace->CanInPlaceActivate() != S_OK)
        return E_FAIL;

    auto windowlessSite = client.As<IOleInPlaceSiteWindowless>();
    const bool windowless = windowlessSite && windowlessSite->CanWindowlessActivate() == S_OK;
    if (auto siteEx = client.As<IOleInPlaceSiteEx>()) {
        BOOL noRedraw = FALSE;
        siteEx->OnInPlaceActivateEx(&noRedraw, windowless ? ACTIVATE_WINDOWLESS : 0);
    } else {
        inPlace->OnInPlaceActivate();
    }

    platform::ComPtr<IOleInPlaceFrame> frame;
    platform::ComPtr<IOleInPlaceUIWindow> document;
    RECT position = {0, 0, 0, 0};
    RECT clip = {0, 0, 0, 0};
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    if (SUCCEEDED(inPlace->GetWindowContext(frame.receive(), document.receive(), &position, &clip, &frameInfo))) {
        m_state.windowContextPosition = position;
        m_state.windowContextClip = clip;
    }
    m_state.inPlaceActive = true;
    m_state.windowless = windowless;
    m_state.closed = false;
    return S_OK;
}

HRESULT ControlObject::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (ppEnumOleVerb != nullptr)
        *ppEnumOleVerb = nullptr;
    return notImplemented("EnumVerbs");
}

HRESULT ControlObject::Update() { return finish(begin("Update")); }

HRESULT ControlObject::IsUpToDate() { return finish(begin("IsUpToDate")); }

HRESULT ControlObject::GetUserClassID(CLSID* pClsid) {
    const Invocation call = begin("GetUserClassID");
    if (pClsid == nullptr)
        return E_POINTER;
    if (call.writesOutput())
        *pClsid = CLSID_ShockwaveFlash;
    return finish(call);
}

HRESULT ControlObject::GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) {
    if (pszUserType != nullptr)
        *pszUserType = nullptr;
    return notImplemented("GetUserType", text::number(static_cast<long long>(dwFormOfType)));
}

HRESULT ControlObject::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    const Invocation call =
        begin("SetExtent", text::args(text::number(static_cast<long long>(dwDrawAspect)),
                                      psizel == nullptr ? std::string("null")
                                                        : "{" + text::number(static_cast<long long>(psizel->cx)) + "," +
                                                              text::number(static_cast<long long>(psizel->cy)) + "}"));
    if (psizel == nullptr)
        return E_POINTER;
    if (!call.refused())
        m_state.extent = *psizel;
    return finish(call);
}

HRESULT ControlObject::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    const Invocation call = begin("GetExtent", text::number(static_cast<long long>(dwDrawAspect)));
    if (psizel == nullptr)
        return E_POINTER;
    if (call.writesOutput())
        *psizel = m_state.extent;
    return finish(call);
}

HRESULT ControlObject::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    if (pdwConnection != nullptr)
        *pdwConnection = 0;
    return notImplemented("Advise", text::pointer(pAdvSink));
}

HRESULT ControlObject::Unadvise(DWORD dwConnection) {
    return notImplemented("Unadvise", text::number(static_cast<long long>(dwConnection)));
}

HRESULT ControlObject::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise != nullptr)
        *ppenumAdvise = nullptr;
    return notImplemented("EnumAdvise");
}

HRESULT ControlObject::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) {
    const Invocation call = begin("GetMiscStatus", text::number(static_cast<long long>(dwAspect)));
    if (pdwStatus == nullptr)
        return E_POINTER;
    if (call.writesOutput())
        *pdwStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                     OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
    return finish(call);
}

HRESULT ControlObject::SetColorScheme(LOGPALETTE* pLogpal) {
    return notImplemented("SetColorScheme", text::pointer(pLogpal));
}

}  // namespace fake_control
