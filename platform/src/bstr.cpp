// BSTR allocation.
//
// Layout of one allocation, which is what every caller relies on:
//   [ BstrPrefix: 32-bit byte length ][ characters ... ][ zero WCHAR ]
//                                     ^ the BSTR points here
// The byte length counts the characters only, never the terminator. The
// prefix struct and the two conversions below are the only places that know
// the layout.
#include "platform/oleauto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

struct BstrPrefix {
    std::uint32_t byteLength;
};
static_assert(sizeof(BstrPrefix) == 4);

// Larger strings are refused: the length must fit the prefix, and the whole
// block (prefix, bytes, terminator) must fit in a signed 32-bit size, as on
// the platform.
constexpr std::uint32_t MaxByteLength =
    static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) - sizeof(BstrPrefix) - sizeof(OLECHAR);

BstrPrefix* prefixOf(BSTR bstr) noexcept {
    return reinterpret_cast<BstrPrefix*>(reinterpret_cast<unsigned char*>(bstr) - sizeof(BstrPrefix));
}

BSTR stringOf(BstrPrefix* prefix) noexcept {
    return reinterpret_cast<BSTR>(reinterpret_cast<unsigned char*>(prefix) + sizeof(BstrPrefix));
}

// A zero-filled block for `byteLength` bytes plus terminator; null when too
// large or out of memory.
BSTR allocate(std::uint64_t byteLength) noexcept {
    if (byteLength > MaxByteLength)
        return nullptr;
    const std::size_t total = sizeof(BstrPrefix) + static_cast<std::size_t>(byteLength) + sizeof(OLECHAR);
    auto* prefix = static_cast<BstrPrefix*>(std::calloc(1, total));
    if (prefix == nullptr)
        return nullptr;
    prefix->byteLength = static_cast<std::uint32_t>(byteLength);
    return stringOf(prefix);
}

}  // namespace

BSTR WINAPI SysAllocString(const OLECHAR* psz) noexcept {
    if (psz == nullptr)
        return nullptr;
    std::uint64_t length = 0;
    while (psz[length] != 0) {
        if (++length > MaxByteLength / sizeof(OLECHAR))
            return nullptr;
    }
    return SysAllocStringLen(psz, static_cast<UINT>(length));
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* pch, UINT ui) noexcept {
    const std::uint64_t bytes = static_cast<std::uint64_t>(ui) * sizeof(OLECHAR);
    BSTR bstr = allocate(bytes);
    if (bstr != nullptr && pch != nullptr)
        std::memcpy(bstr, pch, static_cast<std::size_t>(bytes));
    return bstr;
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len) noexcept {
    BSTR bstr = allocate(len);
    if (bstr != nullptr && psz != nullptr)
        std::memcpy(bstr, psz, len);
    return bstr;
}

UINT WINAPI SysStringLen(BSTR bstr) noexcept {
    return bstr == nullptr ? 0 : prefixOf(bstr)->byteLength / sizeof(OLECHAR);
}

UINT WINAPI SysStringByteLen(BSTR bstr) noexcept { return bstr == nullptr ? 0 : prefixOf(bstr)->byteLength; }

void WINAPI SysFreeString(BSTR bstr) noexcept {
    if (bstr != nullptr)
        std::free(prefixOf(bstr));
}
