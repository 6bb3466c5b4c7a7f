// What the control site answers the control, through the pointer the control
// actually holds (the one given by SetClientSite).
#include "hosting_test_support.h"

#include <functional>

namespace {

using moviehost::testing::PlayerTest;
using moviehost::testing::rectText;
using moviehost::testing::rectTexts;

class ControlSiteTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        m_player = make(640, 480);
        ASSERT_NE(nullptr, m_player->Control());
        m_client = latestFake().clientSite();
        ASSERT_NE(nullptr, m_client);
        ASSERT_EQ(S_OK, m_client->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&m_site)));
        m_site->Release();  // borrowed from here on; the player keeps the site alive
        // Start from a clean record.
        moviehost::testing::DibSurface scratch(640, 480);
        m_player->DrawDirtyRegion(scratch.dc());
    }

    [[nodiscard]] LONG count() {
        const ULONG count = m_site->AddRef();
        m_site->Release();
        return static_cast<LONG>(count) - 1;
    }

    [[nodiscard]] std::vector<std::string> collected() {
        const RECT* first = nullptr;
        LONG count = 0;
        if (!m_player->CollectDirtyRects(nullptr, &first, &count))
            return {};
        return rectTexts(first, count);
    }

    std::unique_ptr<moviehost::CMoviePlayer> m_player;
    IOleClientSite* m_client = nullptr;
    IOleInPlaceSiteWindowless* m_site = nullptr;
};

struct Answer {
    const char* call;
    std::function<HRESULT(IOleInPlaceSiteWindowless*, IOleClientSite*)> invoke;
    HRESULT expected;
};

TEST_F(ControlSiteTest, FixedAnswers) {
    const Answer answers[] = {
        {"ContextSensitiveHelp(TRUE)", [](auto* s, auto*) { return s->ContextSensitiveHelp(TRUE); }, S_OK},
        {"CanInPlaceActivate", [](auto* s, auto*) { return s->CanInPlaceActivate(); }, S_OK},
        {"OnInPlaceActivate", [](auto* s, auto*) { return s->OnInPlaceActivate(); }, S_OK},
        {"OnUIActivate", [](auto* s, auto*) { return s->OnUIActivate(); }, S_OK},
        {"Scroll",
         [](auto* s, auto*) {
             return s->Scroll(SIZE{5, 5});
         },
         S_OK},
        {"OnUIDeactivate", [](auto* s, auto*) { return s->OnUIDeactivate(TRUE); }, S_OK},
        {"OnInPlaceDeactivate", [](auto* s, auto*) { return s->OnInPlaceDeactivate(); }, S_OK},
        {"DiscardUndoState", [](auto* s, auto*) { return s->DiscardUndoState(); }, S_OK},
        {"DeactivateAndUndo", [](auto* s, auto*) { return s->DeactivateAndUndo(); }, S_OK},
        {"OnInPlaceDeactivateEx", [](auto* s, auto*) { return s->OnInPlaceDeactivateEx(FALSE); }, S_OK},
        {"RequestUIActivate", [](auto* s, auto*) { return s->RequestUIActivate(); }, S_FALSE},
        {"CanWindowlessActivate", [](auto* s, auto*) { return s->CanWindowlessActivate(); }, S_OK},
        {"GetCapture", [](auto* s, auto*) { return s->GetCapture(); }, S_FALSE},
        {"SetCapture(TRUE)", [](auto* s, auto*) { return s->SetCapture(TRUE); }, S_OK},
        {"GetCapture after SetCapture(TRUE)", [](auto* s, auto*) { return s->GetCapture(); }, S_FALSE},
        {"GetFocus", [](auto* s, auto*) { return s->GetFocus(); }, S_OK},
        {"SetFocus(FALSE)", [](auto* s, auto*) { return s->SetFocus(FALSE); }, S_OK},
        {"GetFocus after SetFocus(FALSE)", [](auto* s, auto*) { return s->GetFocus(); }, S_OK},
        {"ReleaseDC", [](auto* s, auto*) { return s->ReleaseDC(nullptr); }, E_INVALIDARG},
        {"ScrollRect",
         [](auto* s, auto*) {
             const RECT r{0, 0, 5, 5};
             return s->ScrollRect(1, 1, &r, &r);
         },
         S_OK},
        {"AdjustRect(null)", [](auto* s, auto*) { return s->AdjustRect(nullptr); }, E_INVALIDARG},
        {"SaveObject", [](auto*, auto* c) { return c->SaveObject(); }, S_OK},
        {"GetContainer",
         [](auto*, auto* c) {
             IOleContainer* out = nullptr;
             return c->GetContainer(&out);
         },
         E_NOINTERFACE},
        {"ShowObject", [](auto*, auto* c) { return c->ShowObject(); }, E_NOTIMPL},
        {"OnShowWindow", [](auto*, auto* c) { return c->OnShowWindow(TRUE); }, E_NOTIMPL},
        {"RequestNewObjectLayout", [](auto*, auto* c) { return c->RequestNewObjectLayout(); }, E_NOTIMPL},
    };
    for (const Answer& a : answers) {
        const HRESULT got = a.invoke(m_site, m_client);
        EXPECT_EQ(a.expected, got) << a.call << ": expected 0x" << std::hex << a.expected << ", got 0x" << got;
    }
    EXPECT_TRUE(collected().empty()) << "none of these makes anything dirty";
}

TEST_F(ControlSiteTest, OutParametersThatAreNotWritten) {
    HWND window = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(E_FAIL, m_site->GetWindow(&window));
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), window);

    HDC dc = reinterpret_cast<HDC>(0x5678);
    const RECT r = {0, 0, 10, 10};
    EXPECT_EQ(E_INVALIDARG, m_site->GetDC(&r, 0, &dc));
    EXPECT_EQ(reinterpret_cast<HDC>(0x5678), dc);

    LRESULT result = 77;
    EXPECT_EQ(S_FALSE, m_site->OnDefWindowMessage(WM_MOUSEMOVE, 0, 0, &result));
    EXPECT_EQ(77, result);

    BOOL noRedraw = 3;
    EXPECT_EQ(S_OK, m_site->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS));
    EXPECT_EQ(3, noRedraw);

    RECT adjusted = {1, 2, 3, 4};
    EXPECT_EQ(S_OK, m_site->AdjustRect(&adjusted));
    EXPECT_EQ("{1,2,3,4}", rectText(adjusted));

    RECT moved = {9, 9, 99, 99};
    EXPECT_EQ(S_OK, m_site->OnPosRectChange(&moved));
    EXPECT_EQ(640, m_player->Width()) << "the size changes only through ResizeSurface";

    IMoniker* moniker = reinterpret_cast<IMoniker*>(0x1);
    EXPECT_EQ(E_NOTIMPL, m_client->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, &moniker));
    EXPECT_EQ(nullptr, moniker) << "GetMoniker clears its out-parameter";
}

TEST_F(ControlSiteTest, QueryInterfaceAnswersSixInterfacesFromTwoTables) {
    struct Case {
        const char* name;
        const IID* iid;
        bool clientTable;
    };
    const Case offered[] = {
        {"IUnknown", &IID_IUnknown, false},
        {"IOleWindow", &IID_IOleWindow, false},
        {"IOleInPlaceSite", &IID_IOleInPlaceSite, false},
        {"IOleInPlaceSiteEx", &IID_IOleInPlaceSiteEx, false},
        {"IOleInPlaceSiteWindowless", &IID_IOleInPlaceSiteWindowless, false},
        {"IOleClientSite", &IID_IOleClientSite, true},
    };
    const LONG start = count();
    for (const Case& c : offered) {
        void* out = nullptr;
        EXPECT_EQ(S_OK, m_client->QueryInterface(*c.iid, &out)) << c.name;
        EXPECT_EQ(c.clientTable ? static_cast<void*>(m_client) : static_cast<void*>(m_site), out) << c.name;
        EXPECT_EQ(start + 1, count()) << c.name << " adds one reference to the shared count";
        static_cast<IUnknown*>(out)->Release();
    }
    EXPECT_NE(static_cast<void*>(m_client), static_cast<void*>(m_site));

    const Case refused[] = {
        {"IDispatch", &IID_IDispatch, false},
        {"_IShockwaveFlashEvents", &DIID__IShockwaveFlashEvents, false},
        {"IOleInPlaceFrame", &IID_IOleInPlaceFrame, false},
        {"IOleContainer", &IID_IOleContainer, false},
    };
    for (const Case& c : refused) {
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(E_NOTIMPL, m_site->QueryInterface(*c.iid, &out)) << c.name << ": E_NOTIMPL, not E_NOINTERFACE";
        EXPECT_EQ(nullptr, out) << c.name;
        EXPECT_EQ(start, count()) << c.name;
    }
}

TEST_F(ControlSiteTest, BothTablesShareOneCountThatMayGoBelowZero) {
    const LONG start = count();
    EXPECT_EQ(static_cast<ULONG>(start + 1), m_client->AddRef());
    EXPECT_EQ(static_cast<ULONG>(start + 2), m_site->AddRef());
    EXPECT_EQ(static_cast<ULONG>(start + 1), m_client->Release());
    EXPECT_EQ(static_cast<ULONG>(start), m_site->Release());

    for (LONG i = 0; i < start + 2; ++i)
        m_site->Release();
    EXPECT_EQ(static_cast<ULONG>(-1), m_site->AddRef()) << "below zero nothing is freed, the count just goes on";
    for (LONG i = 0; i < start + 1; ++i)
        m_site->AddRef();
    EXPECT_EQ(start, count());
}

TEST_F(ControlSiteTest, GetWindowContextDescribesTheCurrentSurface) {
    IOleInPlaceFrame* frame = reinterpret_cast<IOleInPlaceFrame*>(0x1);
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(0x1);
    RECT position = {};
    RECT clip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = 1234;
    info.fMDIApp = TRUE;
    info.hwndFrame = reinterpret_cast<HWND>(0x1);
    info.haccel = reinterpret_cast<HACCEL>(0x1);
    info.cAccelEntries = 9;
    const LONG start = count();
    EXPECT_EQ(S_OK, m_site->GetWindowContext(&frame, &document, &position, &clip, &info));
    EXPECT_EQ("{0,0,640,480}", rectText(position));
    EXPECT_EQ("{0,0,640,480}", rectText(clip));
    EXPECT_EQ(nullptr, frame);
    EXPECT_EQ(nullptr, document);
    EXPECT_EQ(FALSE, info.fMDIApp);
    EXPECT_EQ(nullptr, info.hwndFrame);
    EXPECT_EQ(nullptr, info.haccel);
    EXPECT_EQ(0u, info.cAccelEntries);
    EXPECT_EQ(1234u, info.cb) << "cb is the caller's";
    EXPECT_EQ(start, count());

    m_player->ResizeSurface(320, 200);
    EXPECT_EQ(S_OK, m_site->GetWindowContext(&frame, &document, &position, &clip, &info));
    EXPECT_EQ("{0,0,320,200}", rectText(position));
    EXPECT_EQ("{0,0,320,200}", rectText(clip));

    EXPECT_EQ(E_POINTER, m_site->GetWindowContext(nullptr, &document, &position, &clip, &info));
}

TEST_F(ControlSiteTest, InvalidationsBecomeDirtyRectangles) {
    const RECT empty = {10, 10, 10, 30};
    EXPECT_EQ(S_OK, m_site->InvalidateRect(&empty, TRUE));
    EXPECT_TRUE(collected().empty()) << "an empty rectangle is answered S_OK and records nothing";

    const RECT r = {10, 20, 30, 40};
    EXPECT_EQ(S_OK, m_site->InvalidateRect(&r, FALSE));
    EXPECT_EQ(std::vector<std::string>{"{10,20,30,40}"}, collected());

    EXPECT_EQ(S_OK, m_site->InvalidateRect(nullptr, TRUE));
    EXPECT_EQ(std::vector<std::string>{"{0,0,640,480}"}, collected());

    moviehost::testing::DibSurface scratch(640, 480);
    m_player->DrawDirtyRegion(scratch.dc());
    EXPECT_EQ(S_OK, m_site->InvalidateRgn(nullptr, FALSE));
    EXPECT_EQ(std::vector<std::string>{"{0,0,640,480}"}, collected()) << "no region at all";

    m_player->DrawDirtyRegion(scratch.dc());
    platform::ScopedRegion small(CreateRectRgn(1, 1, 2, 2));
    EXPECT_EQ(S_OK, m_site->InvalidateRgn(small.get(), TRUE));
    const RECT* bounds = nullptr;
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(m_player->CollectDirtyRects(&bounds, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,640,480}"}, rectTexts(first, count)) << "any region means everything";
    EXPECT_EQ("{0,0,640,480}", rectText(*bounds));
}

}  // namespace
