// The scripting bridge: argument order towards the control, string conversion
// both ways, the one result string and how long its pointers hold, and the
// call exchange with the movie.
#include "control_string.h"

#include "hosting_test_support.h"

#include "platform/com_error.h"

#include <functional>

namespace {

using moviehost::testing::PlayerTest;
using moviehost::testing::wide;

class ScriptingTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        m_player = make(64, 48);
        ASSERT_NE(nullptr, m_player->Control());
        latestFake().clearLog();
    }

    std::unique_ptr<moviehost::CMoviePlayer> m_player;
};

TEST(ControlStrings, CopiesEndAtTheFirstZero) {
    const char16_t withZero[] = {u'a', u'b', 0, u'c', u'd'};
    platform::ScopedBstr value(SysAllocStringLen(withZero, 5));
    platform::WideString target = u"previous";
    moviehost::CopyControlString(value.get(), target);
    EXPECT_EQ(u"ab", target);
    moviehost::CopyControlString(nullptr, target);
    EXPECT_EQ(u"", target) << "a null BSTR is the empty string";

    const platform::ScopedBstr copy = moviehost::ToControlString(u"xy\0z");
    EXPECT_EQ(2u, SysStringLen(copy.get()));
    EXPECT_FALSE(moviehost::ToControlString(nullptr)) << "null stays null";
    const platform::ScopedBstr empty = moviehost::ToControlString(u"");
    EXPECT_TRUE(empty) << "empty is a real, empty BSTR";
}

TEST_F(ScriptingTest, TargetsGoFirstTowardsTheControl) {
    const auto l = wide("label");
    const auto t = wide("/clip");
    const auto v = wide("value");
    const auto n = wide("name");
    m_player->JumpToTargetLabel(l.c_str(), t.c_str());
    m_player->CallTargetLabel(l.c_str(), t.c_str());
    m_player->WriteTargetProperty(2, v.c_str(), t.c_str());
    m_player->WriteTargetNumber(2, 50.0, t.c_str());
    m_player->WriteVariable(n.c_str(), v.c_str());
    m_player->AnswerMovieCall(v.c_str());
    static_cast<void>(m_player->ReadTargetProperty(3, t.c_str()));
    static_cast<void>(m_player->ReadTargetNumber(2, t.c_str()));
    static_cast<void>(m_player->QueryTargetLabel(t.c_str()));
    static_cast<void>(m_player->ReadVariable(nullptr));
    EXPECT_EQ((std::vector<std::string>{
                  "TGotoLabel(\"/clip\", \"label\")", "TCallLabel(\"/clip\", \"label\")",
                  "TSetProperty(\"/clip\", 2, \"value\")", "TSetPropertyNum(\"/clip\", 2, 50)",
                  "SetVariable(\"name\", \"value\")", "SetReturnValue(\"value\")", "TGetProperty(\"/clip\", 3)",
                  "TGetPropertyNum(\"/clip\", 2)", "TCurrentLabel(\"/clip\")",
                  "GetVariable(null)",  // an empty pointer reaches the control as an empty string
              }),
              latestFake().log());
    EXPECT_EQ(50.0, m_player->ReadTargetNumber(2, t.c_str()));
}

TEST_F(ScriptingTest, ResultsAreCopiedUpToTheFirstZero) {
    auto& state = latestFake().state();
    state.variables[u"v"] = std::u16string(u"ab\0cd", 5);
    state.targetLabels[u"/"] = u"frame";
    state.targetProperties[{u"/", 11}] = u"clip";
    const auto v = wide("v");
    const auto root = wide("/");
    EXPECT_EQ(u"ab", std::u16string(m_player->ReadVariable(v.c_str())));
    EXPECT_EQ(u"frame", std::u16string(m_player->QueryTargetLabel(root.c_str())));
    EXPECT_EQ(u"clip", std::u16string(m_player->ReadTargetProperty(11, root.c_str())));

    const auto unknown = wide("unknown");
    LPCWSTR none = m_player->ReadVariable(unknown.c_str());
    ASSERT_NE(nullptr, none) << "a variable the control gives as a null string reads as empty";
    EXPECT_EQ(u"", std::u16string(none));
}

TEST_F(ScriptingTest, AFailedReadLeavesTheEarlierResultInPlace) {
    auto& fake = latestFake();
    fake.state().variables[u"a"] = u"first";
    const auto a = wide("a");
    LPCWSTR earlier = m_player->ReadVariable(a.c_str());
    ASSERT_EQ(u"first", std::u16string(earlier));

    for (const char* method : {"GetVariable", "TCurrentLabel", "TGetProperty"}) {
        fake.setResult(method, E_FAIL, u"no such thing");
        try {
            if (std::string(method) == "GetVariable")
                static_cast<void>(m_player->ReadVariable(a.c_str()));
            else if (std::string(method) == "TCurrentLabel")
                static_cast<void>(m_player->QueryTargetLabel(a.c_str()));
            else
                static_cast<void>(m_player->ReadTargetProperty(1, a.c_str()));
            ADD_FAILURE() << method << ": expected _com_error";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_FAIL, error.Error()) << method;
            EXPECT_EQ(u"no such thing", error.Description()) << method;
        }
        EXPECT_EQ(u"first", std::u16string(earlier)) << method;
    }
}

TEST_F(ScriptingTest, EveryFailingWriteRaises) {
    const auto t = wide("t");
    struct Case {
        const char* method;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"TGotoLabel", [&] { m_player->JumpToTargetLabel(t.c_str(), t.c_str()); }},
        {"TCallLabel", [&] { m_player->CallTargetLabel(t.c_str(), t.c_str()); }},
        {"SetVariable", [&] { m_player->WriteVariable(t.c_str(), t.c_str()); }},
        {"TSetPropertyNum", [&] { m_player->WriteTargetNumber(1, 2.0, t.c_str()); }},
        {"TSetProperty", [&] { m_player->WriteTargetProperty(1, t.c_str(), t.c_str()); }},
        {"TGetPropertyNum", [&] { static_cast<void>(m_player->ReadTargetNumber(1, t.c_str())); }},
        {"SetReturnValue", [&] { m_player->AnswerMovieCall(t.c_str()); }},
    };
    auto& fake = latestFake();
    for (const Case& c : cases) {
        fake.clearResults();
        fake.setResult(c.method, E_INVALIDARG);
        EXPECT_THROW(c.call(), _com_error) << c.method;
    }
}

TEST_F(ScriptingTest, InvokeMovieFunctionHasItsOwnRules) {
    auto& fake = latestFake();
    fake.state().variables[u"a"] = u"kept";
    fake.state().callResponses[u"<empty/>"] = u"";
    fake.state().callResponses[u"<answer/>"] = u"<string>yes</string>";
    const auto a = wide("a");
    LPCWSTR earlier = m_player->ReadVariable(a.c_str());

    const auto silent = wide("<silent/>");
    EXPECT_EQ(nullptr, m_player->InvokeMovieFunction(silent.c_str())) << "no response at all";
    EXPECT_EQ(u"kept", std::u16string(earlier));

    fake.setResult("CallFunction", E_FAIL, u"script error");
    const auto answer = wide("<answer/>");
    EXPECT_EQ(nullptr, m_player->InvokeMovieFunction(answer.c_str())) << "a failure is not raised";
    EXPECT_EQ(u"kept", std::u16string(earlier));
    platform::ComPtr<IErrorInfo> unclaimed;
    static_cast<void>(GetErrorInfo(0, unclaimed.receive()));

    fake.clearResults();
    const auto empty = wide("<empty/>");
    LPCWSTR emptyResult = m_player->InvokeMovieFunction(empty.c_str());
    ASSERT_NE(nullptr, emptyResult) << "an empty response is a response";
    EXPECT_EQ(u"", std::u16string(emptyResult));
    EXPECT_EQ(u"<string>yes</string>", std::u16string(m_player->InvokeMovieFunction(answer.c_str())));
}

// A listener answers the movie's call through AnswerMovieCall while it is
// being delivered, and may use the result string meanwhile.
TEST_F(ScriptingTest, AListenerAnswersAMovieCallDuringDelivery) {
    struct Answering final : IMovieListener {
        IMoviePlayer* player = nullptr;
        std::u16string seen;
        HRESULT OnFlashCall(LPCWSTR request) override {
            seen = request;
            const auto name = wide("v");
            seen += u"|";
            seen += player->ReadVariable(name.c_str());
            const auto value = wide("<string>ok</string>");
            player->AnswerMovieCall(value.c_str());
            return S_OK;
        }
        HRESULT OnFSCommand(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    } listener;
    listener.player = m_player.get();
    latestFake().state().variables[u"v"] = u"1";
    m_player->AddListener(&listener);
    EXPECT_EQ(S_OK, latestFake().fireFlashCall(u"<invoke name=\"ask\"/>"));
    EXPECT_EQ(u"<invoke name=\"ask\"/>|1", listener.seen);
    EXPECT_EQ(u"<string>ok</string>", latestFake().state().returnValue);
    m_player->RemoveListener(&listener);
}

TEST_F(ScriptingTest, StringsAreFreedOnEveryPath) {
    auto& fake = latestFake();
    fake.state().variables[u"name"] = u"a value long enough to need its own block of memory";
    fake.state().callResponses[u"name"] = u"a response long enough to need its own block of memory";
    const auto name = wide("name");
    fake.setResult("TSetPropertyNum", E_FAIL, u"described");
    EXPECT_TRUE(moviehost::testing::runsWithoutHeapGrowth([&] {
        static_cast<void>(m_player->ReadVariable(name.c_str()));
        static_cast<void>(m_player->InvokeMovieFunction(name.c_str()));
        try {
            m_player->WriteTargetNumber(1, 1.0, name.c_str());
        } catch (const _com_error&) {
        }
        fake.clearLog();
    }));
}

}  // namespace
