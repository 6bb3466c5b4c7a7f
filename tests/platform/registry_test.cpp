#include "platform/registry.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using moviehost::testing::ScopedEnv;
using moviehost::testing::TempFile;

const char* const ControlFile =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\r\n"
    "@=\"/opt/flash/control.so\"\r\n"
    "\"ThreadingModel\"=\"Apartment\"\r\n"
    "\"Quoted\"=\"a \\\"b\\\" c:\\\\d\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\Expand]\r\n"
    "@=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,2f,00,\\\r\n"
    "  78,00,00,00\r\n";

// One registry file for the test, named by MOVIEHOST_REGISTRY.
class RegistryTest : public ::testing::Test {
protected:
    void use(const std::string& contents) { m_file.write(contents); }

    TempFile m_file{".reg"};
    ScopedEnv m_env{"MOVIEHOST_REGISTRY", m_file.path()};
};

std::u16string readString(HKEY key, const char16_t* name, DWORD* typeOut = nullptr) {
    WCHAR buffer[64] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size) != ERROR_SUCCESS)
        return u"<failed>";
    if (typeOut != nullptr)
        *typeOut = type;
    return std::u16string(buffer);
}

TEST_F(RegistryTest, DefaultValueIsReadByEmptyOrNullName) {
    use(ControlFile);
    platform::ScopedRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32",
                          key.receive()));
    DWORD type = 0;
    EXPECT_EQ(u"/opt/flash/control.so", readString(key.get(), u"", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(u"/opt/flash/control.so", readString(key.get(), nullptr));
    EXPECT_EQ(u"Apartment", readString(key.get(), u"threadingmodel")) << "value names ignore case";
    EXPECT_EQ(u"a \"b\" c:\\d", readString(key.get(), u"Quoted"));

    DWORD count = 0;
    DWORD size = sizeof count;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(key.get(), u"Count", nullptr, &type, reinterpret_cast<LPBYTE>(&count), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(42u, count);
    EXPECT_EQ(4u, size);
}

TEST_F(RegistryTest, SizesCountBytesAndTheTerminator) {
    use(ControlFile);
    platform::ScopedRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32",
                          key.receive()));
    const DWORD needed = (21 + 1) * 2;  // "/opt/flash/control.so" and its zero, in bytes
    DWORD size = 0;
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), u"", nullptr, &type, nullptr, &size));
    EXPECT_EQ(needed, size) << "a null buffer asks for the size";

    WCHAR small[8];
    for (WCHAR& c : small)
        c = u'#';
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExW(key.get(), u"", nullptr, &type, reinterpret_cast<LPBYTE>(small), &size));
    EXPECT_EQ(needed, size) << "the needed size comes back";
    for (WCHAR c : small)
        EXPECT_EQ(u'#', c) << "a buffer too small is left untouched";

    WCHAR exact[22];
    size = needed;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), u"", nullptr, &type, reinterpret_cast<LPBYTE>(exact), &size));
    EXPECT_EQ(0, exact[21]);
}

TEST_F(RegistryTest, ExpandStringsComeAsWrittenWithTheirType) {
    use(ControlFile);
    platform::ScopedRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"expand", key.receive()));
    DWORD type = 0;
    EXPECT_EQ(u"%HOME%/x", readString(key.get(), u"", &type)) << "hex(2) with a continued line";
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
}

TEST_F(RegistryTest, KeysIgnoreCaseAndMissingOnesAreNotFound) {
    use(ControlFile);
    platform::ScopedRegistryKey key;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyW(HKEY_CLASSES_ROOT, u"clsid\\{d27cdb6e-ae6d-11cf-96b8-444553540000}\\INPROCSERVER32",
                          key.receive()));
    platform::ScopedRegistryKey parent;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID", parent.receive()))
        << "a key named only as an ancestor exists too";
    platform::ScopedRegistryKey child;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyW(parent.get(), u"{D27CDB6E-AE6D-11CF-96B8-444553540000}", child.receive()));

    HKEY none = HKEY_CURRENT_USER;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-000000000000}", &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key.get(), u"Missing", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID\\\\x", &none));
}

TEST_F(RegistryTest, HandlesAreCheckedAndPredefinedKeysNeedNoClosing) {
    use(ControlFile);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID", &key));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key)) << "closed twice";
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, nullptr));
    HKEY other = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyW(key, u"x", &other));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CLASSES_ROOT));
    DWORD reserved = 0;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(HKEY_CLASSES_ROOT, u"", &reserved, nullptr, nullptr, nullptr));
}

TEST_F(RegistryTest, TheFileIsReadAfreshOnEveryOpen) {
    use(ControlFile);
    platform::ScopedRegistryKey before;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Expand", before.receive()));
    use("REGEDIT4\n[HKEY_CLASSES_ROOT\\Other]\n@=\"new\"\n");
    platform::ScopedRegistryKey gone;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Expand", gone.receive()));
    platform::ScopedRegistryKey other;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Other", other.receive()));
    EXPECT_EQ(u"new", readString(other.get(), u""));
    EXPECT_EQ(u"%HOME%/x", readString(before.get(), u"")) << "an open key keeps what it saw";
}

TEST(RegistryLocationTest, MissingFileIsAnEmptyRegistry) {
    ScopedEnv registry("MOVIEHOST_REGISTRY", "/nonexistent/moviehost/registry.reg");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID", &key));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, nullptr, &key)) << "the root itself always opens";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

TEST(RegistryLocationTest, FallsBackToTheConfigFolders) {
    TempFile folder{""};
    std::filesystem::create_directories(folder.path() + "/moviehost");
    {
        std::ofstream out(folder.path() + "/moviehost/registry.reg");
        out << "REGEDIT4\n[HKEY_CLASSES_ROOT\\FromXdg]\n";
    }
    ScopedEnv registry("MOVIEHOST_REGISTRY", "");
    ScopedEnv xdg("XDG_CONFIG_HOME", folder.path());
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"FromXdg", &key));
    RegCloseKey(key);
    {
        ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv home("HOME", folder.path());
        std::filesystem::create_directories(folder.path() + "/.config/moviehost");
        std::ofstream(folder.path() + "/.config/moviehost/registry.reg") << "REGEDIT4\n[HKEY_CLASSES_ROOT\\FromHome]\n";
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"FromHome", &key));
        RegCloseKey(key);
    }
    std::filesystem::remove_all(folder.path());
}

TEST_F(RegistryTest, MalformedLinesAreSkippedAndTheRestIsRead) {
    use("Windows Registry Editor Version 5.00\n"
        "garbage line\n"
        "[HKEY_NOWHERE\\Key]\n"
        "@=\"lost\"\n"
        "[HKEY_CLASSES_ROOT\\Good\n"
        "@=\"also lost\"\n"
        "[HKEY_CLASSES_ROOT\\Good]\n"
        "\"unterminated\"=\"abc\n"
        "\"badhex\"=hex:zz,01\n"
        "\"baddword\"=dword:123456789\n"
        "\"noequals\" \"x\"\n"
        "=\"no name\"\n"
        ";\"comment\"=\"x\"\n"
        "@=\"kept\"\n"
        "\"Binary\"=hex:01,02,ff\n"
        "[-HKEY_CLASSES_ROOT\\Deleted]\n"
        "@=\"ignored\"\n"
        "[HKEY_CLASSES_ROOT\\Good\\\\Double]\n"
        "\xff\xfe\x00garbage\n");
    platform::ScopedRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Good", key.receive()));
    EXPECT_EQ(u"kept", readString(key.get(), u""));
    for (const char16_t* name : {u"unterminated", u"badhex", u"baddword", u"noequals", u"comment"})
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr));
    BYTE binary[4] = {};
    DWORD size = sizeof binary;
    DWORD type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), u"Binary", nullptr, &type, binary, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(3u, size);
    EXPECT_EQ(0xff, binary[2]);
    HKEY none = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Deleted", &none));
}

TEST_F(RegistryTest, Utf16FilesWithByteOrderMarkAreRead) {
    const std::u16string text =
        u"\uFEFFWindows Registry Editor Version 5.00\r\n[HKEY_CLASSES_ROOT\\W\u00e9]\r\n@=\"\u00e9t\u00e9\"\r\n";
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    use(bytes);
    platform::ScopedRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"W\u00e9", key.receive()));
    EXPECT_EQ(u"\u00e9t\u00e9", readString(key.get(), u""));
}

TEST_F(RegistryTest, OversizedFilesAreNotRead) {
    std::string big = "REGEDIT4\n[HKEY_CLASSES_ROOT\\Big]\n@=\"x\"\n";
    big.append((16u << 20) + 1, ';');
    use(big);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Big", &key));
}

}  // namespace
