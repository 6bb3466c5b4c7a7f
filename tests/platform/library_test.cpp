#include "platform/library.h"
#include "platform/com.h"
#include "platform/kernel.h"
#include "platform/wide.h"

#include <gtest/gtest.h>

namespace {

using GetClassObject = HRESULT (*)(const GUID&, const GUID&, void**);

TEST(LibraryTest, BareNameIsFoundNextToTheExecutable) {
    // The fake control module is built into the folder of this test program,
    // which is not on the system's library path.
    const platform::WideString name = platform::utf8_to_utf16(FAKE_CONTROL_MODULE_NAME);
    HMODULE module = LoadLibraryW(name.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_NE(nullptr, GetProcAddress(module, "DllGetClassObject"));
    EXPECT_EQ(nullptr, GetProcAddress(module, "NoSuchExport"));
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(LibraryTest, PathsAreLoadedAsGivenAndNamesBySystemSearch) {
    const platform::WideString path = platform::utf8_to_utf16(FAKE_CONTROL_MODULE_PATH);
    HMODULE byPath = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, byPath);
    const FARPROC entry = GetProcAddress(byPath, "DllGetClassObject");
    ASSERT_NE(nullptr, entry);
    void* factory = nullptr;
    GUID unknownClass = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              platform::ProcedureAs<GetClassObject>(entry)(unknownClass, IID_NULL, &factory));
    EXPECT_TRUE(FreeLibrary(byPath));

    HMODULE system = LoadLibraryW(u"libm.so.6");
    ASSERT_NE(nullptr, system) << "found by the system's library search";
    EXPECT_NE(nullptr, GetProcAddress(system, "cos"));
    EXPECT_TRUE(FreeLibrary(system));
}

TEST(LibraryTest, FailuresAreHarmless) {
    EXPECT_EQ(nullptr, LoadLibraryW(u"no-such-library-anywhere.so"));
    EXPECT_EQ(nullptr, LoadLibraryW(u"/nonexistent/folder/control.so"));
    EXPECT_EQ(nullptr, LoadLibraryW(u""));
    EXPECT_EQ(nullptr, LoadLibraryW(nullptr));
    EXPECT_FALSE(FreeLibrary(nullptr));
    int notAModule = 0;
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&notAModule)));
    EXPECT_EQ(nullptr, GetProcAddress(nullptr, "DllGetClassObject"));
    EXPECT_EQ(nullptr, GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "DllGetClassObject"));

    const platform::WideString path = platform::utf8_to_utf16(FAKE_CONTROL_MODULE_PATH);
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(nullptr, GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(1))))
        << "ordinals are not looked up";
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(LibraryTest, ModuleFileNames) {
    WCHAR buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    const std::string exe = platform::utf16_to_utf8(buffer);
    EXPECT_EQ(exe.size(), length);
    EXPECT_EQ('/', exe.front());
    EXPECT_NE(std::string::npos, exe.find("/platform_com_tests")) << exe;

    HMODULE module = LoadLibraryW(platform::utf8_to_utf16(FAKE_CONTROL_MODULE_NAME).c_str());
    ASSERT_NE(nullptr, module);
    GetModuleFileNameW(module, buffer, MAX_PATH);
    EXPECT_EQ(exe.substr(0, exe.rfind('/') + 1) + FAKE_CONTROL_MODULE_NAME, platform::utf16_to_utf8(buffer));

    WCHAR small[5];
    EXPECT_EQ(5u, GetModuleFileNameW(module, small, 5)) << "cut to fit";
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(exe.substr(0, 4), platform::utf16_to_utf8(small));
    EXPECT_TRUE(FreeLibrary(module));

    int notAModule = 0;
    EXPECT_EQ(0u, GetModuleFileNameW(reinterpret_cast<HMODULE>(&notAModule), buffer, MAX_PATH));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, nullptr, MAX_PATH));
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, buffer, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

}  // namespace
