// The COM core: GUIDs, IUnknown and the small interfaces around it (dispatch,
// class factories, error information, connection points), the per-thread COM
// runtime (CoInitialize, CoCreateInstance) and the per-thread error object.
//
// Every interface lists its methods in the published vtable order; the number
// in front of each is its slot. Code compiled against these declarations calls
// through the same slots as code compiled against the SDK.
#pragma once

#include "platform/types.h"

#ifdef _WIN32

#include <oaidl.h>
#include <objbase.h>
#include <ocidl.h>
// The connection point results (CONNECT_E_*) live here.
#include <olectl.h>

#else

#include <cstring>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes without padding");

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPGUID = GUID*;
using LPIID = IID*;
using LPCLSID = CLSID*;

// Two GUIDs are equal when all 16 bytes are.
[[nodiscard]] inline bool IsEqualGUID(REFGUID a, REFGUID b) noexcept { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
[[nodiscard]] inline bool IsEqualIID(REFIID a, REFIID b) noexcept { return IsEqualGUID(a, b); }
[[nodiscard]] inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) noexcept { return IsEqualGUID(a, b); }
[[nodiscard]] inline bool operator==(REFGUID a, REFGUID b) noexcept { return IsEqualGUID(a, b); }

// The counted wide string of OLE automation; allocated and freed by the
// Sys*String functions of platform/oleauto.h.
using BSTR = OLECHAR*;
using LPBSTR = BSTR*;

struct tagVARIANT;
using VARIANT = tagVARIANT;
using VARIANTARG = tagVARIANT;
struct tagDISPPARAMS;
using DISPPARAMS = tagDISPPARAMS;
struct tagEXCEPINFO;
using EXCEPINFO = tagEXCEPINFO;

// Result codes of the COM runtime beyond the ones every layer uses.
#define CO_E_CLASSSTRING MAKE_HRESULT_CONST(0x800401F3u)
#define CO_E_APPNOTFOUND MAKE_HRESULT_CONST(0x800401F5u)
#define RPC_E_CHANGED_MODE MAKE_HRESULT_CONST(0x80010106u)
#define NOERROR S_OK

// Class contexts of CoCreateInstance; only in-process servers exist here.
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

// CoInitializeEx concurrency models.
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

// ---------------------------------------------------------------------------
// Interface identifiers, with their published values.

inline constexpr GUID GUID_NULL = {0x00000000, 0x0000, 0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo = {
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnectionPoints = {
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnections = {
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

// ---------------------------------------------------------------------------
// Interfaces.

struct IUnknown {
    /* 0 */ STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) = 0;
    /* 1 */ STDMETHOD_(ULONG, AddRef)() = 0;
    /* 2 */ STDMETHOD_(ULONG, Release)() = 0;

protected:
    // Objects die through Release, never through delete on an interface.
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// Type information is not offered by anything here; only pointers to it pass.
struct ITypeInfo;

struct IDispatch : IUnknown {
    /* 3 */ STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) = 0;
    /* 4 */ STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    /* 5 */ STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    /* 6 */ STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                              VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};
using LPDISPATCH = IDispatch*;

struct IClassFactory : IUnknown {
    /* 3 */ STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    /* 4 */ STDMETHOD(LockServer)(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

struct IErrorInfo : IUnknown {
    /* 3 */ STDMETHOD(GetGUID)(GUID* pGUID) = 0;
    /* 4 */ STDMETHOD(GetSource)(BSTR* pBstrSource) = 0;
    /* 5 */ STDMETHOD(GetDescription)(BSTR* pBstrDescription) = 0;
    /* 6 */ STDMETHOD(GetHelpFile)(BSTR* pBstrHelpFile) = 0;
    /* 7 */ STDMETHOD(GetHelpContext)(DWORD* pdwHelpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

struct ICreateErrorInfo : IUnknown {
    /* 3 */ STDMETHOD(SetGUID)(REFGUID rguid) = 0;
    /* 4 */ STDMETHOD(SetSource)(LPOLESTR szSource) = 0;
    /* 5 */ STDMETHOD(SetDescription)(LPOLESTR szDescription) = 0;
    /* 6 */ STDMETHOD(SetHelpFile)(LPOLESTR szHelpFile) = 0;
    /* 7 */ STDMETHOD(SetHelpContext)(DWORD dwHelpContext) = 0;

protected:
    ~ICreateErrorInfo() = default;
};

struct ISupportErrorInfo : IUnknown {
    /* 3 */ STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

struct IConnectionPoint;
struct IConnectionPointContainer;

struct CONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
};
using LPCONNECTDATA = CONNECTDATA*;

struct IEnumConnections : IUnknown {
    /* 3 */ STDMETHOD(Next)(ULONG cConnections, LPCONNECTDATA rgcd, ULONG* pcFetched) = 0;
    /* 4 */ STDMETHOD(Skip)(ULONG cConnections) = 0;
    /* 5 */ STDMETHOD(Reset)() = 0;
    /* 6 */ STDMETHOD(Clone)(IEnumConnections** ppEnum) = 0;

protected:
    ~IEnumConnections() = default;
};

struct IEnumConnectionPoints : IUnknown {
    /* 3 */ STDMETHOD(Next)(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) = 0;
    /* 4 */ STDMETHOD(Skip)(ULONG cConnections) = 0;
    /* 5 */ STDMETHOD(Reset)() = 0;
    /* 6 */ STDMETHOD(Clone)(IEnumConnectionPoints** ppEnum) = 0;

protected:
    ~IEnumConnectionPoints() = default;
};

struct IConnectionPoint : IUnknown {
    /* 3 */ STDMETHOD(GetConnectionInterface)(IID* pIID) = 0;
    /* 4 */ STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) = 0;
    /* 5 */ STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
    /* 6 */ STDMETHOD(Unadvise)(DWORD dwCookie) = 0;
    /* 7 */ STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) = 0;

protected:
    ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : IUnknown {
    /* 3 */ STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) = 0;
    /* 4 */ STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

// ---------------------------------------------------------------------------
// The COM runtime. Initialisation is counted per thread; each successful
// CoInitialize needs one CoUninitialize.

// S_OK for the thread's first initialisation, S_FALSE for every further one.
STDAPI CoInitialize(LPVOID pvReserved) noexcept;
STDAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) noexcept;
// Drops one initialisation of the calling thread; does nothing on a thread
// that has none.
extern "C" void WINAPI CoUninitialize() noexcept;

// Creates an object of a registered in-process server: reads the default value
// of HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads that library, asks
// its DllGetClassObject for the class factory and the factory for the object.
// Fails with CO_E_NOTINITIALIZED on a thread without COM, REGDB_E_CLASSNOTREG
// when the class has no in-process server entry, CO_E_DLLNOTFOUND when the
// library does not load, CO_E_ERRORINDLL when it has no DllGetClassObject, and
// otherwise with what the library answers. A library that served an object
// stays loaded for the rest of the process, as objects may outlive any call.
STDAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) noexcept;

// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex) and returns
// the characters written including the terminator (39), or 0 when cchMax is
// too small (nothing is written then).
extern "C" int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) noexcept;
// Parses the braced form written by StringFromGUID2 (either case). Anything
// else gives CO_E_CLASSSTRING and leaves *pclsid as GUID_NULL.
STDAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) noexcept;
STDAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) noexcept;

// The thread's error object. SetErrorInfo replaces it (holding a reference,
// null clears it). GetErrorInfo hands the object and its reference over to the
// caller and empties the slot; with no object it answers S_FALSE and null.
// Each thread has its own slot.
STDAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) noexcept;
STDAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) noexcept;
// A new error object implementing ICreateErrorInfo and IErrorInfo, with one
// reference for the caller.
STDAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) noexcept;

#endif  // _WIN32

#include "platform/scoped.h"

#include <utility>

namespace platform {

// Which IID belongs to an interface type, so queries need not repeat it:
// specialised next to each interface that the system queries for.
template <typename T>
struct InterfaceId;

#define PLATFORM_INTERFACE_ID(type, iid)                             \
    template <>                                                      \
    struct platform::InterfaceId<type> {                             \
        static constexpr const IID& value() noexcept { return iid; } \
    }

}  // namespace platform

PLATFORM_INTERFACE_ID(IUnknown, IID_IUnknown);
PLATFORM_INTERFACE_ID(IDispatch, IID_IDispatch);
PLATFORM_INTERFACE_ID(IClassFactory, IID_IClassFactory);
PLATFORM_INTERFACE_ID(IErrorInfo, IID_IErrorInfo);
PLATFORM_INTERFACE_ID(ICreateErrorInfo, IID_ICreateErrorInfo);
PLATFORM_INTERFACE_ID(ISupportErrorInfo, IID_ISupportErrorInfo);
PLATFORM_INTERFACE_ID(IConnectionPointContainer, IID_IConnectionPointContainer);
PLATFORM_INTERFACE_ID(IConnectionPoint, IID_IConnectionPoint);

namespace platform {

template <typename T>
struct ComTraits {
    using Handle = T*;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle p) noexcept { p->Release(); }
};

// An owning interface pointer: holds one reference and releases it.
//   ComPtr<IViewObject> view = control.As<IViewObject>();
//   if (view) view->Draw(...);
template <typename T>
class ComPtr : public Scoped<ComTraits<T>> {
public:
    using Scoped<ComTraits<T>>::Scoped;

    // Takes a reference of its own on a borrowed pointer.
    [[nodiscard]] static ComPtr share(T* p) noexcept {
        if (p != nullptr)
            p->AddRef();
        return ComPtr(p);
    }

    // QueryInterface for U; empty when the object does not offer it (or when
    // this pointer is empty). The result code is stored in *hr if asked for.
    template <typename U>
    [[nodiscard]] ComPtr<U> As(HRESULT* hr = nullptr) const noexcept {
        return As<U>(InterfaceId<U>::value(), hr);
    }

    template <typename U>
    [[nodiscard]] ComPtr<U> As(REFIID iid, HRESULT* hr = nullptr) const noexcept {
        ComPtr<U> result;
        HRESULT code = E_POINTER;
        if (this->get() != nullptr) {
            void* raw = nullptr;
            code = this->get()->QueryInterface(iid, &raw);
            // A misbehaving object may answer success with null or failure with
            // a pointer; only a success with a pointer counts.
            if (SUCCEEDED(code) && raw != nullptr)
                result.reset(static_cast<U*>(raw));
            else if (SUCCEEDED(code))
                code = E_NOINTERFACE;
        }
        if (hr != nullptr)
            *hr = code;
        return result;
    }

    // For out-parameters typed void**, as QueryInterface and CreateInstance take.
    void** receive_void() noexcept { return reinterpret_cast<void**>(this->receive()); }
};

static_assert(sizeof(ComPtr<IUnknown>) == sizeof(IUnknown*));

}  // namespace platform
