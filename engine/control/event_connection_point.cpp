#include "control/event_connection_point.h"

#include "control/control_error.h"

#include "moviehost/flash_contract.h"
#include "platform/oleauto.h"

#include <new>

namespace control {

HRESULT EventConnectionPoint::QueryInterface(REFIID riid, void** ppv) try {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint))
        return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
} catch (...) {
    return failureFromException(u"QueryInterface");
}

ULONG EventConnectionPoint::AddRef() noexcept { return m_container.AddRef(); }

ULONG EventConnectionPoint::Release() noexcept { return m_container.Release(); }

HRESULT EventConnectionPoint::GetConnectionInterface(IID* pIID) try {
    if (pIID == nullptr)
        return reportError(E_POINTER, u"IConnectionPoint::GetConnectionInterface needs a place for the result");
    *pIID = DIID__IShockwaveFlashEvents;
    return S_OK;
} catch (...) {
    return failureFromException(u"GetConnectionInterface");
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) try {
    if (ppCPC == nullptr)
        return reportError(E_POINTER, u"IConnectionPoint::GetConnectionPointContainer needs a place for the result");
    *ppCPC = &m_container;
    m_container.AddRef();
    return S_OK;
} catch (...) {
    return failureFromException(u"GetConnectionPointContainer");
}

HRESULT EventConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) try {
    if (pdwCookie == nullptr)
        return reportError(E_POINTER, u"Advise needs a place for the cookie");
    *pdwCookie = 0;
    if (pUnkSink == nullptr)
        return reportError(E_POINTER, u"Advise needs a sink");
    if (m_sinks.size() >= kMaxSinks)
        return reportError(CONNECT_E_ADVISELIMIT, u"too many event sinks are advised");
    void* raw = nullptr;
    if (FAILED(pUnkSink->QueryInterface(DIID__IShockwaveFlashEvents, &raw)) || raw == nullptr) {
        raw = nullptr;
        if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, &raw)) || raw == nullptr)
            return reportError(CONNECT_E_CANNOTCONNECT, u"the sink offers neither the event interface nor IDispatch");
    }
    try {
        m_sinks.push_back(Sink{m_nextCookie, static_cast<IDispatch*>(raw)});
    } catch (const std::bad_alloc&) {
        static_cast<IDispatch*>(raw)->Release();
        return reportError(E_OUTOFMEMORY, u"out of memory while advising a sink");
    }
    *pdwCookie = m_nextCookie;
    if (++m_nextCookie == 0)
        m_nextCookie = 1;
    return S_OK;
} catch (...) {
    return failureFromException(u"Advise");
}

HRESULT EventConnectionPoint::Unadvise(DWORD dwCookie) try {
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->cookie == dwCookie) {
            IDispatch* dispatch = it->dispatch;
            m_sinks.erase(it);
            dispatch->Release();
            return S_OK;
        }
    }
    return reportError(CONNECT_E_NOCONNECTION, u"no event sink is advised with this cookie");
} catch (...) {
    return failureFromException(u"Unadvise");
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** ppEnum) try {
    if (ppEnum != nullptr)
        *ppEnum = nullptr;
    return notImplemented(u"IConnectionPoint::EnumConnections");
} catch (...) {
    return failureFromException(u"EnumConnections");
}

HRESULT EventConnectionPoint::fire(DISPID member, std::span<const std::u16string_view> arguments) {
    if (m_sinks.empty())
        return S_FALSE;
    std::vector<VARIANTARG> args;
    std::vector<IDispatch*> sinks;
    try {
        args.resize(arguments.size());
        sinks.reserve(m_sinks.size());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // Dispatch parameters hold the last argument first.
    bool complete = true;
    for (size_t i = 0; i < arguments.size(); ++i) {
        VARIANTARG& arg = args[arguments.size() - 1 - i];
        VariantInit(&arg);
        arg.vt = VT_BSTR;
        arg.bstrVal = SysAllocStringLen(arguments[i].data(), UINT(arguments[i].size()));
        complete = complete && arg.bstrVal != nullptr;
    }
    HRESULT result = E_OUTOFMEMORY;
    if (complete) {
        // A sink may unadvise (itself or others) while it handles the event.
        for (const Sink& sink : m_sinks) {
            sink.dispatch->AddRef();
            sinks.push_back(sink.dispatch);
        }
        for (IDispatch* sink : sinks) {
            DISPPARAMS params{args.data(), nullptr, UINT(args.size()), 0};
            result = sink->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                  nullptr);
            sink->Release();
        }
    }
    for (VARIANTARG& arg : args)
        VariantClear(&arg);
    return result;
}

HRESULT EventConnectionPoint::fireFSCommand(std::u16string_view command, std::u16string_view arguments) {
    const std::u16string_view args[] = {command, arguments};
    return fire(DISPID_FSCommand, args);
}

HRESULT EventConnectionPoint::fireFlashCall(std::u16string_view request) {
    const std::u16string_view args[] = {request};
    return fire(DISPID_FlashCall, args);
}

void EventConnectionPoint::unadviseAll() noexcept {
    // Released after the list is empty: a sink's Release may call back.
    std::vector<Sink> sinks;
    sinks.swap(m_sinks);
    for (const Sink& sink : sinks)
        sink.dispatch->Release();
}

}  // namespace control
