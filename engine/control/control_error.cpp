#include "control/control_error.h"

#include "moviehost/flash_contract.h"
#include "platform/oleauto.h"

#include <new>
#include <string>

namespace control {

HRESULT reportError(HRESULT code, std::u16string_view description) noexcept {
    try {
        platform::ComPtr<ICreateErrorInfo> create;
        if (FAILED(CreateErrorInfo(create.receive())) || !create)
            return code;
        // The setters take zero-terminated strings.
        std::u16string source(kErrorSource);
        std::u16string text(description);
        create->SetGUID(IID_IShockwaveFlash);
        create->SetSource(source.data());
        create->SetDescription(text.data());
        if (auto info = create.As<IErrorInfo>())
            SetErrorInfo(0, info.get());
    } catch (...) {
        // Out of memory while describing an error: the code alone must do.
    }
    return code;
}

HRESULT notImplemented(std::u16string_view member) noexcept {
    try {
        std::u16string text(member);
        text += u" is not implemented";
        return reportError(E_NOTIMPL, text);
    } catch (...) {
        return E_NOTIMPL;
    }
}

HRESULT failureFromException(std::u16string_view member) noexcept {
    HRESULT code = E_FAIL;
    std::u16string_view why = u": an unexpected internal error stopped it";
    try {
        throw;
    } catch (const std::bad_alloc&) {
        code = E_OUTOFMEMORY;
        why = u": out of memory";
    } catch (...) {
    }
    try {
        std::u16string text(member);
        text += why;
        return reportError(code, text);
    } catch (...) {
        return reportError(code, why.substr(2));
    }
}

}  // namespace control
