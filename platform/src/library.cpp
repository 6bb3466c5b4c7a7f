// Run-time loading of shared libraries. Every handle handed out is counted in
// a table, so a stale or made-up handle is refused instead of reaching dlclose.
#include "platform/library.h"
#include "platform/kernel.h"
#include "platform/wide.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>

namespace {

class ModuleTable {
public:
    void add(void* handle) {
        std::lock_guard lock(m_mutex);
        ++m_loads[handle];
    }

    // Drops one load; false when the handle is not loaded through us.
    bool remove(void* handle) {
        std::lock_guard lock(m_mutex);
        const auto it = m_loads.find(handle);
        if (it == m_loads.end())
            return false;
        if (--it->second == 0)
            m_loads.erase(it);
        return true;
    }

    bool contains(void* handle) {
        std::lock_guard lock(m_mutex);
        return m_loads.count(handle) != 0;
    }

private:
    std::mutex m_mutex;
    std::map<void*, unsigned long> m_loads;
};

ModuleTable& moduleTable() {
    static auto* table = new ModuleTable();  // libraries may be freed during static destruction
    return *table;
}

// The path of the running executable, or empty.
std::string executablePath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    return std::string(path, static_cast<std::size_t>(length));
}

// The folder of the running executable, with a trailing '/', or empty.
std::string executableFolder() {
    const std::string exe = executablePath();
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

// The absolute path a loaded module came from, or empty.
std::string modulePath(void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
        return {};
    char resolved[PATH_MAX];
    return realpath(map->l_name, resolved) != nullptr ? std::string(resolved) : std::string(map->l_name);
}

HMODULE openLibrary(const std::string& file) noexcept {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return nullptr;
    try {
        moduleTable().add(handle);
    } catch (const std::bad_alloc&) {
        dlclose(handle);
        return nullptr;
    }
    return static_cast<HMODULE>(handle);
}

}  // namespace

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) noexcept {
    if (lpLibFileName == nullptr || *lpLibFileName == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        const std::string name = platform::utf16_to_utf8(lpLibFileName);
        if (name.find('/') == std::string::npos) {
            const std::string beside = executableFolder() + name;
            if (!beside.empty() && beside != name && access(beside.c_str(), F_OK) == 0) {
                HMODULE module = openLibrary(beside);
                if (module == nullptr)
                    SetLastError(ERROR_BAD_EXE_FORMAT);
                return module;
            }
        }
        // With a '/' dlopen takes the name as a path; without one it runs the
        // system's search.
        HMODULE module = openLibrary(name);
        if (module == nullptr) {
            const bool exists = name.find('/') != std::string::npos && access(name.c_str(), F_OK) == 0;
            SetLastError(exists ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
        }
        return module;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) noexcept {
    if (hModule == nullptr || !moduleTable().contains(hModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Names whose pointer value fits in 16 bits are ordinals on the platform.
    if (reinterpret_cast<std::uintptr_t>(lpProcName) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = dlsym(hModule, lpProcName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC function = nullptr;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) noexcept {
    if (hLibModule == nullptr || !moduleTable().remove(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    dlclose(hLibModule);
    return TRUE;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) noexcept {
    if (lpFilename == nullptr || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (hModule != nullptr && !moduleTable().contains(hModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    try {
        const std::string path = hModule == nullptr ? executablePath() : modulePath(hModule);
        if (path.empty()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        const platform::WideString wide = platform::utf8_to_utf16(path);
        if (wide.size() >= nSize) {
            std::memcpy(lpFilename, wide.data(), (nSize - 1) * sizeof(WCHAR));
            lpFilename[nSize - 1] = 0;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return nSize;
        }
        std::memcpy(lpFilename, wide.data(), wide.size() * sizeof(WCHAR));
        lpFilename[wide.size()] = 0;
        return static_cast<DWORD>(wide.size());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}
