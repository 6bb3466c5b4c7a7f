#include "windows_test_support.h"

#include <cstdlib>
#include <fstream>

namespace moviehost::wintest {

namespace {

constexpr const wchar_t* ServerKey = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32";
constexpr const wchar_t* ClassKey = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                RemoveTree(folder + name + L"\\");
            else
                DeleteFileW((folder + name).c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        m_path = std::wstring(base) + L"moviehost-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++counter) + L"\\";
        if (CreateDirectoryW(m_path.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

std::vector<std::string> ReadLines(const std::wstring& file) {
    std::vector<std::string> lines;
    std::ifstream in(file.c_str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ScopedVariable::ScopedVariable(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_had = true;
        m_old = old;
    }
    _putenv_s(name, value.c_str());
}

ScopedVariable::~ScopedVariable() { _putenv_s(m_name.c_str(), m_had ? m_old.c_str() : ""); }

ScopedRegistration::ScopedRegistration(const std::wstring& library) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, ServerKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const auto bytes = static_cast<DWORD>((library.size() + 1) * sizeof(wchar_t));
    m_made =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()), bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
}

ScopedRegistration::ScopedRegistration(DWORD notAString) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, ServerKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    m_made = RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&notAString),
                            sizeof notAString) == ERROR_SUCCESS;
    RegCloseKey(key);
}

ScopedRegistration::~ScopedRegistration() {
    if (!m_made)
        return;
    RegDeleteKeyW(HKEY_CLASSES_ROOT, ServerKey);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKey);
}

std::string Narrow(const std::wstring& text) {
    if (text.empty())
        return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace moviehost::wintest
