// What the Windows tests share: where the programs of bin/ are, temporary
// folders and files, the fake control's call log, and the registration of a
// control in the registry of the prefix the tests run in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace moviehost::wintest {

// The folder of the running test program (bin/), with a trailing backslash.
[[nodiscard]] std::wstring ProgramFolder();

// A fresh empty folder under %TEMP%, removed with what it holds at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing backslash.
    [[nodiscard]] const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

// The lines of a text file; none when it does not exist.
[[nodiscard]] std::vector<std::string> ReadLines(const std::wstring& file);

// Sets a variable in this process's environment, as the C runtime and the
// fake control read it, and puts the old value back at the end.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

// Names `library` (or, with a non-string type, a DWORD) as the control's
// in-process server in HKEY_CLASSES_ROOT, and removes the key at the end.
class ScopedRegistration {
public:
    explicit ScopedRegistration(const std::wstring& library);
    // A REG_DWORD where the path belongs.
    explicit ScopedRegistration(DWORD notAString);
    ~ScopedRegistration();
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;

    [[nodiscard]] bool Made() const { return m_made; }

private:
    bool m_made = false;
};

[[nodiscard]] std::string Narrow(const std::wstring& text);

}  // namespace moviehost::wintest
