// OLE embedding: the object, client-site, in-place and windowless interfaces
// through which a container hosts a control, and IViewObject for drawing it.
// Methods are in the published vtable order; the number is the slot.
#pragma once

#include "platform/com.h"

#ifdef _WIN32

#include <ocidl.h>
#include <ole2.h>
#include <oleidl.h>

#else

// Types that only pass through as pointers here.
struct IMoniker;
struct IBindCtx;
struct IDataObject;
struct IAdviseSink;
struct IEnumOLEVERB;
struct IEnumSTATDATA;
struct IDropTarget;
struct IOleContainer;
struct IStream;
struct tagSTGMEDIUM;
using STGMEDIUM = tagSTGMEDIUM;
struct tagLOGPALETTE;
using LOGPALETTE = tagLOGPALETTE;

using HOLEMENU = HANDLE;
using CLIPFORMAT = WORD;
using BORDERWIDTHS = RECT;
using LPBORDERWIDTHS = LPRECT;
using LPCBORDERWIDTHS = LPCRECT;

struct DVTARGETDEVICE {
    DWORD tdSize;
    WORD tdDriverNameOffset;
    WORD tdDeviceNameOffset;
    WORD tdPortNameOffset;
    WORD tdExtDevmodeOffset;
    BYTE tdData[1];
};

struct FORMATETC {
    CLIPFORMAT cfFormat;
    DVTARGETDEVICE* ptd;
    DWORD dwAspect;
    LONG lindex;
    DWORD tymed;
};

struct OLEVERB {
    LONG lVerb;
    LPOLESTR lpszVerbName;
    DWORD fuFlags;
    DWORD grfAttribs;
};

struct OLEINPLACEFRAMEINFO {
    UINT cb;
    BOOL fMDIApp;
    HWND hwndFrame;
    HACCEL haccel;
    UINT cAccelEntries;
};
using LPOLEINPLACEFRAMEINFO = OLEINPLACEFRAMEINFO*;

struct OLEMENUGROUPWIDTHS {
    LONG width[6];
};
using LPOLEMENUGROUPWIDTHS = OLEMENUGROUPWIDTHS*;

// Aspects of IViewObject::Draw.
#define DVASPECT_CONTENT 1
#define DVASPECT_THUMBNAIL 2
#define DVASPECT_ICON 4
#define DVASPECT_DOCPRINT 8
#define DVASPECT_OPAQUE 16
#define DVASPECT_TRANSPARENT 32

// Verbs of IOleObject::DoVerb.
#define OLEIVERB_PRIMARY 0
#define OLEIVERB_SHOW (-1)
#define OLEIVERB_OPEN (-2)
#define OLEIVERB_HIDE (-3)
#define OLEIVERB_UIACTIVATE (-4)
#define OLEIVERB_INPLACEACTIVATE (-5)
#define OLEIVERB_DISCARDUNDOSTATE (-6)

// IOleObject::Close options.
#define OLECLOSE_SAVEIFDIRTY 0
#define OLECLOSE_NOSAVE 1
#define OLECLOSE_PROMPTSAVE 2

// IOleObject::GetUserType forms.
#define USERCLASSTYPE_FULL 1
#define USERCLASSTYPE_SHORT 2
#define USERCLASSTYPE_APPNAME 3

// Monikers asked for by GetMoniker.
#define OLEGETMONIKER_ONLYIFTHERE 1
#define OLEGETMONIKER_FORCEASSIGN 2
#define OLEWHICHMK_CONTAINER 1
#define OLEWHICHMK_OBJREL 2
#define OLEWHICHMK_OBJFULL 3

// IOleObject::GetMiscStatus bits.
#define OLEMISC_RECOMPOSEONRESIZE 0x00000001
#define OLEMISC_ONLYICONIC 0x00000002
#define OLEMISC_INSERTNOTREPLACE 0x00000004
#define OLEMISC_STATIC 0x00000008
#define OLEMISC_CANTLINKINSIDE 0x00000010
#define OLEMISC_CANLINKBYOLE1 0x00000020
#define OLEMISC_ISLINKOBJECT 0x00000040
#define OLEMISC_INSIDEOUT 0x00000080
#define OLEMISC_ACTIVATEWHENVISIBLE 0x00000100
#define OLEMISC_RENDERINGISDEVICEINDEPENDENT 0x00000200
#define OLEMISC_INVISIBLEATRUNTIME 0x00000400
#define OLEMISC_ALWAYSRUN 0x00000800
#define OLEMISC_ACTSLIKEBUTTON 0x00001000
#define OLEMISC_ACTSLIKELABEL 0x00002000
#define OLEMISC_NOUIACTIVATE 0x00004000
#define OLEMISC_ALIGNABLE 0x00008000
#define OLEMISC_SIMPLEFRAME 0x00010000
#define OLEMISC_SETCLIENTSITEFIRST 0x00020000
#define OLEMISC_IMEMODE 0x00040000
#define OLEMISC_IGNOREACTIVATEWHENVISIBLE 0x00080000
#define OLEMISC_WANTSTOMENUMERGE 0x00100000
#define OLEMISC_SUPPORTSMULTILEVELUNDO 0x00200000

// IOleInPlaceSiteEx::OnInPlaceActivateEx flags.
#define ACTIVATE_WINDOWLESS 1

// IOleInPlaceSiteWindowless::GetDC flags.
#define OLEDC_NODRAW 0x01
#define OLEDC_PAINTBKGND 0x02
#define OLEDC_OFFSCREEN 0x04

// Result codes of OLE embedding.
#define OLE_E_NOCONNECTION MAKE_HRESULT_CONST(0x80040004u)
#define OLE_E_NOT_INPLACEACTIVE MAKE_HRESULT_CONST(0x80040010u)
#define OLE_E_INVALIDRECT MAKE_HRESULT_CONST(0x8004000Du)
#define OLEOBJ_E_NOVERBS MAKE_HRESULT_CONST(0x80040180u)
#define VIEW_E_DRAW MAKE_HRESULT_CONST(0x80040140u)
#define DV_E_DVASPECT MAKE_HRESULT_CONST(0x8004006Bu)
#define DV_E_LINDEX MAKE_HRESULT_CONST(0x80040068u)

inline constexpr IID IID_IOleObject = {0x00000112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleInPlaceObject = {
    0x00000113, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleWindow = {0x00000114, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleInPlaceUIWindow = {
    0x00000115, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleInPlaceFrame = {
    0x00000116, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleInPlaceActiveObject = {
    0x00000117, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleClientSite = {
    0x00000118, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleInPlaceSite = {
    0x00000119, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleContainer = {0x0000011B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IViewObject = {0x0000010D, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IViewObject2 = {0x00000127, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IAdviseSink = {0x0000010F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IMoniker = {0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IBindCtx = {0x0000000E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumOLEVERB = {0x00000104, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumSTATDATA = {0x00000105, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDropTarget = {0x00000122, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IOleInPlaceSiteEx = {
    0x9C2CAD80, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
inline constexpr IID IID_IOleInPlaceSiteWindowless = {
    0x922EADA0, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
inline constexpr IID IID_IOleInPlaceObjectWindowless = {
    0x1C2056CC, 0x5EF4, 0x101B, {0x8B, 0xC8, 0x00, 0xAA, 0x00, 0x3E, 0x3B, 0x29}};

struct IOleClientSite : IUnknown {
    /* 3 */ STDMETHOD(SaveObject)() = 0;
    /* 4 */ STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
    /* 5 */ STDMETHOD(GetContainer)(IOleContainer** ppContainer) = 0;
    /* 6 */ STDMETHOD(ShowObject)() = 0;
    /* 7 */ STDMETHOD(OnShowWindow)(BOOL fShow) = 0;
    /* 8 */ STDMETHOD(RequestNewObjectLayout)() = 0;

protected:
    ~IOleClientSite() = default;
};

struct IOleObject : IUnknown {
    /*  3 */ STDMETHOD(SetClientSite)(IOleClientSite* pClientSite) = 0;
    /*  4 */ STDMETHOD(GetClientSite)(IOleClientSite** ppClientSite) = 0;
    /*  5 */ STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) = 0;
    /*  6 */ STDMETHOD(Close)(DWORD dwSaveOption) = 0;
    /*  7 */ STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker* pmk) = 0;
    /*  8 */ STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
    /*  9 */ STDMETHOD(InitFromData)(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) = 0;
    /* 10 */ STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject** ppDataObject) = 0;
    /* 11 */ STDMETHOD(DoVerb)(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                               LPCRECT lprcPosRect) = 0;
    /* 12 */ STDMETHOD(EnumVerbs)(IEnumOLEVERB** ppEnumOleVerb) = 0;
    /* 13 */ STDMETHOD(Update)() = 0;
    /* 14 */ STDMETHOD(IsUpToDate)() = 0;
    /* 15 */ STDMETHOD(GetUserClassID)(CLSID* pClsid) = 0;
    /* 16 */ STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR* pszUserType) = 0;
    /* 17 */ STDMETHOD(SetExtent)(DWORD dwDrawAspect, SIZEL* psizel) = 0;
    /* 18 */ STDMETHOD(GetExtent)(DWORD dwDrawAspect, SIZEL* psizel) = 0;
    /* 19 */ STDMETHOD(Advise)(IAdviseSink* pAdvSink, DWORD* pdwConnection) = 0;
    /* 20 */ STDMETHOD(Unadvise)(DWORD dwConnection) = 0;
    /* 21 */ STDMETHOD(EnumAdvise)(IEnumSTATDATA** ppenumAdvise) = 0;
    /* 22 */ STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD* pdwStatus) = 0;
    /* 23 */ STDMETHOD(SetColorScheme)(LOGPALETTE* pLogpal) = 0;

protected:
    ~IOleObject() = default;
};

struct IOleWindow : IUnknown {
    /* 3 */ STDMETHOD(GetWindow)(HWND* phwnd) = 0;
    /* 4 */ STDMETHOD(ContextSensitiveHelp)(BOOL fEnterMode) = 0;

protected:
    ~IOleWindow() = default;
};

struct IOleInPlaceObject : IOleWindow {
    /* 5 */ STDMETHOD(InPlaceDeactivate)() = 0;
    /* 6 */ STDMETHOD(UIDeactivate)() = 0;
    /* 7 */ STDMETHOD(SetObjectRects)(LPCRECT lprcPosRect, LPCRECT lprcClipRect) = 0;
    /* 8 */ STDMETHOD(ReactivateAndUndo)() = 0;

protected:
    ~IOleInPlaceObject() = default;
};

struct IOleInPlaceObjectWindowless : IOleInPlaceObject {
    /*  9 */ STDMETHOD(OnWindowMessage)(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) = 0;
    /* 10 */ STDMETHOD(GetDropTarget)(IDropTarget** ppDropTarget) = 0;

protected:
    ~IOleInPlaceObjectWindowless() = default;
};

struct IOleInPlaceUIWindow;

struct IOleInPlaceActiveObject : IOleWindow {
    /* 5 */ STDMETHOD(TranslateAccelerator)(LPMSG lpmsg) = 0;
    /* 6 */ STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) = 0;
    /* 7 */ STDMETHOD(OnDocWindowActivate)(BOOL fActivate) = 0;
    /* 8 */ STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow) = 0;
    /* 9 */ STDMETHOD(EnableModeless)(BOOL fEnable) = 0;

protected:
    ~IOleInPlaceActiveObject() = default;
};

struct IOleInPlaceUIWindow : IOleWindow {
    /* 5 */ STDMETHOD(GetBorder)(LPRECT lprectBorder) = 0;
    /* 6 */ STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS pborderwidths) = 0;
    /* 7 */ STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS pborderwidths) = 0;
    /* 8 */ STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR pszObjName) = 0;

protected:
    ~IOleInPlaceUIWindow() = default;
};

struct IOleInPlaceFrame : IOleInPlaceUIWindow {
    /*  9 */ STDMETHOD(InsertMenus)(HMENU hmenuShared, LPOLEMENUGROUPWIDTHS lpMenuWidths) = 0;
    /* 10 */ STDMETHOD(SetMenu)(HMENU hmenuShared, HOLEMENU holemenu, HWND hwndActiveObject) = 0;
    /* 11 */ STDMETHOD(RemoveMenus)(HMENU hmenuShared) = 0;
    /* 12 */ STDMETHOD(SetStatusText)(LPCOLESTR pszStatusText) = 0;
    /* 13 */ STDMETHOD(EnableModeless)(BOOL fEnable) = 0;
    /* 14 */ STDMETHOD(TranslateAccelerator)(LPMSG lpmsg, WORD wID) = 0;

protected:
    ~IOleInPlaceFrame() = default;
};

struct IOleInPlaceSite : IOleWindow {
    /*  5 */ STDMETHOD(CanInPlaceActivate)() = 0;
    /*  6 */ STDMETHOD(OnInPlaceActivate)() = 0;
    /*  7 */ STDMETHOD(OnUIActivate)() = 0;
    /*  8 */ STDMETHOD(GetWindowContext)(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                         LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) = 0;
    /*  9 */ STDMETHOD(Scroll)(SIZE scrollExtant) = 0;
    /* 10 */ STDMETHOD(OnUIDeactivate)(BOOL fUndoable) = 0;
    /* 11 */ STDMETHOD(OnInPlaceDeactivate)() = 0;
    /* 12 */ STDMETHOD(DiscardUndoState)() = 0;
    /* 13 */ STDMETHOD(DeactivateAndUndo)() = 0;
    /* 14 */ STDMETHOD(OnPosRectChange)(LPCRECT lprcPosRect) = 0;

protected:
    ~IOleInPlaceSite() = default;
};

struct IOleInPlaceSiteEx : IOleInPlaceSite {
    /* 15 */ STDMETHOD(OnInPlaceActivateEx)(BOOL* pfNoRedraw, DWORD dwFlags) = 0;
    /* 16 */ STDMETHOD(OnInPlaceDeactivateEx)(BOOL fNoRedraw) = 0;
    /* 17 */ STDMETHOD(RequestUIActivate)() = 0;

protected:
    ~IOleInPlaceSiteEx() = default;
};

struct IOleInPlaceSiteWindowless : IOleInPlaceSiteEx {
    /* 18 */ STDMETHOD(CanWindowlessActivate)() = 0;
    /* 19 */ STDMETHOD(GetCapture)() = 0;
    /* 20 */ STDMETHOD(SetCapture)(BOOL fCapture) = 0;
    /* 21 */ STDMETHOD(GetFocus)() = 0;
    /* 22 */ STDMETHOD(SetFocus)(BOOL fFocus) = 0;
    /* 23 */ STDMETHOD(GetDC)(LPCRECT pRect, DWORD grfFlags, HDC* phDC) = 0;
    /* 24 */ STDMETHOD(ReleaseDC)(HDC hDC) = 0;
    /* 25 */ STDMETHOD(InvalidateRect)(LPCRECT pRect, BOOL fErase) = 0;
    /* 26 */ STDMETHOD(InvalidateRgn)(HRGN hRGN, BOOL fErase) = 0;
    /* 27 */ STDMETHOD(ScrollRect)(INT dx, INT dy, LPCRECT pRectScroll, LPCRECT pRectClip) = 0;
    /* 28 */ STDMETHOD(AdjustRect)(LPRECT prc) = 0;
    /* 29 */ STDMETHOD(OnDefWindowMessage)(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) = 0;

protected:
    ~IOleInPlaceSiteWindowless() = default;
};

struct IViewObject : IUnknown {
    /* 3 */ STDMETHOD(Draw)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                            HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                            BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue), ULONG_PTR dwContinue) = 0;
    /* 4 */ STDMETHOD(GetColorSet)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                   HDC hicTargetDev, LOGPALETTE** ppColorSet) = 0;
    /* 5 */ STDMETHOD(Freeze)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) = 0;
    /* 6 */ STDMETHOD(Unfreeze)(DWORD dwFreeze) = 0;
    /* 7 */ STDMETHOD(SetAdvise)(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) = 0;
    /* 8 */ STDMETHOD(GetAdvise)(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) = 0;

protected:
    ~IViewObject() = default;
};

#endif  // _WIN32

PLATFORM_INTERFACE_ID(IOleObject, IID_IOleObject);
PLATFORM_INTERFACE_ID(IOleClientSite, IID_IOleClientSite);
PLATFORM_INTERFACE_ID(IOleWindow, IID_IOleWindow);
PLATFORM_INTERFACE_ID(IOleInPlaceObject, IID_IOleInPlaceObject);
PLATFORM_INTERFACE_ID(IOleInPlaceObjectWindowless, IID_IOleInPlaceObjectWindowless);
PLATFORM_INTERFACE_ID(IOleInPlaceActiveObject, IID_IOleInPlaceActiveObject);
PLATFORM_INTERFACE_ID(IOleInPlaceUIWindow, IID_IOleInPlaceUIWindow);
PLATFORM_INTERFACE_ID(IOleInPlaceFrame, IID_IOleInPlaceFrame);
PLATFORM_INTERFACE_ID(IOleInPlaceSite, IID_IOleInPlaceSite);
PLATFORM_INTERFACE_ID(IOleInPlaceSiteEx, IID_IOleInPlaceSiteEx);
PLATFORM_INTERFACE_ID(IOleInPlaceSiteWindowless, IID_IOleInPlaceSiteWindowless);
PLATFORM_INTERFACE_ID(IViewObject, IID_IViewObject);
