// The class object of CLSID_ShockwaveFlash: makes controls.
#pragma once

#include "control/module_lock.h"

#include "platform/com.h"

#include <atomic>

namespace control {

class ClassFactory final : public IClassFactory {
public:
    // What DllGetClassObject answers: the factory for CLSID_ShockwaveFlash
    // (asked for IUnknown or IClassFactory), CLASS_E_CLASSNOTAVAILABLE for any
    // other class, E_POINTER for a null out pointer.
    static HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** ppv) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // A new control, unaggregated (CLASS_E_NOAGGREGATION otherwise).
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    // Locks keep the module loaded (DllCanUnloadNow answers S_FALSE).
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    ClassFactory() = default;
    ~ClassFactory() = default;

    std::atomic<ULONG> m_refs{1};
    ModuleReference m_moduleReference;
};

}  // namespace control
