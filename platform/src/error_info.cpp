// The per-thread error object (SetErrorInfo / GetErrorInfo) and the error
// object that CreateErrorInfo hands out.
#include "platform/com.h"
#include "platform/oleauto.h"

#include <atomic>
#include <new>

namespace {

// An error object: written through ICreateErrorInfo by whoever reports the
// error, read through IErrorInfo by whoever catches it. It may be read on
// another thread than the one that wrote it, so the count is atomic.
class ErrorObject final : public ICreateErrorInfo, public IErrorInfo {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
            *ppv = static_cast<IErrorInfo*>(this);
        } else if (riid == IID_ICreateErrorInfo) {
            *ppv = static_cast<ICreateErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override {
        m_guid = rguid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR text) override { return store(m_source, text); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR text) override { return store(m_description, text); }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR text) override { return store(m_helpFile, text); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD context) override {
        m_helpContext = context;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
        if (guid == nullptr)
            return E_INVALIDARG;
        *guid = m_guid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* out) override { return copy(m_source, out); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* out) override { return copy(m_description, out); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* out) override { return copy(m_helpFile, out); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override {
        if (context == nullptr)
            return E_INVALIDARG;
        *context = m_helpContext;
        return S_OK;
    }

private:
    ~ErrorObject() = default;

    static HRESULT store(platform::ScopedBstr& field, LPOLESTR text) noexcept {
        platform::ScopedBstr copy(SysAllocString(text));
        if (text != nullptr && !copy)
            return E_OUTOFMEMORY;
        field = std::move(copy);
        return S_OK;
    }

    static HRESULT copy(const platform::ScopedBstr& field, BSTR* out) noexcept {
        if (out == nullptr)
            return E_INVALIDARG;
        *out = nullptr;
        if (!field)
            return S_OK;
        *out = SysAllocStringLen(field.get(), SysStringLen(field.get()));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    std::atomic<ULONG> m_refs = 1;
    GUID m_guid = GUID_NULL;
    platform::ScopedBstr m_source;
    platform::ScopedBstr m_description;
    platform::ScopedBstr m_helpFile;
    DWORD m_helpContext = 0;
};

// The thread's slot holds one reference; a thread that ends with an object
// still set gives it back.
struct ErrorSlot {
    IErrorInfo* object = nullptr;
    ~ErrorSlot() {
        if (object != nullptr)
            object->Release();
    }
};

thread_local ErrorSlot t_error;

}  // namespace

HRESULT WINAPI SetErrorInfo(ULONG, IErrorInfo* perrinfo) noexcept {
    if (perrinfo != nullptr)
        perrinfo->AddRef();
    IErrorInfo* old = t_error.object;
    t_error.object = perrinfo;
    if (old != nullptr)
        old->Release();
    return S_OK;
}

HRESULT WINAPI GetErrorInfo(ULONG, IErrorInfo** pperrinfo) noexcept {
    if (pperrinfo == nullptr)
        return E_INVALIDARG;
    *pperrinfo = t_error.object;
    t_error.object = nullptr;
    return *pperrinfo != nullptr ? S_OK : S_FALSE;
}

HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) noexcept {
    if (pperrinfo == nullptr)
        return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ErrorObject();
    return *pperrinfo != nullptr ? S_OK : E_OUTOFMEMORY;
}
