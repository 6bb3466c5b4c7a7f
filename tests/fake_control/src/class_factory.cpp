// The class factory of the fake control and the creation hook.
#include "control_object.h"

#include "environment.h"

#include <mutex>

namespace fake_control {

namespace {

std::mutex g_hook_mutex;
std::function<void(FakeControl&)> g_creation_hook;

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr)
            return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        if (const HRESULT programmed = environmentFailure("CreateInstance"); FAILED(programmed))
            return programmed;
        FakeControl control;
        applyEnvironment(control);
        {
            std::function<void(FakeControl&)> hook;
            {
                std::lock_guard lock(g_hook_mutex);
                hook = g_creation_hook;
            }
            if (hook)
                hook(control);
        }
        // The caller's reference comes from QueryInterface; `control` drops
        // the handle's own when it goes.
        return control.unknown()->QueryInterface(riid, ppvObject);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ~ClassFactory() = default;
    std::atomic<ULONG> m_refs = 1;
};

}  // namespace

void FakeControl::setCreationHook(std::function<void(FakeControl&)> hook) {
    std::lock_guard lock(g_hook_mutex);
    g_creation_hook = std::move(hook);
}

HRESULT FakeControl::getClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (const HRESULT programmed = environmentFailure("DllGetClassObject"); FAILED(programmed))
        return programmed;
    if (clsid != CLSID_ShockwaveFlash)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new ClassFactory();
    const HRESULT hr = factory->QueryInterface(iid, ppv);
    factory->Release();
    return hr;
}

}  // namespace fake_control
