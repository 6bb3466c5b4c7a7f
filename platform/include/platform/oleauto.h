// OLE automation values: the counted wide string BSTR, the tagged union
// VARIANT, dispatch parameters and exception information, and owning wrappers
// for BSTR and VARIANT.
#pragma once

#include "platform/com.h"

#ifdef _WIN32

#include <oleauto.h>

#else

// A BSTR points at its first character. In front of it sits a 32-bit length in
// bytes (not characters), and after the last character a zero WCHAR that the
// length does not count. A null BSTR is a valid empty string everywhere.

// Allocates a copy of the zero-terminated `psz`. Null in gives null out; an
// empty string gives a valid, non-null empty BSTR (pinned by the test
// BstrTest.EmptyAndNullSources). Null also when memory runs out.
extern "C" BSTR WINAPI SysAllocString(const OLECHAR* psz) noexcept;
// Allocates `ui` characters copied from `pch`, which may contain zeros. A null
// `pch` allocates `ui` zero characters. Null when the size does not fit the
// 32-bit byte length or memory runs out.
extern "C" BSTR WINAPI SysAllocStringLen(const OLECHAR* pch, UINT ui) noexcept;
// Allocates `len` bytes (an odd count is fine) copied from `psz`, or zeroed
// when `psz` is null, followed by a zero WCHAR.
extern "C" BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len) noexcept;
// Characters (byte length / 2, rounded down); 0 for null.
extern "C" UINT WINAPI SysStringLen(BSTR bstr) noexcept;
// Bytes, as stored in the prefix; 0 for null.
extern "C" UINT WINAPI SysStringByteLen(BSTR bstr) noexcept;
// Frees a BSTR from the functions above; null does nothing.
extern "C" void WINAPI SysFreeString(BSTR bstr) noexcept;

using VARTYPE = unsigned short;
using FLOAT = float;
using DOUBLE = double;
using CHAR = char;

// Variant type tags. VT_BYREF combines with a base type: the union then holds a
// pointer to a value the variant does not own.
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0xFFF,
};

// The record member of the union; it makes the union two pointers wide.
struct VARIANT_RECORD {
    PVOID pvRecord;
    IUnknown* pRecInfo;
};

// The platform's layout: the type tag, three reserved words, then the union at
// offset 8. 24 bytes on 64-bit targets, 16 on 32-bit ones.
struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        tagVARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        ULONGLONG* pullVal;
        INT* pintVal;
        UINT* puintVal;
        VARIANT_RECORD brecVal;
    };
};
using LPVARIANT = VARIANT*;
using LPVARIANTARG = VARIANTARG*;

static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*) || sizeof(VARIANT) == 16);
static_assert(offsetof(VARIANT, lVal) == 8, "the union starts after the tag and three reserved words");

// Arguments of IDispatch::Invoke, stored last to first in rgvarg.
struct tagDISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct tagEXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(tagEXCEPINFO*);
    SCODE scode;
};
using LPEXCEPINFO = EXCEPINFO*;

// IDispatch::Invoke flags and special member ids.
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400

#define DISP_E_UNKNOWNNAME MAKE_HRESULT_CONST(0x80020006u)
#define DISP_E_BADVARTYPE MAKE_HRESULT_CONST(0x80020008u)

// Sets the type to VT_EMPTY (and the reserved words to 0); the union is left
// alone, as nothing reads it for VT_EMPTY.
extern "C" void WINAPI VariantInit(VARIANTARG* pvarg) noexcept;
// Frees what the variant owns (a BSTR is freed, an interface released) and
// leaves it VT_EMPTY. A VT_BYREF variant owns nothing: the target is untouched.
// A type it cannot free (arrays, records, unknown tags) gives DISP_E_BADVARTYPE
// and leaves the variant unchanged; null gives E_INVALIDARG.
STDAPI VariantClear(VARIANTARG* pvarg) noexcept;
// Clears `dest`, then makes it an independent copy of `src`: a BSTR is
// duplicated, an interface gets one more reference, a VT_BYREF pointer is
// copied as it is. Copying a variant onto itself does nothing. On failure
// (E_OUTOFMEMORY, DISP_E_BADVARTYPE) `dest` is left VT_EMPTY or unchanged.
STDAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) noexcept;

#endif  // _WIN32

#include "platform/scoped.h"

namespace platform {

struct BstrTraits {
    using Handle = BSTR;
    static Handle empty() noexcept { return nullptr; }
    static void free(Handle b) noexcept { SysFreeString(b); }
};
using ScopedBstr = Scoped<BstrTraits>;
static_assert(sizeof(ScopedBstr) == sizeof(BSTR));

// A copy of `text` (null stays null). Check the result against a non-null
// source: an empty result then means out of memory.
[[nodiscard]] inline ScopedBstr make_bstr(const OLECHAR* text) noexcept { return ScopedBstr(SysAllocString(text)); }

// A VARIANT held by value. Scoped compares its handle with the empty one; a
// variant counts as empty exactly when its type is VT_EMPTY, whatever the
// union holds, and one that is not empty is freed with VariantClear.
struct VariantValue : VARIANT {
    VariantValue() noexcept : VARIANT() { VariantInit(this); }
    explicit VariantValue(const VARIANT& v) noexcept : VARIANT(v) {}

    friend bool operator==(const VariantValue& a, const VariantValue& b) noexcept {
        if (a.vt == VT_EMPTY || b.vt == VT_EMPTY)
            return a.vt == b.vt;
        return &a == &b;
    }
};

struct VariantTraits {
    using Handle = VariantValue;
    static Handle empty() noexcept { return VariantValue(); }
    static void free(Handle v) noexcept { VariantClear(&v); }
};

// Owns what a VARIANT holds. receive() gives a VARIANT* (VT_EMPTY) for APIs
// that fill one in; get() returns a shallow copy for reading.
using ScopedVariant = Scoped<VariantTraits>;
static_assert(sizeof(ScopedVariant) == sizeof(VARIANT));

// A variant that takes ownership of `text`.
[[nodiscard]] inline ScopedVariant make_variant(ScopedBstr text) noexcept {
    VariantValue v;
    v.vt = VT_BSTR;
    v.bstrVal = text.release();
    return ScopedVariant(v);
}

[[nodiscard]] inline ScopedVariant make_variant(LONG value) noexcept {
    VariantValue v;
    v.vt = VT_I4;
    v.lVal = value;
    return ScopedVariant(v);
}

}  // namespace platform
