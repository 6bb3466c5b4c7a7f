// Playback and display properties: neutral results without a control, how
// failures are raised (and with which error object), and the quality,
// transparency and colour mappings.
#include "hosting_test_support.h"

#include "platform/com_error.h"

#include <functional>

namespace {

using moviehost::testing::PlayerTest;
using moviehost::testing::wide;

class PropertiesTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        m_player = make();
        ASSERT_NE(nullptr, m_player->Control());
        latestFake().clearLog();
    }

    std::unique_ptr<moviehost::CMoviePlayer> m_player;
};

TEST_F(PropertiesTest, WithoutAControlEveryOperationIsNeutral) {
    platform::ScopedLibrary noFactory(LoadLibraryW(wide(NO_FACTORY_MODULE_PATH).c_str()));
    ASSERT_TRUE(noFactory);
    const std::size_t controls = controlsCreated();
    auto player = make(640, 480, noFactory.get());
    ASSERT_EQ(nullptr, player->Control());
    ASSERT_EQ(controls, controlsCreated());
    const platform::WideString t = wide("_root");

    EXPECT_EQ(0, player->QueryPlayState());
    EXPECT_EQ(2, player->QueryQuality());
    EXPECT_FALSE(player->OpenMovie(t.c_str()));
    EXPECT_EQ(0, player->QueryBackColor());
    EXPECT_EQ(-1, player->QueryFrame());
    EXPECT_EQ(-1, player->QueryTargetFrame(t.c_str()));
    player->ApplyTransparency(1);
    EXPECT_EQ(1, player->QueryTransparency());
    player->SetUserValue(-7);
    EXPECT_EQ(-7, player->GetUserValue());
    EXPECT_NO_THROW({
        player->ApplyQuality(3);
        player->ApplyBackColor(0x123456);
        player->PlayTarget(t.c_str());
        player->PlayMovie();
        player->HaltTarget(t.c_str());
        player->HaltMovie();
        player->RewindMovie();
        player->NextFrame();
        player->PreviousFrame();
        player->JumpToTargetFrame(3, t.c_str());
        player->JumpToFrame(3);
        player->CallTargetFrame(3, t.c_str());
    });

    EXPECT_EQ(nullptr, player->QueryTargetLabel(t.c_str()));
    EXPECT_EQ(nullptr, player->ReadVariable(t.c_str()));
    EXPECT_EQ(nullptr, player->ReadTargetProperty(2, t.c_str()));
    EXPECT_EQ(0.0, player->ReadTargetNumber(2, t.c_str()));
    EXPECT_EQ(nullptr, player->InvokeMovieFunction(t.c_str()));
    EXPECT_NO_THROW({
        player->JumpToTargetLabel(t.c_str(), t.c_str());
        player->CallTargetLabel(t.c_str(), t.c_str());
        player->WriteVariable(t.c_str(), t.c_str());
        player->WriteTargetNumber(2, 1.0, t.c_str());
        player->WriteTargetProperty(2, t.c_str(), t.c_str());
        player->AnswerMovieCall(t.c_str());
    });

    // Nothing was made dirty, no control can take input, drawing does nothing.
    EXPECT_FALSE(player->CollectDirtyRects(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_FAIL, player->MoveMouse(1, 1));
    EXPECT_EQ(E_FAIL, player->ChangeKey(true, 65, 0));
    moviehost::testing::DibSurface bitmap(16, 16);
    player->DrawDirtyRegion(bitmap.dc());
    player->ResizeSurface(32, 32);
    EXPECT_EQ(640, player->Width()) << "without a control there is nothing to tell the new size";
}

TEST_F(PropertiesTest, EveryFailingControlCallRaisesWithTheControlsError) {
    const platform::WideString t = wide("_root");
    struct Case {
        const char* method;
        std::function<void(IMoviePlayer&)> call;
    };
    const Case cases[] = {
        {"IsPlaying", [](IMoviePlayer& p) { static_cast<void>(p.QueryPlayState()); }},
        {"get_Quality2", [](IMoviePlayer& p) { static_cast<void>(p.QueryQuality()); }},
        {"put_Quality2", [](IMoviePlayer& p) { p.ApplyQuality(1); }},
        {"put_WMode", [](IMoviePlayer& p) { p.ApplyTransparency(1); }},
        {"get_BackgroundColor", [](IMoviePlayer& p) { static_cast<void>(p.QueryBackColor()); }},
        {"put_BackgroundColor", [](IMoviePlayer& p) { p.ApplyBackColor(5); }},
        {"TPlay", [&](IMoviePlayer& p) { p.PlayTarget(t.c_str()); }},
        {"Play", [](IMoviePlayer& p) { p.PlayMovie(); }},
        {"TStopPlay", [&](IMoviePlayer& p) { p.HaltTarget(t.c_str()); }},
        {"StopPlay", [](IMoviePlayer& p) { p.HaltMovie(); }},
        {"Rewind", [](IMoviePlayer& p) { p.RewindMovie(); }},
        {"Forward", [](IMoviePlayer& p) { p.NextFrame(); }},
        {"Back", [](IMoviePlayer& p) { p.PreviousFrame(); }},
        {"TCurrentFrame", [&](IMoviePlayer& p) { static_cast<void>(p.QueryTargetFrame(t.c_str())); }},
        {"CurrentFrame", [](IMoviePlayer& p) { static_cast<void>(p.QueryFrame()); }},
        {"TGotoFrame", [&](IMoviePlayer& p) { p.JumpToTargetFrame(1, t.c_str()); }},
        {"GotoFrame", [](IMoviePlayer& p) { p.JumpToFrame(1); }},
        {"TCallFrame", [&](IMoviePlayer& p) { p.CallTargetFrame(1, t.c_str()); }},
    };
    auto& fake = latestFake();
    for (const Case& c : cases) {
        fake.clearResults();
        fake.setResult(c.method, E_ACCESSDENIED, u"refused by the movie");
        try {
            c.call(*m_player);
            ADD_FAILURE() << c.method << ": expected _com_error, got a normal return";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_ACCESSDENIED, error.Error()) << c.method;
            EXPECT_EQ(u"refused by the movie", error.Description()) << c.method;
        }
    }
    fake.clearResults();
}

TEST_F(PropertiesTest, TheErrorObjectJoinsOnlyWhenTheControlVouchesForIt) {
    auto& fake = latestFake();
    fake.setResult("Play", E_FAIL, u"described");
    try {
        m_player->PlayMovie();
        FAIL() << "expected _com_error";
    } catch (const _com_error& error) {
        EXPECT_EQ(u"described", error.Description());
    }
    EXPECT_EQ((std::vector<std::string>{"Play()", "QueryInterface(ISupportErrorInfo)",
                                        "InterfaceSupportsErrorInfo(IShockwaveFlash)"}),
              fake.log());

    // Not vouched for: the thread's error object stays where it is.
    fake.setResult("InterfaceSupportsErrorInfo", S_FALSE);
    try {
        m_player->PlayMovie();
        FAIL() << "expected _com_error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_FAIL, error.Error());
        platform::ComPtr<IErrorInfo> info(error.ErrorInfo());
        EXPECT_FALSE(info) << "InterfaceSupportsErrorInfo answered S_FALSE";
    }
    platform::ComPtr<IErrorInfo> left;
    EXPECT_EQ(S_OK, GetErrorInfo(0, left.receive()));
    EXPECT_TRUE(left) << "the unclaimed error object is still the thread's";
}

TEST_F(PropertiesTest, AControlWithoutErrorSupportRaisesWithoutAnErrorObject) {
    configure([](fake_control::FakeControl& c) { c.lack(fake_control::Interface::SupportErrorInfo); });
    auto player = make();
    latestFake().setResult("Rewind", E_UNEXPECTED, u"ignored");
    try {
        player->RewindMovie();
        FAIL() << "expected _com_error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_UNEXPECTED, error.Error());
        platform::ComPtr<IErrorInfo> info(error.ErrorInfo());
        EXPECT_FALSE(info);
    }
    platform::ComPtr<IErrorInfo> stale;
    static_cast<void>(GetErrorInfo(0, stale.receive()));  // leave the thread clean
}

TEST_F(PropertiesTest, StringsAreFreedOnEveryPathIncludingRaises) {
    auto& fake = latestFake();
    const platform::WideString name = wide("a rather long variable name that needs a real allocation");
    fake.setResult("TSetProperty", E_FAIL, u"no");
    fake.setResult("TGotoLabel", E_FAIL);
    fake.setResult("get_Quality2", S_OK);
    fake.state().quality2 = u"not a quality at all";
    const bool steady = moviehost::testing::runsWithoutHeapGrowth([&] {
        try {
            m_player->WriteTargetProperty(2, name.c_str(), name.c_str());
        } catch (const _com_error&) {
        }
        try {
            m_player->JumpToTargetLabel(name.c_str(), name.c_str());
        } catch (const _com_error&) {
        }
        static_cast<void>(m_player->QueryQuality());  // six names fetched and released
        m_player->PlayTarget(name.c_str());
        fake.clearLog();
        platform::ComPtr<IErrorInfo> drop;
        static_cast<void>(GetErrorInfo(0, drop.receive()));
    });
    EXPECT_TRUE(steady) << "strings for and from the control were left allocated";
}

TEST_F(PropertiesTest, FailuresLeaveThePlayerAsItWas) {
    auto& fake = latestFake();
    m_player->ApplyTransparency(2);
    fake.setResult("put_WMode", E_FAIL);
    EXPECT_THROW(m_player->ApplyTransparency(0), _com_error);
    EXPECT_EQ(2, m_player->QueryTransparency()) << "the mode is stored only after the control took it";

    fake.clearResults();
    fake.setResult("put_Movie", E_INVALIDARG);
    const platform::WideString movie = wide("missing.swf");
    EXPECT_FALSE(m_player->OpenMovie(movie.c_str())) << "put_Movie's failure is a result, not a raise";
    fake.setResult("put_Movie", S_FALSE);
    EXPECT_TRUE(m_player->OpenMovie(movie.c_str())) << "any success code counts";
}

TEST_F(PropertiesTest, TransparencyModes) {
    auto& fake = latestFake();
    struct Step {
        LONG mode;
        std::vector<std::string> calls;
    };
    const Step steps[] = {
        {5, {}},
        {-1, {}},
        {0, {"put_WMode(\"opaque\")"}},
        {1, {"put_WMode(\"transparent\")"}},
        {2, {"put_WMode(\"transparent\")"}},
        {1, {"put_WMode(\"transparent\")"}},
    };
    for (const Step& s : steps) {
        fake.clearLog();
        m_player->ApplyTransparency(s.mode);
        EXPECT_EQ(s.calls, fake.log()) << "mode " << s.mode;
        EXPECT_EQ(s.mode, m_player->QueryTransparency()) << "mode " << s.mode << " is stored as given";
    }
}

TEST_F(PropertiesTest, QualityNamesCompareWithoutCaseForAsciiLettersOnly) {
    auto& fake = latestFake();
    struct Case {
        std::u16string reported;
        LONG expected;
    };
    const Case cases[] = {
        {u"Low", 0},        {u"medium", 1}, {u"high", 2}, {u"BEST", 3}, {u"autolow", 4},
        {u"AUTOHIGH", 5},   {u"Highs", 2},  {u"Hig", 2},  {u"", 2},     {u"\xFF2Cow", 2} /* fullwidth L */,
        {u"Low\u0000x", 0},
    };
    for (const Case& c : cases) {
        fake.state().quality2 = c.reported;
        EXPECT_EQ(c.expected, m_player->QueryQuality()) << "reported \"" << platform::utf16_to_utf8(c.reported) << "\"";
    }
    fake.state().quality2 = u"nothing";
    fake.clearLog();
    EXPECT_EQ(2, m_player->QueryQuality());
    EXPECT_EQ(6u, fake.log({"get_Quality2"}).size()) << "asked afresh for every entry";

    fake.skipOutput("get_Quality2");
    EXPECT_EQ(2, m_player->QueryQuality()) << "a control that gives no name at all";
}

TEST_F(PropertiesTest, ApplyQualityWritesTheNameAndIgnoresIndexesOutsideTheTable) {
    auto& fake = latestFake();
    for (const LONG index : {3, 0, 5, 6, -1, 2147483647}) {
        fake.clearLog();
        m_player->ApplyQuality(index);
        const std::vector<std::string> expected = index == 3   ? std::vector<std::string>{"put_Quality2(\"Best\")"}
                                                  : index == 0 ? std::vector<std::string>{"put_Quality2(\"Low\")"}
                                                  : index == 5 ? std::vector<std::string>{"put_Quality2(\"AutoHigh\")"}
                                                               : std::vector<std::string>{};
        EXPECT_EQ(expected, fake.log()) << "index " << index;
    }
}

TEST_F(PropertiesTest, ValuesPassThroughAsTheControlTakesThem) {
    auto& fake = latestFake();
    m_player->ApplyBackColor(static_cast<LONG>(0xAB123456u));
    m_player->ApplyBackColor(0x00ABCDEF);
    const platform::WideString t = wide("/clip");
    m_player->JumpToTargetFrame(7, t.c_str());
    m_player->CallTargetFrame(7, t.c_str());
    m_player->PlayTarget(nullptr);
    m_player->JumpToFrame(-3);
    EXPECT_EQ((std::vector<std::string>{"put_BackgroundColor(1193046)", "put_BackgroundColor(11259375)",
                                        "TGotoFrame(\"/clip\", 7)", "TCallFrame(\"/clip\", 7)", "TPlay(null)",
                                        "GotoFrame(-3)"}),
              fake.log());

    fake.state().backgroundColor = static_cast<LONG>(0xFF00FF00u);
    EXPECT_EQ(static_cast<LONG>(0xFF00FF00u), m_player->QueryBackColor()) << "read back unchanged";
    fake.state().targetFrames[u"/clip"] = 41;
    EXPECT_EQ(41, m_player->QueryTargetFrame(t.c_str()));
}

TEST_F(PropertiesTest, PlayStateAndAnswersTheControlLeavesUnwritten) {
    auto& fake = latestFake();
    for (const auto& [playing, expected] : {std::pair<VARIANT_BOOL, LONG>{VARIANT_TRUE, 1}, {1, 1}, {0, 2}}) {
        fake.state().playing = playing;
        EXPECT_EQ(expected, m_player->QueryPlayState()) << "IsPlaying answered " << playing;
    }
    fake.state().playing = VARIANT_TRUE;
    fake.state().backgroundColor = 0x123456;
    fake.state().frame = 9;
    fake.state().targetFrames[u"t"] = 9;
    for (const char* method : {"IsPlaying", "get_BackgroundColor", "CurrentFrame", "TCurrentFrame"})
        fake.skipOutput(method);
    const platform::WideString t = wide("t");
    EXPECT_EQ(2, m_player->QueryPlayState());
    EXPECT_EQ(0, m_player->QueryBackColor());
    EXPECT_EQ(0, m_player->QueryFrame());
    EXPECT_EQ(0, m_player->QueryTargetFrame(t.c_str()));
}

TEST_F(PropertiesTest, UserValueIsKeptForTheCaller) {
    EXPECT_EQ(0, m_player->GetUserValue()) << "a new player";
    for (const LONG value : {1, -1, 2147483647, -2147483647 - 1}) {
        m_player->SetUserValue(value);
        EXPECT_EQ(value, m_player->GetUserValue());
    }
    EXPECT_TRUE(latestFake().log().empty()) << "the control is not involved";
}

}  // namespace
