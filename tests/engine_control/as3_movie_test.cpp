// ActionScript 3 movies through IShockwaveFlash: fscommand and
// ExternalInterface reach the container as events, CallFunction reaches
// addCallback, the members ActionScript 3 movies were never offered answer
// as the player did, and a block that fails is reported while the movie
// plays on.
#include "control_harness.h"
#include "event_sink.h"

#include "movie_writer.h"

#include "platform/testing.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace controltest;

namespace {

// Records every event with its text arguments; FlashCall is answered.
class RecordingSink final : public EventSink {
public:
    struct Event {
        DISPID member = 0;
        std::vector<std::u16string> args;
    };
    std::vector<Event> events;
    std::function<void(DISPID)> onEvent;

    // The arguments of the first FSCommand of that name.
    std::optional<std::u16string> command(std::u16string_view name) const {
        for (const Event& e : events) {
            if (e.member == 150 && e.args.size() == 2 && e.args[0] == name)
                return e.args[1];
        }
        return std::nullopt;
    }

protected:
    void handle(DISPID member, const DISPPARAMS& params) override {
        Event e{member, {}};
        for (UINT i = params.cArgs; i-- > 0;) {  // stored last first
            const VARIANT& v = params.rgvarg[i];
            e.args.push_back(v.vt == VT_BSTR ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : u"");
        }
        events.push_back(std::move(e));
        if (onEvent)
            onEvent(member);
    }
};

TEST(As3Movie, TheContainerBridgeThroughCom) {
#ifndef AS3_HAXE_MOVIES
    GTEST_SKIP() << "haxe was not found at configuration time";
#else
    RecordingSink sink;  // outlives the control
    Control control;
    sink.onEvent = [&](DISPID member) {
        if (member != 197)
            return;
        EXPECT_EQ(control.flash->SetReturnValue(bstr(u"<object><property id=\"name\"><string>n</string></property>"
                                                     u"<property id=\"list\"><array><property id=\"0\"><null/>"
                                                     u"</property><property id=\"1\"><string>x</string></property>"
                                                     u"</array></property></object>")
                                                    .get()),
                  S_OK);
    };
    advise(control, sink);
    ASSERT_EQ(loadMovie(control.flash.get(), std::string(AS3_HAXE_MOVIES) + "/Container.swf"), S_OK);
    BSTR response = nullptr;
    ASSERT_EQ(
        control.flash->CallFunction(
            bstr(u"<invoke name=\"twice\" returntype=\"xml\"><arguments><number>4.5</number></arguments></invoke>")
                .get(),
            &response),
        S_OK);
    EXPECT_EQ(take(response), u"<number>9</number>");
    EXPECT_EQ(sink.command(u"answer"), u"nx");
    EXPECT_EQ(sink.command(u"system"), u"ActiveX,LNX 10,0,0,0,localWithFile,true,false,true,null")
        << "no host names set: objectID is null";

    EXPECT_EQ(control.flash->CallFunction(
                  bstr(u"<invoke name=\"fail\" returntype=\"xml\"><arguments></arguments></invoke>").get(), &response),
              E_FAIL);
    const std::u16string failure = takeErrorInfo().description;
    EXPECT_NE(failure.find(u"Variable no.luck is not defined"), std::u16string::npos) << narrow(failure);

    // Variables and frame calls were not offered to these movies.
    BSTR value = nullptr;
    EXPECT_EQ(control.flash->GetVariable(bstr(u"answer").get(), &value), S_OK);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(control.flash->SetVariable(bstr(u"answer").get(), bstr(u"1").get()), S_OK);
    EXPECT_EQ(control.flash->TCallFrame(bstr(u"/").get(), 0), S_OK);
    EXPECT_EQ(control.flash->TCallLabel(bstr(u"/").get(), bstr(u"x").get()), S_OK);
#endif
}

// A site whose GetFocus says the control has the focus never sends
// WM_SETFOCUS: the movie hears activate once it starts (or once the control
// is activated, when it started before). Events.swf reports on deactivate
// its activations, the quality it read and then sets "Best".
TEST(As3Movie, ActivationFollowsTheSitesFocus) {
#ifndef AS3_HAXE_MOVIES
    GTEST_SKIP() << "haxe was not found at configuration time";
#else
    constexpr UINT SetFocus = 0x0007;  // WM_SETFOCUS
    constexpr UINT KillFocus = 0x0008;
    struct Case {
        const char* name;
        HRESULT siteFocus;
        bool loadFirst;
        std::vector<UINT> messages;
        int activations;          // -1: no deactivate, so no report
        const char16_t* quality;  // set before, and what Stage.quality reads
        const char16_t* reads;
    };
    const Case cases[] = {
        {"focused site", S_OK, false, {KillFocus}, 1, u"Low", u"LOW"},
        {"focused site, movie started first", S_OK, true, {KillFocus}, 1, u"AutoHigh", u"HIGH"},
        {"focused site, SetFocus as well", S_OK, false, {SetFocus, KillFocus}, 1, u"medium", u"MEDIUM"},
        {"unfocused site", S_FALSE, false, {KillFocus}, -1, u"High", u""},
        {"failing site", E_FAIL, false, {KillFocus}, -1, u"High", u""},
        {"unfocused site, then SetFocus", S_FALSE, false, {SetFocus, KillFocus}, 1, u"AutoLow", u"LOW"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::testing::UseManualClock(4'000'000);
        RecordingSink sink;
        Control control;
        advise(control, sink);
        control.site.focus = c.siteFocus;
        ASSERT_EQ(control.flash->put_Quality2(bstr(c.quality).get()), S_OK);
        if (c.loadFirst) {
            ASSERT_EQ(loadMovie(control.flash.get(), std::string(AS3_HAXE_MOVIES) + "/Events.swf"), S_OK);
            runClock(200);
        }
        control.activate(200, 100);
        if (!c.loadFirst) {
            ASSERT_EQ(loadMovie(control.flash.get(), std::string(AS3_HAXE_MOVIES) + "/Events.swf"), S_OK);
        }
        runClock(200);
        const auto windowless = control.ole.As<IOleInPlaceObjectWindowless>();
        ASSERT_TRUE(windowless);
        for (UINT message : c.messages) {
            LRESULT result = 0;
            EXPECT_EQ(windowless->OnWindowMessage(message, 0, 0, &result), S_OK);
        }
        const std::optional<std::u16string> layout = sink.command(u"layout");
        if (c.activations < 0) {
            EXPECT_FALSE(layout.has_value());
            continue;
        }
        ASSERT_TRUE(layout.has_value());
        int activations = 0;
        for (size_t at = layout->find(u",on"); at != std::u16string::npos; at = layout->find(u",on", at + 1))
            ++activations;
        EXPECT_EQ(activations, c.activations) << narrow(*layout);
        EXPECT_NE(layout->find(u",was" + std::u16string(c.reads) + u","), std::u16string::npos) << narrow(*layout);
        BSTR quality = nullptr;
        EXPECT_EQ(control.flash->get_Quality2(&quality), S_OK);
        EXPECT_EQ(take(quality), u"Best") << "the script's quality is the control's";
    }
#endif
}

TEST(As3Movie, ABlockThatFailsIsReportedAndTheTimelinePlays) {
    swfwriter::MovieWriter movie({.version = 10, .width = 200, .height = 100, .frameRate = 10});
    movie.fileAttributes(true);
    movie.tag(82, {0, 0, 0, 0, 'b', 0, 1, 2, 3});
    movie.showFrame();
    movie.showFrame();
    platform::testing::UseManualClock(3'000'000);
    Control control;
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "broken_abc.swf")), S_OK);
    (void)takeErrorInfo();
    EXPECT_EQ(runClock(100), 1);
    const ErrorText error = takeErrorInfo();
    EXPECT_TRUE(error.present);
    EXPECT_NE(error.description.find(u"ActionScript 3: the block \"b\" of frame 1 is not run"), std::u16string::npos)
        << narrow(error.description);
    LONG frame = -1;
    EXPECT_EQ(control.flash->CurrentFrame(&frame), S_OK);
    EXPECT_EQ(frame, 1);
}

}  // namespace
