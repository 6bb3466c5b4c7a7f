// The control's identity: creation, reference counting, the interfaces it
// answers, error support and the dispatch basics.
#include "control/flash_control.h"

#include "control/control_error.h"

#include <new>

namespace control {

HRESULT FlashControl::create(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    auto* control = new (std::nothrow) FlashControl();
    if (control == nullptr)
        return reportError(E_OUTOFMEMORY, u"out of memory while creating the control");
    // The caller's reference comes from QueryInterface; a refused interface
    // leaves the count at 0 and the object goes.
    control->AddRef();
    const HRESULT hr = control->QueryInterface(riid, ppv);
    control->Release();
    return hr;
}

FlashControl::FlashControl() = default;

// The engine goes before its host and the stage it runs on.
FlashControl::~FlashControl() {
    m_timer.stop();
    m_scriptTimer.disarm();
    m_engine.reset();
    m_scriptHost.reset();
    m_stage.reset();
    m_sound.reset();
    m_events.unadviseAll();
}

HRESULT FlashControl::QueryInterface(REFIID riid, void** ppv) try {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
        *ppv = static_cast<IOleObject*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject) ||
             IsEqualIID(riid, IID_IOleInPlaceObjectWindowless))
        *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (IsEqualIID(riid, IID_IViewObject))
        *ppv = static_cast<IViewObject*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(riid, IID_ISupportErrorInfo))
        *ppv = static_cast<ISupportErrorInfo*>(this);
    else if (IsEqualIID(riid, IID_IShockwaveFlash) || IsEqualIID(riid, IID_IDispatch))
        *ppv = static_cast<IShockwaveFlash*>(this);
    else if (IsEqualIID(riid, IID_IMovieSoundOutput))
        *ppv = static_cast<IMovieSoundOutput*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
} catch (...) {
    return failureFromException(u"QueryInterface");
}

ULONG FlashControl::AddRef() noexcept { return ++m_refs; }

ULONG FlashControl::Release() noexcept {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT FlashControl::InterfaceSupportsErrorInfo(REFIID riid) try {
    return IsEqualIID(riid, IID_IShockwaveFlash) ? S_OK : S_FALSE;
} catch (...) {
    return failureFromException(u"InterfaceSupportsErrorInfo");
}

HRESULT FlashControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) try {
    if (ppEnum != nullptr)
        *ppEnum = nullptr;
    return notImplemented(u"IConnectionPointContainer::EnumConnectionPoints");
} catch (...) {
    return failureFromException(u"EnumConnectionPoints");
}

HRESULT FlashControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) try {
    if (ppCP == nullptr)
        return reportError(E_POINTER, u"FindConnectionPoint needs a place for the result");
    *ppCP = nullptr;
    if (!IsEqualIID(riid, DIID__IShockwaveFlashEvents))
        return reportError(CONNECT_E_NOCONNECTION, u"the control raises only _IShockwaveFlashEvents");
    *ppCP = &m_events;
    m_events.AddRef();
    return S_OK;
} catch (...) {
    return failureFromException(u"FindConnectionPoint");
}

HRESULT FlashControl::GetTypeInfoCount(UINT* pctinfo) try {
    if (pctinfo == nullptr)
        return reportError(E_POINTER, u"GetTypeInfoCount needs a place for the result");
    *pctinfo = 0;
    return S_OK;
} catch (...) {
    return failureFromException(u"GetTypeInfoCount");
}

HRESULT FlashControl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) try {
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return notImplemented(u"IDispatch::GetTypeInfo");
} catch (...) {
    return failureFromException(u"GetTypeInfo");
}

HRESULT FlashControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) try {
    if (rgDispId != nullptr)
        for (UINT i = 0; i < cNames; ++i)
            rgDispId[i] = DISPID_UNKNOWN;
    return reportError(DISP_E_UNKNOWNNAME, u"the control's members are reached through IShockwaveFlash, not by name");
} catch (...) {
    return failureFromException(u"GetIDsOfNames");
}

HRESULT FlashControl::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) try {
    return reportError(DISP_E_MEMBERNOTFOUND,
                       u"the control's members are reached through IShockwaveFlash, not through Invoke");
} catch (...) {
    return failureFromException(u"Invoke");
}

}  // namespace control
