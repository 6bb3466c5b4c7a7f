// The COM error exception and the helpers that raise it.
#include "platform/com_error.h"
#include "platform/wide.h"

#include <cstdio>

namespace {

struct KnownResult {
    std::uint32_t code;
    const char* text;
};

constexpr KnownResult KnownResults[] = {
    {0x00000000u, "The operation completed successfully"},
    {0x00000001u, "The operation completed with a false result"},
    {0x80004001u, "Not implemented"},
    {0x80004002u, "No such interface supported"},
    {0x80004003u, "Invalid pointer"},
    {0x80004004u, "Operation aborted"},
    {0x80004005u, "Unspecified error"},
    {0x8000FFFFu, "Catastrophic failure"},
    {0x80070005u, "Access is denied"},
    {0x80070006u, "The handle is invalid"},
    {0x8007000Eu, "Not enough memory resources are available to complete this operation"},
    {0x80070057u, "The parameter is incorrect"},
    {0x80020003u, "Member not found"},
    {0x80020005u, "Type mismatch"},
    {0x80020006u, "Unknown name"},
    {0x80020008u, "Bad variable type"},
    {0x80020009u, "Exception occurred"},
    {0x8002000Eu, "Invalid number of parameters"},
    {0x80040110u, "Class does not support aggregation"},
    {0x80040111u, "ClassFactory cannot supply requested class"},
    {0x80040154u, "Class not registered"},
    {0x800401F0u, "CoInitialize has not been called"},
    {0x800401F3u, "Invalid class string"},
    {0x800401F8u, "DLL for class not found"},
    {0x800401F9u, "Error in the DLL"},
    {0x80040200u, "No connection for this connection ID"},
    {0x80040201u, "Connection limit reached"},
    {0x80040202u, "Cannot connect: the sink does not support the interface"},
    {0x80040005u, "Object not running"},
    {0x80040007u, "Uninitialized object"},
};

const char* knownText(HRESULT hr) noexcept {
    for (const KnownResult& known : KnownResults) {
        if (known.code == static_cast<std::uint32_t>(hr))
            return known.text;
    }
    return nullptr;
}

std::u16string readText(IErrorInfo* info, HRESULT (STDMETHODCALLTYPE IErrorInfo::*getter)(BSTR*)) {
    if (info == nullptr)
        return {};
    platform::ScopedBstr text;
    if (FAILED((info->*getter)(text.receive())) || !text)
        return {};
    return std::u16string(text.get(), SysStringLen(text.get()));
}

}  // namespace

_com_error::_com_error(HRESULT hr, IErrorInfo* perrinfo, bool fAddRef) noexcept : m_hr(hr), m_perrinfo(perrinfo) {
    if (m_perrinfo != nullptr && fAddRef)
        m_perrinfo->AddRef();
}

_com_error::_com_error(const _com_error& that) noexcept : m_hr(that.m_hr), m_perrinfo(that.m_perrinfo) {
    if (m_perrinfo != nullptr)
        m_perrinfo->AddRef();
}

_com_error& _com_error::operator=(const _com_error& that) noexcept {
    if (this != &that) {
        if (that.m_perrinfo != nullptr)
            that.m_perrinfo->AddRef();
        if (m_perrinfo != nullptr)
            m_perrinfo->Release();
        m_hr = that.m_hr;
        m_perrinfo = that.m_perrinfo;
        m_message.clear();
    }
    return *this;
}

_com_error::~_com_error() {
    if (m_perrinfo != nullptr)
        m_perrinfo->Release();
}

IErrorInfo* _com_error::ErrorInfo() const noexcept {
    if (m_perrinfo != nullptr)
        m_perrinfo->AddRef();
    return m_perrinfo;
}

std::u16string _com_error::Description() const { return readText(m_perrinfo, &IErrorInfo::GetDescription); }
std::u16string _com_error::Source() const { return readText(m_perrinfo, &IErrorInfo::GetSource); }
std::u16string _com_error::HelpFile() const { return readText(m_perrinfo, &IErrorInfo::GetHelpFile); }

DWORD _com_error::HelpContext() const noexcept {
    DWORD context = 0;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetHelpContext(&context)))
        context = 0;
    return context;
}

::GUID _com_error::GUID() const noexcept {
    ::GUID guid = GUID_NULL;
    if (m_perrinfo != nullptr && FAILED(m_perrinfo->GetGUID(&guid)))
        guid = GUID_NULL;
    return guid;
}

const char* _com_error::ErrorMessage() const noexcept {
    if (!m_message.empty())
        return m_message.c_str();
    char text[160];
    const auto code = static_cast<unsigned>(m_hr);
    if (const char* known = knownText(m_hr))
        std::snprintf(text, sizeof text, "error 0x%08X: %s", code, known);
    else if (const WORD wcode = WCode(); wcode != 0)
        std::snprintf(text, sizeof text, "error 0x%08X: IDispatch error #%u", code, static_cast<unsigned>(wcode));
    else
        std::snprintf(text, sizeof text, "error 0x%08X: Unknown error", code);
    try {
        m_message = text;
    } catch (...) {
        return "error: out of memory while formatting the message";
    }
    return m_message.c_str();
}

void WINAPI _com_issue_error(HRESULT hr) { throw _com_error(hr); }

void WINAPI _com_raise_error(HRESULT hr, IErrorInfo* perrinfo) { throw _com_error(hr, perrinfo); }

void WINAPI _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid) {
    IErrorInfo* info = nullptr;
    if (punk != nullptr) {
        ISupportErrorInfo* support = nullptr;
        if (SUCCEEDED(punk->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) &&
            support != nullptr) {
            const HRESULT supported = support->InterfaceSupportsErrorInfo(riid);
            support->Release();
            if (supported == S_OK && GetErrorInfo(0, &info) != S_OK)
                info = nullptr;
        }
    }
    throw _com_error(hr, info);
}
