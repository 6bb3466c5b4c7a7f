// Calls through raw vtable slots, by position, to pin the method order of the
// interfaces against the published one.
#include "moviehost/flash_contract.h"
#include "platform/ole.h"

#include "fake_control/fake_control.h"
#include "moviehost/testing/recording_site.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {

// The function in slot `index` of the object's (first) vtable.
template <typename Function>
Function slot(void* object, int index) {
    void** vtable = *static_cast<void***>(object);
    Function function = nullptr;
    std::memcpy(&function, &vtable[index], sizeof function);
    return function;
}

using NoArguments = HRESULT (*)(void*);

TEST(VtableTest, ShockwaveFlashMembersSitInTheirSlots) {
    fake_control::FakeControl control;
    IShockwaveFlash* flash = control.flash();
    struct Case {
        int slot;
        const char* logged;
    };
    // Members without arguments, by slot.
    const Case cases[] = {{28, "Play()"},
                          {29, "Stop()"},
                          {30, "Back()"},
                          {31, "Forward()"},
                          {32, "Rewind()"},
                          {33, "StopPlay()"},
                          {86, "EnforceLocalSecurity()"},
                          {95, "DisableLocalSecurity()"}};
    for (const Case& c : cases) {
        control.clearLog();
        slot<NoArguments>(flash, c.slot)(flash);
        EXPECT_EQ(std::vector<std::string>{c.logged}, control.log()) << "slot " << c.slot;
    }

    LONG version = 0;
    slot<HRESULT (*)(void*, LONG*)>(flash, 39)(flash, &version);
    EXPECT_EQ(10 << 16, version) << "slot 39 is FlashVersion";

    platform::ScopedBstr high = platform::make_bstr(u"Best");
    control.clearLog();
    slot<HRESULT (*)(void*, BSTR)>(flash, 57)(flash, high.get());
    slot<HRESULT (*)(void*, BSTR)>(flash, 41)(flash, high.get());
    slot<HRESULT (*)(void*, BSTR)>(flash, 99)(flash, high.get());
    EXPECT_EQ(
        (std::vector<std::string>{"put_Quality2(\"Best\")", "put_WMode(\"Best\")", "put_AllowFullScreen(\"Best\")"}),
        control.log());
}

TEST(VtableTest, OleObjectAndInPlaceMembersSitInTheirSlots) {
    fake_control::FakeControl control;
    IOleObject* object = control.oleObject();
    moviehost::testing::RecordingSite site;

    slot<HRESULT (*)(void*, IOleClientSite*)>(object, 3)(object, site.clientSite());
    EXPECT_EQ(site.clientSite(), control.clientSite()) << "slot 3 is SetClientSite";
    control.clearLog();
    slot<HRESULT (*)(void*, LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT)>(object, 11)(
        object, OLEIVERB_INPLACEACTIVATE, nullptr, site.clientSite(), 0, nullptr, nullptr);
    slot<HRESULT (*)(void*, DWORD)>(object, 6)(object, OLECLOSE_NOSAVE);
    EXPECT_EQ((std::vector<std::string>{"DoVerb(-5, null, ptr, 0, null, null)", "Close(1)"}), control.log());

    auto windowless = platform::ComPtr<IUnknown>::share(control.unknown()).As<IOleInPlaceObjectWindowless>();
    ASSERT_TRUE(windowless);
    control.clearLog();
    const RECT rect = {0, 0, 10, 20};
    LRESULT result = 0;
    slot<HRESULT (*)(void*, LPCRECT, LPCRECT)>(windowless.get(), 7)(windowless.get(), &rect, &rect);
    slot<HRESULT (*)(void*, UINT, WPARAM, LPARAM, LRESULT*)>(windowless.get(), 9)(windowless.get(), WM_LBUTTONDOWN, 1,
                                                                                  0x0014000A, &result);
    EXPECT_EQ(
        (std::vector<std::string>{"SetObjectRects({0,0,10,20}, {0,0,10,20})", "OnWindowMessage(0x201, 0x1, 0x14000a)"}),
        control.log());
    object->SetClientSite(nullptr);
}

TEST(VtableTest, WindowlessSiteMembersSitInTheirSlots) {
    moviehost::testing::RecordingSite site;
    IOleInPlaceSiteWindowless* windowless = &site;
    struct Case {
        int slot;
        const char* name;
    };
    const Case cases[] = {
        {5, "CanInPlaceActivate"}, {6, "OnInPlaceActivate"},  {7, "OnUIActivate"},       {11, "OnInPlaceDeactivate"},
        {12, "DiscardUndoState"},  {13, "DeactivateAndUndo"}, {17, "RequestUIActivate"}, {18, "CanWindowlessActivate"},
        {19, "GetCapture"},        {21, "GetFocus"}};
    for (const Case& c : cases) {
        site.calls.clear();
        slot<NoArguments>(windowless, c.slot)(windowless);
        EXPECT_EQ(std::vector<std::string>{c.name}, site.calls) << "slot " << c.slot;
    }
    site.calls.clear();
    const RECT rect = {1, 2, 3, 4};
    slot<HRESULT (*)(void*, LPCRECT, BOOL)>(windowless, 25)(windowless, &rect, TRUE);
    slot<HRESULT (*)(void*, HRGN, BOOL)>(windowless, 26)(windowless, nullptr, TRUE);
    EXPECT_EQ((std::vector<std::string>{"InvalidateRect", "InvalidateRgn"}), site.calls);

    IOleClientSite* client = site.clientSite();
    site.calls.clear();
    slot<NoArguments>(client, 3)(client);
    slot<NoArguments>(client, 6)(client);
    slot<NoArguments>(client, 8)(client);
    EXPECT_EQ((std::vector<std::string>{"SaveObject", "ShowObject", "RequestNewObjectLayout"}), site.calls);
}

}  // namespace
