// The registry API over the registry file. Open keys live in a handle table:
// a handle that is not in it (never opened, or closed) is refused rather than
// followed. Each open key keeps a copy of its values as they were when opened.
#include "platform/registry.h"

#include "registry_file.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace {

using platform::WideString;
using platform::WideStringView;
using platform::detail::RegistryValue;
using platform::detail::RegistryValues;

struct OpenKey {
    WideString path;  // folded
    RegistryValues values;
};

class KeyTable {
public:
    HKEY add(OpenKey key) {
        std::lock_guard lock(m_mutex);
        // Handles are never reused, and stay far from the predefined ones.
        m_next += 4;
        const auto handle = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(m_next));
        m_keys.emplace(handle, std::move(key));
        return handle;
    }

    bool remove(HKEY handle) {
        std::lock_guard lock(m_mutex);
        return m_keys.erase(handle) == 1;
    }

    // A copy, so the caller works without holding the lock.
    bool get(HKEY handle, OpenKey& out) {
        std::lock_guard lock(m_mutex);
        const auto it = m_keys.find(handle);
        if (it == m_keys.end())
            return false;
        out = it->second;
        return true;
    }

private:
    std::mutex m_mutex;
    std::map<HKEY, OpenKey> m_keys;
    std::uintptr_t m_next = 0x10000;
};

KeyTable& keyTable() {
    static auto* table = new KeyTable();  // outlives every static destructor that may close keys
    return *table;
}

const char16_t* predefinedName(HKEY key) noexcept {
    if (key == HKEY_CLASSES_ROOT)
        return u"hkey_classes_root";
    if (key == HKEY_CURRENT_USER)
        return u"hkey_current_user";
    if (key == HKEY_LOCAL_MACHINE)
        return u"hkey_local_machine";
    if (key == HKEY_USERS)
        return u"hkey_users";
    if (key == HKEY_CURRENT_CONFIG)
        return u"hkey_current_config";
    return nullptr;
}

// The folded path of an open or predefined key.
bool keyPath(HKEY key, WideString& path) {
    if (const char16_t* root = predefinedName(key)) {
        path = root;
        return true;
    }
    OpenKey open;
    if (!keyTable().get(key, open))
        return false;
    path = std::move(open.path);
    return true;
}

// Appends a relative key path; a trailing backslash is allowed, an empty
// component is not.
LSTATUS appendSubkey(WideString& path, LPCWSTR subkey) {
    if (subkey == nullptr || *subkey == 0)
        return ERROR_SUCCESS;
    WideStringView rest(subkey);
    if (rest.back() == u'\\')
        rest.remove_suffix(1);
    if (rest.empty() || rest.front() == u'\\' || rest.find(u"\\\\") != WideStringView::npos)
        return ERROR_BAD_PATHNAME;
    path.push_back(u'\\');
    path += platform::detail::foldCase(rest);
    return ERROR_SUCCESS;
}

const RegistryValue* findValue(const RegistryValues& values, LPCWSTR name) {
    const WideString folded = platform::detail::foldCase(name == nullptr ? WideStringView() : WideStringView(name));
    for (const RegistryValue& value : values) {
        if (platform::detail::foldCase(value.name) == folded)
            return &value;
    }
    return nullptr;
}

}  // namespace

LSTATUS WINAPI RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) noexcept {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    try {
        WideString path;
        if (!keyPath(hKey, path))
            return ERROR_INVALID_HANDLE;
        if (const LSTATUS status = appendSubkey(path, lpSubKey); status != ERROR_SUCCESS)
            return status;
        const auto tree = platform::detail::loadRegistryFile(platform::detail::registryFilePath());
        const RegistryValues* values = tree.find(path);
        if (values == nullptr)
            return ERROR_FILE_NOT_FOUND;
        *phkResult = keyTable().add(OpenKey{std::move(path), *values});
        return ERROR_SUCCESS;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) noexcept {
    return RegOpenKeyW(hKey, lpSubKey, phkResult);
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) noexcept {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    try {
        OpenKey key;
        if (const char16_t* root = predefinedName(hKey)) {
            key.path = root;
            const auto tree = platform::detail::loadRegistryFile(platform::detail::registryFilePath());
            if (const RegistryValues* values = tree.find(key.path))
                key.values = *values;
        } else if (!keyTable().get(hKey, key)) {
            return ERROR_INVALID_HANDLE;
        }
        const RegistryValue* value = findValue(key.values, lpValueName);
        if (value == nullptr)
            return ERROR_FILE_NOT_FOUND;
        if (lpType != nullptr)
            *lpType = value->type;
        const auto size = static_cast<DWORD>(value->data.size());
        if (lpData != nullptr) {
            if (*lpcbData < size) {
                *lpcbData = size;
                return ERROR_MORE_DATA;
            }
            if (size != 0)
                std::memcpy(lpData, value->data.data(), size);
        }
        if (lpcbData != nullptr)
            *lpcbData = size;
        return ERROR_SUCCESS;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) noexcept {
    if (predefinedName(hKey) != nullptr)
        return ERROR_SUCCESS;
    return keyTable().remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
