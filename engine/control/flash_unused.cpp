// Members of IShockwaveFlash this control does not offer: each answers
// E_NOTIMPL with error information, and clears what it would have returned.
#include "control/flash_control.h"

#include "control/control_error.h"

namespace control {

HRESULT FlashControl::SetZoomRect(LONG, LONG, LONG, LONG) try { return notImplemented(u"SetZoomRect"); } catch (...) {
    return failureFromException(u"SetZoomRect");
}

HRESULT FlashControl::Zoom(INT) try { return notImplemented(u"Zoom"); } catch (...) {
    return failureFromException(u"Zoom");
}

HRESULT FlashControl::Pan(LONG, LONG, INT) try { return notImplemented(u"Pan"); } catch (...) {
    return failureFromException(u"Pan");
}

HRESULT FlashControl::get_Menu(VARIANT_BOOL* pVal) try {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"Menu");
} catch (...) {
    return failureFromException(u"get_Menu");
}

HRESULT FlashControl::put_Menu(VARIANT_BOOL) try { return notImplemented(u"Menu"); } catch (...) {
    return failureFromException(u"put_Menu");
}

HRESULT FlashControl::get_Base(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"Base");
} catch (...) {
    return failureFromException(u"get_Base");
}

HRESULT FlashControl::put_Base(BSTR) try { return notImplemented(u"Base"); } catch (...) {
    return failureFromException(u"put_Base");
}

HRESULT FlashControl::get_DeviceFont(VARIANT_BOOL* pVal) try {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"DeviceFont");
} catch (...) {
    return failureFromException(u"get_DeviceFont");
}

HRESULT FlashControl::put_DeviceFont(VARIANT_BOOL) try { return notImplemented(u"DeviceFont"); } catch (...) {
    return failureFromException(u"put_DeviceFont");
}

HRESULT FlashControl::get_BGColor(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"BGColor");
} catch (...) {
    return failureFromException(u"get_BGColor");
}

HRESULT FlashControl::put_BGColor(BSTR) try { return notImplemented(u"BGColor"); } catch (...) {
    return failureFromException(u"put_BGColor");
}

HRESULT FlashControl::get_SWRemote(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"SWRemote");
} catch (...) {
    return failureFromException(u"get_SWRemote");
}

HRESULT FlashControl::put_SWRemote(BSTR) try { return notImplemented(u"SWRemote"); } catch (...) {
    return failureFromException(u"put_SWRemote");
}

HRESULT FlashControl::get_FlashVars(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"FlashVars");
} catch (...) {
    return failureFromException(u"get_FlashVars");
}

HRESULT FlashControl::put_FlashVars(BSTR) try { return notImplemented(u"FlashVars"); } catch (...) {
    return failureFromException(u"put_FlashVars");
}

HRESULT FlashControl::get_MovieData(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"MovieData");
} catch (...) {
    return failureFromException(u"get_MovieData");
}

HRESULT FlashControl::put_MovieData(BSTR) try { return notImplemented(u"MovieData"); } catch (...) {
    return failureFromException(u"put_MovieData");
}

HRESULT FlashControl::get_InlineData(IUnknown** pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"InlineData");
} catch (...) {
    return failureFromException(u"get_InlineData");
}

HRESULT FlashControl::put_InlineData(IUnknown*) try { return notImplemented(u"InlineData"); } catch (...) {
    return failureFromException(u"put_InlineData");
}

HRESULT FlashControl::get_SeamlessTabbing(VARIANT_BOOL* pVal) try {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"SeamlessTabbing");
} catch (...) {
    return failureFromException(u"get_SeamlessTabbing");
}

HRESULT FlashControl::put_SeamlessTabbing(VARIANT_BOOL) try { return notImplemented(u"SeamlessTabbing"); } catch (...) {
    return failureFromException(u"put_SeamlessTabbing");
}

HRESULT FlashControl::get_Profile(VARIANT_BOOL* pVal) try {
    if (pVal != nullptr)
        *pVal = VARIANT_FALSE;
    return notImplemented(u"Profile");
} catch (...) {
    return failureFromException(u"get_Profile");
}

HRESULT FlashControl::put_Profile(VARIANT_BOOL) try { return notImplemented(u"Profile"); } catch (...) {
    return failureFromException(u"put_Profile");
}

HRESULT FlashControl::get_ProfileAddress(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"ProfileAddress");
} catch (...) {
    return failureFromException(u"get_ProfileAddress");
}

HRESULT FlashControl::put_ProfileAddress(BSTR) try { return notImplemented(u"ProfileAddress"); } catch (...) {
    return failureFromException(u"put_ProfileAddress");
}

HRESULT FlashControl::get_ProfilePort(LONG* pVal) try {
    if (pVal != nullptr)
        *pVal = 0;
    return notImplemented(u"ProfilePort");
} catch (...) {
    return failureFromException(u"get_ProfilePort");
}

HRESULT FlashControl::put_ProfilePort(LONG) try { return notImplemented(u"ProfilePort"); } catch (...) {
    return failureFromException(u"put_ProfilePort");
}

HRESULT FlashControl::get_AllowNetworking(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"AllowNetworking");
} catch (...) {
    return failureFromException(u"get_AllowNetworking");
}

HRESULT FlashControl::put_AllowNetworking(BSTR) try { return notImplemented(u"AllowNetworking"); } catch (...) {
    return failureFromException(u"put_AllowNetworking");
}

HRESULT FlashControl::get_AllowFullScreen(BSTR* pVal) try {
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"AllowFullScreen");
} catch (...) {
    return failureFromException(u"get_AllowFullScreen");
}

HRESULT FlashControl::put_AllowFullScreen(BSTR) try { return notImplemented(u"AllowFullScreen"); } catch (...) {
    return failureFromException(u"put_AllowFullScreen");
}

}  // namespace control
