// IShockwaveFlash properties of the fake control: each one reads and writes a
// field of State. Properties the fake does not keep answer E_NOTIMPL.
#include "control_object.h"

#include "call_text.h"

namespace fake_control {

namespace {

std::string num(long long value) { return text::number(value); }

}  // namespace

HRESULT ControlObject::get_text(const char* method, BSTR* out, const std::u16string& value) {
    const Invocation call = begin(method);
    if (out == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        if (*out == nullptr)
            return finish(Invocation{method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::put_text(const char* method, BSTR value, std::u16string& field) {
    const Invocation call = begin(method, text::bstr(value));
    if (!call.refused())
        field = bstr_content(value);
    return finish(call);
}

// IDispatch: the fake offers no type information and no late-bound members.
HRESULT ControlObject::GetTypeInfoCount(UINT* pctinfo) {
    const Invocation call = begin("GetTypeInfoCount");
    if (pctinfo == nullptr)
        return E_POINTER;
    if (call.writes_output())
        *pctinfo = 0;
    return finish(call);
}

HRESULT ControlObject::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return not_implemented("GetTypeInfo", num(iTInfo));
}

HRESULT ControlObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID*) {
    return not_implemented(
        "GetIDsOfNames",
        text::args(cNames > 0 && rgszNames != nullptr ? text::wide(rgszNames[0]) : "null", num(cNames)));
}

HRESULT ControlObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                              UINT*) {
    return finish(begin("Invoke", text::args(num(dispIdMember), num(wFlags)), DISP_E_MEMBERNOTFOUND));
}

HRESULT ControlObject::get_ReadyState(LONG* pVal) { return get_value("get_ReadyState", pVal, m_state.ready_state); }
HRESULT ControlObject::get_TotalFrames(LONG* pVal) { return get_value("get_TotalFrames", pVal, m_state.total_frames); }
HRESULT ControlObject::get_Playing(VARIANT_BOOL* pVal) { return get_value("get_Playing", pVal, m_state.playing); }
HRESULT ControlObject::put_Playing(VARIANT_BOOL pVal) {
    return put_value("put_Playing", pVal, m_state.playing, num(pVal));
}
HRESULT ControlObject::get_Quality(INT* pVal) { return get_value("get_Quality", pVal, m_state.quality); }
HRESULT ControlObject::put_Quality(INT pVal) { return put_value("put_Quality", pVal, m_state.quality, num(pVal)); }
HRESULT ControlObject::get_ScaleMode(INT* pVal) { return get_value("get_ScaleMode", pVal, m_state.scale_mode); }
HRESULT ControlObject::put_ScaleMode(INT pVal) {
    return put_value("put_ScaleMode", pVal, m_state.scale_mode, num(pVal));
}
HRESULT ControlObject::get_AlignMode(INT* pVal) { return get_value("get_AlignMode", pVal, m_state.align_mode); }
HRESULT ControlObject::put_AlignMode(INT pVal) {
    return put_value("put_AlignMode", pVal, m_state.align_mode, num(pVal));
}
HRESULT ControlObject::get_BackgroundColor(LONG* pVal) {
    return get_value("get_BackgroundColor", pVal, m_state.background_color);
}
HRESULT ControlObject::put_BackgroundColor(LONG pVal) {
    return put_value("put_BackgroundColor", pVal, m_state.background_color, num(pVal));
}
HRESULT ControlObject::get_Loop(VARIANT_BOOL* pVal) { return get_value("get_Loop", pVal, m_state.loop); }
HRESULT ControlObject::put_Loop(VARIANT_BOOL pVal) { return put_value("put_Loop", pVal, m_state.loop, num(pVal)); }
HRESULT ControlObject::get_Movie(BSTR* pVal) { return get_text("get_Movie", pVal, m_state.movie); }
HRESULT ControlObject::put_Movie(BSTR pVal) { return put_text("put_Movie", pVal, m_state.movie); }
HRESULT ControlObject::get_FrameNum(LONG* pVal) { return get_value("get_FrameNum", pVal, m_state.frame); }
HRESULT ControlObject::put_FrameNum(LONG pVal) { return put_value("put_FrameNum", pVal, m_state.frame, num(pVal)); }
HRESULT ControlObject::get_WMode(BSTR* pVal) { return get_text("get_WMode", pVal, m_state.wmode); }
HRESULT ControlObject::put_WMode(BSTR pVal) { return put_text("put_WMode", pVal, m_state.wmode); }
HRESULT ControlObject::get_SAlign(BSTR* pVal) { return get_text("get_SAlign", pVal, m_state.salign); }
HRESULT ControlObject::put_SAlign(BSTR pVal) { return put_text("put_SAlign", pVal, m_state.salign); }
HRESULT ControlObject::get_Menu(VARIANT_BOOL* pVal) { return get_value("get_Menu", pVal, m_state.menu); }
HRESULT ControlObject::put_Menu(VARIANT_BOOL pVal) { return put_value("put_Menu", pVal, m_state.menu, num(pVal)); }
HRESULT ControlObject::get_Base(BSTR* pVal) { return get_text("get_Base", pVal, m_state.base); }
HRESULT ControlObject::put_Base(BSTR pVal) { return put_text("put_Base", pVal, m_state.base); }
HRESULT ControlObject::get_Scale(BSTR* pVal) { return get_text("get_Scale", pVal, m_state.scale); }
HRESULT ControlObject::put_Scale(BSTR pVal) { return put_text("put_Scale", pVal, m_state.scale); }
HRESULT ControlObject::get_DeviceFont(VARIANT_BOOL* pVal) {
    return get_value("get_DeviceFont", pVal, m_state.device_font);
}
HRESULT ControlObject::put_DeviceFont(VARIANT_BOOL pVal) {
    return put_value("put_DeviceFont", pVal, m_state.device_font, num(pVal));
}
HRESULT ControlObject::get_EmbedMovie(VARIANT_BOOL* pVal) {
    return get_value("get_EmbedMovie", pVal, m_state.embed_movie);
}
HRESULT ControlObject::put_EmbedMovie(VARIANT_BOOL pVal) {
    return put_value("put_EmbedMovie", pVal, m_state.embed_movie, num(pVal));
}
HRESULT ControlObject::get_BGColor(BSTR* pVal) { return get_text("get_BGColor", pVal, m_state.bgcolor); }
HRESULT ControlObject::put_BGColor(BSTR pVal) { return put_text("put_BGColor", pVal, m_state.bgcolor); }
HRESULT ControlObject::get_Quality2(BSTR* pVal) { return get_text("get_Quality2", pVal, m_state.quality2); }
HRESULT ControlObject::put_Quality2(BSTR pVal) { return put_text("put_Quality2", pVal, m_state.quality2); }
HRESULT ControlObject::get_SWRemote(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return not_implemented("get_SWRemote");
}
HRESULT ControlObject::put_SWRemote(BSTR pVal) { return not_implemented("put_SWRemote", text::bstr(pVal)); }
HRESULT ControlObject::get_FlashVars(BSTR* pVal) { return get_text("get_FlashVars", pVal, m_state.flash_vars); }
HRESULT ControlObject::put_FlashVars(BSTR pVal) { return put_text("put_FlashVars", pVal, m_state.flash_vars); }
HRESULT ControlObject::get_AllowScriptAccess(BSTR* pVal) {
    return get_text("get_AllowScriptAccess", pVal, m_state.allow_script_access);
}
HRESULT ControlObject::put_AllowScriptAccess(BSTR pVal) {
    return put_text("put_AllowScriptAccess", pVal, m_state.allow_script_access);
}
HRESULT ControlObject::get_MovieData(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return not_implemented("get_MovieData");
}
HRESULT ControlObject::put_MovieData(BSTR pVal) { return not_implemented("put_MovieData", text::bstr(pVal)); }
HRESULT ControlObject::get_InlineData(IUnknown** ppIUnknown) {
    if (ppIUnknown != nullptr)
        *ppIUnknown = nullptr;
    return not_implemented("get_InlineData");
}
HRESULT ControlObject::put_InlineData(IUnknown* ppIUnknown) {
    return not_implemented("put_InlineData", text::pointer(ppIUnknown));
}
HRESULT ControlObject::get_SeamlessTabbing(VARIANT_BOOL* pVal) {
    return get_value("get_SeamlessTabbing", pVal, m_state.seamless_tabbing);
}
HRESULT ControlObject::put_SeamlessTabbing(VARIANT_BOOL pVal) {
    return put_value("put_SeamlessTabbing", pVal, m_state.seamless_tabbing, num(pVal));
}
HRESULT ControlObject::get_Profile(VARIANT_BOOL* pVal) {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return not_implemented("get_Profile");
}
HRESULT ControlObject::put_Profile(VARIANT_BOOL pVal) { return not_implemented("put_Profile", num(pVal)); }
HRESULT ControlObject::get_ProfileAddress(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return not_implemented("get_ProfileAddress");
}
HRESULT ControlObject::put_ProfileAddress(BSTR pVal) { return not_implemented("put_ProfileAddress", text::bstr(pVal)); }
HRESULT ControlObject::get_ProfilePort(LONG* pVal) {
    if (pVal != nullptr)
        *pVal = 0;
    return not_implemented("get_ProfilePort");
}
HRESULT ControlObject::put_ProfilePort(LONG pVal) { return not_implemented("put_ProfilePort", num(pVal)); }
HRESULT ControlObject::get_AllowNetworking(BSTR* pVal) {
    return get_text("get_AllowNetworking", pVal, m_state.allow_networking);
}
HRESULT ControlObject::put_AllowNetworking(BSTR pVal) {
    return put_text("put_AllowNetworking", pVal, m_state.allow_networking);
}
HRESULT ControlObject::get_AllowFullScreen(BSTR* pVal) {
    return get_text("get_AllowFullScreen", pVal, m_state.allow_full_screen);
}
HRESULT ControlObject::put_AllowFullScreen(BSTR pVal) {
    return put_text("put_AllowFullScreen", pVal, m_state.allow_full_screen);
}

}  // namespace fake_control
