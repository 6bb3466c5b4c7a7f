// The player's sink for the control's events. It takes FSCommand and
// FlashCall to the owner's listeners, in list order, until one handles them;
// every other event is refused.
//
// The sink is part of its player and is never freed through its count.
#pragma once

#include "moviehost/flash_contract.h"

namespace moviehost {

class CMoviePlayer;

class CEventSink final : public _IShockwaveFlashEvents {
public:
    CEventSink() = default;
    CEventSink(const CEventSink&) = delete;
    CEventSink& operator=(const CEventSink&) = delete;

    /* 0 */ HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    /* 1 */ ULONG STDMETHODCALLTYPE AddRef() override;
    /* 2 */ ULONG STDMETHODCALLTYPE Release() override;
    /* 3 */ HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    /* 4 */ HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    /* 5 */ HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                                    DISPID* rgDispId) override;
    /* 6 */ HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                             DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) override;
    // Slot 7.
    virtual ~CEventSink();

    // Records the owner (always, first), then subscribes to the owner's
    // control. Each step runs only when the one before answered exactly S_OK;
    // the result is Advise's, or the code of the step that stopped.
    HRESULT Connect(CMoviePlayer* player);

    // Undoes Connect: Unadvise when a cookie is held, then lets go of the
    // connection point. The count is left alone.
    void Disconnect() noexcept;

    [[nodiscard]] bool HoldsConnectionPoint() const noexcept { return static_cast<bool>(m_connectionPoint); }
    [[nodiscard]] DWORD Cookie() const noexcept { return m_cookie; }

private:
    platform::ComPtr<IConnectionPoint> m_connectionPoint;
    DWORD m_cookie = 0;
    ULONG m_refs = 0;
    CMoviePlayer* m_owner = nullptr;
};

}  // namespace moviehost
