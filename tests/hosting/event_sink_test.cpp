// The event sink: its dispatch answers, argument checks, and the delivery walk
// over the listener list, also when listeners change the list while called.
#include "hosting_test_support.h"

#include <functional>

namespace {

using moviehost::testing::countOf;
using moviehost::testing::PlayerTest;

// A listener that records what reaches it and answers as told; `during` runs
// inside the call, before the answer.
class Listener final : public IMovieListener {
public:
    explicit Listener(std::string name, HRESULT answer = E_NOTIMPL, std::vector<std::string>* journal = nullptr)
        : m_name(std::move(name)), m_answer(answer), m_journal(journal) {}

    HRESULT OnFlashCall(LPCWSTR request) override {
        note("FlashCall(" + text(request) + ")");
        return m_answer;
    }
    HRESULT OnFSCommand(LPCWSTR command, LPCWSTR args) override {
        note("FSCommand(" + text(command) + ", " + text(args) + ")");
        return m_answer;
    }

    std::function<void()> during;
    std::vector<std::string> calls;

private:
    static std::string text(LPCWSTR text) { return text == nullptr ? "null" : platform::utf16_to_utf8(text); }
    void note(const std::string& call) {
        calls.push_back(call);
        if (m_journal != nullptr)
            m_journal->push_back(m_name + ":" + call);
        if (during)
            during();
    }

    std::string m_name;
    HRESULT m_answer;
    std::vector<std::string>* m_journal;
};

class EventSinkTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        m_player = make(64, 48);
        ASSERT_NE(nullptr, m_player->Control());
        ASSERT_EQ(1u, latestFake().sinkCount());
    }

    HRESULT flashCall(const char16_t* request = u"<invoke/>") { return latestFake().fireFlashCall(request); }
    HRESULT fsCommand(const char16_t* command = u"cmd", const char16_t* args = u"arg") {
        return latestFake().fireFsCommand(command, args);
    }

    std::unique_ptr<moviehost::CMoviePlayer> m_player;
    std::vector<std::string> m_journal;
};

TEST_F(EventSinkTest, WithoutListenersEventsAreNotHandled) {
    EXPECT_EQ(E_NOTIMPL, flashCall());
    EXPECT_EQ(E_NOTIMPL, fsCommand());
}

TEST_F(EventSinkTest, FSCommandArrivesInTheEventsOwnOrder) {
    Listener a("a", S_OK);
    m_player->AddListener(&a);
    EXPECT_EQ(S_OK, fsCommand(u"X", u"Y"));
    EXPECT_EQ(std::vector<std::string>{"FSCommand(X, Y)"}, a.calls) << "dispatch stored Y at 0 and X at 1";
    EXPECT_EQ(S_OK, flashCall(u"<invoke name=\"f\"/>"));
    EXPECT_EQ("FlashCall(<invoke name=\"f\"/>)", a.calls.back());
    m_player->RemoveListener(&a);
}

TEST_F(EventSinkTest, DeliveryStopsAtTheFirstAnswerOtherThanNotImplemented) {
    for (const HRESULT first : {E_NOTIMPL, E_FAIL, S_FALSE, S_OK}) {
        Listener a("a", first, &m_journal);
        Listener b("b", S_OK, &m_journal);
        m_player->AddListener(&a);
        m_player->AddListener(&b);
        m_journal.clear();
        const HRESULT expected = first == E_NOTIMPL ? S_OK : first;
        EXPECT_EQ(expected, flashCall(u"r")) << "first answered 0x" << std::hex << first;
        const std::vector<std::string> reached = first == E_NOTIMPL
                                                     ? std::vector<std::string>{"a:FlashCall(r)", "b:FlashCall(r)"}
                                                     : std::vector<std::string>{"a:FlashCall(r)"};
        EXPECT_EQ(reached, m_journal) << "first answered 0x" << std::hex << first;
        m_player->RemoveListener(&a);
        m_player->RemoveListener(&b);
    }
}

TEST_F(EventSinkTest, ArgumentsOfTheWrongCountOrTypeReachNoListener) {
    Listener a("a", S_OK);
    m_player->AddListener(&a);
    auto& fake = latestFake();
    platform::ScopedBstr text(SysAllocString(u"x"));
    auto bstr = [&] {
        VARIANTARG v{};
        v.vt = VT_BSTR;
        v.bstrVal = text.get();
        return v;
    };
    VARIANTARG number{};
    number.vt = VT_I4;
    number.lVal = 1;
    BSTR byRefTarget = text.get();
    VARIANTARG byRef{};
    byRef.vt = VT_BSTR | VT_BYREF;
    byRef.pbstrVal = &byRefTarget;

    struct Case {
        const char* name;
        DISPID id;
        std::vector<VARIANTARG> args;
    };
    std::vector<Case> cases = {
        {"FSCommand with three strings", DISPID_FSCommand, {bstr(), bstr(), bstr()}},
        {"FSCommand with one string", DISPID_FSCommand, {bstr()}},
        {"FSCommand with a number first", DISPID_FSCommand, {bstr(), number}},
        {"FSCommand with a number second", DISPID_FSCommand, {number, bstr()}},
        {"FSCommand with a string by reference", DISPID_FSCommand, {bstr(), byRef}},
        {"FlashCall with nothing", DISPID_FlashCall, {}},
        {"FlashCall with two strings", DISPID_FlashCall, {bstr(), bstr()}},
        {"FlashCall with a number", DISPID_FlashCall, {number}},
        {"FlashCall with a string by reference", DISPID_FlashCall, {byRef}},
    };
    for (Case& c : cases)
        EXPECT_EQ(E_INVALIDARG, fake.fireEvent(c.id, c.args)) << c.name;
    EXPECT_TRUE(a.calls.empty());

    std::vector<VARIANTARG> none;
    EXPECT_EQ(E_NOTIMPL, fake.fireEvent(DISPID_OnProgress, none));
    EXPECT_EQ(E_NOTIMPL, fake.fireEvent(DISPID_OnReadyStateChange, none));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, fake.fireEvent(151, none));
    EXPECT_TRUE(a.calls.empty());

    // A null dispatch-parameter block is refused, not read.
    auto& sink = m_player->EventSink();
    EXPECT_EQ(E_INVALIDARG,
              sink.Invoke(DISPID_FlashCall, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr));
    m_player->RemoveListener(&a);
}

TEST_F(EventSinkTest, NullStringsArriveAsNullPointers) {
    Listener a("a", S_OK);
    m_player->AddListener(&a);
    EXPECT_EQ(S_OK, fsCommand(nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{"FSCommand(null, null)"}, a.calls);
    m_player->RemoveListener(&a);
}

TEST_F(EventSinkTest, ListenerListOperations) {
    Listener a("a");
    Listener b("b");
    EXPECT_EQ(0, m_player->ListenerCount());
    EXPECT_EQ(nullptr, m_player->ListenerAt(0));
    m_player->AddListener(&a);
    m_player->AddListener(&b);
    m_player->AddListener(&a);
    EXPECT_EQ(3, m_player->ListenerCount());
    EXPECT_EQ(nullptr, m_player->ListenerAt(3));
    EXPECT_EQ(nullptr, m_player->ListenerAt(0xFFFFFFFF));

    m_player->RemoveListener(reinterpret_cast<IMovieListener*>(&m_journal));  // not listed: nothing happens
    EXPECT_EQ(3, m_player->ListenerCount());
    m_player->RemoveListener(&a);
    ASSERT_EQ(2, m_player->ListenerCount());
    EXPECT_EQ(&b, m_player->ListenerAt(0)) << "(a, b, a) without its first a is (b, a)";
    EXPECT_EQ(&a, m_player->ListenerAt(1));

    EXPECT_EQ(E_NOTIMPL, flashCall(u"q"));
    EXPECT_EQ(1u, a.calls.size());
    m_player->AddListener(&a);
    EXPECT_EQ(E_NOTIMPL, flashCall(u"q"));
    EXPECT_EQ(3u, a.calls.size()) << "listed twice, called twice";

    m_player->NoOperation(0xDEADBEEF);
    EXPECT_EQ(3, m_player->ListenerCount()) << "slot 39 changes nothing";
    m_player->RemoveListener(&a);
    m_player->RemoveListener(&a);
    m_player->RemoveListener(&b);
    EXPECT_EQ(0, m_player->ListenerCount());
}

TEST_F(EventSinkTest, AListenerThatRemovesItselfMakesTheWalkSkipTheNext) {
    Listener a("a", E_NOTIMPL, &m_journal);
    Listener b("b", S_OK, &m_journal);
    Listener c("c", S_OK, &m_journal);
    a.during = [&] { m_player->RemoveListener(&a); };
    m_player->AddListener(&a);
    m_player->AddListener(&b);
    m_player->AddListener(&c);
    EXPECT_EQ(S_OK, flashCall(u"r"));
    EXPECT_EQ((std::vector<std::string>{"a:FlashCall(r)", "c:FlashCall(r)"}), m_journal)
        << "b moved into a's position and was passed over";
    m_player->RemoveListener(&b);
    m_player->RemoveListener(&c);
}

TEST_F(EventSinkTest, AListenerAddedDuringDeliveryIsReachedInTheSameDelivery) {
    Listener a("a", E_NOTIMPL, &m_journal);
    Listener late("late", S_FALSE, &m_journal);
    bool added = false;
    a.during = [&] {
        if (!added)
            m_player->AddListener(&late);
        added = true;
    };
    m_player->AddListener(&a);
    EXPECT_EQ(S_FALSE, fsCommand(u"c", u"d"));
    EXPECT_EQ((std::vector<std::string>{"a:FSCommand(c, d)", "late:FSCommand(c, d)"}), m_journal);
    m_player->RemoveListener(&a);
    m_player->RemoveListener(&late);
}

TEST_F(EventSinkTest, AListenerThatRemovesEveryListenerEndsTheWalk) {
    Listener a("a", E_NOTIMPL, &m_journal);
    Listener b("b", S_OK, &m_journal);
    a.during = [&] {
        while (m_player->ListenerCount() > 0)
            m_player->RemoveListener(m_player->ListenerAt(0));
    };
    m_player->AddListener(&a);
    m_player->AddListener(&b);
    m_player->AddListener(&a);
    EXPECT_EQ(E_NOTIMPL, flashCall(u"r"));
    EXPECT_EQ(std::vector<std::string>{"a:FlashCall(r)"}, m_journal);
    EXPECT_EQ(0, m_player->ListenerCount());
}

TEST_F(EventSinkTest, AnEmptyListEntryIsPassedOver) {
    Listener b("b", S_OK, &m_journal);
    m_player->AddListener(nullptr);
    m_player->AddListener(&b);
    EXPECT_EQ(2, m_player->ListenerCount());
    EXPECT_EQ(S_OK, flashCall(u"r"));
    EXPECT_EQ(std::vector<std::string>{"b:FlashCall(r)"}, m_journal);
    m_player->RemoveListener(nullptr);
    m_player->RemoveListener(&b);
}

TEST_F(EventSinkTest, DispatchAnswers) {
    auto& sink = m_player->EventSink();
    const LONG start = countOf(&sink);
    struct Case {
        const char* name;
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"IUnknown", &IID_IUnknown, S_OK},
        {"IDispatch", &IID_IDispatch, S_OK},
        {"_IShockwaveFlashEvents", &DIID__IShockwaveFlashEvents, S_OK},
        {"IShockwaveFlash", &IID_IShockwaveFlash, E_NOTIMPL},
        {"IConnectionPoint", &IID_IConnectionPoint, E_NOTIMPL},
        {"IOleClientSite", &IID_IOleClientSite, E_NOTIMPL},
    };
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.expected, sink.QueryInterface(*c.iid, &out)) << c.name;
        if (c.expected == S_OK) {
            EXPECT_EQ(static_cast<void*>(static_cast<IDispatch*>(&sink)), out) << c.name;
            EXPECT_EQ(start + 1, countOf(&sink)) << c.name;
            sink.Release();
        } else {
            EXPECT_EQ(nullptr, out) << c.name << ": the out pointer is cleared";
            EXPECT_EQ(start, countOf(&sink)) << c.name;
        }
    }
    UINT typeInfoCount = 42;
    EXPECT_EQ(E_NOTIMPL, sink.GetTypeInfoCount(&typeInfoCount));
    EXPECT_EQ(42u, typeInfoCount);
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(0x1);
    EXPECT_EQ(E_NOTIMPL, sink.GetTypeInfo(0, 0, &typeInfo));
    EXPECT_EQ(reinterpret_cast<ITypeInfo*>(0x1), typeInfo);
    DISPID id = 7;
    OLECHAR name[] = u"FSCommand";
    LPOLESTR names[] = {name};
    EXPECT_EQ(E_NOTIMPL, sink.GetIDsOfNames(IID_NULL, names, 1, 0, &id));
    EXPECT_EQ(7, id);

    // Release down to zero destroys nothing; the sink answers on.
    for (LONG i = 0; i < start; ++i)
        sink.Release();
    EXPECT_EQ(0, countOf(&sink));
    EXPECT_EQ(E_NOTIMPL, flashCall());
    for (LONG i = 0; i < start; ++i)
        sink.AddRef();
}

}  // namespace
