// IOleWindow, IOleInPlaceObject and IOleInPlaceObjectWindowless of the fake
// control: it has no window, keeps the rectangles it is given and takes every
// window message.
#include "control_object.h"

#include "call_text.h"

namespace fake_control {

HRESULT ControlObject::GetWindow(HWND* phwnd) {
    // Windowless: there is no window to give.
    if (phwnd != nullptr)
        *phwnd = nullptr;
    return finish(begin("GetWindow", {}, E_FAIL));
}

HRESULT ControlObject::ContextSensitiveHelp(BOOL fEnterMode) {
    return notImplemented("ContextSensitiveHelp", text::number(static_cast<long long>(fEnterMode)));
}

HRESULT ControlObject::InPlaceDeactivate() {
    const Invocation call = begin("InPlaceDeactivate");
    if (!call.refused())
        m_state.inPlaceActive = false;
    return finish(call);
}

HRESULT ControlObject::UIDeactivate() { return finish(begin("UIDeactivate")); }

HRESULT ControlObject::SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) {
    const Invocation call = begin("SetObjectRects", text::args(text::rect(lprcPosRect), text::rect(lprcClipRect)));
    if (lprcPosRect == nullptr || lprcClipRect == nullptr)
        return E_INVALIDARG;
    if (!call.refused()) {
        m_state.position = *lprcPosRect;
        m_state.clip = *lprcClipRect;
    }
    return finish(call);
}

HRESULT ControlObject::ReactivateAndUndo() { return notImplemented("ReactivateAndUndo"); }

HRESULT ControlObject::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) {
    const Invocation call =
        begin("OnWindowMessage", text::args(text::hex(msg), text::hex(static_cast<unsigned long long>(wParam)),
                                            text::hex(static_cast<unsigned long long>(lParam))));
    if (plResult != nullptr && call.writesOutput())
        *plResult = 0;
    return finish(call);
}

HRESULT ControlObject::GetDropTarget(IDropTarget** ppDropTarget) {
    if (ppDropTarget != nullptr)
        *ppDropTarget = nullptr;
    return notImplemented("GetDropTarget");
}

}  // namespace fake_control
