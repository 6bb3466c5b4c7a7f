// IOleInPlaceObject(Windowless): where the container shows the control, and
// leaving its place. Window messages are in window_messages.cpp.
#include "control/flash_control.h"

#include "control/control_error.h"

namespace control {

HRESULT FlashControl::GetWindow(HWND* phwnd) try {
    if (phwnd != nullptr)
        *phwnd = nullptr;
    return reportError(E_FAIL, u"the control is windowless and has no window");
} catch (...) {
    return failureFromException(u"GetWindow");
}

HRESULT FlashControl::ContextSensitiveHelp(BOOL) try {
    return notImplemented(u"IOleWindow::ContextSensitiveHelp");
} catch (...) {
    return failureFromException(u"ContextSensitiveHelp");
}

HRESULT FlashControl::InPlaceDeactivate() try {
    KeepAlive alive(*this);
    deactivateInPlace();
    return S_OK;
} catch (...) {
    return failureFromException(u"InPlaceDeactivate");
}

void FlashControl::deactivateInPlace() {
    if (!m_inPlaceSite)
        return;
    // Emptied first: the site may call back while it hears of it.
    const platform::ComPtr<IOleInPlaceSiteWindowless> site = std::move(m_inPlaceSite);
    m_focused = false;
    site->OnInPlaceDeactivateEx(TRUE);
}

HRESULT FlashControl::UIDeactivate() try { return S_OK; } catch (...) {
    return failureFromException(u"UIDeactivate");
}

// The position becomes the surface the stage is shown in; the whole of it is
// to be drawn again.
HRESULT FlashControl::SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) try {
    if (lprcPosRect == nullptr || lprcClipRect == nullptr)
        return reportError(E_INVALIDARG, u"SetObjectRects needs a position and a clip rectangle");
    KeepAlive alive(*this);
    m_position = *lprcPosRect;
    m_clip = *lprcClipRect;
    syncLayout();
    invalidateAll();
    return S_OK;
} catch (...) {
    return failureFromException(u"SetObjectRects");
}

HRESULT FlashControl::ReactivateAndUndo() try {
    return notImplemented(u"IOleInPlaceObject::ReactivateAndUndo");
} catch (...) {
    return failureFromException(u"ReactivateAndUndo");
}

HRESULT FlashControl::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) try {
    if (plResult == nullptr)
        return reportError(E_POINTER, u"OnWindowMessage needs a place for the message's result");
    *plResult = 0;
    KeepAlive alive(*this);
    return handleWindowMessage(msg, wParam, lParam, *plResult) ? S_OK : S_FALSE;
} catch (...) {
    return failureFromException(u"OnWindowMessage");
}

HRESULT FlashControl::GetDropTarget(IDropTarget** ppDropTarget) try {
    if (ppDropTarget != nullptr)
        *ppDropTarget = nullptr;
    return notImplemented(u"IOleInPlaceObjectWindowless::GetDropTarget");
} catch (...) {
    return failureFromException(u"GetDropTarget");
}

}  // namespace control
