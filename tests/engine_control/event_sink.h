// The container's end of the control's events for tests: the COM plumbing
// once; each test's sink says what an event does (handle), and advise()
// connects it to the control's connection point.
#pragma once

#include "control_harness.h"

#include <gtest/gtest.h>

namespace controltest {

class EventSink : public IDispatch {
public:
    virtual ~EventSink() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, DIID__IShockwaveFlashEvents)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    // Sinks live on the test's stack: counting is for the control's balance only.
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--m_refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        handle(member, *params);
        return S_OK;
    }

protected:
    // One event; its arguments are stored last first.
    virtual void handle(DISPID member, const DISPPARAMS& params) = 0;

private:
    LONG m_refs = 0;
};

inline void advise(Control& control, EventSink& sink) {
    const auto container = control.ole.As<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    platform::ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IShockwaveFlashEvents, point.receive()), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
}

}  // namespace controltest
