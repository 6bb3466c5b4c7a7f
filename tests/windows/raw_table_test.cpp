// The tables of the hosting DLL as a program built by the platform's own
// compiler sees them: the loader comes from the DLL's plain export, every
// operation is called by its slot number with the platform's member-call
// convention (thiscall on 32-bit x86: `this` in ECX, the callee pops the
// rest), and the listener is a hand-made table of two such functions. The
// player's slot 46 is the one deleting destructor such a compiler calls.
#include "windows_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#if defined(__i386__)
// The convention on plain functions and function pointers is the point here,
// though GCC says it is meant for class methods.
#pragma GCC diagnostic ignored "-Wattributes"
#define MEMBER_CALL __attribute__((thiscall))
#else
#define MEMBER_CALL
#endif

namespace {

using moviehost::wintest::ProgramFolder;
using moviehost::wintest::ReadLines;
using moviehost::wintest::ScopedVariable;
using moviehost::wintest::TempFolder;

// The function in `slot` of the table of `object`, called with `this` first.
template <typename Result, typename... Args>
Result Call(void* object, int slot, Args... args) {
    using Function = Result(MEMBER_CALL*)(void*, Args...);
    void* const* table = *static_cast<void* const* const*>(object);
    Function function = nullptr;
    std::memcpy(&function, &table[slot], sizeof function);
    return function(object, args...);
}

// A listener as such a program declares it: a table pointer, then data.
struct RawListener;
HRESULT MEMBER_CALL OnFlashCall(RawListener* self, const wchar_t* request);
HRESULT MEMBER_CALL OnFSCommand(RawListener* self, const wchar_t* command, const wchar_t* args);

struct RawListener {
    const void* const* table;
    std::vector<std::wstring> heard;
};

HRESULT MEMBER_CALL OnFlashCall(RawListener* self, const wchar_t* request) {
    self->heard.push_back(L"FlashCall " + std::wstring(request != nullptr ? request : L""));
    return S_OK;
}

HRESULT MEMBER_CALL OnFSCommand(RawListener* self, const wchar_t* command, const wchar_t* args) {
    self->heard.push_back(L"FSCommand " + std::wstring(command != nullptr ? command : L"") + L" " +
                          std::wstring(args != nullptr ? args : L""));
    return S_OK;
}

const void* const ListenerTable[2] = {reinterpret_cast<const void*>(&OnFlashCall),
                                      reinterpret_cast<const void*>(&OnFSCommand)};

bool Logged(const std::vector<std::string>& log, const std::string& line) {
    for (const std::string& entry : log)
        if (entry.rfind(line, 0) == 0)
            return true;
    return false;
}

class RawTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The fake control reads these when the player creates it, and echoes
        // Play as an FSCommand and a FlashCall to the listeners.
        m_logVariable.emplace("FAKE_CONTROL_LOG", moviehost::wintest::Narrow(m_log));
        m_echoVariable.emplace("FAKE_CONTROL_ECHO", "Play");
        m_dll = LoadLibraryW((ProgramFolder() + L"moviehost_hosting.dll").c_str());
        ASSERT_NE(nullptr, m_dll);
        using GetMovieLoaderFunction = void* (*)();
        FARPROC export_ = GetProcAddress(m_dll, "GetMovieLoader");
        ASSERT_NE(nullptr, export_) << "the loader's accessor is exported by its plain name";
        GetMovieLoaderFunction get = nullptr;
        std::memcpy(&get, &export_, sizeof get);
        m_loader = get();
        ASSERT_NE(nullptr, m_loader);
    }
    void TearDown() override {
        if (m_dll != nullptr)
            FreeLibrary(m_dll);
    }

    [[nodiscard]] std::vector<std::string> Log() const { return ReadLines(m_log); }

    TempFolder m_folder;
    std::wstring m_log = m_folder.Path() + L"control.log";
    std::optional<ScopedVariable> m_logVariable;
    std::optional<ScopedVariable> m_echoVariable;
    HMODULE m_dll = nullptr;
    void* m_loader = nullptr;
};

TEST_F(RawTableTest, LoaderSlotsInOrder) {
    EXPECT_FALSE((Call<bool, DWORD, DWORD, DWORD>(m_loader, 3, 1, 2, 3))) << "slot 3 ReservedA";
    EXPECT_FALSE((Call<bool, DWORD, DWORD>(m_loader, 4, 0xFFFFFFFF, 0))) << "slot 4 ReservedB";
    EXPECT_EQ(nullptr, (Call<void*, LONG, LONG>(m_loader, 1, 0, 10))) << "slot 1 NewPlayer with no area";
    Call<void, void*>(m_loader, 2, nullptr);  // slot 2 DeletePlayer(null): nothing
    const double version = Call<double>(m_loader, 0);
    EXPECT_TRUE(version == 0.0 || version > 0.0) << "slot 0 QueryControlVersion answers a number";

    void* player = Call<void*, LONG, LONG>(m_loader, 1, 64, 48);
    ASSERT_NE(nullptr, player) << "slot 1 NewPlayer with flash10c.ocx beside the program";
    Call<void, void*>(m_loader, 2, player);
    EXPECT_TRUE(Logged(Log(), "Close(")) << "slot 2 DeletePlayer closes the control";
}

TEST_F(RawTableTest, EveryPlayerSlotByPosition) {
    void* player = Call<void*, LONG, LONG>(m_loader, 1, 64, 48);
    ASSERT_NE(nullptr, player);

    Call<void, LONG>(player, 0, 1234);
    EXPECT_EQ(1234, Call<LONG>(player, 1)) << "slots 0 SetUserValue, 1 GetUserValue";
    Call<void, LONG>(player, 4, 3);
    EXPECT_EQ(3, Call<LONG>(player, 3)) << "slots 4 ApplyQuality, 3 QueryQuality";
    Call<void, LONG>(player, 6, 1);
    EXPECT_EQ(1, Call<LONG>(player, 5)) << "slots 6 ApplyTransparency, 5 QueryTransparency";
    EXPECT_TRUE((Call<bool, const wchar_t*>(player, 7, L"clip.swf"))) << "slot 7 OpenMovie";
    Call<void, LONG>(player, 9, 0x123456);
    EXPECT_EQ(0x123456, Call<LONG>(player, 8)) << "slots 9 ApplyBackColor, 8 QueryBackColor";

    Call<void, const wchar_t*>(player, 10, L"/a");
    Call<void>(player, 11);
    EXPECT_EQ(1, Call<LONG>(player, 2)) << "slot 2 QueryPlayState after slot 11 PlayMovie";
    Call<void, const wchar_t*>(player, 12, L"/b");
    Call<void>(player, 13);
    Call<void>(player, 14);
    Call<void>(player, 15);
    Call<void>(player, 16);
    static_cast<void>(Call<LONG, const wchar_t*>(player, 17, L"/c"));
    static_cast<void>(Call<LONG>(player, 18));
    Call<void, LONG, const wchar_t*>(player, 19, 7, L"/d");
    Call<void, LONG>(player, 20, 9);
    Call<void, LONG, const wchar_t*>(player, 21, 5, L"/e");
    EXPECT_NE(nullptr, (Call<const wchar_t*, const wchar_t*>(player, 22, L"/f"))) << "slot 22 QueryTargetLabel";
    Call<void, const wchar_t*, const wchar_t*>(player, 23, L"intro", L"/g");
    Call<void, const wchar_t*, const wchar_t*>(player, 24, L"outro", L"/h");
    Call<void, const wchar_t*, const wchar_t*>(player, 26, L"name", L"value");
    EXPECT_EQ(std::wstring(L"value"), (Call<const wchar_t*, const wchar_t*>(player, 25, L"name")))
        << "slots 26 WriteVariable, 25 ReadVariable";
    Call<void, LONG, const wchar_t*, const wchar_t*>(player, 30, 4, L"text", L"/i");
    EXPECT_EQ(std::wstring(L"text"), (Call<const wchar_t*, LONG, const wchar_t*>(player, 27, 4, L"/i")))
        << "slots 30 WriteTargetProperty, 27 ReadTargetProperty";
    Call<void, LONG, double, const wchar_t*>(player, 29, 3, 2.5, L"/j");
    EXPECT_TRUE(std::isfinite(Call<double, LONG, const wchar_t*>(player, 28, 6, L"/k"))) << "slot 28";

    Call<void, LONG, LONG>(player, 31, 80, 60);
    const RECT* bounds = nullptr;
    const RECT* first = nullptr;
    LONG count = 0;
    EXPECT_TRUE((Call<bool, const RECT**, const RECT**, LONG*>(player, 32, &bounds, &first, &count)))
        << "slot 32 CollectDirtyRects after slot 31 ResizeSurface";
    ASSERT_NE(nullptr, bounds);
    EXPECT_EQ(80, bounds->right);
    EXPECT_EQ(60, bounds->bottom);

    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 80, -60, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    Call<void, HDC>(player, 33, dc);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);

    EXPECT_EQ(S_OK, (Call<HRESULT, LONG, LONG>(player, 34, 15, 25))) << "slot 34 MoveMouse";
    EXPECT_EQ(S_OK, (Call<HRESULT, LONG, LONG, LONG, bool>(player, 35, 10, 20, 0, true))) << "slot 35";
    static_cast<void>(Call<HRESULT, LONG>(player, 36, 120));
    static_cast<void>(Call<HRESULT, bool, DWORD, DWORD>(player, 37, true, 0x41, 0));
    static_cast<void>(Call<HRESULT, DWORD, DWORD>(player, 38, 0x61, 0));
    Call<void, DWORD>(player, 39, 0);
    static_cast<void>(Call<const wchar_t*, const wchar_t*>(player, 40, L"<invoke name=\"f\"/>"));
    Call<void, const wchar_t*>(player, 41, L"answer");

    const std::vector<std::string> log = Log();
    for (const char* line : {"put_Quality2(",
                             "put_Movie(\"clip.swf\")",
                             "put_BackgroundColor(",
                             "TPlay(\"/a\")",
                             "Play(",
                             "TStopPlay(\"/b\")",
                             "StopPlay(",
                             "Rewind(",
                             "Forward(",
                             "Back(",
                             "TCurrentFrame(\"/c\")",
                             "CurrentFrame(",
                             "TGotoFrame(\"/d\", 7)",
                             "GotoFrame(9)",
                             "TCallFrame(\"/e\", 5)",
                             "TCurrentLabel(\"/f\")",
                             "TGotoLabel(\"/g\", \"intro\")",
                             "TCallLabel(\"/h\", \"outro\")",
                             "SetVariable(\"name\", \"value\")",
                             "GetVariable(\"name\")",
                             "TSetProperty(\"/i\", 4, \"text\")",
                             "TGetProperty(\"/i\", 4)",
                             "TSetPropertyNum(\"/j\", 3, 2.5)",
                             "TGetPropertyNum(\"/k\", 6)",
                             "SetObjectRects({0,0,80,60}",
                             "Draw(",
                             "OnWindowMessage(0x200, 0x0, 0x19000f)",
                             "OnWindowMessage(0x201, 0x1, 0x14000a)",
                             "OnWindowMessage(0x20a",
                             "OnWindowMessage(0x100, 0x41",
                             "OnWindowMessage(0x102, 0x61",
                             "CallFunction(\"<invoke name=",
                             "SetReturnValue(\"answer\")"})
        EXPECT_TRUE(Logged(log, line)) << "missing from the control's log: " << line;

    // Slot 46: flags 1 destroys and frees, and answers the player's address.
    EXPECT_EQ(player, (Call<void*, unsigned int>(player, 46, 1U)));
    EXPECT_TRUE(Logged(Log(), "Close(")) << "slot 46 closed the control";
}

TEST_F(RawTableTest, ListenerTableOfTwoSlots) {
    void* player = Call<void*, LONG, LONG>(m_loader, 1, 64, 48);
    ASSERT_NE(nullptr, player);
    RawListener listener{ListenerTable, {}};
    Call<void, void*>(player, 42, &listener);
    EXPECT_EQ(1, Call<LONG>(player, 45)) << "slot 45 ListenerCount";
    EXPECT_EQ(static_cast<void*>(&listener), (Call<void*, DWORD>(player, 44, 0))) << "slot 44 ListenerAt";
    Call<void>(player, 11);  // Play: the fake echoes it as two events
    EXPECT_EQ((std::vector<std::wstring>{L"FSCommand Play echo", L"FlashCall Play"}), listener.heard)
        << "the player called listener slots 1 and 0";
    Call<void, void*>(player, 43, &listener);
    EXPECT_EQ(0, Call<LONG>(player, 45)) << "slot 43 RemoveListener";
    Call<void, void*>(m_loader, 2, player);
}

}  // namespace
