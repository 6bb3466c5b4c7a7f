// The COM runtime: per-thread initialisation and creation of objects from
// registered in-process servers.
#include "platform/com.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/wide.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace {

thread_local unsigned t_init_count = 0;

// Libraries that served an object stay loaded: the objects run their code.
// Loading the same path again reuses the one load.
class ServerLibraries {
public:
    HMODULE load(const platform::WideString& path) {
        std::lock_guard lock(m_mutex);
        if (auto it = m_loaded.find(path); it != m_loaded.end())
            return it->second;
        HMODULE module = LoadLibraryW(path.c_str());
        if (module != nullptr)
            m_loaded.emplace(path, module);
        return module;
    }

private:
    std::mutex m_mutex;
    std::map<platform::WideString, HMODULE> m_loaded;
};

ServerLibraries& serverLibraries() {
    // Never destroyed: objects may still be released during static destruction.
    static auto* libraries = new ServerLibraries();
    return *libraries;
}

// %NAME% is replaced by the environment variable's value; unknown names and a
// lone % stay as written.
platform::WideString expandEnvironment(const platform::WideString& text) {
    platform::WideString out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t close = text[i] == u'%' ? text.find(u'%', i + 1) : platform::WideString::npos;
        if (close == platform::WideString::npos) {
            out.push_back(text[i++]);
            continue;
        }
        const std::string name = platform::utf16_to_utf8(text.substr(i + 1, close - i - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value == nullptr) {
            out.append(text, i, close - i + 1);
        } else {
            out += platform::utf8_to_utf16(value);
        }
        i = close + 1;
    }
    return out;
}

// The library path registered for the class, or empty when there is none.
platform::WideString registeredServer(REFCLSID clsid) {
    WCHAR clsidText[40];
    if (StringFromGUID2(clsid, clsidText, 40) == 0)
        return {};
    const platform::WideString keyName = platform::WideString(u"CLSID\\") + clsidText + u"\\InprocServer32";
    platform::ScopedRegistryKey key;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, keyName.c_str(), key.receive()) != ERROR_SUCCESS)
        return {};

    constexpr DWORD MaxBytes = 32768 * sizeof(WCHAR);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > MaxBytes)
        return {};
    std::vector<WCHAR> buffer(size / sizeof(WCHAR) + 1, 0);
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    platform::WideString path(buffer.data());  // up to the first zero
    return type == REG_EXPAND_SZ ? expandEnvironment(path) : path;
}

using DllGetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, LPVOID*);

}  // namespace

HRESULT WINAPI CoInitialize(LPVOID pvReserved) noexcept { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) noexcept {
    // One thread, one apartment: the concurrency model is not tracked.
    return t_init_count++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize() noexcept {
    if (t_init_count > 0)
        --t_init_count;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                LPVOID* ppv) noexcept {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (t_init_count == 0)
        return CO_E_NOTINITIALIZED;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;

    try {
        const platform::WideString path = registeredServer(rclsid);
        if (path.empty())
            return REGDB_E_CLASSNOTREG;

        HMODULE module = serverLibraries().load(path);
        if (module == nullptr)
            return CO_E_DLLNOTFOUND;
        const FARPROC entry = GetProcAddress(module, "DllGetClassObject");
        if (entry == nullptr)
            return CO_E_ERRORINDLL;
        const auto getClassObject = platform::ProcedureAs<DllGetClassObjectFunction>(entry);

        platform::ComPtr<IClassFactory> factory;
        HRESULT hr = getClassObject(rclsid, IID_IClassFactory, factory.receive_void());
        if (FAILED(hr))
            return hr;
        if (!factory)
            return CO_E_ERRORINDLL;
        hr = factory->CreateInstance(pUnkOuter, riid, ppv);
        if (FAILED(hr))
            *ppv = nullptr;
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
