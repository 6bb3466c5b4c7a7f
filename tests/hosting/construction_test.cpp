// Building a player and taking it down: the calls the control receives, in
// order, compared as tables; every reference given back; both ways of creating
// the control; and construction that stops or raises part-way.
#include "hosting_test_support.h"
#include "test_support.h"

#include "platform/com_error.h"

#include <sstream>

namespace {

using hosting_test::CountOf;
using hosting_test::PlayerTest;
using hosting_test::Wide;

struct ExpectedCall {
    const char* call;
    bool optional = false;
};

// Compares a recorded log with a table; optional rows may be missing. Empty
// when they match, else both listed side by side.
std::string CompareCalls(const std::vector<std::string>& log, const std::vector<ExpectedCall>& table) {
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

const std::vector<ExpectedCall> kConstruction = {
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

const std::vector<ExpectedCall> kTeardown = {
    {"Unadvise(1)"}, {"Close(1)"}, {"SetClientSite(null)"},  // this test's own: the fake lets go of the site
};

class ConstructionTest : public PlayerTest {
protected:
    // Counts of the site and the sink when the player closes its control.
    void RecordCountsAtClose(moviehost::CMoviePlayer* player) {
        OnClose([this, player] {
            m_siteAtClose = CountOf(player->Site().InPlaceSite());
            m_sinkAtClose = CountOf(&player->EventSink());
        });
    }

    LONG m_siteAtClose = -100;
    HRESULT m_invalidated = E_UNEXPECTED;
    LONG m_sinkAtClose = -100;
};

TEST_F(ConstructionTest, CallOrderOfConstructionAndTeardown) {
    auto player = Make(320, 240);
    ASSERT_NE(nullptr, player->Control());
    auto& fake = Fake();
    EXPECT_EQ("", CompareCalls(fake.log(), kConstruction));

    fake.clear_log();
    player.reset();
    EXPECT_EQ("", CompareCalls(fake.log(), kTeardown));
}

TEST_F(ConstructionTest, EveryReferenceTakenIsGivenBack) {
    auto player = Make(320, 240);
    auto& fake = Fake();
    // Ready: the control holds the site once and the sink once (advised); the
    // player holds the site and the sink once each.
    EXPECT_EQ(2, CountOf(player->Site().InPlaceSite()));
    EXPECT_EQ(2, CountOf(&player->EventSink()));
    EXPECT_EQ(fake.ref_count(), 1 + fake.add_ref_calls() - fake.release_calls());

    RecordCountsAtClose(player.get());
    player.reset();
    EXPECT_EQ(2, m_siteAtClose) << "the control's and the player's, which goes last";
    EXPECT_EQ(0, m_sinkAtClose) << "unadvised and construction's reference dropped";
    EXPECT_EQ(1u, fake.ref_count()) << "only this test's handle holds the control";
    EXPECT_EQ(fake.add_ref_calls(), fake.release_calls());
    EXPECT_EQ(0u, fake.sink_count());
    EXPECT_TRUE(fake.state().closed);
}

TEST_F(ConstructionTest, ANewPlayerHasItsDefaults) {
    auto player = Make(320, 240);
    ASSERT_NE(nullptr, player->Control());
    const auto& state = Fake().state();
    EXPECT_EQ(0, player->QueryTransparency());
    EXPECT_EQ(u"opaque", state.wmode);
    EXPECT_EQ(u"High", state.quality2);
    EXPECT_EQ(VARIANT_FALSE, state.embed_movie);
    EXPECT_EQ(u"always", state.allow_script_access);
    EXPECT_TRUE(state.local_security_disabled);
    EXPECT_TRUE(state.in_place_active);
    EXPECT_TRUE(state.windowless);
    EXPECT_EQ("{0,0,320,240}", hosting_test::RectText(state.window_context_position));
    EXPECT_EQ(0, player->GetUserValue());
    EXPECT_EQ(0u, player->MouseButtons());
    EXPECT_EQ(0, player->ListenerCount());
    EXPECT_NE(nullptr, player->Windowless());
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(player->CollectDirtyRects(nullptr, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,320,240}"}, hosting_test::RectTexts(first, count));
}

TEST_F(ConstructionTest, AnInvalidationDuringActivationIsReplacedByTheWholeSurface) {
    Configure([this](fake_control::FakeControl& c) {
        // The handle given to this hook is gone once the control is created;
        // the test's own copy is not.
        c.on_call("DoVerb", [this] {
            const RECT r = {5, 5, 10, 10};
            m_invalidated = Fake().invalidate_rect(&r);
        });
    });
    auto player = Make(320, 240);
    EXPECT_EQ(S_OK, m_invalidated) << "the site took the invalidation while the control activated";
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(player->CollectDirtyRects(nullptr, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,320,240}"}, hosting_test::RectTexts(first, count));
}

TEST_F(ConstructionTest, TheRegisteredServerBuildsTheSamePlayer) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        test_support::TempFile registry(".reg");
        registry.write(hosting_test::RegistryFor(FAKE_CONTROL_MODULE_PATH));
        test_support::ScopedEnv env("MOVIEHOST_REGISTRY", registry.path());
        auto player = MakeThroughRegistry(320, 240);
        ASSERT_NE(nullptr, player->Control());
        ASSERT_EQ(1u, ControlsCreated());
        EXPECT_EQ("", CompareCalls(Fake().log(), kConstruction));
        auto& fake = Fake();
        fake.clear_log();
        player.reset();
        EXPECT_EQ("", CompareCalls(fake.log(), kTeardown));
        EXPECT_EQ(fake.add_ref_calls(), fake.release_calls());
    }
    CoUninitialize();
}

TEST_F(ConstructionTest, ALibraryThatCannotCreateTheControlIsNotSecondGuessed) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        // The registered server would work...
        test_support::TempFile registry(".reg");
        registry.write(hosting_test::RegistryFor(FAKE_CONTROL_MODULE_PATH));
        test_support::ScopedEnv env("MOVIEHOST_REGISTRY", registry.path());

        // ...but a library whose class object refuses is the one asked.
        platform::ScopedLibrary failing(LoadLibraryW(Wide(FAILING_FACTORY_MODULE_PATH).c_str()));
        ASSERT_TRUE(failing);
        const auto requests = reinterpret_cast<int (*)()>(GetProcAddress(failing.get(), "ClassObjectRequests"));
        ASSERT_NE(nullptr, requests);
        auto refused = Make(320, 240, failing.get());
        EXPECT_EQ(nullptr, refused->Control());
        EXPECT_EQ(1, requests()) << "the library's class object was asked once";

        // A library without the export at all.
        platform::ScopedLibrary noFactory(LoadLibraryW(Wide(NO_FACTORY_MODULE_PATH).c_str()));
        ASSERT_TRUE(noFactory);
        auto missing = Make(320, 240, noFactory.get());
        EXPECT_EQ(nullptr, missing->Control());
        EXPECT_EQ(0u, ControlsCreated()) << "the registered server was not tried";

        auto registered = MakeThroughRegistry(32, 24);
        EXPECT_NE(nullptr, registered->Control()) << "while the registry did name a working server";
    }
    CoUninitialize();
}

TEST_F(ConstructionTest, AStoppedConstructionClosesWhatItCreated) {
    Configure([](fake_control::FakeControl& c) { c.set_result("SetClientSite", E_FAIL); });
    auto player = Make(320, 240);
    EXPECT_EQ(nullptr, player->Control());
    auto& fake = Fake();
    RecordCountsAtClose(player.get());
    player.reset();
    EXPECT_EQ("", CompareCalls(
                      fake.log(),
                      {{"QueryInterface(IOleObject)"}, {"SetClientSite(ptr)"}, {"Close(1)"}, {"SetClientSite(null)"}}));
    EXPECT_EQ(1, m_siteAtClose) << "the client-site reference of the stopped step went back";
    EXPECT_EQ(fake.add_ref_calls(), fake.release_calls());
}

TEST_F(ConstructionTest, AStepThatRaisesTearsThePlayerDownOnce) {
    for (const char* method :
         {"DisableLocalSecurity", "put_EmbedMovie", "put_AllowScriptAccess", "put_WMode", "put_Quality2"}) {
        Configure([method](fake_control::FakeControl& c) { c.set_result(method, E_ACCESSDENIED, u"no settings"); });
        LONG siteAtClose = -100;
        OnClose([&] {
            // The player is half built and no longer reachable from here; its
            // site is the one the control was given.
            siteAtClose = CountOf(Fake().client_site());
        });
        try {
            static_cast<void>(Make(320, 240));
            ADD_FAILURE() << method << ": expected _com_error";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_ACCESSDENIED, error.Error()) << method;
            EXPECT_EQ(u"no settings", error.Description()) << method;
        }
        auto& fake = Fake();
        EXPECT_EQ(std::vector<std::string>{"Close(1)"}, fake.log({"Close"})) << method << ": closed exactly once";
        EXPECT_EQ(2, siteAtClose) << method << ": the player's and the control's, nothing from the stopped steps";
        EXPECT_EQ(1u, fake.ref_count()) << method;
        EXPECT_EQ(fake.add_ref_calls(), fake.release_calls()) << method;
        EXPECT_EQ(0u, fake.sink_count()) << method << ": never advised";
        m_fakes.clear();
    }

    Configure([](fake_control::FakeControl& c) { c.set_result("put_WMode", E_FAIL); });
    OnClose({});
    EXPECT_TRUE(hosting_test::RunsWithoutHeapGrowth(
        [&] {
            try {
                static_cast<void>(Make(32, 24));
            } catch (const _com_error&) {
            }
            m_fakes.clear();
        },
        50));
}

TEST_F(ConstructionTest, WithoutWindowlessObjectOrEventsThePlayerStillWorks) {
    Configure([](fake_control::FakeControl& c) {
        c.lack(fake_control::Interface::InPlaceObjectWindowless);
        c.lack(fake_control::Interface::ConnectionPointContainer);
    });
    auto player = Make(320, 240);
    ASSERT_NE(nullptr, player->Control());
    EXPECT_EQ(nullptr, player->Windowless());
    EXPECT_FALSE(player->EventSink().HoldsConnectionPoint());
    for (const HRESULT hr : {player->MoveMouse(1, 2), player->ChangeMouseButton(1, 2, 0, true),
                             player->TurnMouseWheel(120), player->ChangeKey(true, 65, 1), player->TypeChar(65, 1)})
        EXPECT_EQ(E_FAIL, hr) << "input without a windowless object";
    EXPECT_EQ(MK_LBUTTON, player->MouseButtons()) << "the player's own bookkeeping goes on";

    auto& fake = Fake();
    fake.clear_log();
    player.reset();
    EXPECT_EQ("", CompareCalls(fake.log(), {{"Close(1)"}, {"SetClientSite(null)"}})) << "no Unadvise";
    EXPECT_EQ(fake.add_ref_calls(), fake.release_calls());
}

TEST_F(ConstructionTest, ACookieOfZeroIsNotUnadvised) {
    Configure([](fake_control::FakeControl& c) { c.skip_output("Advise"); });
    auto player = Make(320, 240);
    EXPECT_TRUE(player->EventSink().HoldsConnectionPoint());
    EXPECT_EQ(0u, player->EventSink().Cookie());
    auto& fake = Fake();
    OnClose([&fake] {
        // The fake did keep the sink; take it back before the player's memory
        // goes, as the player never learnt the cookie.
        platform::ComPtr<IConnectionPointContainer> container;
        fake.unknown()->QueryInterface(IID_IConnectionPointContainer, container.receive_void());
        platform::ComPtr<IConnectionPoint> point;
        container->FindConnectionPoint(DIID__IShockwaveFlashEvents, point.receive());
        point->Unadvise(1);
    });
    fake.clear_log();
    player.reset();
    const auto log = fake.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("Close(1)", log.front()) << "the player made no Unadvise of its own";
    EXPECT_EQ(fake.add_ref_calls(), fake.release_calls());
}

}  // namespace
