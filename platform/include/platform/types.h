// Base types, result codes, handles and constants of the Win32 subset.
//
// On Windows everything comes from the SDK. Elsewhere the same names are
// declared here with the sizes they have on Windows: WCHAR is a 16-bit UTF-16
// unit, LONG and DWORD are 32 bits, WPARAM/LPARAM/LRESULT are pointer-sized.
#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#define WIDE(s) L##s

#else

#include <cstddef>
#include <cstdint>

// UTF-16 string literal: WIDE("abc") is a const WCHAR[4].
#define WIDE(s) u##s

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = DWORD;
using DISPID = LONG;
using MEMBERID = DISPID;
using COLORREF = DWORD;
using VARIANT_BOOL = short;
using DATE = double;
using VOID = void;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPLONG = LONG*;

using WCHAR = char16_t;
using OLECHAR = WCHAR;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPSTR = char*;
using LPCSTR = const char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

// Calling-convention and annotation macros that Windows code spells out.
#define WINAPI
#define CALLBACK
#define STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT
#define STDMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(type, name) virtual type STDMETHODCALLTYPE name

// Handles are distinct pointer types, as with the SDK's STRICT definitions,
// so that an HDC cannot be passed where an HRGN is expected.
#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name

using HANDLE = void*;
using HGDIOBJ = void*;
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HRGN);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HPALETTE);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HKEY);
DECLARE_HANDLE(HACCEL);
DECLARE_HANDLE(HMENU);
using HMODULE = HINSTANCE;

// Result codes. The values are the platform's; the system tests and produces
// exactly these.
#define MAKE_HRESULT_CONST(v) (static_cast<HRESULT>(static_cast<std::uint32_t>(v)))
#define S_OK MAKE_HRESULT_CONST(0x00000000u)
#define S_FALSE MAKE_HRESULT_CONST(0x00000001u)
#define E_NOTIMPL MAKE_HRESULT_CONST(0x80004001u)
#define E_NOINTERFACE MAKE_HRESULT_CONST(0x80004002u)
#define E_POINTER MAKE_HRESULT_CONST(0x80004003u)
#define E_ABORT MAKE_HRESULT_CONST(0x80004004u)
#define E_FAIL MAKE_HRESULT_CONST(0x80004005u)
#define E_UNEXPECTED MAKE_HRESULT_CONST(0x8000FFFFu)
#define E_ACCESSDENIED MAKE_HRESULT_CONST(0x80070005u)
#define E_HANDLE MAKE_HRESULT_CONST(0x80070006u)
#define E_OUTOFMEMORY MAKE_HRESULT_CONST(0x8007000Eu)
#define E_INVALIDARG MAKE_HRESULT_CONST(0x80070057u)
#define DISP_E_MEMBERNOTFOUND MAKE_HRESULT_CONST(0x80020003u)
#define DISP_E_TYPEMISMATCH MAKE_HRESULT_CONST(0x80020005u)
#define DISP_E_BADPARAMCOUNT MAKE_HRESULT_CONST(0x8002000Eu)
#define DISP_E_EXCEPTION MAKE_HRESULT_CONST(0x80020009u)
#define CLASS_E_NOAGGREGATION MAKE_HRESULT_CONST(0x80040110u)
#define CLASS_E_CLASSNOTAVAILABLE MAKE_HRESULT_CONST(0x80040111u)
#define REGDB_E_CLASSNOTREG MAKE_HRESULT_CONST(0x80040154u)
#define CO_E_NOTINITIALIZED MAKE_HRESULT_CONST(0x800401F0u)
#define CO_E_DLLNOTFOUND MAKE_HRESULT_CONST(0x800401F8u)
#define CO_E_ERRORINDLL MAKE_HRESULT_CONST(0x800401F9u)
#define CONNECT_E_NOCONNECTION MAKE_HRESULT_CONST(0x80040200u)
#define CONNECT_E_ADVISELIMIT MAKE_HRESULT_CONST(0x80040201u)
#define CONNECT_E_CANNOTCONNECT MAKE_HRESULT_CONST(0x80040202u)
#define OLE_E_NOTRUNNING MAKE_HRESULT_CONST(0x80040005u)
#define OLE_E_BLANK MAKE_HRESULT_CONST(0x80040007u)
#define OLEOBJ_S_INVALIDVERB MAKE_HRESULT_CONST(0x00040180u)

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

// Win32 error codes (GetLastError, registry results).
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BROKEN_PIPE 109L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_DATA 232L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

#define MAX_PATH 260

// Geometry. Right and bottom are exclusive.
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

// The L forms are types of their own, as in the SDK: the same members, but a
// RECTL does not convert to a RECT.
struct RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECTL = RECTL*;
using LPCRECTL = const RECTL*;

struct POINT {
    LONG x;
    LONG y;
};

struct POINTL {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};
using SIZEL = SIZE;

// A thread message as GetMessageW fills it.
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

// Window messages the system posts, forwards or dispatches.
#define WM_NULL 0x0000
#define WM_QUIT 0x0012
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MOUSEWHEEL 0x020A
#define WM_USER 0x0400

// Mouse key state bits carried in wParam of mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define VK_SHIFT 0x10
#define VK_CONTROL 0x11

#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xffff))
#define MAKELONG(a, b)                                                                             \
    (static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(static_cast<DWORD_PTR>(a) & 0xffff)) | \
                       (static_cast<DWORD>(static_cast<WORD>(static_cast<DWORD_PTR>(b) & 0xffff)) << 16)))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))

#define RGB(r, g, b)                                                                               \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(c) (static_cast<BYTE>(c))
#define GetGValue(c) (static_cast<BYTE>((c) >> 8))
#define GetBValue(c) (static_cast<BYTE>((c) >> 16))

#endif  // _WIN32
