// GUIDs in their registry spelling: "{D27CDB6E-AE6D-11CF-96B8-444553540000}".
#include "platform/com.h"

namespace {

constexpr int GuidChars = 38;  // without the terminator

// Positions of the 32 hex digits in the braced form, most significant first,
// field by field: Data1 (8), Data2 (4), Data3 (4), Data4 (4 + 12).
constexpr int DigitPositions[32] = {1,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13, 15, 16, 17, 18,
                                    20, 21, 22, 23, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36};

// The 16 bytes of a GUID in the order its text spells them.
void textOrderBytes(REFGUID guid, BYTE out[16]) noexcept {
    out[0] = static_cast<BYTE>(guid.Data1 >> 24);
    out[1] = static_cast<BYTE>(guid.Data1 >> 16);
    out[2] = static_cast<BYTE>(guid.Data1 >> 8);
    out[3] = static_cast<BYTE>(guid.Data1);
    out[4] = static_cast<BYTE>(guid.Data2 >> 8);
    out[5] = static_cast<BYTE>(guid.Data2);
    out[6] = static_cast<BYTE>(guid.Data3 >> 8);
    out[7] = static_cast<BYTE>(guid.Data3);
    for (int i = 0; i < 8; ++i)
        out[8 + i] = guid.Data4[i];
}

int hexValue(OLECHAR c) noexcept {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

}  // namespace

int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) noexcept {
    if (lpsz == nullptr || cchMax < GuidChars + 1)
        return 0;
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    BYTE bytes[16];
    textOrderBytes(rguid, bytes);
    lpsz[0] = u'{';
    lpsz[9] = lpsz[14] = lpsz[19] = lpsz[24] = u'-';
    lpsz[37] = u'}';
    lpsz[38] = 0;
    for (int i = 0; i < 32; ++i) {
        const BYTE b = bytes[i / 2];
        lpsz[DigitPositions[i]] = Digits[(i % 2 == 0) ? (b >> 4) : (b & 0xF)];
    }
    return GuidChars + 1;
}

HRESULT WINAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) noexcept {
    if (pclsid == nullptr)
        return E_INVALIDARG;
    *pclsid = GUID_NULL;
    if (lpsz == nullptr)
        return CO_E_CLASSSTRING;
    for (int i = 0; i < GuidChars; ++i) {
        if (lpsz[i] == 0)
            return CO_E_CLASSSTRING;
    }
    if (lpsz[GuidChars] != 0 || lpsz[0] != u'{' || lpsz[9] != u'-' || lpsz[14] != u'-' || lpsz[19] != u'-' ||
        lpsz[24] != u'-' || lpsz[37] != u'}')
        return CO_E_CLASSSTRING;
    BYTE bytes[16] = {};
    for (int i = 0; i < 32; ++i) {
        const int v = hexValue(lpsz[DigitPositions[i]]);
        if (v < 0)
            return CO_E_CLASSSTRING;
        bytes[i / 2] = static_cast<BYTE>(bytes[i / 2] << 4 | v);
    }
    GUID guid;
    guid.Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
                 static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = bytes[8 + i];
    *pclsid = guid;
    return S_OK;
}

HRESULT WINAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) noexcept { return CLSIDFromString(lpsz, lpiid); }
