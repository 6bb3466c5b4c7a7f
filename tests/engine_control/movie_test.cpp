// The Movie property: paths and file URLs, every way a load fails (the
// previous movie stays, with its picture), and the error information each
// failure leaves. Then the display and settings properties.
#include "control_harness.h"

#include "control/control_error.h"

#include "../engine_net/local_http_server.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

using namespace controltest;

namespace {

// A 100 x 100 stage filled by one square of `color`, `frames` frames long.
std::string filledMovie(const std::string& name, swfwriter::Color color, int frames = 1) {
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
    const uint16_t square = movie.rectangle(0, 0, 2000, 2000, color);
    movie.place(square, 1);
    for (int i = 0; i < frames; ++i)
        movie.showFrame();
    return saveMovie(movie, name);
}

std::u16string movieOf(IShockwaveFlash* flash) {
    BSTR value = nullptr;
    EXPECT_EQ(flash->get_Movie(&value), S_OK);
    return take(value);
}

std::u16string fileUrl(const std::string& path) {
    std::u16string url = u"file://";
    for (const char c : path) {
        if (c == ' ')
            url += u"%20";
        else
            url += char16_t(static_cast<unsigned char>(c));
    }
    return url;
}

class MovieProperty : public ::testing::Test {
protected:
    void SetUp() override {
        control.activate(100, 100);
        first = filledMovie("first.swf", {0, 0, 255}, 3);
        ASSERT_EQ(loadMovie(control.flash.get(), first), S_OK);
    }

    // The first movie is still there: its location, its frames, its picture.
    void expectFirstMovie() {
        EXPECT_EQ(movieOf(control.flash.get()), wide(first));
        LONG total = 0;
        EXPECT_EQ(control.flash->get_TotalFrames(&total), S_OK);
        EXPECT_EQ(total, 3);
        DibSurface surface(100, 100, true);
        ASSERT_EQ(surface.draw(control.view.get()), S_OK);
        EXPECT_EQ(hex(surface.at(50, 50)), hex(argb(255, 0, 0, 255)));
    }

    void expectFailure(std::u16string_view location, HRESULT code, std::u16string_view words) {
        SCOPED_TRACE(narrow(location));
        control.site.clear();
        EXPECT_EQ(hex(uint32_t(control.flash->put_Movie(bstr(location).get()))), hex(uint32_t(code)));
        const ErrorText error = takeErrorInfo();
        ASSERT_TRUE(error.present) << "a failed load leaves error information";
        EXPECT_EQ(error.source, u"ShockwaveFlash.ShockwaveFlash");
        EXPECT_NE(error.description.find(words), std::u16string::npos) << narrow(error.description);
        EXPECT_TRUE(control.site.invalidations.empty()) << "nothing changed";
        expectFirstMovie();
    }

    Control control;
    std::string first;
};

TEST_F(MovieProperty, ANewMovieReplacesTheOldFromFrameZero) {
    ASSERT_EQ(control.flash->GotoFrame(2), S_OK);
    const std::string second = filledMovie("second.swf", {0, 255, 0}, 2);
    control.site.clear();
    ASSERT_EQ(loadMovie(control.flash.get(), second), S_OK);
    EXPECT_EQ(movieOf(control.flash.get()), wide(second));
    LONG value = -1;
    EXPECT_EQ(control.flash->CurrentFrame(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(control.flash->get_TotalFrames(&value), S_OK);
    EXPECT_EQ(value, 2);
    ASSERT_EQ(control.site.invalidations.size(), 1u);
    EXPECT_FALSE(control.site.invalidations[0].has_value()) << "the whole object";
    DibSurface surface(100, 100, false);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(50, 50)), hex(argb(255, 0, 255, 0)));
    EXPECT_EQ(control.flash->get_ReadyState(&value), S_OK);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(control.flash->PercentLoaded(&value), S_OK);
    EXPECT_EQ(value, 100);
}

TEST_F(MovieProperty, FileUrlsAreDecoded) {
    const std::string spaced = filledMovie("with space.swf", {0, 255, 0});
    const std::u16string url = fileUrl(spaced);
    ASSERT_EQ(control.flash->put_Movie(bstr(url).get()), S_OK);
    EXPECT_EQ(movieOf(control.flash.get()), url) << "the location reads back as it was given";
    DibSurface surface(100, 100, false);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(50, 50)), hex(argb(255, 0, 255, 0)));

    const std::u16string localhost = u"file://localhost" + url.substr(7);
    EXPECT_EQ(control.flash->put_Movie(bstr(localhost).get()), S_OK);
}

TEST_F(MovieProperty, TheQueryBecomesRootVariables) {
    const std::u16string url = fileUrl(first) + u"?level=3&name=a%20b+c";
    ASSERT_EQ(control.flash->put_Movie(bstr(url).get()), S_OK);
    for (const auto& [name, expected] : {std::pair{u"level", u"3"}, std::pair{u"name", u"a b c"}}) {
        BSTR text = nullptr;
        ASSERT_EQ(control.flash->GetVariable(bstr(name).get(), &text), S_OK);
        EXPECT_EQ(take(text), expected);
    }
}

TEST_F(MovieProperty, AMissingFileFailsAndThePreviousMovieStays) {
    expectFailure(wide((testFolder() / "missing.swf").string()), control::FileNotFound, u"does not exist");
    expectFailure(fileUrl((testFolder() / "missing.swf").string()), control::FileNotFound, u"does not exist");
    expectFailure(wide(first + "/inside.swf"), control::FileNotFound, u"does not exist");
}

TEST_F(MovieProperty, AFolderCannotBeRead) {
    expectFailure(wide(testFolder().string()), control::AccessDenied, u"folder");
}

TEST_F(MovieProperty, MalformedFilesFail) {
    expectFailure(wide(saveBytes({'h', 'e', 'l', 'l', 'o'}, "text.swf")), control::BadFormat, u"not a movie");
    expectFailure(wide(saveBytes({}, "empty.swf")), control::BadFormat, u"not a movie");
    // A compressed header whose data is not zlib at all.
    std::vector<uint8_t> broken = {'C', 'W', 'S', 10, 100, 0, 0, 0};
    for (int i = 0; i < 64; ++i)
        broken.push_back(uint8_t(0xFF - i));
    expectFailure(wide(saveBytes(broken, "broken.swf")), control::BadFormat, u"corrupt");
}

TEST_F(MovieProperty, LocationsThatNameNoLocalFileFail) {
    expectFailure(u"", E_INVALIDARG, u"no movie location");
    expectFailure(u"file://otherhost/movie.swf", control::NotSupported, u"another host");
    expectFailure(u"file:///tmp/broken%2", E_INVALIDARG, u"%-escape");
    expectFailure(u"file:///tmp/zero%00.swf", E_INVALIDARG, u"%-escape");
}

// A network root: put_Movie returns at once and the movie shows when it is
// in, its query as root variables, in the remote sandbox. One that does not
// come leaves the playing movie alone.
TEST_F(MovieProperty, ANetworkRootArrivesOnTheClock) {
    nettest::LocalHttpServer server;
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
    movie.place(movie.rectangle(0, 0, 2000, 2000, {0, 255, 0}), 1);
    swfwriter::Actions a;
    a.push({"kind"}).push({"System.security.sandboxType"}).getVariable().setVariable();
    movie.doAction(a);
    movie.showFrame();
    const auto bytes = movie.finish();
    server.serve("/root.swf", std::string(bytes.begin(), bytes.end()));
    server.serve("/text.swf", "not a movie");
    const struct {
        std::string path;
        bool arrives;
        std::u16string words;  // of the error left behind
    } cases[] = {
        {"/root.swf?level=3", true, {}},
        {"/missing.swf", false, u"404"},
        {"/text.swf", false, u"not a movie"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_EQ(loadMovie(control.flash.get(), first), S_OK);
        const std::u16string url = wide(server.url(c.path));
        ASSERT_EQ(control.flash->put_Movie(bstr(url).get()), S_OK);
        EXPECT_EQ(movieOf(control.flash.get()), wide(first)) << "the old movie plays until the new one is in";
        (void)takeErrorInfo();
        ErrorText error;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline && movieOf(control.flash.get()) != url && !error.present) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            runClock(100);
            error = takeErrorInfo();
        }
        if (!c.arrives) {
            ASSERT_TRUE(error.present);
            EXPECT_NE(error.description.find(c.words), std::u16string::npos) << narrow(error.description);
            expectFirstMovie();
            continue;
        }
        runClock(100);  // its first frame
        const auto variable = [&](std::u16string_view name) {
            BSTR value = nullptr;
            EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
            return take(value);
        };
        EXPECT_EQ(variable(u"level"), u"3");
        EXPECT_EQ(variable(u"kind"), u"remote");
        DibSurface surface(100, 100, true);
        ASSERT_EQ(surface.draw(control.view.get()), S_OK);
        EXPECT_EQ(hex(surface.at(50, 50)), hex(argb(255, 0, 255, 0)));
    }
}

// On the virtual clock put_Movie waits for a network root before the clock
// moves, however slow the server, so a capture starts at its first frame;
// one that cannot come fails there as a file would, and the old one stays.
TEST_F(MovieProperty, OnTheVirtualClockANetworkRootIsWaitedFor) {
    struct VirtualClock {
        VirtualClock() { ::setenv("MOVIEHOST_CLOCK", "virtual", 1); }
        ~VirtualClock() { ::unsetenv("MOVIEHOST_CLOCK"); }
    } onVirtualClock;
    nettest::LocalHttpServer server;
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
    movie.place(movie.rectangle(0, 0, 2000, 2000, {0, 255, 0}), 1);
    movie.showFrame();
    movie.showFrame();
    const auto bytes = movie.finish();
    server.route("/slow.swf", [&](const nettest::HttpRequest&, const nettest::LocalHttpServer::Send& send) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        send(nettest::httpAnswer(200, std::string(bytes.begin(), bytes.end())));
    });
    const std::u16string url = wide(server.url("/slow.swf"));
    ASSERT_EQ(control.flash->put_Movie(bstr(url).get()), S_OK);
    EXPECT_EQ(movieOf(control.flash.get()), url);
    LONG frame = -1;
    EXPECT_EQ(control.flash->CurrentFrame(&frame), S_OK);
    EXPECT_EQ(frame, 0);
    DibSurface surface(100, 100, true);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(50, 50)), hex(argb(255, 0, 255, 0)));

    ASSERT_EQ(loadMovie(control.flash.get(), first), S_OK);
    expectFailure(wide(server.url("/missing.swf")), control::FileNotFound, u"404");
}

// A damaged movie with a sound header loads what was complete.
TEST_F(MovieProperty, ATruncatedMovieLoadsWhatIsComplete) {
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
    const uint16_t square = movie.rectangle(0, 0, 2000, 2000, {0, 255, 0});
    movie.place(square, 1);
    movie.showFrame();
    movie.showFrame();
    std::vector<uint8_t> bytes = movie.finish();
    ASSERT_GT(bytes.size(), 4u);
    bytes.erase(bytes.end() - 4, bytes.end());  // the last ShowFrame and End are gone
    ASSERT_EQ(loadMovie(control.flash.get(), saveBytes(bytes, "truncated.swf")), S_OK);
    DibSurface surface(100, 100, false);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(50, 50)), hex(argb(255, 0, 255, 0)));
}

TEST_F(MovieProperty, SupportsErrorInfoForIShockwaveFlashOnly) {
    const auto support = control.ole.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IShockwaveFlash), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST(Properties, VersionQualityAndWindowMode) {
    Control control;
    IShockwaveFlash* flash = control.flash.get();
    LONG version = 0;
    EXPECT_EQ(flash->FlashVersion(&version), S_OK);
    EXPECT_EQ(version, 0x000A0000);

    BSTR text = nullptr;
    EXPECT_EQ(flash->get_Quality2(&text), S_OK);
    EXPECT_EQ(take(text), u"High") << "the default";
    struct Name {
        std::u16string_view given;
        std::u16string_view read;
        INT number;
    };
    const Name names[] = {{u"low", u"Low", 0},   {u"MEDIUM", u"Medium", 4},   {u"High", u"High", 1},
                          {u"best", u"Best", 5}, {u"autolow", u"AutoLow", 2}, {u"AutoHigh", u"AutoHigh", 3}};
    for (const Name& n : names) {
        EXPECT_EQ(flash->put_Quality2(bstr(n.given).get()), S_OK) << narrow(n.given);
        EXPECT_EQ(flash->get_Quality2(&text), S_OK);
        EXPECT_EQ(take(text), n.read);
        INT number = -1;
        EXPECT_EQ(flash->get_Quality(&number), S_OK);
        EXPECT_EQ(number, n.number);
    }
    EXPECT_EQ(flash->put_Quality2(bstr(u"Highest").get()), E_INVALIDARG);
    EXPECT_TRUE(takeErrorInfo().present);
    EXPECT_EQ(flash->put_Quality2(nullptr), E_INVALIDARG);
    EXPECT_EQ(flash->put_Quality(1), S_OK);
    EXPECT_EQ(flash->get_Quality2(&text), S_OK);
    EXPECT_EQ(take(text), u"High");
    EXPECT_EQ(flash->put_Quality(6), E_INVALIDARG);

    EXPECT_EQ(flash->get_WMode(&text), S_OK);
    EXPECT_EQ(take(text), u"Window");
    EXPECT_EQ(flash->put_WMode(bstr(u"opaque").get()), S_OK);
    EXPECT_EQ(flash->get_WMode(&text), S_OK);
    EXPECT_EQ(take(text), u"Opaque");
    EXPECT_EQ(flash->put_WMode(bstr(u"TRANSPARENT").get()), S_OK);
    EXPECT_EQ(flash->get_WMode(&text), S_OK);
    EXPECT_EQ(take(text), u"Transparent");
    EXPECT_EQ(flash->put_WMode(bstr(u"glass").get()), E_INVALIDARG);
    EXPECT_EQ(flash->get_WMode(&text), S_OK);
    EXPECT_EQ(take(text), u"Transparent") << "a refused mode changes nothing";
}

TEST(Properties, SettingsTheHostMakes) {
    Control control;
    IShockwaveFlash* flash = control.flash.get();
    // What the host's player construction applies, in its order.
    EXPECT_EQ(flash->DisableLocalSecurity(), S_OK);
    EXPECT_EQ(flash->put_EmbedMovie(VARIANT_FALSE), S_OK);
    EXPECT_EQ(flash->put_AllowScriptAccess(bstr(u"always").get()), S_OK);
    EXPECT_EQ(flash->put_WMode(bstr(u"opaque").get()), S_OK);
    EXPECT_EQ(flash->put_Quality2(bstr(u"High").get()), S_OK);

    VARIANT_BOOL embed = VARIANT_TRUE;
    EXPECT_EQ(flash->get_EmbedMovie(&embed), S_OK);
    EXPECT_EQ(embed, VARIANT_FALSE);
    EXPECT_EQ(flash->put_EmbedMovie(VARIANT_TRUE), S_OK);
    EXPECT_EQ(flash->get_EmbedMovie(&embed), S_OK);
    EXPECT_EQ(embed, VARIANT_TRUE);
    BSTR text = nullptr;
    EXPECT_EQ(flash->get_AllowScriptAccess(&text), S_OK);
    EXPECT_EQ(take(text), u"always");
    EXPECT_EQ(flash->EnforceLocalSecurity(), S_OK);

    LONG value = -1;
    EXPECT_EQ(flash->get_ReadyState(&value), S_OK);
    EXPECT_EQ(value, 0) << "no movie";
    EXPECT_EQ(flash->PercentLoaded(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(flash->get_Movie(&text), S_OK);
    EXPECT_EQ(take(text), u"");
    EXPECT_EQ(flash->get_Movie(nullptr), E_POINTER);
}

// Without a movie nothing is defined: GetVariable answers S_OK with no
// string; members that need a target or a place to write fail with
// E_INVALIDARG, CallFunction with E_FAIL (nothing is registered), and
// SetReturnValue outside a FlashCall with E_UNEXPECTED; all with error
// information and their results left empty.
TEST(Properties, ScriptingMembersWithoutAMovie) {
    Control control;
    IShockwaveFlash* flash = control.flash.get();
    const auto name = bstr(u"x");
    BSTR text = reinterpret_cast<BSTR>(1);
    DOUBLE number = 5.0;
    EXPECT_EQ(flash->GetVariable(name.get(), &text), S_OK);
    EXPECT_EQ(text, nullptr);
    const HRESULT invalid[] = {
        flash->SetVariable(name.get(), name.get()), flash->TSetProperty(name.get(), 0, name.get()),
        flash->TCallFrame(name.get(), 0),           flash->TCallLabel(name.get(), name.get()),
        flash->TSetPropertyNum(name.get(), 0, 1.0), flash->TGetPropertyNum(name.get(), 0, &number),
    };
    for (const HRESULT hr : invalid)
        EXPECT_EQ(hr, E_INVALIDARG);
    EXPECT_EQ(number, 0.0);
    text = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(flash->TGetProperty(name.get(), 0, &text), E_INVALIDARG);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(takeErrorInfo().description, u"TGetProperty: no movie is loaded, so the target \"x\" does not resolve");
    EXPECT_EQ(flash->SetReturnValue(name.get()), E_UNEXPECTED);
    text = reinterpret_cast<BSTR>(1);
    const auto request = bstr(u"<invoke name=\"f\" returntype=\"xml\"><arguments/></invoke>");
    EXPECT_EQ(flash->CallFunction(request.get(), &text), E_FAIL);
    EXPECT_EQ(text, nullptr);
    const ErrorText error = takeErrorInfo();
    ASSERT_TRUE(error.present);
    EXPECT_EQ(error.description, u"CallFunction: no movie is loaded, so no function \"f\" is registered");
    EXPECT_EQ(flash->Zoom(1), E_NOTIMPL);
    EXPECT_EQ(takeErrorInfo().description, u"Zoom is not implemented");
}

}  // namespace
