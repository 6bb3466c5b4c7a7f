// A minimal COM object whose reference count tests can read.
#pragma once

#include "platform/com.h"

namespace moviehost::testing {

class CountedObject final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }  // owned by the test, never freed here

    [[nodiscard]] ULONG refs() const { return m_refs; }

private:
    ULONG m_refs = 1;
};

}  // namespace moviehost::testing
