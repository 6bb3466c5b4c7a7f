// A container site for tests of the fake control: it implements the client
// site and the windowless in-place site, records each call by name (with the
// rectangle for InvalidateRect), and answers like a windowless container whose
// surface is `width` x `height`.
#pragma once

#include "platform/ole.h"

#include <string>
#include <vector>

namespace test_support {

class RecordingSite final : public IOleInPlaceSiteWindowless, public IOleClientSite {
public:
    LONG width = 640;
    LONG height = 480;
    bool windowless = true;
    std::vector<std::string> calls;
    std::vector<RECT> invalidated;  // {-1,-1,-1,-1} for InvalidateRect(null) and for regions
    ULONG refs = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceSite ||
            riid == IID_IOleInPlaceSiteEx || (riid == IID_IOleInPlaceSiteWindowless && windowless))
            *ppv = static_cast<IOleInPlaceSiteWindowless*>(this);
        else if (riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return note("GetWindow", E_FAIL); }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return note("ContextSensitiveHelp"); }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return note("CanInPlaceActivate"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return note("OnInPlaceActivate"); }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return note("OnUIActivate"); }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        *frame = nullptr;
        *doc = nullptr;
        *pos = RECT{0, 0, width, height};
        *clip = *pos;
        return note("GetWindowContext");
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return note("Scroll"); }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return note("OnUIDeactivate"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return note("OnInPlaceDeactivate"); }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return note("DiscardUndoState"); }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return note("DeactivateAndUndo"); }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return note("OnPosRectChange"); }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL*, DWORD flags) override {
        return note(flags == ACTIVATE_WINDOWLESS ? "OnInPlaceActivateEx(windowless)" : "OnInPlaceActivateEx");
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL) override { return note("OnInPlaceDeactivateEx"); }
    HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return note("RequestUIActivate", S_FALSE); }
    HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override { return note("CanWindowlessActivate"); }
    HRESULT STDMETHODCALLTYPE GetCapture() override { return note("GetCapture", S_FALSE); }
    HRESULT STDMETHODCALLTYPE SetCapture(BOOL) override { return note("SetCapture"); }
    HRESULT STDMETHODCALLTYPE GetFocus() override { return note("GetFocus"); }
    HRESULT STDMETHODCALLTYPE SetFocus(BOOL) override { return note("SetFocus"); }
    HRESULT STDMETHODCALLTYPE GetDC(LPCRECT, DWORD, HDC*) override { return note("GetDC", E_INVALIDARG); }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return note("ReleaseDC", E_INVALIDARG); }
    HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT rect, BOOL) override {
        invalidated.push_back(rect != nullptr ? *rect : RECT{-1, -1, -1, -1});
        return note("InvalidateRect");
    }
    HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN, BOOL) override {
        invalidated.push_back(RECT{-1, -1, -1, -1});
        return note("InvalidateRgn");
    }
    HRESULT STDMETHODCALLTYPE ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return note("ScrollRect"); }
    HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT) override { return note("AdjustRect"); }
    HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override {
        return note("OnDefWindowMessage", S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE SaveObject() override { return note("SaveObject"); }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
        *ppmk = nullptr;
        return note("GetMoniker", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return note("GetContainer", E_NOINTERFACE); }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return note("ShowObject", E_NOTIMPL); }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return note("OnShowWindow", E_NOTIMPL); }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return note("RequestNewObjectLayout", E_NOTIMPL); }

    IOleClientSite* client() { return static_cast<IOleClientSite*>(this); }

private:
    HRESULT note(const char* name, HRESULT result = S_OK) {
        calls.emplace_back(name);
        return result;
    }
};

}  // namespace test_support
