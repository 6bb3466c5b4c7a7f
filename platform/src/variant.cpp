// VARIANT lifetime rules: what a variant owns, how it is freed and copied.
//
// A variant owns its value only when VT_BYREF is clear: a VT_BSTR owns the
// string, VT_UNKNOWN and VT_DISPATCH own one reference. Everything else is a
// plain value. By-reference variants point at storage someone else owns.
#include "platform/oleauto.h"

namespace {

enum class Kind { Plain, String, Interface, Unsupported };

Kind kindOf(VARTYPE vt) noexcept {
    if ((vt & VT_BYREF) != 0) {
        // A by-reference variant owns nothing whatever it points at, but the
        // base type must still be one we know.
        const VARTYPE base = vt & ~VT_BYREF;
        return kindOf(base) == Kind::Unsupported && base != VT_VARIANT && base != VT_DECIMAL ? Kind::Unsupported
                                                                                             : Kind::Plain;
    }
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
        return Kind::Plain;
    case VT_BSTR:
        return Kind::String;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return Kind::Interface;
    default:
        // Arrays, records and decimals need machinery that does not exist here.
        return Kind::Unsupported;
    }
}

}  // namespace

void WINAPI VariantInit(VARIANTARG* pvarg) noexcept {
    if (pvarg == nullptr)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = 0;
    pvarg->wReserved2 = 0;
    pvarg->wReserved3 = 0;
}

HRESULT WINAPI VariantClear(VARIANTARG* pvarg) noexcept {
    if (pvarg == nullptr)
        return E_INVALIDARG;
    switch (kindOf(pvarg->vt)) {
    case Kind::Unsupported:
        return DISP_E_BADVARTYPE;
    case Kind::String:
        SysFreeString(pvarg->bstrVal);
        break;
    case Kind::Interface:
        if (pvarg->punkVal != nullptr)
            pvarg->punkVal->Release();
        break;
    case Kind::Plain:
        break;
    }
    pvarg->vt = VT_EMPTY;
    pvarg->llVal = 0;
    return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) noexcept {
    if (pvargDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    const Kind kind = kindOf(pvargSrc->vt);
    if (kind == Kind::Unsupported)
        return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc)
        return S_OK;
    if (const HRESULT hr = VariantClear(pvargDest); FAILED(hr))
        return hr;

    VARIANTARG copy = *pvargSrc;
    if (kind == Kind::String && pvargSrc->bstrVal != nullptr) {
        // Byte length, not characters: a BSTR may hold an odd number of bytes.
        copy.bstrVal =
            SysAllocStringByteLen(reinterpret_cast<LPCSTR>(pvargSrc->bstrVal), SysStringByteLen(pvargSrc->bstrVal));
        if (copy.bstrVal == nullptr)
            return E_OUTOFMEMORY;
    } else if (kind == Kind::Interface && pvargSrc->punkVal != nullptr) {
        pvargSrc->punkVal->AddRef();
    }
    *pvargDest = copy;
    return S_OK;
}
