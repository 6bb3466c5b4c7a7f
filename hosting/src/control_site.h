// The OLE container site a player gives its control: in-place and windowless
// activation are allowed, the surface is the position and clip rectangle, and
// there is no window, frame, document or device context to hand out. Every
// invalidation becomes a dirty rectangle of the owner.
//
// The site is part of its player and is never freed through its count.
#pragma once

#include "platform/ole.h"

namespace moviehost {

class CMoviePlayer;

class CControlSite final : public IOleInPlaceSiteWindowless, public IOleClientSite {
public:
    explicit CControlSite(CMoviePlayer* owner) noexcept : m_owner(owner) {}
    CControlSite(const CControlSite&) = delete;
    CControlSite& operator=(const CControlSite&) = delete;

    // IUnknown, shared by both tables: one answer, one count.
    /*  0 */ HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    /*  1 */ ULONG STDMETHODCALLTYPE AddRef() override;
    /*  2 */ ULONG STDMETHODCALLTYPE Release() override;
    // IOleWindow
    /*  3 */ HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    /*  4 */ HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
    // IOleInPlaceSite
    /*  5 */ HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    /*  6 */ HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    /*  7 */ HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    /*  8 */ HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                                        LPRECT lprcPosRect, LPRECT lprcClipRect,
                                                        LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    /*  9 */ HRESULT STDMETHODCALLTYPE Scroll(SIZE scrollExtant) override;
    /* 10 */ HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL fUndoable) override;
    /* 11 */ HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    /* 12 */ HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    /* 13 */ HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    /* 14 */ HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT lprcPosRect) override;
    // IOleInPlaceSiteEx
    /* 15 */ HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD dwFlags) override;
    /* 16 */ HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL fNoRedraw) override;
    /* 17 */ HRESULT STDMETHODCALLTYPE RequestUIActivate() override;
    // IOleInPlaceSiteWindowless
    /* 18 */ HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override;
    /* 19 */ HRESULT STDMETHODCALLTYPE GetCapture() override;
    /* 20 */ HRESULT STDMETHODCALLTYPE SetCapture(BOOL fCapture) override;
    /* 21 */ HRESULT STDMETHODCALLTYPE GetFocus() override;
    /* 22 */ HRESULT STDMETHODCALLTYPE SetFocus(BOOL fFocus) override;
    /* 23 */ HRESULT STDMETHODCALLTYPE GetDC(LPCRECT pRect, DWORD grfFlags, HDC* phDC) override;
    /* 24 */ HRESULT STDMETHODCALLTYPE ReleaseDC(HDC hDC) override;
    /* 25 */ HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT pRect, BOOL fErase) override;
    /* 26 */ HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN hRGN, BOOL fErase) override;
    /* 27 */ HRESULT STDMETHODCALLTYPE ScrollRect(INT dx, INT dy, LPCRECT pRectScroll, LPCRECT pRectClip) override;
    /* 28 */ HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT prc) override;
    /* 29 */ HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                                          LRESULT* plResult) override;
    // IOleClientSite, the second table (its slots 0 to 2 are the ones above)
    /*  3 */ HRESULT STDMETHODCALLTYPE SaveObject() override;
    /*  4 */ HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    /*  5 */ HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** ppContainer) override;
    /*  6 */ HRESULT STDMETHODCALLTYPE ShowObject() override;
    /*  7 */ HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL fShow) override;
    /*  8 */ HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

    // Slot 30 of the primary table.
    virtual ~CControlSite();

    [[nodiscard]] IOleInPlaceSiteWindowless* InPlaceSite() noexcept { return this; }
    [[nodiscard]] IOleClientSite* ClientSite() noexcept { return this; }

private:
    CMoviePlayer* m_owner = nullptr;
    // Bookkeeping only: nothing is freed at 0, and it may go below.
    LONG m_refs = 0;
};

}  // namespace moviehost
