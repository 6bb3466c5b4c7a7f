// IShockwaveFlash properties of the fake control: each one reads and writes a
// field of State. Properties the fake does not keep answer E_NOTIMPL.
#include "control_object.h"

#include "call_text.h"

namespace fake_control {

namespace {

std::string num(long long value) { return text::number(value); }

}  // namespace

HRESULT ControlObject::getText(const char* method, BSTR* out, const platform::WideString& value) {
    const Invocation call = begin(method);
    if (out == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        if (*out == nullptr)
            return finish(Invocation{method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::putText(const char* method, BSTR value, platform::WideString& field) {
    const Invocation call = begin(method, text::bstr(value));
    if (!call.refused())
        field = bstrContent(value);
    return finish(call);
}

// IDispatch: the fake offers no type information and no late-bound members.
HRESULT ControlObject::GetTypeInfoCount(UINT* pctinfo) {
    const Invocation call = begin("GetTypeInfoCount");
    if (pctinfo == nullptr)
        return E_POINTER;
    if (call.writesOutput())
        *pctinfo = 0;
    return finish(call);
}

HRESULT ControlObject::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return notImplemented("GetTypeInfo", num(iTInfo));
}

HRESULT ControlObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID*) {
    return notImplemented(
        "GetIDsOfNames",
        text::args(cNames > 0 && rgszNames != nullptr ? text::wide(rgszNames[0]) : "null", num(cNames)));
}

HRESULT ControlObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                              UINT*) {
    return finish(begin("Invoke", text::args(num(dispIdMember), num(wFlags)), DISP_E_MEMBERNOTFOUND));
}

HRESULT ControlObject::get_ReadyState(LONG* pVal) { return getValue("get_ReadyState", pVal, m_state.readyState); }
HRESULT ControlObject::get_TotalFrames(LONG* pVal) { return getValue("get_TotalFrames", pVal, m_state.totalFrames); }
HRESULT ControlObject::get_Playing(VARIANT_BOOL* pVal) { return getValue("get_Playing", pVal, m_state.playing); }
HRESULT ControlObject::put_Playing(VARIANT_BOOL pVal) {
    return putValue("put_Playing", pVal, m_state.playing, num(pVal));
}
HRESULT ControlObject::get_Quality(INT* pVal) { return getValue("get_Quality", pVal, m_state.quality); }
HRESULT ControlObject::put_Quality(INT pVal) { return putValue("put_Quality", pVal, m_state.quality, num(pVal)); }
HRESULT ControlObject::get_ScaleMode(INT* pVal) { return getValue("get_ScaleMode", pVal, m_state.scaleMode); }
HRESULT ControlObject::put_ScaleMode(INT pVal) { return putValue("put_ScaleMode", pVal, m_state.scaleMode, num(pVal)); }
HRESULT ControlObject::get_AlignMode(INT* pVal) { return getValue("get_AlignMode", pVal, m_state.alignMode); }
HRESULT ControlObject::put_AlignMode(INT pVal) { return putValue("put_AlignMode", pVal, m_state.alignMode, num(pVal)); }
HRESULT ControlObject::get_BackgroundColor(LONG* pVal) {
    return getValue("get_BackgroundColor", pVal, m_state.backgroundColor);
}
HRESULT ControlObject::put_BackgroundColor(LONG pVal) {
    return putValue("put_BackgroundColor", pVal, m_state.backgroundColor, num(pVal));
}
HRESULT ControlObject::get_Loop(VARIANT_BOOL* pVal) { return getValue("get_Loop", pVal, m_state.loop); }
HRESULT ControlObject::put_Loop(VARIANT_BOOL pVal) { return putValue("put_Loop", pVal, m_state.loop, num(pVal)); }
HRESULT ControlObject::get_Movie(BSTR* pVal) { return getText("get_Movie", pVal, m_state.movie); }
HRESULT ControlObject::put_Movie(BSTR pVal) { return putText("put_Movie", pVal, m_state.movie); }
HRESULT ControlObject::get_FrameNum(LONG* pVal) { return getValue("get_FrameNum", pVal, m_state.frame); }
HRESULT ControlObject::put_FrameNum(LONG pVal) { return putValue("put_FrameNum", pVal, m_state.frame, num(pVal)); }
HRESULT ControlObject::get_WMode(BSTR* pVal) { return getText("get_WMode", pVal, m_state.wmode); }
HRESULT ControlObject::put_WMode(BSTR pVal) { return putText("put_WMode", pVal, m_state.wmode); }
HRESULT ControlObject::get_SAlign(BSTR* pVal) { return getText("get_SAlign", pVal, m_state.salign); }
HRESULT ControlObject::put_SAlign(BSTR pVal) { return putText("put_SAlign", pVal, m_state.salign); }
HRESULT ControlObject::get_Menu(VARIANT_BOOL* pVal) { return getValue("get_Menu", pVal, m_state.menu); }
HRESULT ControlObject::put_Menu(VARIANT_BOOL pVal) { return putValue("put_Menu", pVal, m_state.menu, num(pVal)); }
HRESULT ControlObject::get_Base(BSTR* pVal) { return getText("get_Base", pVal, m_state.base); }
HRESULT ControlObject::put_Base(BSTR pVal) { return putText("put_Base", pVal, m_state.base); }
HRESULT ControlObject::get_Scale(BSTR* pVal) { return getText("get_Scale", pVal, m_state.scale); }
HRESULT ControlObject::put_Scale(BSTR pVal) { return putText("put_Scale", pVal, m_state.scale); }
HRESULT ControlObject::get_DeviceFont(VARIANT_BOOL* pVal) {
    return getValue("get_DeviceFont", pVal, m_state.deviceFont);
}
HRESULT ControlObject::put_DeviceFont(VARIANT_BOOL pVal) {
    return putValue("put_DeviceFont", pVal, m_state.deviceFont, num(pVal));
}
HRESULT ControlObject::get_EmbedMovie(VARIANT_BOOL* pVal) {
    return getValue("get_EmbedMovie", pVal, m_state.embedMovie);
}
HRESULT ControlObject::put_EmbedMovie(VARIANT_BOOL pVal) {
    return putValue("put_EmbedMovie", pVal, m_state.embedMovie, num(pVal));
}
HRESULT ControlObject::get_BGColor(BSTR* pVal) { return getText("get_BGColor", pVal, m_state.bgcolor); }
HRESULT ControlObject::put_BGColor(BSTR pVal) { return putText("put_BGColor", pVal, m_state.bgcolor); }
HRESULT ControlObject::get_Quality2(BSTR* pVal) { return getText("get_Quality2", pVal, m_state.quality2); }
HRESULT ControlObject::put_Quality2(BSTR pVal) { return putText("put_Quality2", pVal, m_state.quality2); }
HRESULT ControlObject::get_SWRemote(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented("get_SWRemote");
}
HRESULT ControlObject::put_SWRemote(BSTR pVal) { return notImplemented("put_SWRemote", text::bstr(pVal)); }
HRESULT ControlObject::get_FlashVars(BSTR* pVal) { return getText("get_FlashVars", pVal, m_state.flashVars); }
HRESULT ControlObject::put_FlashVars(BSTR pVal) { return putText("put_FlashVars", pVal, m_state.flashVars); }
HRESULT ControlObject::get_AllowScriptAccess(BSTR* pVal) {
    return getText("get_AllowScriptAccess", pVal, m_state.allowScriptAccess);
}
HRESULT ControlObject::put_AllowScriptAccess(BSTR pVal) {
    return putText("put_AllowScriptAccess", pVal, m_state.allowScriptAccess);
}
HRESULT ControlObject::get_MovieData(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented("get_MovieData");
}
HRESULT ControlObject::put_MovieData(BSTR pVal) { return notImplemented("put_MovieData", text::bstr(pVal)); }
HRESULT ControlObject::get_InlineData(IUnknown** ppIUnknown) {
    if (ppIUnknown != nullptr)
        *ppIUnknown = nullptr;
    return notImplemented("get_InlineData");
}
HRESULT ControlObject::put_InlineData(IUnknown* ppIUnknown) {
    return notImplemented("put_InlineData", text::pointer(ppIUnknown));
}
HRESULT ControlObject::get_SeamlessTabbing(VARIANT_BOOL* pVal) {
    return getValue("get_SeamlessTabbing", pVal, m_state.seamlessTabbing);
}
HRESULT ControlObject::put_SeamlessTabbing(VARIANT_BOOL pVal) {
    return putValue("put_SeamlessTabbing", pVal, m_state.seamlessTabbing, num(pVal));
}
HRESULT ControlObject::get_Profile(VARIANT_BOOL* pVal) {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented("get_Profile");
}
HRESULT ControlObject::put_Profile(VARIANT_BOOL pVal) { return notImplemented("put_Profile", num(pVal)); }
HRESULT ControlObject::get_ProfileAddress(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented("get_ProfileAddress");
}
HRESULT ControlObject::put_ProfileAddress(BSTR pVal) { return notImplemented("put_ProfileAddress", text::bstr(pVal)); }
HRESULT ControlObject::get_ProfilePort(LONG* pVal) {
    if (pVal != nullptr)
        *pVal = 0;
    return notImplemented("get_ProfilePort");
}
HRESULT ControlObject::put_ProfilePort(LONG pVal) { return notImplemented("put_ProfilePort", num(pVal)); }
HRESULT ControlObject::get_AllowNetworking(BSTR* pVal) {
    return getText("get_AllowNetworking", pVal, m_state.allowNetworking);
}
HRESULT ControlObject::put_AllowNetworking(BSTR pVal) {
    return putText("put_AllowNetworking", pVal, m_state.allowNetworking);
}
HRESULT ControlObject::get_AllowFullScreen(BSTR* pVal) {
    return getText("get_AllowFullScreen", pVal, m_state.allowFullScreen);
}
HRESULT ControlObject::put_AllowFullScreen(BSTR pVal) {
    return putText("put_AllowFullScreen", pVal, m_state.allowFullScreen);
}

}  // namespace fake_control
