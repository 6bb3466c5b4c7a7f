// Building a player and taking it down: the calls the control receives, in
// order, compared as tables; every reference given back; both ways of creating
// the control; and construction that stops or raises part-way.
#include "hosting_test_support.h"
#include "test_support.h"

#include "platform/com_error.h"

#include <sstream>

namespace {

using moviehost::testing::countOf;
using moviehost::testing::PlayerTest;
using moviehost::testing::wide;

struct ExpectedCall {
    const char* call;
    bool optional = false;
};

// Compares a recorded log with a table; optional rows may be missing. Empty
// when they match, else both listed side by side.
std::string compareCalls(const std::vector<std::string>& log, const std::vector<ExpectedCall>& table) {
    std::size_t at = 0;
    bool matches = true;
    for (const ExpectedCall& row : table) {
        if (at < log.size() && log[at] == row.call)
            ++at;
        else if (!row.optional)
            matches = false;
    }
    if (matches && at == log.size())
        return {};
    std::ostringstream text;
    text << "expected:\n";
    for (const ExpectedCall& row : table)
        text << "  " << row.call << (row.optional ? "   (optional)" : "") << "\n";
    text << "got:\n";
    for (const std::string& line : log)
        text << "  " << line << "\n";
    return text.str();
}

const std::vector<ExpectedCall> KConstruction = {
    {"QueryInterface(IOleObject)"},  // the class factory's CreateInstance
    {"SetClientSite(ptr)"},
    {"QueryInterface(IShockwaveFlash)"},
    {"DisableLocalSecurity()"},
    {"put_EmbedMovie(0)"},
    {"put_AllowScriptAccess(\"always\")"},
    {"put_WMode(\"opaque\")"},
    {"put_Quality2(\"High\")"},
    {"DoVerb(-5, null, ptr, 0, null, null)"},
    {"QueryInterface(IOleInPlaceObjectWindowless)"},
    {"QueryInterface(IConnectionPointContainer)"},
    {"FindConnectionPoint(_IShockwaveFlashEvents)"},
    {"Advise(ptr)"},
    {"QueryInterface(IOleInPlaceObject)"},
    {"SetObjectRects({0,0,320,240}, {0,0,320,240})"},
};

const std::vector<ExpectedCall> KTeardown = {
    {"Unadvise(1)"}, {"Close(1)"}, {"SetClientSite(null)"},  // this test's own: the fake lets go of the site
};

class ConstructionTest : public PlayerTest {
protected:
    // Counts of the site and the sink when the player closes its control.
    void recordCountsAtClose(moviehost::CMoviePlayer* player) {
        onClose([this, player] {
            m_siteAtClose = countOf(player->Site().InPlaceSite());
            m_sinkAtClose = countOf(&player->EventSink());
        });
    }

    LONG m_siteAtClose = -100;
    HRESULT m_invalidated = E_UNEXPECTED;
    LONG m_sinkAtClose = -100;
};

TEST_F(ConstructionTest, CallOrderOfConstructionAndTeardown) {
    auto player = make(320, 240);
    ASSERT_NE(nullptr, player->Control());
    auto& fake = latestFake();
    EXPECT_EQ("", compareCalls(fake.log(), KConstruction));

    fake.clearLog();
    player.reset();
    EXPECT_EQ("", compareCalls(fake.log(), KTeardown));
}

TEST_F(ConstructionTest, EveryReferenceTakenIsGivenBack) {
    auto player = make(320, 240);
    auto& fake = latestFake();
    // Ready: the control holds the site once and the sink once (advised); the
    // player holds the site and the sink once each.
    EXPECT_EQ(2, countOf(player->Site().InPlaceSite()));
    EXPECT_EQ(2, countOf(&player->EventSink()));
    EXPECT_EQ(fake.refCount(), 1 + fake.addRefCalls() - fake.releaseCalls());

    recordCountsAtClose(player.get());
    player.reset();
    EXPECT_EQ(2, m_siteAtClose) << "the control's and the player's, which goes last";
    EXPECT_EQ(0, m_sinkAtClose) << "unadvised and construction's reference dropped";
    EXPECT_EQ(1u, fake.refCount()) << "only this test's handle holds the control";
    EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls());
    EXPECT_EQ(0u, fake.sinkCount());
    EXPECT_TRUE(fake.state().closed);
}

TEST_F(ConstructionTest, ANewPlayerHasItsDefaults) {
    auto player = make(320, 240);
    ASSERT_NE(nullptr, player->Control());
    const auto& state = latestFake().state();
    EXPECT_EQ(0, player->QueryTransparency());
    EXPECT_EQ(u"opaque", state.wmode);
    EXPECT_EQ(u"High", state.quality2);
    EXPECT_EQ(VARIANT_FALSE, state.embedMovie);
    EXPECT_EQ(u"always", state.allowScriptAccess);
    EXPECT_TRUE(state.localSecurityDisabled);
    EXPECT_TRUE(state.inPlaceActive);
    EXPECT_TRUE(state.windowless);
    EXPECT_EQ("{0,0,320,240}", moviehost::testing::rectText(state.windowContextPosition));
    EXPECT_EQ(0, player->GetUserValue());
    EXPECT_EQ(0u, player->MouseButtons());
    EXPECT_EQ(0, player->ListenerCount());
    EXPECT_NE(nullptr, player->Windowless());
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(player->CollectDirtyRects(nullptr, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,320,240}"}, moviehost::testing::rectTexts(first, count));
}

TEST_F(ConstructionTest, AnInvalidationDuringActivationIsReplacedByTheWholeSurface) {
    configure([this](fake_control::FakeControl& c) {
        // The handle given to this hook is gone once the control is created;
        // the test's own copy is not.
        c.onCall("DoVerb", [this] {
            const RECT r = {5, 5, 10, 10};
            m_invalidated = latestFake().invalidateRect(&r);
        });
    });
    auto player = make(320, 240);
    EXPECT_EQ(S_OK, m_invalidated) << "the site took the invalidation while the control activated";
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(player->CollectDirtyRects(nullptr, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,320,240}"}, moviehost::testing::rectTexts(first, count));
}

TEST_F(ConstructionTest, TheRegisteredServerBuildsTheSamePlayer) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        moviehost::testing::TempFile registry(".reg");
        registry.write(moviehost::testing::registryFor(FAKE_CONTROL_MODULE_PATH));
        moviehost::testing::ScopedEnv env("MOVIEHOST_REGISTRY", registry.path());
        auto player = makeThroughRegistry(320, 240);
        ASSERT_NE(nullptr, player->Control());
        ASSERT_EQ(1u, controlsCreated());
        EXPECT_EQ("", compareCalls(latestFake().log(), KConstruction));
        auto& fake = latestFake();
        fake.clearLog();
        player.reset();
        EXPECT_EQ("", compareCalls(fake.log(), KTeardown));
        EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls());
    }
    CoUninitialize();
}

TEST_F(ConstructionTest, ALibraryThatCannotCreateTheControlIsNotSecondGuessed) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        // The registered server would work...
        moviehost::testing::TempFile registry(".reg");
        registry.write(moviehost::testing::registryFor(FAKE_CONTROL_MODULE_PATH));
        moviehost::testing::ScopedEnv env("MOVIEHOST_REGISTRY", registry.path());

        // ...but a library whose class object refuses is the one asked.
        platform::ScopedLibrary failing(LoadLibraryW(wide(FAILING_FACTORY_MODULE_PATH).c_str()));
        ASSERT_TRUE(failing);
        const auto requests = platform::ProcedureAs<int (*)()>(GetProcAddress(failing.get(), "ClassObjectRequests"));
        ASSERT_NE(nullptr, requests);
        auto refused = make(320, 240, failing.get());
        EXPECT_EQ(nullptr, refused->Control());
        EXPECT_EQ(1, requests()) << "the library's class object was asked once";

        // A library without the export at all.
        platform::ScopedLibrary noFactory(LoadLibraryW(wide(NO_FACTORY_MODULE_PATH).c_str()));
        ASSERT_TRUE(noFactory);
        auto missing = make(320, 240, noFactory.get());
        EXPECT_EQ(nullptr, missing->Control());
        EXPECT_EQ(0u, controlsCreated()) << "the registered server was not tried";

        auto registered = makeThroughRegistry(32, 24);
        EXPECT_NE(nullptr, registered->Control()) << "while the registry did name a working server";
    }
    CoUninitialize();
}

TEST_F(ConstructionTest, AStoppedConstructionClosesWhatItCreated) {
    configure([](fake_control::FakeControl& c) { c.setResult("SetClientSite", E_FAIL); });
    auto player = make(320, 240);
    EXPECT_EQ(nullptr, player->Control());
    auto& fake = latestFake();
    recordCountsAtClose(player.get());
    player.reset();
    EXPECT_EQ("", compareCalls(
                      fake.log(),
                      {{"QueryInterface(IOleObject)"}, {"SetClientSite(ptr)"}, {"Close(1)"}, {"SetClientSite(null)"}}));
    EXPECT_EQ(1, m_siteAtClose) << "the client-site reference of the stopped step went back";
    EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls());
}

TEST_F(ConstructionTest, AStepThatRaisesTearsThePlayerDownOnce) {
    for (const char* method :
         {"DisableLocalSecurity", "put_EmbedMovie", "put_AllowScriptAccess", "put_WMode", "put_Quality2"}) {
        configure([method](fake_control::FakeControl& c) { c.setResult(method, E_ACCESSDENIED, u"no settings"); });
        LONG siteAtClose = -100;
        onClose([&] {
            // The player is half built and no longer reachable from here; its
            // site is the one the control was given.
            siteAtClose = countOf(latestFake().clientSite());
        });
        try {
            static_cast<void>(make(320, 240));
            ADD_FAILURE() << method << ": expected _com_error";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_ACCESSDENIED, error.Error()) << method;
            EXPECT_EQ(u"no settings", error.Description()) << method;
        }
        auto& fake = latestFake();
        EXPECT_EQ(std::vector<std::string>{"Close(1)"}, fake.log({"Close"})) << method << ": closed exactly once";
        EXPECT_EQ(2, siteAtClose) << method << ": the player's and the control's, nothing from the stopped steps";
        EXPECT_EQ(1u, fake.refCount()) << method;
        EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls()) << method;
        EXPECT_EQ(0u, fake.sinkCount()) << method << ": never advised";
        m_fakes.clear();
    }

    configure([](fake_control::FakeControl& c) { c.setResult("put_WMode", E_FAIL); });
    onClose({});
    EXPECT_TRUE(moviehost::testing::runsWithoutHeapGrowth(
        [&] {
            try {
                static_cast<void>(make(32, 24));
            } catch (const _com_error&) {
            }
            m_fakes.clear();
        },
        50));
}

TEST_F(ConstructionTest, WithoutWindowlessObjectOrEventsThePlayerStillWorks) {
    configure([](fake_control::FakeControl& c) {
        c.lack(fake_control::Interface::InPlaceObjectWindowless);
        c.lack(fake_control::Interface::ConnectionPointContainer);
    });
    auto player = make(320, 240);
    ASSERT_NE(nullptr, player->Control());
    EXPECT_EQ(nullptr, player->Windowless());
    EXPECT_FALSE(player->EventSink().HoldsConnectionPoint());
    for (const HRESULT hr : {player->MoveMouse(1, 2), player->ChangeMouseButton(1, 2, 0, true),
                             player->TurnMouseWheel(120), player->ChangeKey(true, 65, 1), player->TypeChar(65, 1)})
        EXPECT_EQ(E_FAIL, hr) << "input without a windowless object";
    EXPECT_EQ(MK_LBUTTON, player->MouseButtons()) << "the player's own bookkeeping goes on";

    auto& fake = latestFake();
    fake.clearLog();
    player.reset();
    EXPECT_EQ("", compareCalls(fake.log(), {{"Close(1)"}, {"SetClientSite(null)"}})) << "no Unadvise";
    EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls());
}

TEST_F(ConstructionTest, ACookieOfZeroIsNotUnadvised) {
    configure([](fake_control::FakeControl& c) { c.skipOutput("Advise"); });
    auto player = make(320, 240);
    EXPECT_TRUE(player->EventSink().HoldsConnectionPoint());
    EXPECT_EQ(0u, player->EventSink().Cookie());
    auto& fake = latestFake();
    onClose([&fake] {
        // The fake did keep the sink; take it back before the player's memory
        // goes, as the player never learnt the cookie.
        platform::ComPtr<IConnectionPointContainer> container;
        fake.unknown()->QueryInterface(IID_IConnectionPointContainer, container.receive_void());
        platform::ComPtr<IConnectionPoint> point;
        container->FindConnectionPoint(DIID__IShockwaveFlashEvents, point.receive());
        point->Unadvise(1);
    });
    fake.clearLog();
    player.reset();
    const auto log = fake.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("Close(1)", log.front()) << "the player made no Unadvise of its own";
    EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls());
}

}  // namespace
