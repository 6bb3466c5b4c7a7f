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

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::AddRef() { return ++m_refs; }

ULONG ClassFactory::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr)
        return reportError(CLASS_E_NOAGGREGATION, u"the control cannot be aggregated");
    return FlashControl::create(riid, ppvObject);
}

HRESULT ClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        lockServer();
    else
        unlockServer();
    return S_OK;
}

}  // namespace control
