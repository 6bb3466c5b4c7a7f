// The COM error exception `_com_error`: a failing HRESULT together with the
// error object (IErrorInfo) that describes it, if there was one.
#pragma once

#include "platform/com.h"
#include "platform/oleauto.h"

#ifdef _WIN32

#include <comdef.h>

#else

#include <string>

class _com_error {
public:
    // Takes over `perrinfo` (may be null); with fAddRef it takes a reference of
    // its own instead, leaving the caller's.
    explicit _com_error(HRESULT hr, IErrorInfo* perrinfo = nullptr, bool fAddRef = false) noexcept;
    _com_error(const _com_error& that) noexcept;
    _com_error& operator=(const _com_error& that) noexcept;
    virtual ~_com_error();

    [[nodiscard]] HRESULT Error() const noexcept { return m_hr; }
    // The IDispatch exception code for results in 0x80040200..0x8004FFFF, else 0.
    [[nodiscard]] WORD WCode() const noexcept { return HRESULTToWCode(m_hr); }
    // The error object with a reference for the caller, or null.
    [[nodiscard]] IErrorInfo* ErrorInfo() const noexcept;

    // From the error object; empty (or GUID_NULL, 0) without one.
    [[nodiscard]] std::u16string Description() const;
    [[nodiscard]] std::u16string Source() const;
    [[nodiscard]] std::u16string HelpFile() const;
    [[nodiscard]] DWORD HelpContext() const noexcept;
    // Qualified: the member shares the type's name, as in comdef.
    [[nodiscard]] ::GUID GUID() const noexcept;

    // "error 0x80004005: Unspecified error". The text lives as long as this
    // object (or until it is assigned to).
    [[nodiscard]] const char* ErrorMessage() const noexcept;

    [[nodiscard]] static HRESULT WCodeToHRESULT(WORD wCode) noexcept {
        return wCode >= 0xFE00 ? static_cast<HRESULT>(0x8004FFFFu) : static_cast<HRESULT>(0x80040200u + wCode);
    }
    [[nodiscard]] static WORD HRESULTToWCode(HRESULT hr) noexcept {
        const auto code = static_cast<std::uint32_t>(hr);
        return code >= 0x80040200u && code <= 0x8004FFFFu ? static_cast<WORD>(code - 0x80040200u) : 0;
    }

private:
    HRESULT m_hr = S_OK;
    IErrorInfo* m_perrinfo = nullptr;
    mutable std::string m_message;
};

// Throws _com_error(hr, perrinfo), taking over perrinfo.
[[noreturn]] void WINAPI _com_issue_error(HRESULT hr);
[[noreturn]] void WINAPI _com_raise_error(HRESULT hr, IErrorInfo* perrinfo = nullptr);

// Throws _com_error for a failed call of `punk`'s interface `riid`, with the
// thread's error object when the object says (ISupportErrorInfo) that it
// reports errors for that interface; otherwise without one.
[[noreturn]] void WINAPI _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid);

#endif  // _WIN32
