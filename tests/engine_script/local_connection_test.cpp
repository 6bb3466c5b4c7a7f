#include "script_test_support.h"

using namespace scripttest;

// LocalConnection between objects of one control: delivered at the next
// frame boundary, arguments copied, every send answered through onStatus.
namespace {

TEST(LocalConnectionScript, DeliversBetweenFramesAndReportsStatus) {
    Actions a;
    a.push({"rx", 0, "LocalConnection"}).newObject().setVariable();
    a.push({"tx", 0, "LocalConnection"}).newObject().setVariable();
    // rx.show = function(word, box) { box.k = "changed"; trace("got " + word + " " + box.n); }
    Actions show;
    show.push({"box"}).getVariable().push({"k", "changed"}).setMember();
    show.push({"got "}).push({"word"}).getVariable().add2().push({" "}).add2();
    show.push({"box"}).getVariable().push({"n"}).getMember().add2().trace();
    a.push({"rx"}).getVariable().push({"show"}).defineFunction("", {"word", "box"}, show).setMember();
    Actions onStatus;
    onStatus.push({"status "}).push({"info"}).getVariable().push({"level"}).getMember().add2().trace();
    a.push({"tx"}).getVariable().push({"onStatus"}).defineFunction("", {"info"}, onStatus).setMember();
    a.push({"box"}).push({"n", 5, "k", "kept", 2}).initObject().setVariable();
    const struct {
        std::string object, method;
        std::vector<PushValue> args;
        std::string result;
    } calls[] = {
        {"rx", "connect", {"chan"}, "true"},        {"tx", "connect", {"chan"}, "false"},  // taken
        {"rx", "connect", {"other"}, "false"},                                             // already connected
        {"tx", "connect", {"a:b"}, "false"},  // a domain is not the receiver's to choose
        {"tx", "send", {"nobody", "show"}, "true"}, {"tx", "send", {"chan", "connect"}, "false"},  // reserved
        {"tx", "send", {"chan", ""}, "false"},      {"tx", "domain", {}, "localhost"},
    };
    for (const auto& c : calls)
        a.callMethodOn(c.object, c.method, c.args).trace();
    // tx.send("CHAN", "show", "hello", box): names compare without case
    a.push({"box"}).getVariable().push({"hello", "show", "CHAN", 4, "tx"}).getVariable();
    a.push({"send"}).callMethod().trace();
    auto p = runFrame(a);
    ASSERT_TRUE(p->host.errors.empty());
    Strings expected;
    for (const auto& c : calls)
        expected.push_back(c.result);
    expected.push_back("true");
    EXPECT_EQ(p->host.traces, expected) << "nothing arrives within the frame that sent it";
    p->engine->tick();
    expected.insert(expected.end(), {"status error", "got hello 5", "status status"});
    EXPECT_EQ(p->host.traces, expected);
    EXPECT_EQ(p->var("box.k"), "kept") << "the receiver got a copy";
}

}  // namespace
