// Members of IShockwaveFlash this control does not offer: each answers
// E_NOTIMPL with error information, and clears what it would have returned.
#include "control/flash_control.h"

#include "control/control_error.h"

namespace control {

HRESULT FlashControl::get_ScaleMode(INT* pVal) {
    if (pVal != nullptr)
        *pVal = 0;
    return notImplemented(u"ScaleMode");
}

HRESULT FlashControl::put_ScaleMode(INT) { return notImplemented(u"ScaleMode"); }

HRESULT FlashControl::get_AlignMode(INT* pVal) {
    if (pVal != nullptr)
        *pVal = 0;
    return notImplemented(u"AlignMode");
}

HRESULT FlashControl::put_AlignMode(INT) { return notImplemented(u"AlignMode"); }

HRESULT FlashControl::SetZoomRect(LONG, LONG, LONG, LONG) { return notImplemented(u"SetZoomRect"); }

HRESULT FlashControl::Zoom(INT) { return notImplemented(u"Zoom"); }

HRESULT FlashControl::Pan(LONG, LONG, INT) { return notImplemented(u"Pan"); }

HRESULT FlashControl::get_SAlign(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"SAlign");
}

HRESULT FlashControl::put_SAlign(BSTR) { return notImplemented(u"SAlign"); }

HRESULT FlashControl::get_Menu(VARIANT_BOOL* pVal) {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"Menu");
}

HRESULT FlashControl::put_Menu(VARIANT_BOOL) { return notImplemented(u"Menu"); }

HRESULT FlashControl::get_Base(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"Base");
}

HRESULT FlashControl::put_Base(BSTR) { return notImplemented(u"Base"); }

HRESULT FlashControl::get_Scale(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"Scale");
}

HRESULT FlashControl::put_Scale(BSTR) { return notImplemented(u"Scale"); }

HRESULT FlashControl::get_DeviceFont(VARIANT_BOOL* pVal) {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"DeviceFont");
}

HRESULT FlashControl::put_DeviceFont(VARIANT_BOOL) { return notImplemented(u"DeviceFont"); }

HRESULT FlashControl::get_BGColor(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"BGColor");
}

HRESULT FlashControl::put_BGColor(BSTR) { return notImplemented(u"BGColor"); }

HRESULT FlashControl::get_SWRemote(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"SWRemote");
}

HRESULT FlashControl::put_SWRemote(BSTR) { return notImplemented(u"SWRemote"); }

HRESULT FlashControl::get_FlashVars(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"FlashVars");
}

HRESULT FlashControl::put_FlashVars(BSTR) { return notImplemented(u"FlashVars"); }

HRESULT FlashControl::get_MovieData(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"MovieData");
}

HRESULT FlashControl::put_MovieData(BSTR) { return notImplemented(u"MovieData"); }

HRESULT FlashControl::get_InlineData(IUnknown** pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"InlineData");
}

HRESULT FlashControl::put_InlineData(IUnknown*) { return notImplemented(u"InlineData"); }

HRESULT FlashControl::get_SeamlessTabbing(VARIANT_BOOL* pVal) {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"SeamlessTabbing");
}

HRESULT FlashControl::put_SeamlessTabbing(VARIANT_BOOL) { return notImplemented(u"SeamlessTabbing"); }

HRESULT FlashControl::get_Profile(VARIANT_BOOL* pVal) {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"Profile");
}

HRESULT FlashControl::put_Profile(VARIANT_BOOL) { return notImplemented(u"Profile"); }

HRESULT FlashControl::get_ProfileAddress(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"ProfileAddress");
}

HRESULT FlashControl::put_ProfileAddress(BSTR) { return notImplemented(u"ProfileAddress"); }

HRESULT FlashControl::get_ProfilePort(LONG* pVal) {
    if (pVal != nullptr)
        *pVal = 0;
    return notImplemented(u"ProfilePort");
}

HRESULT FlashControl::put_ProfilePort(LONG) { return notImplemented(u"ProfilePort"); }

HRESULT FlashControl::get_AllowNetworking(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"AllowNetworking");
}

HRESULT FlashControl::put_AllowNetworking(BSTR) { return notImplemented(u"AllowNetworking"); }

HRESULT FlashControl::get_AllowFullScreen(BSTR* pVal) {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"AllowFullScreen");
}

HRESULT FlashControl::put_AllowFullScreen(BSTR) { return notImplemented(u"AllowFullScreen"); }

}  // namespace control
