// The control's one connection point, for _IShockwaveFlashEvents. Sinks are
// held by their IDispatch; events reach them through IDispatch::Invoke with
// the arguments stored last to first, as dispatch parameters are.
//
// The point is a part of the control, not an object of its own: it shares the
// control's reference count through the container it belongs to.
#pragma once

#include "platform/com.h"

#include <span>
#include <string_view>
#include <vector>

namespace control {

class EventConnectionPoint final : public IConnectionPoint {
public:
    // At most this many sinks at once; Advise answers CONNECT_E_ADVISELIMIT after.
    static constexpr size_t kMaxSinks = 256;

    explicit EventConnectionPoint(IConnectionPointContainer& container) : m_container(container) {}
    ~EventConnectionPoint() { unadviseAll(); }
    EventConnectionPoint(const EventConnectionPoint&) = delete;
    EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    // The sink must answer _IShockwaveFlashEvents or IDispatch; cookies are
    // never 0 and never repeat while the control lives.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    // CONNECT_E_NOCONNECTION for a cookie that is not advised.
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

    // Raises an event with string arguments, given in the event's own order.
    // Every sink advised when the call starts is called, in advise order, also
    // if an earlier one unadvises it. Returns the last sink's answer, S_FALSE
    // when there is none, E_OUTOFMEMORY when the strings cannot be made.
    HRESULT fire(DISPID member, std::span<const std::u16string_view> arguments);
    HRESULT fireFSCommand(std::u16string_view command, std::u16string_view arguments);
    HRESULT fireFlashCall(std::u16string_view request);

    // Drops every sink (the control's Close).
    void unadviseAll() noexcept;
    [[nodiscard]] size_t sinkCount() const noexcept { return m_sinks.size(); }

private:
    struct Sink {
        DWORD cookie = 0;
        IDispatch* dispatch = nullptr;  // one reference
    };

    IConnectionPointContainer& m_container;
    std::vector<Sink> m_sinks;
    DWORD m_nextCookie = 1;
};

}  // namespace control
