#include "event_sink.h"

#include "movie_player.h"

#include "moviehost/movie_listener.h"

namespace moviehost {

namespace {

bool IsString(const VARIANTARG& arg) noexcept { return arg.vt == VT_BSTR; }

// The walk goes by position and reads the count afresh at every step: a
// listener may add or remove listeners, itself included, while it is called.
// E_NOTIMPL from a listener passes the event on; anything else is the answer.
template <typename Notify>
HRESULT Deliver(CMoviePlayer* owner, Notify notify) {
    if (owner == nullptr)
        return E_NOTIMPL;
    for (DWORD i = 0; i < static_cast<DWORD>(owner->ListenerCount()); ++i) {
        IMovieListener* listener = owner->ListenerAt(i);
        if (listener == nullptr)
            continue;  // an empty entry handles nothing
        const HRESULT hr = notify(*listener);
        if (hr != E_NOTIMPL)
            return hr;
    }
    return E_NOTIMPL;
}

}  // namespace

CEventSink::~CEventSink() = default;

HRESULT CEventSink::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID__IShockwaveFlashEvents)
        return E_NOTIMPL;  // what this sink has always answered
    *ppv = static_cast<_IShockwaveFlashEvents*>(this);
    AddRef();
    return S_OK;
}

ULONG CEventSink::AddRef() { return ++m_refs; }

ULONG CEventSink::Release() { return --m_refs; }

HRESULT CEventSink::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT CEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT CEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CEventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                           UINT*) {
    switch (dispIdMember) {
    case DISPID_FSCommand: {
        if (pDispParams == nullptr || pDispParams->cArgs != 2 || pDispParams->rgvarg == nullptr)
            return E_INVALIDARG;
        const VARIANTARG* args = pDispParams->rgvarg;
        if (!IsString(args[0]) || !IsString(args[1]))
            return E_INVALIDARG;
        // Stored last to first: the command is the second entry.
        LPCWSTR command = args[1].bstrVal;
        LPCWSTR text = args[0].bstrVal;
        return Deliver(m_owner, [&](IMovieListener& l) { return l.OnFSCommand(command, text); });
    }
    case DISPID_FlashCall: {
        if (pDispParams == nullptr || pDispParams->cArgs != 1 || pDispParams->rgvarg == nullptr ||
            !IsString(pDispParams->rgvarg[0]))
            return E_INVALIDARG;
        LPCWSTR request = pDispParams->rgvarg[0].bstrVal;
        return Deliver(m_owner, [&](IMovieListener& l) { return l.OnFlashCall(request); });
    }
    case DISPID_OnProgress:
    case DISPID_OnReadyStateChange:
        return E_NOTIMPL;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CEventSink::Connect(CMoviePlayer* player) {
    m_owner = player;
    if (player == nullptr || player->Control() == nullptr)
        return E_POINTER;
    platform::ComPtr<IConnectionPointContainer> container;
    HRESULT hr = player->Control()->QueryInterface(IID_IConnectionPointContainer, container.receive_void());
    if (hr != S_OK)
        return hr;
    if (!container)
        return E_NOINTERFACE;
    m_connectionPoint.reset();
    hr = container->FindConnectionPoint(DIID__IShockwaveFlashEvents, m_connectionPoint.receive());
    if (hr != S_OK)
        return hr;
    platform::ComPtr<IDispatch> self;
    QueryInterface(IID_IDispatch, self.receive_void());
    if (!self || !m_connectionPoint)
        return E_NOINTERFACE;
    return m_connectionPoint->Advise(self.get(), &m_cookie);
}

void CEventSink::Disconnect() noexcept {
    if (!m_connectionPoint)
        return;
    if (m_cookie != 0) {
        m_connectionPoint->Unadvise(m_cookie);
        m_cookie = 0;
    }
    m_connectionPoint.reset();
}

}  // namespace moviehost
