// The contract of the Shockwave Flash control: its class, its scripting
// interface IShockwaveFlash (dual, members in the order of the control's type
// library; the number is the vtable slot) and its outgoing event dispinterface.
// The control ships no header of its own, so this is declared on every platform.
// The hosting library, our control and the test doubles all build against it.
#pragma once

#include "platform/com.h"
#include "platform/oleauto.h"

inline constexpr CLSID CLSID_ShockwaveFlash = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID IID_IShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID DIID__IShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Member ids of the events the control raises through IDispatch::Invoke.
inline constexpr DISPID DISPID_OnReadyStateChange = -609;
inline constexpr DISPID DISPID_OnProgress = 0x7a6;  // 1958
inline constexpr DISPID DISPID_FSCommand = 0x96;    // 150: (BSTR command, BSTR args)
inline constexpr DISPID DISPID_FlashCall = 0xc5;    // 197: (BSTR request)

struct IShockwaveFlash : IDispatch {
    /*   7 */ STDMETHOD(get_ReadyState)(LONG* pVal) = 0;
    /*   8 */ STDMETHOD(get_TotalFrames)(LONG* pVal) = 0;
    /*   9 */ STDMETHOD(get_Playing)(VARIANT_BOOL* pVal) = 0;
    /*  10 */ STDMETHOD(put_Playing)(VARIANT_BOOL pVal) = 0;
    /*  11 */ STDMETHOD(get_Quality)(INT* pVal) = 0;
    /*  12 */ STDMETHOD(put_Quality)(INT pVal) = 0;
    /*  13 */ STDMETHOD(get_ScaleMode)(INT* pVal) = 0;
    /*  14 */ STDMETHOD(put_ScaleMode)(INT pVal) = 0;
    /*  15 */ STDMETHOD(get_AlignMode)(INT* pVal) = 0;
    /*  16 */ STDMETHOD(put_AlignMode)(INT pVal) = 0;
    /*  17 */ STDMETHOD(get_BackgroundColor)(LONG* pVal) = 0;
    /*  18 */ STDMETHOD(put_BackgroundColor)(LONG pVal) = 0;
    /*  19 */ STDMETHOD(get_Loop)(VARIANT_BOOL* pVal) = 0;
    /*  20 */ STDMETHOD(put_Loop)(VARIANT_BOOL pVal) = 0;
    /*  21 */ STDMETHOD(get_Movie)(BSTR* pVal) = 0;
    /*  22 */ STDMETHOD(put_Movie)(BSTR pVal) = 0;
    /*  23 */ STDMETHOD(get_FrameNum)(LONG* pVal) = 0;
    /*  24 */ STDMETHOD(put_FrameNum)(LONG pVal) = 0;
    /*  25 */ STDMETHOD(SetZoomRect)(LONG left, LONG top, LONG right, LONG bottom) = 0;
    /*  26 */ STDMETHOD(Zoom)(INT factor) = 0;
    /*  27 */ STDMETHOD(Pan)(LONG x, LONG y, INT mode) = 0;
    /*  28 */ STDMETHOD(Play)() = 0;
    /*  29 */ STDMETHOD(Stop)() = 0;
    /*  30 */ STDMETHOD(Back)() = 0;
    /*  31 */ STDMETHOD(Forward)() = 0;
    /*  32 */ STDMETHOD(Rewind)() = 0;
    /*  33 */ STDMETHOD(StopPlay)() = 0;
    /*  34 */ STDMETHOD(GotoFrame)(LONG FrameNum) = 0;
    /*  35 */ STDMETHOD(CurrentFrame)(LONG* FrameNum) = 0;
    /*  36 */ STDMETHOD(IsPlaying)(VARIANT_BOOL* Playing) = 0;
    /*  37 */ STDMETHOD(PercentLoaded)(LONG* percent) = 0;
    /*  38 */ STDMETHOD(FrameLoaded)(LONG FrameNum, VARIANT_BOOL* loaded) = 0;
    /*  39 */ STDMETHOD(FlashVersion)(LONG* version) = 0;
    /*  40 */ STDMETHOD(get_WMode)(BSTR* pVal) = 0;
    /*  41 */ STDMETHOD(put_WMode)(BSTR pVal) = 0;
    /*  42 */ STDMETHOD(get_SAlign)(BSTR* pVal) = 0;
    /*  43 */ STDMETHOD(put_SAlign)(BSTR pVal) = 0;
    /*  44 */ STDMETHOD(get_Menu)(VARIANT_BOOL* pVal) = 0;
    /*  45 */ STDMETHOD(put_Menu)(VARIANT_BOOL pVal) = 0;
    /*  46 */ STDMETHOD(get_Base)(BSTR* pVal) = 0;
    /*  47 */ STDMETHOD(put_Base)(BSTR pVal) = 0;
    /*  48 */ STDMETHOD(get_Scale)(BSTR* pVal) = 0;
    /*  49 */ STDMETHOD(put_Scale)(BSTR pVal) = 0;
    /*  50 */ STDMETHOD(get_DeviceFont)(VARIANT_BOOL* pVal) = 0;
    /*  51 */ STDMETHOD(put_DeviceFont)(VARIANT_BOOL pVal) = 0;
    /*  52 */ STDMETHOD(get_EmbedMovie)(VARIANT_BOOL* pVal) = 0;
    /*  53 */ STDMETHOD(put_EmbedMovie)(VARIANT_BOOL pVal) = 0;
    /*  54 */ STDMETHOD(get_BGColor)(BSTR* pVal) = 0;
    /*  55 */ STDMETHOD(put_BGColor)(BSTR pVal) = 0;
    /*  56 */ STDMETHOD(get_Quality2)(BSTR* pVal) = 0;
    /*  57 */ STDMETHOD(put_Quality2)(BSTR pVal) = 0;
    /*  58 */ STDMETHOD(LoadMovie)(INT layer, BSTR url) = 0;
    /*  59 */ STDMETHOD(TGotoFrame)(BSTR target, LONG FrameNum) = 0;
    /*  60 */ STDMETHOD(TGotoLabel)(BSTR target, BSTR label) = 0;
    /*  61 */ STDMETHOD(TCurrentFrame)(BSTR target, LONG* FrameNum) = 0;
    /*  62 */ STDMETHOD(TCurrentLabel)(BSTR target, BSTR* pVal) = 0;
    /*  63 */ STDMETHOD(TPlay)(BSTR target) = 0;
    /*  64 */ STDMETHOD(TStopPlay)(BSTR target) = 0;
    /*  65 */ STDMETHOD(SetVariable)(BSTR name, BSTR value) = 0;
    /*  66 */ STDMETHOD(GetVariable)(BSTR name, BSTR* pVal) = 0;
    /*  67 */ STDMETHOD(TSetProperty)(BSTR target, INT property, BSTR value) = 0;
    /*  68 */ STDMETHOD(TGetProperty)(BSTR target, INT property, BSTR* pVal) = 0;
    /*  69 */ STDMETHOD(TCallFrame)(BSTR target, INT FrameNum) = 0;
    /*  70 */ STDMETHOD(TCallLabel)(BSTR target, BSTR label) = 0;
    /*  71 */ STDMETHOD(TSetPropertyNum)(BSTR target, INT property, DOUBLE value) = 0;
    /*  72 */ STDMETHOD(TGetPropertyNum)(BSTR target, INT property, DOUBLE* pVal) = 0;
    /*  73 */ STDMETHOD(TGetPropertyAsNumber)(BSTR target, INT property, DOUBLE* pVal) = 0;
    /*  74 */ STDMETHOD(get_SWRemote)(BSTR* pVal) = 0;
    /*  75 */ STDMETHOD(put_SWRemote)(BSTR pVal) = 0;
    /*  76 */ STDMETHOD(get_FlashVars)(BSTR* pVal) = 0;
    /*  77 */ STDMETHOD(put_FlashVars)(BSTR pVal) = 0;
    /*  78 */ STDMETHOD(get_AllowScriptAccess)(BSTR* pVal) = 0;
    /*  79 */ STDMETHOD(put_AllowScriptAccess)(BSTR pVal) = 0;
    /*  80 */ STDMETHOD(get_MovieData)(BSTR* pVal) = 0;
    /*  81 */ STDMETHOD(put_MovieData)(BSTR pVal) = 0;
    /*  82 */ STDMETHOD(get_InlineData)(IUnknown** ppIUnknown) = 0;
    /*  83 */ STDMETHOD(put_InlineData)(IUnknown* ppIUnknown) = 0;
    /*  84 */ STDMETHOD(get_SeamlessTabbing)(VARIANT_BOOL* pVal) = 0;
    /*  85 */ STDMETHOD(put_SeamlessTabbing)(VARIANT_BOOL pVal) = 0;
    /*  86 */ STDMETHOD(EnforceLocalSecurity)() = 0;
    /*  87 */ STDMETHOD(get_Profile)(VARIANT_BOOL* pVal) = 0;
    /*  88 */ STDMETHOD(put_Profile)(VARIANT_BOOL pVal) = 0;
    /*  89 */ STDMETHOD(get_ProfileAddress)(BSTR* pVal) = 0;
    /*  90 */ STDMETHOD(put_ProfileAddress)(BSTR pVal) = 0;
    /*  91 */ STDMETHOD(get_ProfilePort)(LONG* pVal) = 0;
    /*  92 */ STDMETHOD(put_ProfilePort)(LONG pVal) = 0;
    /*  93 */ STDMETHOD(CallFunction)(BSTR request, BSTR* response) = 0;
    /*  94 */ STDMETHOD(SetReturnValue)(BSTR returnValue) = 0;
    /*  95 */ STDMETHOD(DisableLocalSecurity)() = 0;
    /*  96 */ STDMETHOD(get_AllowNetworking)(BSTR* pVal) = 0;
    /*  97 */ STDMETHOD(put_AllowNetworking)(BSTR pVal) = 0;
    /*  98 */ STDMETHOD(get_AllowFullScreen)(BSTR* pVal) = 0;
    /*  99 */ STDMETHOD(put_AllowFullScreen)(BSTR pVal) = 0;

protected:
    ~IShockwaveFlash() = default;
};

// The control's events arrive as IDispatch::Invoke calls with the ids above;
// the interface adds no methods of its own.
struct _IShockwaveFlashEvents : IDispatch {
protected:
    ~_IShockwaveFlashEvents() = default;
};

// Our control's sound, an interface of its own beside the published ones
// (a control without it simply answers E_NOINTERFACE). Samples are 44,100 Hz
// stereo, signed 16-bit, left then right. Until StartSoundOutput the control
// keeps nothing for reading; afterwards it keeps what it mixes for each frame
// it shows (up to ten seconds) until ReadSound takes it.
inline constexpr IID IID_IMovieSoundOutput = {
    0x6D6F7669, 0x6568, 0x6F73, {0x81, 0x73, 0x6F, 0x75, 0x6E, 0x64, 0x00, 0x01}};

struct IMovieSoundOutput : IUnknown {
    /* 3 */ STDMETHOD(StartSoundOutput)() = 0;
    // Moves up to maxFrames frames (2 x maxFrames samples) into `samples`,
    // oldest first: the sound of every frame shown so far. S_OK with
    // *framesRead 0 when nothing is waiting.
    /* 4 */ STDMETHOD(ReadSound)(SHORT* samples, ULONG maxFrames, ULONG* framesRead) = 0;

protected:
    ~IMovieSoundOutput() = default;
};

PLATFORM_INTERFACE_ID(IShockwaveFlash, IID_IShockwaveFlash);
PLATFORM_INTERFACE_ID(IMovieSoundOutput, IID_IMovieSoundOutput);
PLATFORM_INTERFACE_ID(_IShockwaveFlashEvents, DIID__IShockwaveFlashEvents);
