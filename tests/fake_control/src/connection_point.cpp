// The fake control's one connection point, for _IShockwaveFlashEvents, and the
// container that hands it out. Sinks are held by their IDispatch for the
// events interface, as an advise on a dispinterface asks for.
#include "control_object.h"

#include "call_text.h"

namespace fake_control {

EventsConnectionPoint::~EventsConnectionPoint() {
    for (const Sink& sink : m_sinks)
        sink.dispatch->Release();
}

HRESULT EventsConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint)
        return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG EventsConnectionPoint::AddRef() { return m_owner.AddRef(); }

ULONG EventsConnectionPoint::Release() { return m_owner.Release(); }

HRESULT EventsConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (pIID == nullptr)
        return E_POINTER;
    *pIID = DIID__IShockwaveFlashEvents;
    return S_OK;
}

HRESULT EventsConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (ppCPC == nullptr)
        return E_POINTER;
    *ppCPC = static_cast<IConnectionPointContainer*>(&m_owner);
    m_owner.AddRef();
    return S_OK;
}

HRESULT EventsConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    const Invocation call = m_owner.begin("Advise", text::pointer(pUnkSink));
    if (pdwCookie == nullptr)
        return E_POINTER;
    *pdwCookie = 0;
    if (call.refused())
        return m_owner.finish(call);
    if (pUnkSink == nullptr)
        return m_owner.finish(Invocation{call.method, E_POINTER, false});
    void* dispatch = nullptr;
    if (FAILED(pUnkSink->QueryInterface(DIID__IShockwaveFlashEvents, &dispatch)) || dispatch == nullptr)
        return m_owner.finish(Invocation{call.method, CONNECT_E_CANNOTCONNECT, false});
    const DWORD cookie = m_nextCookie++;
    m_sinks.push_back(Sink{cookie, static_cast<IDispatch*>(dispatch)});
    if (!call.skipOutput)
        *pdwCookie = cookie;
    return m_owner.finish(call);
}

HRESULT EventsConnectionPoint::Unadvise(DWORD dwCookie) {
    const Invocation call = m_owner.begin("Unadvise", text::number(static_cast<long long>(dwCookie)));
    if (call.refused())
        return m_owner.finish(call);
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->cookie == dwCookie) {
            IDispatch* dispatch = it->dispatch;
            m_sinks.erase(it);
            dispatch->Release();
            return m_owner.finish(call);
        }
    }
    return m_owner.finish(Invocation{call.method, CONNECT_E_NOCONNECTION, false});
}

HRESULT EventsConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (ppEnum != nullptr)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}

HRESULT EventsConnectionPoint::fire(DISPID id, VARIANTARG* args, UINT count) {
    if (m_sinks.empty())
        return CONNECT_E_NOCONNECTION;
    // A sink may unadvise while it handles the event: walk a held copy.
    std::vector<IDispatch*> sinks;
    for (const Sink& sink : m_sinks) {
        sink.dispatch->AddRef();
        sinks.push_back(sink.dispatch);
    }
    HRESULT result = S_OK;
    for (IDispatch* sink : sinks) {
        DISPPARAMS params{args, nullptr, count, 0};
        result = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
    return result;
}

HRESULT ControlObject::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (ppEnum != nullptr)
        *ppEnum = nullptr;
    return notImplemented("EnumConnectionPoints");
}

HRESULT ControlObject::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    const Invocation call = begin("FindConnectionPoint", text::iid(riid));
    if (ppCP == nullptr)
        return E_POINTER;
    *ppCP = nullptr;
    if (call.refused())
        return finish(call);
    if (riid != DIID__IShockwaveFlashEvents)
        return finish(Invocation{call.method, CONNECT_E_NOCONNECTION, false});
    if (!call.skipOutput) {
        *ppCP = &m_connectionPoint;
        m_connectionPoint.AddRef();
    }
    return finish(call);
}

}  // namespace fake_control
