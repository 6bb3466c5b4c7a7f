// A windowless container site for driving the control as the host does: it
// implements IOleClientSite and IOleInPlaceSiteWindowless, records every call
// by name in order, keeps each invalidation (a missing rectangle stands for
// the whole object), and counts references on both interfaces together.
#pragma once

#include "platform/ole.h"

#include <optional>
#include <string>
#include <vector>

namespace moviehost::testing {

class RecordingSite final : public IOleInPlaceSiteWindowless, public IOleClientSite {
public:
    // What GetWindowContext reports as position and clip.
    RECT position{0, 0, 200, 100};
    HRESULT canInPlaceActivate = S_OK;
    HRESULT canWindowlessActivate = S_OK;
    bool offersWindowless = true;
    // What GetFocus answers: S_OK says the control has the keyboard focus.
    HRESULT focus = S_OK;

    std::vector<std::string> calls;
    std::vector<std::optional<RECT>> invalidations;
    LONG refs = 0;

    // Forgets the calls and invalidations recorded so far.
    void clear() {
        calls.clear();
        invalidations.clear();
    }

    IOleClientSite* clientSite() { return static_cast<IOleClientSite*>(this); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return note("SaveObject"); }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return note("GetContainer", E_NOINTERFACE); }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return note("ShowObject"); }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return note("OnShowWindow"); }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return note("RequestNewObjectLayout", E_NOTIMPL); }

    // IOleWindow .. IOleInPlaceSiteWindowless
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return note("GetWindow", E_FAIL); }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return note("ContextSensitiveHelp"); }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return note("CanInPlaceActivate", canInPlaceActivate); }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return note("OnInPlaceActivate"); }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return note("OnUIActivate"); }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return note("Scroll"); }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return note("OnUIDeactivate"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return note("OnInPlaceDeactivate"); }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return note("DiscardUndoState"); }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return note("DeactivateAndUndo"); }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return note("OnPosRectChange"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL*, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL) override { return note("OnInPlaceDeactivateEx"); }
    HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return note("RequestUIActivate", S_FALSE); }
    HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override {
        return note("CanWindowlessActivate", canWindowlessActivate);
    }
    HRESULT STDMETHODCALLTYPE GetCapture() override { return note("GetCapture", S_FALSE); }
    HRESULT STDMETHODCALLTYPE SetCapture(BOOL) override { return note("SetCapture"); }
    HRESULT STDMETHODCALLTYPE GetFocus() override { return note("GetFocus", focus); }
    HRESULT STDMETHODCALLTYPE SetFocus(BOOL) override { return note("SetFocus"); }
    HRESULT STDMETHODCALLTYPE GetDC(LPCRECT, DWORD, HDC*) override { return note("GetDC", E_INVALIDARG); }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return note("ReleaseDC", E_INVALIDARG); }
    HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT rect, BOOL) override;
    HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN, BOOL) override;
    HRESULT STDMETHODCALLTYPE ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return note("ScrollRect"); }
    HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT) override { return note("AdjustRect"); }
    HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override {
        return note("OnDefWindowMessage", S_FALSE);
    }

private:
    HRESULT note(const char* call, HRESULT result = S_OK) {
        calls.emplace_back(call);
        return result;
    }
};

}  // namespace moviehost::testing
