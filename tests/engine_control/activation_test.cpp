// The control in its container: in-place activation through the site's
// windowless calls, placement, window messages, closing, and the event
// connection point.
#include "control_harness.h"

#include "control/event_connection_point.h"

#include <gtest/gtest.h>

using namespace controltest;

namespace {

// The calls the site saw, compared as a table so a failure shows them all.
void expectCalls(const TestSite& site, const std::vector<std::string>& expected) { EXPECT_EQ(site.calls, expected); }

TEST(Activation, AsksTheSiteForWindowlessInPlaceActivation) {
    Control control;
    control.site.position = {0, 0, 320, 240};
    ASSERT_EQ(control.ole->SetClientSite(control.site.clientSite()), S_OK);
    EXPECT_TRUE(control.site.calls.empty()) << "setting the site asks it nothing";

    ASSERT_EQ(control.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, control.site.clientSite(), 0, nullptr, nullptr),
              S_OK);
    expectCalls(control.site, {"CanInPlaceActivate", "CanWindowlessActivate", "OnInPlaceActivateEx(windowless)",
                               "GetWindowContext", "GetFocus", "InvalidateRect"});
    ASSERT_EQ(control.site.invalidations.size(), 1u);
    EXPECT_FALSE(control.site.invalidations[0].has_value()) << "a newly shown control is drawn whole";

    control.site.clear();
    EXPECT_EQ(control.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, control.site.clientSite(), 0, nullptr, nullptr),
              S_OK);
    EXPECT_TRUE(control.site.calls.empty()) << "activating an active control asks nothing again";
}

TEST(Activation, ARefusingSiteLeavesTheControlInactive) {
    struct Case {
        const char* name;
        HRESULT inPlace;
        HRESULT windowless;
        bool offersWindowless;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"no in-place activation", S_FALSE, S_OK, true, {"CanInPlaceActivate"}},
        {"no windowless activation", S_OK, S_FALSE, true, {"CanInPlaceActivate", "CanWindowlessActivate"}},
        {"no windowless site", S_OK, S_OK, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Control control;
        control.site.canInPlaceActivate = c.inPlace;
        control.site.canWindowlessActivate = c.windowless;
        control.site.offersWindowless = c.offersWindowless;
        ASSERT_EQ(control.ole->SetClientSite(control.site.clientSite()), S_OK);
        const HRESULT hr =
            control.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, control.site.clientSite(), 0, nullptr, nullptr);
        EXPECT_TRUE(FAILED(hr)) << "got " << hex(uint32_t(hr));
        expectCalls(control.site, c.calls);
        EXPECT_TRUE(takeErrorInfo().present) << "a failure leaves error information";
        control.site.clear();
        control.close();
        EXPECT_TRUE(control.site.calls.empty()) << "closing an inactive control tells the site nothing";
    }
}

TEST(Activation, DoVerbWithoutAnySiteFails) {
    Control control;
    EXPECT_EQ(control.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED);
    const ErrorText error = takeErrorInfo();
    ASSERT_TRUE(error.present);
    EXPECT_EQ(error.source, u"ShockwaveFlash.ShockwaveFlash");
    EXPECT_NE(error.description.find(u"client site"), std::u16string::npos) << narrow(error.description);
}

TEST(Activation, CloseDeactivatesAndDropsTheSite) {
    Control control;
    control.activate(200, 100);
    control.site.clear();
    EXPECT_EQ(control.ole->Close(OLECLOSE_NOSAVE), S_OK);
    control.closed = true;
    expectCalls(control.site, {"OnInPlaceDeactivateEx"});
    EXPECT_EQ(control.site.refs, 0);

    IOleClientSite* site = reinterpret_cast<IOleClientSite*>(1);
    EXPECT_EQ(control.ole->GetClientSite(&site), S_OK);
    EXPECT_EQ(site, nullptr);
}

TEST(Activation, SetObjectRectsAdoptsTheSizeAndInvalidates) {
    Control control;
    control.activate(200, 100);
    const auto inPlace = control.ole.As<IOleInPlaceObject>();
    control.site.clear();
    const RECT bigger{0, 0, 640, 480};
    EXPECT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    ASSERT_EQ(control.site.invalidations.size(), 1u);
    EXPECT_FALSE(control.site.invalidations[0].has_value());

    EXPECT_EQ(inPlace->SetObjectRects(nullptr, &bigger), E_INVALIDARG);
    EXPECT_TRUE(takeErrorInfo().present);

    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(inPlace->GetWindow(&window), E_FAIL) << "windowless";
    EXPECT_EQ(window, nullptr);
}

TEST(Activation, WindowMessagesAreAcceptedAndAnswered) {
    Control control;
    control.activate(200, 100);
    const auto windowless = control.ole.As<IOleInPlaceObjectWindowless>();
    ASSERT_TRUE(windowless);
    struct Case {
        UINT message;
        HRESULT expected;
    };
    const Case cases[] = {
        {WM_MOUSEMOVE, S_OK}, {WM_LBUTTONDOWN, S_OK}, {WM_LBUTTONUP, S_OK},   {WM_MOUSEWHEEL, S_OK}, {WM_KEYDOWN, S_OK},
        {WM_CHAR, S_OK},      {WM_KEYUP, S_OK},       {WM_USER + 7, S_FALSE}, {WM_TIMER, S_FALSE},   {WM_NULL, S_FALSE},
    };
    for (const Case& c : cases) {
        LRESULT result = 12345;
        EXPECT_EQ(windowless->OnWindowMessage(c.message, 0, MAKELPARAM(10, 20), &result), c.expected)
            << "message " << c.message;
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(windowless->OnWindowMessage(WM_MOUSEMOVE, 0, 0, nullptr), E_POINTER);
}

// A sink that records what Invoke brings.
class RecordingSink final : public IDispatch {
public:
    LONG refs = 0;
    bool answersEvents = true;
    std::vector<DISPID> members;
    std::vector<std::vector<std::u16string>> arguments;  // as stored: last argument first
    HRESULT answer = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            (answersEvents && IsEqualIID(riid, DIID__IShockwaveFlashEvents))) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        members.push_back(member);
        std::vector<std::u16string> args;
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANTARG& arg = params->rgvarg[i];
            args.push_back(arg.vt == VT_BSTR ? std::u16string(arg.bstrVal, SysStringLen(arg.bstrVal)) : u"?");
        }
        arguments.push_back(args);
        return answer;
    }
};

TEST(Events, AdviseAndUnadviseWithCookies) {
    Control control;
    const auto container = control.ole.As<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    platform::ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IShockwaveFlashEvents, point.receive()), S_OK);
    ASSERT_TRUE(point);

    platform::ComPtr<IConnectionPoint> other;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, other.receive()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(other);

    IID iid{};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, DIID__IShockwaveFlashEvents));
    platform::ComPtr<IConnectionPointContainer> back;
    EXPECT_EQ(point->GetConnectionPointContainer(back.receive()), S_OK);
    EXPECT_EQ(back.As<IUnknown>().get(), control.ole.As<IUnknown>().get());

    RecordingSink first;
    RecordingSink second;
    second.answersEvents = false;  // reached through IDispatch alone
    DWORD cookie1 = 0;
    DWORD cookie2 = 0;
    EXPECT_EQ(point->Advise(&first, &cookie1), S_OK);
    EXPECT_EQ(point->Advise(&second, &cookie2), S_OK);
    EXPECT_NE(cookie1, 0u);
    EXPECT_NE(cookie2, 0u);
    EXPECT_NE(cookie1, cookie2);
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(second.refs, 1);

    EXPECT_EQ(point->Unadvise(cookie1), S_OK);
    EXPECT_EQ(first.refs, 0);
    EXPECT_EQ(point->Unadvise(cookie1), CONNECT_E_NOCONNECTION) << "a cookie counts once";
    EXPECT_TRUE(takeErrorInfo().present);

    DWORD cookie = 7;
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(cookie, 0u);

    // Close drops the remaining sink.
    control.close();
    EXPECT_EQ(second.refs, 0);
}

// The script layer raises events through the point; their arguments arrive
// stored last to first, as dispatch parameters are.
TEST(Events, FiredEventsCarryTheirArgumentsLastToFirst) {
    struct Container final : IConnectionPointContainer {
        LONG refs = 0;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
        ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
        HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
    } container;
    RecordingSink sink;
    {
        control::EventConnectionPoint point(container);
        EXPECT_EQ(point.fireFlashCall(u"nobody"), S_FALSE) << "no sink";
        DWORD cookie = 0;
        ASSERT_EQ(point.Advise(&sink, &cookie), S_OK);
        sink.answer = E_NOTIMPL;
        EXPECT_EQ(point.fireFSCommand(u"command", u"args"), E_NOTIMPL) << "the sink's answer comes back";
        EXPECT_EQ(point.fireFlashCall(u"<invoke name=\"f\"/>"), E_NOTIMPL);
    }
    EXPECT_EQ(sink.refs, 0) << "the point lets go of its sinks";
    EXPECT_EQ(container.refs, 0);
    ASSERT_EQ(sink.members.size(), 2u);
    EXPECT_EQ(sink.members[0], DISPID_FSCommand);
    EXPECT_EQ(sink.arguments[0], (std::vector<std::u16string>{u"args", u"command"}));
    EXPECT_EQ(sink.members[1], DISPID_FlashCall);
    EXPECT_EQ(sink.arguments[1], (std::vector<std::u16string>{u"<invoke name=\"f\"/>"}));
}

TEST(Dispatch, OffersNoTypeInformationAndNoNames) {
    Control control;
    const auto dispatch = control.ole.As<IDispatch>();
    UINT count = 5;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    OLECHAR name[] = u"Play";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

}  // namespace
