// The fake control's COM object. One object implements every interface the
// host reaches by QueryInterface; the connection point is a member object that
// shares the control's reference count.
#pragma once

#include "fake_control/fake_control.h"

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace fake_control {

class ControlObject;

class EventsConnectionPoint final : public IConnectionPoint {
public:
    explicit EventsConnectionPoint(ControlObject& owner) : m_owner(owner) {}
    ~EventsConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

    HRESULT fire(DISPID id, VARIANTARG* args, UINT count);
    [[nodiscard]] std::size_t sinkCount() const noexcept { return m_sinks.size(); }

private:
    struct Sink {
        DWORD cookie;
        IDispatch* dispatch;
    };

    ControlObject& m_owner;
    std::vector<Sink> m_sinks;
    DWORD m_nextCookie = 1;
};

// How one call should be answered, as programmed.
struct Answer {
    HRESULT result = S_OK;
    platform::WideString description;  // non-empty: set the thread's error object
    bool skipOutput = false;
};

// One call in progress: logged when it starts, finished through
// ControlObject::finish.
struct Invocation {
    const char* method;
    HRESULT result;
    bool skipOutput;

    [[nodiscard]] bool refused() const noexcept { return FAILED(result); }
    [[nodiscard]] bool writesOutput() const noexcept { return !refused() && !skipOutput; }
};

class ControlObject final : public IOleObject,
                            public IShockwaveFlash,
                            public IOleInPlaceObjectWindowless,
                            public IViewObject,
                            public IConnectionPointContainer,
                            public ISupportErrorInfo {
public:
    ControlObject();

    // IUnknown (one identity for all interfaces)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD dwSaveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                                     LPCRECT lprcPosRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* pClsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pLogpal) override;

    // IDispatch (of IShockwaveFlash)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IShockwaveFlash
    HRESULT STDMETHODCALLTYPE get_ReadyState(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_TotalFrames(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_Quality(INT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Quality(INT pVal) override;
    HRESULT STDMETHODCALLTYPE get_ScaleMode(INT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ScaleMode(INT pVal) override;
    HRESULT STDMETHODCALLTYPE get_AlignMode(INT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AlignMode(INT pVal) override;
    HRESULT STDMETHODCALLTYPE get_BackgroundColor(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_BackgroundColor(LONG pVal) override;
    HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_Movie(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Movie(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_FrameNum(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_FrameNum(LONG pVal) override;
    HRESULT STDMETHODCALLTYPE SetZoomRect(LONG left, LONG top, LONG right, LONG bottom) override;
    HRESULT STDMETHODCALLTYPE Zoom(INT factor) override;
    HRESULT STDMETHODCALLTYPE Pan(LONG x, LONG y, INT mode) override;
    HRESULT STDMETHODCALLTYPE Play() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Back() override;
    HRESULT STDMETHODCALLTYPE Forward() override;
    HRESULT STDMETHODCALLTYPE Rewind() override;
    HRESULT STDMETHODCALLTYPE StopPlay() override;
    HRESULT STDMETHODCALLTYPE GotoFrame(LONG frameNum) override;
    HRESULT STDMETHODCALLTYPE CurrentFrame(LONG* frameNum) override;
    HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* playing) override;
    HRESULT STDMETHODCALLTYPE PercentLoaded(LONG* percent) override;
    HRESULT STDMETHODCALLTYPE FrameLoaded(LONG frameNum, VARIANT_BOOL* loaded) override;
    HRESULT STDMETHODCALLTYPE FlashVersion(LONG* version) override;
    HRESULT STDMETHODCALLTYPE get_WMode(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_WMode(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_SAlign(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_SAlign(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_Base(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Base(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_Scale(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Scale(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_BGColor(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_BGColor(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Quality2(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE LoadMovie(INT layer, BSTR url) override;
    HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR target, LONG frameNum) override;
    HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR target, BSTR label) override;
    HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR target, LONG* frameNum) override;
    HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR target, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE TPlay(BSTR target) override;
    HRESULT STDMETHODCALLTYPE TStopPlay(BSTR target) override;
    HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE TSetProperty(BSTR target, INT property, BSTR value) override;
    HRESULT STDMETHODCALLTYPE TGetProperty(BSTR target, INT property, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE TCallFrame(BSTR target, INT frameNum) override;
    HRESULT STDMETHODCALLTYPE TCallLabel(BSTR target, BSTR label) override;
    HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR target, INT property, DOUBLE value) override;
    HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR target, INT property, DOUBLE* pVal) override;
    HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(BSTR target, INT property, DOUBLE* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_AllowScriptAccess(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AllowScriptAccess(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_MovieData(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_MovieData(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_InlineData(IUnknown** ppIUnknown) override;
    HRESULT STDMETHODCALLTYPE put_InlineData(IUnknown* ppIUnknown) override;
    HRESULT STDMETHODCALLTYPE get_SeamlessTabbing(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_SeamlessTabbing(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE EnforceLocalSecurity() override;
    HRESULT STDMETHODCALLTYPE get_Profile(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Profile(VARIANT_BOOL pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfileAddress(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ProfileAddress(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfilePort(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ProfilePort(LONG pVal) override;
    HRESULT STDMETHODCALLTYPE CallFunction(BSTR request, BSTR* response) override;
    HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR returnValue) override;
    HRESULT STDMETHODCALLTYPE DisableLocalSecurity() override;
    HRESULT STDMETHODCALLTYPE get_AllowNetworking(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AllowNetworking(BSTR pVal) override;
    HRESULT STDMETHODCALLTYPE get_AllowFullScreen(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR pVal) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** ppDropTarget) override;

    // IViewObject
    HRESULT STDMETHODCALLTYPE Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                   HDC hdcTargetDev, HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                                   BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue),
                                   ULONG_PTR dwContinue) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                          HDC hicTargetDev, LOGPALETTE** ppColorSet) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD dwFreeze) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    // Programming and inspection, used through FakeControl.
    friend class FakeControl;
    friend void applyEnvironment(FakeControl& control);

    State m_state;
    std::set<Interface> m_lacking;
    std::map<std::string, Answer, std::less<>> m_answers;
    std::multimap<std::string, std::function<void()>, std::less<>> m_hooks;
    std::vector<Call> m_calls;
    std::string m_logFile;  // non-empty: every call is appended there too
    ULONG m_addRefCalls = 0;
    ULONG m_releaseCalls = 0;
    EventsConnectionPoint m_connectionPoint{*this};
    IOleClientSite* m_site = nullptr;  // one reference while set

public:
    [[nodiscard]] ULONG refCount() const noexcept { return m_refs; }
    // References of the fake's own (FakeControl handles, hooks in progress):
    // not counted as AddRef/Release calls, which tests count for the host.
    void hold() noexcept { ++m_refs; }
    void drop() noexcept {
        if (--m_refs == 0)
            delete this;
    }
    [[nodiscard]] IUnknown* identity() noexcept { return static_cast<IOleObject*>(this); }

    // Logs the call and looks up how to answer it; `fallback` is the answer
    // when nothing is programmed (E_NOTIMPL for members the fake leaves out).
    Invocation begin(const char* method, std::string args = {}, HRESULT fallback = S_OK);
    // Sets the error object if programmed, runs the method's hooks, returns
    // the call's result.
    HRESULT finish(const Invocation& call);

    HRESULT invalidateRect(const RECT* rect, BOOL erase);
    HRESULT invalidateRgn(HRGN region, BOOL erase);

private:
    ~ControlObject();

    HRESULT activateInPlace(IOleClientSite* site);

    // Getter and setter shapes shared by the properties.
    template <typename T>
    HRESULT getValue(const char* method, T* out, const T& value);
    HRESULT getText(const char* method, BSTR* out, const platform::WideString& value);
    template <typename T>
    HRESULT putValue(const char* method, T value, T& field, std::string rendered);
    HRESULT putText(const char* method, BSTR value, platform::WideString& field);
    HRESULT notImplemented(const char* method, std::string args = {});

    std::atomic<ULONG> m_refs = 0;
};

// The content of a BSTR by its length prefix; null is empty.
[[nodiscard]] inline platform::WideString bstrContent(BSTR value) {
    return value == nullptr ? platform::WideString() : platform::WideString(value, SysStringLen(value));
}

template <typename T>
HRESULT ControlObject::getValue(const char* method, T* out, const T& value) {
    const Invocation call = begin(method);
    if (out == nullptr)
        return E_POINTER;
    if (call.writesOutput())
        *out = value;
    return finish(call);
}

template <typename T>
HRESULT ControlObject::putValue(const char* method, T value, T& field, std::string rendered) {
    const Invocation call = begin(method, std::move(rendered));
    if (!call.refused())
        field = value;
    return finish(call);
}

}  // namespace fake_control
