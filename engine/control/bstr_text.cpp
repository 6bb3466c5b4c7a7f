#include "control/bstr_text.h"

#include "control/control_error.h"

#include <string>

namespace control {

std::u16string quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    out += text;
    out += u"\"";
    return out;
}

HRESULT returnBstr(std::u16string_view text, BSTR* out, std::u16string_view member) noexcept {
    try {
        if (out == nullptr)
            return reportError(E_POINTER, std::u16string(member) + u" needs a place for its result");
        *out = SysAllocStringLen(text.data(), UINT(text.size()));
        if (*out == nullptr)
            return reportError(E_OUTOFMEMORY, std::u16string(member) + u": out of memory");
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace control
