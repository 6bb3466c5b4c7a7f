// The script level through IShockwaveFlash itself: the result codes and
// error information of the scripting members, SetReturnValue answering a
// FlashCall while a sink handles it, and a sink that closes or lets go of
// the control from inside an event the movie's script raised.
#include "control_harness.h"
#include "event_sink.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace controltest;
using swfwriter::Actions;

namespace {

// Runs `onEvent` for each event, with the event's first argument.
class CallbackSink final : public EventSink {
public:
    std::function<void(DISPID, std::u16string)> onEvent;

protected:
    void handle(DISPID member, const DISPPARAMS& params) override {
        // Arguments are stored last first: the event's first is the last.
        std::u16string first;
        if (params.cArgs > 0 && params.rgvarg[params.cArgs - 1].vt == VT_BSTR) {
            BSTR text = params.rgvarg[params.cArgs - 1].bstrVal;
            first.assign(text, SysStringLen(text));
        }
        if (onEvent)
            onEvent(member, first);
    }
};

// ExternalInterface.addCallback(name, null, function)
void addCallback(Actions& a, const std::string& name, const Actions& body) {
    a.defineFunction("", {"a"}, body).push({swfwriter::Null{}, name, 3});
    a.push({"ExternalInterface"}).getVariable().push({"addCallback"}).callMethod().pop();
}

std::string callbackMovie() {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions echo;
    echo.push({"a"}).getVariable().returnValue();
    Actions fail;
    fail.push({"broken"}).throwValue();
    Actions loop;
    loop.label("top").jump("top");
    Actions a;
    addCallback(a, "echo", echo);
    addCallback(a, "fail", fail);
    addCallback(a, "loop", loop);
    movie.doAction(a);
    movie.showFrame();
    return saveMovie(movie, "callbacks.swf");
}

std::u16string invoke(const std::u16string& name, const std::u16string& args = u"") {
    return u"<invoke name=\"" + name + u"\" returntype=\"xml\"><arguments>" + args + u"</arguments></invoke>";
}

TEST(Scripting, CallFunctionAnswersOrFailsWithErrorInformation) {
    Control control;
    ASSERT_EQ(loadMovie(control.flash.get(), callbackMovie()), S_OK);
    BSTR response = nullptr;
    ASSERT_EQ(control.flash->CallFunction(bstr(invoke(u"echo", u"<string>&lt;hi&gt;</string>")).get(), &response),
              S_OK);
    EXPECT_EQ(take(response), u"<string>&lt;hi&gt;</string>");

    response = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(control.flash->CallFunction(bstr(invoke(u"missing")).get(), &response), E_FAIL);
    EXPECT_EQ(response, nullptr);
    EXPECT_EQ(takeErrorInfo().description, u"CallFunction: the movie registered no function \"missing\"");

    EXPECT_EQ(control.flash->CallFunction(bstr(u"<invoke name=").get(), &response), E_INVALIDARG);
    EXPECT_EQ(response, nullptr);

    EXPECT_EQ(control.flash->CallFunction(bstr(invoke(u"fail")).get(), &response), E_FAIL);
    EXPECT_EQ(response, nullptr);
    ErrorText error = takeErrorInfo();
    EXPECT_NE(error.description.find(u"CallFunction: a script of the movie failed"), std::u16string::npos)
        << narrow(error.description);
    EXPECT_NE(error.description.find(u"broken"), std::u16string::npos) << narrow(error.description);

    EXPECT_EQ(control.flash->CallFunction(bstr(invoke(u"loop")).get(), &response), E_FAIL);
    error = takeErrorInfo();
    EXPECT_NE(error.description.find(u"too long"), std::u16string::npos) << narrow(error.description);
    EXPECT_EQ(error.source, u"ShockwaveFlash.ShockwaveFlash");

    EXPECT_EQ(control.flash->CallFunction(bstr(invoke(u"echo")).get(), nullptr), E_POINTER);
    ASSERT_EQ(control.flash->CallFunction(bstr(invoke(u"echo", u"<number>4</number>")).get(), &response), S_OK)
        << "the engine works on after the stopped script";
    EXPECT_EQ(take(response), u"<number>4</number>");
}

TEST(Scripting, PropertiesAsNumbersAndTheirFailures) {
    Control control;
    ASSERT_EQ(loadMovie(control.flash.get(), callbackMovie()), S_OK);
    DOUBLE value = -1.0;
    EXPECT_EQ(control.flash->TGetPropertyAsNumber(bstr(u"/").get(), 5, &value), S_OK);
    EXPECT_EQ(value, 1.0) << "_totalframes";
    EXPECT_EQ(control.flash->TSetPropertyNum(bstr(u"/").get(), 6, 50.0), S_OK);
    EXPECT_EQ(control.flash->TGetPropertyNum(bstr(u"_root").get(), 6, &value), S_OK);
    EXPECT_EQ(value, 50.0) << "_alpha";
    EXPECT_EQ(control.flash->TGetPropertyNum(bstr(u"/").get(), 22, &value), E_INVALIDARG);
    EXPECT_EQ(takeErrorInfo().description, u"TGetPropertyNum: no property is numbered 22 (0 _x ... 21 _ymouse)");
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(control.flash->TGetPropertyNum(bstr(u"/").get(), 0, nullptr), E_POINTER);
    EXPECT_EQ(control.flash->TCallFrame(bstr(u"/").get(), -1), E_INVALIDARG);
    EXPECT_EQ(control.flash->TCallLabel(bstr(u"/").get(), bstr(u"nowhere").get()), E_INVALIDARG);
    EXPECT_EQ(takeErrorInfo().description, u"TCallLabel: no frame of the target \"/\" is labelled \"nowhere\"");
}

// _quality and _highquality are the control's Quality, both ways: what the
// container sets scripts read, and what a script sets the container reads.
TEST(Scripting, QualityIsTheControlsBothWays) {
    Control control;
    ASSERT_EQ(loadMovie(control.flash.get(), callbackMovie()), S_OK);
    struct Step {
        const char* what;
        std::function<HRESULT()> set;
        std::u16string_view control, quality, highQuality;
    };
    IShockwaveFlash* flash = control.flash.get();
    const auto byName = [flash](std::u16string_view name) {
        return [flash, name] { return flash->put_Quality2(bstr(name).get()); };
    };
    const auto byScript = [flash](int32_t index, double value) {
        return [flash, index, value] { return flash->TSetPropertyNum(bstr(u"/").get(), index, value); };
    };
    const Step steps[] = {
        {"the default", [] { return S_OK; }, u"High", u"HIGH", u"1"},
        {"Low", byName(u"low"), u"Low", u"LOW", u"0"},
        {"AutoHigh", byName(u"AutoHigh"), u"AutoHigh", u"HIGH", u"1"},
        {"Medium", byName(u"Medium"), u"Medium", u"MEDIUM", u"1"},
        {"_highquality = 2", byScript(16, 2), u"Best", u"BEST", u"1"},
        {"_highquality = 0", byScript(16, 0), u"Low", u"LOW", u"0"},
        {"_quality = \"medium\"", [flash] { return flash->TSetProperty(bstr(u"/").get(), 19, bstr(u"medium").get()); },
         u"Medium", u"MEDIUM", u"1"},
        {"_quality = \"fuzzy\" changes nothing",
         [flash] { return flash->TSetProperty(bstr(u"/").get(), 19, bstr(u"fuzzy").get()); }, u"Medium", u"MEDIUM",
         u"1"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(s.set(), S_OK);
        BSTR text = nullptr;
        EXPECT_EQ(flash->get_Quality2(&text), S_OK);
        EXPECT_EQ(take(text), s.control);
        EXPECT_EQ(flash->TGetProperty(bstr(u"/").get(), 19, &text), S_OK);
        EXPECT_EQ(take(text), s.quality);
        EXPECT_EQ(flash->TGetProperty(bstr(u"/").get(), 16, &text), S_OK);
        EXPECT_EQ(take(text), s.highQuality);
    }
}

// answer = ExternalInterface.call("ask"); fscommand("done", answer)
std::string askingMovie() {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions a;
    a.push({"answer", "ask", 1}).push({"ExternalInterface"}).getVariable().push({"call"}).callMethod().setVariable();
    a.push({"FSCommand:done", "answer"}).getVariable().getUrl2(0);
    movie.doAction(a);
    movie.showFrame();
    return saveMovie(movie, "asking.swf");
}

TEST(Scripting, SetReturnValueAnswersTheFlashCallBeingHandled) {
    CallbackSink sink;  // outlives the control, which releases it on Close
    Control control;
    std::vector<std::u16string> done;
    sink.onEvent = [&](DISPID member, const std::u16string& first) {
        if (member == 197)
            EXPECT_EQ(control.flash->SetReturnValue(bstr(u"<number>42</number>").get()), S_OK);
        else
            done.push_back(first);
    };
    advise(control, sink);
    ASSERT_EQ(loadMovie(control.flash.get(), askingMovie()), S_OK);
    BSTR value = nullptr;
    ASSERT_EQ(control.flash->GetVariable(bstr(u"answer").get(), &value), S_OK);
    EXPECT_EQ(take(value), u"42");
    EXPECT_EQ(done, (std::vector<std::u16string>{u"done"}));
    EXPECT_EQ(control.flash->SetReturnValue(bstr(u"<true/>").get()), E_UNEXPECTED) << "the call is over";
}

// getURL to a page or a window has no browser here: the container hears
// nothing of it; the FSCommand form still reaches it as an event.
TEST(Scripting, GetUrlToAPageOrWindowIsIgnored) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions a;
    a.push({"FSCommand:first", "yes"}).getUrl2(0);
    a.getUrl("http://example.com/page", "_blank");
    a.push({"FSCommand:second", "yes"}).getUrl2(0);
    a.push({"http://example.com/post", "_self"}).getUrl2(2);  // POST
    a.push({"FSCommand:third", "yes"}).getUrl2(0);
    a.push({"javascript:alert(1)", ""}).getUrl2(0);
    a.push({"FSCommand:done", "yes"}).getUrl2(0);
    movie.doAction(a);
    movie.showFrame();
    CallbackSink sink;  // outlives the control, which releases it on Close
    Control control;
    std::vector<std::u16string> heard;
    sink.onEvent = [&](DISPID, const std::u16string& first) { heard.push_back(first); };
    advise(control, sink);
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "pages.swf")), S_OK);
    BSTR value = nullptr;  // the first frame has played once the control answers
    ASSERT_EQ(control.flash->GetVariable(bstr(u"_framesloaded").get(), &value), S_OK);
    (void)take(value);
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"first", u"second", u"third", u"done"}));
}

// A sink that closes the control, or releases the container's last
// reference to it, while the movie's script is running: the script ends,
// and nothing is freed under it (the sanitizer build checks).
// The right button reaches the root's menu (onSelect; no menu is shown);
// the left one does not.
TEST(Scripting, TheRightButtonSelectsTheMenu) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions onSelect;
    onSelect.push({"_root"}).getVariable().push({"selected", "yes"}).setMember();
    Actions a;
    a.push({"_root"}).getVariable().push({"menu"}).defineFunction("", {}, onSelect);
    a.push({1, "ContextMenu"}).newObject().setMember();
    movie.doAction(a);
    movie.showFrame();
    Control control;
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "menu.swf")), S_OK);
    const auto windowless = control.ole.As<IOleInPlaceObjectWindowless>();
    ASSERT_TRUE(windowless);
    LRESULT result = 0;
    BSTR value = nullptr;
    EXPECT_EQ(windowless->OnWindowMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50), &result), S_OK);
    ASSERT_EQ(control.flash->GetVariable(bstr(u"selected").get(), &value), S_OK);
    EXPECT_EQ(take(value), u"");
    EXPECT_EQ(windowless->OnWindowMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50), &result), S_OK);
    ASSERT_EQ(control.flash->GetVariable(bstr(u"selected").get(), &value), S_OK);
    EXPECT_EQ(take(value), u"yes");
}

TEST(Scripting, ASinkMayCloseOrReleaseTheControlDuringAnEvent) {
    {
        CallbackSink sink;
        Control control;
        control.activate(200, 100);
        sink.onEvent = [&](DISPID, const std::u16string&) { control.close(); };
        advise(control, sink);
        ASSERT_EQ(loadMovie(control.flash.get(), askingMovie()), S_OK);
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(u"answer").get(), &value), S_OK);
        EXPECT_EQ(value, nullptr) << "nobody answered";
    }
    {
        CallbackSink sink;
        auto control = std::make_unique<Control>();
        advise(*control, sink);
        IShockwaveFlash* last = control->flash.release();
        bool released = false;
        sink.onEvent = [&](DISPID, const std::u16string&) {
            if (released)
                return;
            released = true;
            control.reset();
            last->Release();  // only the running call holds the control now
        };
        EXPECT_EQ(loadMovie(last, askingMovie()), S_OK);
        EXPECT_FALSE(released) << "the first frame's scripts wait for the next step";
        EXPECT_EQ(last->Play(), S_OK);
        EXPECT_TRUE(released);
    }
}

}  // namespace
