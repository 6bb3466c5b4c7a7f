// The hosting library on Windows with the fake control: the control found
// through the real registry of the prefix, created through CoCreateInstance
// or through a library's DllGetClassObject, and a player at work on it.
#include "control_library_path.h"
#include "movie_player.h"
#include "windows_test_support.h"

#include "platform/com_error.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using moviehost::CMoviePlayer;
using moviehost::wintest::ProgramFolder;
using moviehost::wintest::ReadLines;
using moviehost::wintest::ScopedRegistration;
using moviehost::wintest::ScopedVariable;
using moviehost::wintest::TempFolder;

const std::wstring& FakeControl() {
    static const std::wstring path = ProgramFolder() + L"fake_control_module.dll";
    return path;
}

class ComApartment {
public:
    ComApartment() { static_cast<void>(CoInitialize(nullptr)); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

TEST(RegistryLookupTest, TheRegisteredServerOrTheFallbackName) {
    struct Case {
        const char* name;
        int registration;  // 0 none, 1 the fake's path, 2 a DWORD, 3 a path too long for the buffer
        bool found;
    };
    const Case cases[] = {{"none", 0, false}, {"path", 1, true}, {"dword", 2, false}, {"too long", 3, false}};
    for (const Case& c : cases) {
        std::unique_ptr<ScopedRegistration> registration;
        if (c.registration == 1)
            registration = std::make_unique<ScopedRegistration>(FakeControl());
        else if (c.registration == 2)
            registration = std::make_unique<ScopedRegistration>(DWORD{7});
        else if (c.registration == 3)
            registration = std::make_unique<ScopedRegistration>(std::wstring(MAX_PATH, L'x'));
        if (registration) {
            ASSERT_TRUE(registration->Made()) << c.name;
        }
        WCHAR path[MAX_PATH];
        EXPECT_EQ(c.found, moviehost::FindControlLibrary(path)) << c.name;
        EXPECT_EQ(c.found ? FakeControl() : std::wstring(L"flash10c.ocx"), std::wstring(path)) << c.name;
    }
}

TEST(ControlRouteTest, CoCreateInstanceFindsOnlyARegisteredServer) {
    ComApartment apartment;
    EXPECT_EQ(nullptr, CMoviePlayer::Create(nullptr, 64, 48)->Control()) << "nothing registered";
    ScopedRegistration registration(FakeControl());
    ASSERT_TRUE(registration.Made());
    EXPECT_NE(nullptr, CMoviePlayer::Create(nullptr, 64, 48)->Control()) << "created by class id";
}

TEST(ControlRouteTest, LoadLibraryWAndItsClassFactory) {
    ComApartment apartment;
    HMODULE library = LoadLibraryW(FakeControl().c_str());
    ASSERT_NE(nullptr, library);
    EXPECT_NE(nullptr, CMoviePlayer::Create(library, 64, 48)->Control());
    // A library without DllGetClassObject gives a player without a control.
    HMODULE kernel = LoadLibraryW(L"kernel32.dll");
    EXPECT_EQ(nullptr, CMoviePlayer::Create(kernel, 64, 48)->Control());
    FreeLibrary(kernel);
    FreeLibrary(library);
    // Without a registration the fallback name is found beside the program.
    HMODULE fallback = moviehost::LoadFallbackControlLibrary();
    ASSERT_NE(nullptr, fallback);
    FreeLibrary(fallback);
}

TEST(WindowsPlayerTest, DrawsIntoARealDibSectionAndReportsControlFailures) {
    ComApartment apartment;
    TempFolder folder;
    const std::wstring log = folder.Path() + L"control.log";
    ScopedVariable logging("FAKE_CONTROL_LOG", moviehost::wintest::Narrow(log));
    ScopedVariable failing("FAKE_CONTROL_FAIL", "TGotoFrame=0x80004005");
    HMODULE library = LoadLibraryW(FakeControl().c_str());
    ASSERT_NE(nullptr, library);
    {
        auto player = CMoviePlayer::Create(library, 32, 16);
        ASSERT_NE(nullptr, player->Control());
        player->ApplyBackColor(0x0000FF);

        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 32, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(nullptr, bitmap);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        player->DrawDirtyRegion(dc);
        SelectObject(dc, previous);
        const auto* pixels = static_cast<const DWORD*>(bits);
        bool painted = false;
        for (int i = 0; i < 32 * 16; ++i)
            painted = painted || pixels[i] != 0;
        DeleteObject(bitmap);
        DeleteDC(dc);
        EXPECT_TRUE(painted) << "the control drew through the system's GDI";

        // A failing control call raises the SDK's _com_error.
        try {
            player->JumpToTargetFrame(3, L"/clip");
            ADD_FAILURE() << "no _com_error";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_FAIL, error.Error());
        }
    }
    FreeLibrary(library);
    bool drawn = false;
    for (const std::string& line : ReadLines(log))
        drawn = drawn || line.rfind("Draw(", 0) == 0;
    EXPECT_TRUE(drawn);
}

}  // namespace
