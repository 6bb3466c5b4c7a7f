// Calls both ways: fscommand, ExternalInterface.call with the host's
// answer, callbacks the host invokes, and the call-exchange XML itself.
#include "script_test_support.h"

#include "script/external_call_codec.h"

#include <cmath>
#include <limits>

using namespace scripttest;
using script::ExternalCallCodec;
using script::ExternalValue;

namespace {

ExternalValue sample() {
    return ExternalValue::object({
        {"name", ExternalValue::fromString("a <b> & \"c\" 'd'")},
        {"n", ExternalValue::fromNumber(-1.5)},
        {"list", ExternalValue::array({ExternalValue::fromBool(true), ExternalValue::fromBool(false),
                                       ExternalValue::null(), ExternalValue::undefined()})},
        {"empty", ExternalValue::object({})},
    });
}

TEST(Codec, ValuesRoundTrip) {
    ExternalValue v = sample();
    std::string xml = ExternalCallCodec::encodeValue(v);
    EXPECT_EQ(xml,
              "<object><property id=\"name\"><string>a &lt;b&gt; &amp; &quot;c&quot; &apos;d&apos;</string>"
              "</property><property id=\"n\"><number>-1.5</number></property><property id=\"list\"><array>"
              "<property id=\"0\"><true/></property><property id=\"1\"><false/></property><property id=\"2\">"
              "<null/></property><property id=\"3\"><undefined/></property></array></property>"
              "<property id=\"empty\"><object></object></property></object>");
    auto back = ExternalCallCodec::decodeValue(xml);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, v);
    auto nan = ExternalCallCodec::decodeValue("<number>NaN</number>");
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(nan->number));
    EXPECT_EQ(ExternalCallCodec::decodeValue("<number>Infinity</number>")->number,
              std::numeric_limits<double>::infinity());
}

TEST(Codec, RequestsAndLenientSpacing) {
    std::string xml =
        ExternalCallCodec::encodeRequest("f&g", {ExternalValue::fromString("x"), ExternalValue::fromNumber(2)});
    EXPECT_EQ(xml,
              "<invoke name=\"f&amp;g\" returntype=\"xml\"><arguments><string>x</string><number>2</number>"
              "</arguments></invoke>");
    auto r = ExternalCallCodec::decodeRequest(xml);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->name, u"f&g");
    ASSERT_EQ(r->args.size(), 2u);
    EXPECT_EQ(r->args[1], ExternalValue::fromNumber(2));
    auto spaced = ExternalCallCodec::decodeRequest(
        " <invoke name='h' returntype=\"xml\">\n <arguments> <string>&#65;&#x42;</string> <string/> "
        "</arguments>\n</invoke> ");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->args,
              (std::vector<ExternalValue>{ExternalValue::fromString("AB"), ExternalValue::fromString("")}));
    EXPECT_TRUE(ExternalCallCodec::decodeRequest("<invoke name=\"noargs\"/>"));
    auto sparse = ExternalCallCodec::decodeValue("<array><property id=\"2\"><number>7</number></property></array>");
    ASSERT_TRUE(sparse);
    EXPECT_EQ(sparse->elements.size(), 3u);
}

TEST(Codec, MalformedInputDecodesToNothing) {
    for (const char* bad : {"", "<string>unclosed", "<string>a</number>", "<number>1</number><number>2</number>",
                            "<array><property><true/></property></array>", "<object><item id=\"a\"/></object>",
                            "<string>&bogus;</string>", "<string>&#0;</string>", "<string>&#xD800;</string>", "<foo/>",
                            "<true>x</true>", "<invoke name=\"x\"></invoke>", "text", "<string a=\"1></string>"})
        EXPECT_FALSE(ExternalCallCodec::decodeValue(bad)) << bad;
    for (const char* bad :
         {"<invoke/>", "<invoke name=\"f\"><arguments><bad/></arguments></invoke>", "<invoke name=\"f\"><arguments>",
          "<call name=\"f\"/>", "<invoke name=\"f\"></invoke>trailing"})
        EXPECT_FALSE(ExternalCallCodec::decodeRequest(bad)) << bad;
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "<array><property id=\"0\">";
    deep += "<null/>";
    for (int i = 0; i < 100; ++i)
        deep += "</property></array>";
    EXPECT_FALSE(ExternalCallCodec::decodeValue(deep)) << "nesting past the limit";
    auto huge = ExternalCallCodec::decodeValue("<array><property id=\"99999999\"><null/></property></array>");
    ASSERT_TRUE(huge);
    EXPECT_TRUE(huge->elements.empty()) << "a huge index does not make a huge array";
}

TEST(FSCommand, ReachesTheHostInOrder) {
    Actions a;
    a.fscommand("first", "one");
    a.push({"FSCommand:second", "two"}).getUrl2(0);
    a.callFunctionNamed("fscommand", {"third", "three"}).pop();
    a.getUrl("http://example.com/", "_blank");
    a.push({"page.html", "_level1"}).getUrl2(0x40 | 0x02);
    auto p = runFrame(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.fscommands, (std::vector<std::pair<std::string, std::string>>{
                                      {"first", "one"}, {"second", "two"}, {"third", "three"}}));
    ASSERT_EQ(p->host.urls.size(), 1u) << "loads into levels are the engine's";
    EXPECT_EQ(p->host.urls[0].url, u"http://example.com/");
    EXPECT_EQ(p->host.urls[0].target, u"_blank");
    EXPECT_EQ(p->host.urls[0].kind, script::UrlRequest::Kind::Navigate);
}

TEST(ExternalInterface, CallCarriesArgumentsAndReturnsTheAnswer) {
    Actions a;
    a.traceVar("ExternalInterface.available");
    // r = ExternalInterface.call("getData", "key", [1, "two"])
    a.push({"r"}).push({"two", 1, 2}).initArray().push({"key", "getData", 3});
    a.push({"ExternalInterface"}).getVariable().push({"call"}).callMethod().setVariable();
    a.traceVar("r.title").traceVar("r.items.length").traceVar("r.items.1");
    a.push({"nobody"}).push({1}).push({"ExternalInterface"}).getVariable().push({"call"}).callMethod().trace();
    swfwriter::MovieWriter m({.version = 8});
    m.doAction(a);
    m.showFrame();
    std::vector<uint8_t> file = m.finish();
    auto parsed = swf::parseMovie(file);
    ASSERT_TRUE(parsed.has_value());
    Player p;
    p.movie = parsed.value();
    p.stage = model::Stage::create(p.movie);
    p.host.answer = [](const script::ExternalCall& call) -> std::optional<std::u16string> {
        if (call.name != u"getData")
            return std::nullopt;
        return u"<object><property id=\"title\"><string>Hi &amp; bye</string></property><property id=\"items\">"
               u"<array><property id=\"0\"><number>5</number></property><property id=\"1\"><true/></property>"
               u"</array></property></object>";
    };
    p.engine = script::Engine::create(*p.stage, p.host);
    p.engine->runPending();
    EXPECT_EQ(p.host.traces, (Strings{"true", "Hi & bye", "2", "true", "undefined"}));
    ASSERT_EQ(p.host.calls.size(), 2u);
    const script::ExternalCall& call = p.host.calls[0];
    EXPECT_EQ(call.name, u"getData");
    EXPECT_EQ(call.args, (std::vector<ExternalValue>{
                             ExternalValue::fromString("key"),
                             ExternalValue::array({ExternalValue::fromNumber(1), ExternalValue::fromString("two")})}));
    EXPECT_EQ(call.xml,
              u"<invoke name=\"getData\" returntype=\"xml\"><arguments><string>key</string><array>"
              u"<property id=\"0\"><number>1</number></property><property id=\"1\"><string>two</string>"
              u"</property></array></arguments></invoke>");
}

TEST(ExternalInterface, CyclesAndFunctionsBecomeNull) {
    Actions a;
    a.push({"o", 0}).initObject().setVariable();
    a.push({"o"}).getVariable().push({"self"}).push({"o"}).getVariable().setMember();
    a.push({"o"}).getVariable().push({"f"}).defineFunction("", {}, Actions()).setMember();
    a.push({"o"})
        .getVariable()
        .push({"send", 2})
        .push({"ExternalInterface"})
        .getVariable()
        .push({"call"})
        .callMethod()
        .pop();
    auto p = runFrame(a);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->host.calls.size(), 1u);
    EXPECT_EQ(p->host.calls[0].args[0],
              ExternalValue::object({{"self", ExternalValue::null()}, {"f", ExternalValue::null()}}));
}

TEST(Callbacks, TheHostInvokesRegisteredFunctions) {
    Actions add;
    add.push({"this"}).getVariable().push({"base"}).getMember();
    add.push({"a"}).getVariable().add2().push({"b"}).getVariable().push({0}).getMember().add2().returnValue();
    Actions fail;
    fail.push({"bad"}).throwValue();
    Actions a;
    a.push({"o", "base", 100, 1}).initObject().setVariable();
    a.defineFunction("", {"a", "b"}, add).push({"o"}).getVariable().push({"add", 3});
    a.push({"ExternalInterface"}).getVariable().push({"addCallback"}).callMethod().trace();
    a.defineFunction("", {}, fail).push({Null{}, "fail", 3});
    a.push({"ExternalInterface"}).getVariable().push({"addCallback"}).callMethod().pop();
    auto p = runFrame(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"true"}));
    EXPECT_EQ(p->engine->callbackNames(), (std::vector<std::u16string>{u"add", u"fail"}));

    auto result = p->engine->invokeCallback(
        u"add", {ExternalValue::fromNumber(5), ExternalValue::array({ExternalValue::fromNumber(2)})});
    ASSERT_TRUE(result);
    EXPECT_EQ(result.value().value, ExternalValue::fromNumber(107));
    EXPECT_EQ(result.value().xml, u"<number>107</number>");

    auto viaXml = p->engine->callFunction(
        u"<invoke name=\"add\" returntype=\"xml\"><arguments><string>x</string><array><property id=\"0\">"
        u"<string>y</string></property></array></arguments></invoke>");
    ASSERT_TRUE(viaXml);
    EXPECT_EQ(viaXml.value().xml, u"<string>100xy</string>");

    EXPECT_EQ(p->engine->invokeCallback(u"nobody", {}).error(), script::CallError::NotRegistered);
    EXPECT_EQ(p->engine->callFunction(u"<invoke name=\"add\"").error(), script::CallError::BadRequest);
    EXPECT_EQ(p->engine->callFunction(u"<invoke name=\"fail\"/>").error(), script::CallError::ScriptFailed);
    EXPECT_EQ(p->host.errors.size(), 1u);
}

TEST(Reentrancy, TheHostMayCallBackWhileAScriptRuns) {
    Actions a;
    a.setVar("before", 1);
    a.push({"answer", "ask", 1}).push({"ExternalInterface"}).getVariable().push({"call"}).callMethod().setVariable();
    a.traceVar("fromHost").traceVar("answer");
    swfwriter::MovieWriter m({.version = 8});
    m.doAction(a);
    m.showFrame();
    std::vector<uint8_t> file = m.finish();
    auto parsed = swf::parseMovie(file);
    ASSERT_TRUE(parsed.has_value());
    Player p;
    p.movie = parsed.value();
    p.stage = model::Stage::create(p.movie);
    std::optional<std::u16string> seen;
    p.host.answer = [&](const script::ExternalCall&) -> std::optional<std::u16string> {
        seen = p.engine->getVariable(u"before");
        (void)p.engine->setVariable(u"fromHost", u"set during the call");
        p.engine->tick();  // ignored inside a script
        return u"<string>ok</string>";
    };
    p.engine = script::Engine::create(*p.stage, p.host);
    p.engine->runPending();
    EXPECT_EQ(seen, u"1");
    EXPECT_EQ(p.host.traces, (Strings{"set during the call", "ok"}));
    EXPECT_TRUE(p.host.errors.empty());
}

}  // namespace
