#include "control/class_factory.h"

#include "control/control_error.h"
#include "control/flash_control.h"

#include "moviehost/flash_contract.h"

#include <new>

namespace control {

HRESULT ClassFactory::getClassObject(REFCLSID clsid, REFIID iid, void** ppv) noexcept {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_ShockwaveFlash))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) ClassFactory();
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, ppv);
    factory->Release();
    return hr;
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppv) try {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
} catch (...) {
    return failureFromException(u"QueryInterface");
}

ULONG ClassFactory::AddRef() noexcept { return ++m_refs; }

ULONG ClassFactory::Release() noexcept {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) try {
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr)
        return reportError(CLASS_E_NOAGGREGATION, u"the control cannot be aggregated");
    return FlashControl::create(riid, ppvObject);
} catch (...) {
    return failureFromException(u"CreateInstance");
}

HRESULT ClassFactory::LockServer(BOOL fLock) try {
    if (fLock)
        lockServer();
    else
        unlockServer();
    return S_OK;
} catch (...) {
    return failureFromException(u"LockServer");
}

}  // namespace control
