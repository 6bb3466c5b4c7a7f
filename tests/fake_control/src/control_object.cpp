// Identity, reference counting, call recording and programmed answers of the
// fake control.
#include "control_object.h"

#include "call_text.h"

#include <cstdio>

namespace fake_control {

ControlObject::ControlObject() = default;

ControlObject::~ControlObject() {
    if (m_site != nullptr)
        m_site->Release();
}

HRESULT ControlObject::QueryInterface(REFIID riid, void** ppv) {
    const Invocation call = begin("QueryInterface", text::iid(riid));
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    const auto offers = [this](Interface which) { return m_lacking.count(which) == 0; };
    const bool inPlace = offers(Interface::InPlaceObject);
    const bool windowless = offers(Interface::InPlaceObjectWindowless);

    if (riid == IID_IUnknown || riid == IID_IOleObject)
        *ppv = static_cast<IOleObject*>(this);
    else if (riid == IID_IDispatch || riid == IID_IShockwaveFlash)
        *ppv = static_cast<IShockwaveFlash*>(this);
    else if (riid == IID_IOleWindow && (inPlace || windowless))
        *ppv = static_cast<IOleWindow*>(static_cast<IOleInPlaceObjectWindowless*>(this));
    else if (riid == IID_IOleInPlaceObject && inPlace)
        *ppv = static_cast<IOleInPlaceObject*>(static_cast<IOleInPlaceObjectWindowless*>(this));
    else if (riid == IID_IOleInPlaceObjectWindowless && windowless)
        *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (riid == IID_IViewObject && offers(Interface::ViewObject))
        *ppv = static_cast<IViewObject*>(this);
    else if (riid == IID_IConnectionPointContainer && offers(Interface::ConnectionPointContainer))
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else if (riid == IID_ISupportErrorInfo && offers(Interface::SupportErrorInfo))
        *ppv = static_cast<ISupportErrorInfo*>(this);

    if (*ppv == nullptr) {
        finish(call);
        return E_NOINTERFACE;
    }
    AddRef();
    finish(call);
    return S_OK;
}

ULONG ControlObject::AddRef() {
    ++m_addRefCalls;
    return ++m_refs;
}

ULONG ControlObject::Release() {
    ++m_releaseCalls;
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

Invocation ControlObject::begin(const char* method, std::string args, HRESULT fallback) {
    Call call{method, std::move(args)};
    if (!m_logFile.empty()) {
        if (std::FILE* file = std::fopen(m_logFile.c_str(), "a")) {
            std::fprintf(file, "%s\n", call.text().c_str());
            std::fclose(file);
        }
    }
    m_calls.push_back(std::move(call));
    Invocation invocation{method, fallback, false};
    if (const auto it = m_answers.find(std::string_view(method)); it != m_answers.end()) {
        invocation.result = it->second.result;
        invocation.skipOutput = it->second.skipOutput;
    }
    return invocation;
}

HRESULT ControlObject::finish(const Invocation& call) {
    if (const auto it = m_answers.find(std::string_view(call.method));
        it != m_answers.end() && FAILED(call.result) && !it->second.description.empty()) {
        platform::ComPtr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.receive()))) {
            create->SetGUID(IID_IShockwaveFlash);
            platform::WideString source = WIDE("ShockwaveFlash.ShockwaveFlash");
            platform::WideString description = it->second.description;
            create->SetSource(source.data());
            create->SetDescription(description.data());
            if (auto info = create.As<IErrorInfo>())
                SetErrorInfo(0, info.get());
        }
    }
    // Hooks may re-enter the control; copy them so that changes made while
    // they run do not disturb the walk.
    std::vector<std::function<void()>> hooks;
    for (auto [it, end] = m_hooks.equal_range(std::string_view(call.method)); it != end; ++it)
        hooks.push_back(it->second);
    if (!hooks.empty()) {
        // Keep the object alive while hooks run: one may drop the last
        // reference. Not counted as AddRef/Release calls: tests count theirs.
        hold();
        for (const auto& hook : hooks)
            hook();
        const HRESULT result = call.result;
        drop();
        return result;
    }
    return call.result;
}

HRESULT ControlObject::notImplemented(const char* method, std::string args) {
    return finish(begin(method, std::move(args), E_NOTIMPL));
}

HRESULT ControlObject::invalidateRect(const RECT* rect, BOOL erase) {
    if (m_site == nullptr)
        return E_UNEXPECTED;
    platform::ComPtr<IOleClientSite> site = platform::ComPtr<IOleClientSite>::share(m_site);
    auto windowless = site.As<IOleInPlaceSiteWindowless>();
    if (!windowless)
        return E_NOINTERFACE;
    return windowless->InvalidateRect(rect, erase);
}

HRESULT ControlObject::invalidateRgn(HRGN region, BOOL erase) {
    if (m_site == nullptr)
        return E_UNEXPECTED;
    platform::ComPtr<IOleClientSite> site = platform::ComPtr<IOleClientSite>::share(m_site);
    auto windowless = site.As<IOleInPlaceSiteWindowless>();
    if (!windowless)
        return E_NOINTERFACE;
    return windowless->InvalidateRgn(region, erase);
}

// ISupportErrorInfo: errors are reported for IShockwaveFlash only.
HRESULT ControlObject::InterfaceSupportsErrorInfo(REFIID riid) {
    const Invocation call =
        begin("InterfaceSupportsErrorInfo", text::iid(riid), riid == IID_IShockwaveFlash ? S_OK : S_FALSE);
    return finish(call);
}

}  // namespace fake_control
