// Movies the haxe compiler made at build time, played by the ActionScript 3
// player over a stage of their own; they report through fscommand.
#include "as3/player.h"

#include "recording_host.h"

#include "swf/movie.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using as3test::RecordingHost;

struct Played {
    std::unique_ptr<model::Stage> stage;
    RecordingHost host;
    std::unique_ptr<as3::Player> player;
};

std::unique_ptr<Played> play(const std::string& name,
                             std::vector<std::pair<std::u16string, std::u16string>> params = {}) {
    auto played = std::make_unique<Played>();
#ifdef AS3_HAXE_MOVIES
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/" + name + ".swf");
    if (!movie)
        return nullptr;
    played->stage = model::Stage::create(*movie);
    played->player = as3::Player::create(
        *played->stage, played->host, u"file:///movies/" + std::u16string(name.begin(), name.end()) + u".swf?level=3",
        std::move(params));
    played->player->start();
#endif
    return played;
}

#ifdef AS3_HAXE_MOVIES
#define REQUIRE_HAXE()
#else
#define REQUIRE_HAXE() GTEST_SKIP() << "haxe was not found at configuration time"
#endif

TEST(HaxePlayer, EventFlow) {
    REQUIRE_HAXE();
    auto p = play("Events");
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty());
    struct Expect {
        std::u16string command;
        std::u16string value;
    };
    const Expect expected[] = {
        {u"priorities", u"a;b;c;ok=true,has=true,false;a;c;"},
        // Capture from the outside in, the target (phase 2) with its own
        // capture listeners left out, then bubbling (phase 3) outwards.
        {u"phases", u"o-cap1;i-cap1;l2truetrue;i3truetrue;o3truetrue;|;o-cap1;i-cap1;l2truetrue;|will=truefalse;"},
        {u"stopping",
         u"i1;i2;i1;i2;falsetrue;baderrortimer[Event type=\"q\" bubbles=false cancelable=false eventPhase=2];"},
        // Parent before child both ways; a node leaving still has its stage.
        {u"stageOrder", u"+otrue;+itrue;+ltrue;-otruetrue;-itruetrue;-ltruetrue;"},
        {u"stage", u"truetruetrue200"},
        {u"constants", u"noScale,TL,best,fullScreen,auto,3,3,full,10,3,none,3"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(std::string(e.command.begin(), e.command.end()));
        auto got = p->host.command(e.command);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, e.value);
    }
    // The first frame's constructed and exit events follow the document
    // class; each later frame is enter, constructed, exit. The error thrown
    // in the third frame's listener ends that listener only.
    for (int i = 0; i < 4; ++i)
        p->player->tick();
    EXPECT_EQ(p->host.command(u"frames"), u"CXE1CXSE2CXE3CXE4");
    ASSERT_EQ(p->host.errors.size(), 1u);
    EXPECT_NE(p->host.errors[0].find(u"Error #1009"), std::u16string::npos);

    // The script's noScale reached the control's layout; placing the stage
    // at another size is one resize, staying there none.
    EXPECT_EQ(p->stage->layout().scaleMode, model::ScaleMode::NoScale);
    model::StageLayout placed = p->stage->layout();
    placed.surfaceWidth = 320;
    placed.surfaceHeight = 240;
    p->stage->setLayout(placed);
    p->player->tick();
    p->player->tick();
    std::u16string quality;
    p->player->setQualityListener([&](std::u16string_view q) { quality = q; });
    p->player->activate(true);
    p->player->activate(false);
    EXPECT_EQ(p->host.command(u"layout"), u"BLR,2008,showAll,render,320x240,ontrue,wasHIGH,2008,off,BEST");
    EXPECT_EQ(quality, u"BEST");
}

TEST(HaxePlayer, ContainerAndTree) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    auto q = std::make_unique<Played>();
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Container.swf");
    ASSERT_TRUE(movie);
    q->stage = model::Stage::create(*movie);
    q->host.answer = [](const script::ExternalCall&) -> std::optional<std::u16string> {
        return u"<object><property id=\"name\"><string>n</string></property><property id=\"list\"><array>"
               u"<property id=\"0\"><number>1</number></property><property id=\"1\"><string>x</string></property>"
               u"</array></property></object>";
    };
    q->host.objectName = u"banner";
    q->player = as3::Player::create(*q->stage, q->host, u"file:///c.swf", {{u"level", u"3"}});
    q->player->start();
    EXPECT_TRUE(q->host.errors.empty());
    struct Expect {
        std::u16string command;
        std::u16string value;
    };
    const Expect expected[] = {
        {u"info", u"3,10,200x100,30,1,1"},
        {u"system", u"ActiveX,LNX 10,0,0,0,localWithFile,true,false,true,banner"},
        {u"tree", u"2,1,true,true,true,range2006,loop2150,1,true,true"},
        {u"answer", u"nx"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(std::string(e.command.begin(), e.command.end()));
        auto got = q->host.command(e.command);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, e.value);
    }
    ASSERT_EQ(q->host.calls.size(), 1u);
    EXPECT_EQ(q->host.calls[0],
              u"<invoke name=\"ask\" returntype=\"xml\"><arguments><number>1</number><string>two</string>"
              u"<array><property id=\"0\"><true/></property><property id=\"1\"><null/></property></array>"
              u"</arguments></invoke>");
    // The container calls back.
    struct Call {
        std::u16string request;
        std::optional<std::u16string> response;
    };
    const Call calls[] = {
        {u"<invoke name=\"twice\" returntype=\"xml\"><arguments><number>21</number></arguments></invoke>",
         u"<number>42</number>"},
        {u"<invoke name=\"jump\" returntype=\"xml\"><arguments></arguments></invoke>", u"<number>1</number>"},
        {u"<invoke name=\"nobody\" returntype=\"xml\"><arguments></arguments></invoke>", std::nullopt},
        {u"<invoke name=\"fail\" returntype=\"xml\"><arguments></arguments></invoke>", std::nullopt},
        {u"not xml", std::nullopt},
    };
    for (const Call& c : calls) {
        SCOPED_TRACE(std::string(c.request.begin(), c.request.end()));
        auto result = q->player->callFunction(c.request);
        ASSERT_EQ(result.has_value(), c.response.has_value());
        if (result) {
            EXPECT_EQ(result->xml, *c.response);
        }
    }
    EXPECT_EQ(q->host.errors.size(), 1u) << "the throwing callback";
#endif
}

TEST(HaxePlayer, CoreLibrary) {
    REQUIRE_HAXE();
    // Local time is New York's, where the clocks went forward on 2021-03-14.
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    setenv("TZ", "America/New_York", 1);
    tzset();
    auto p = play("Library");
    ASSERT_TRUE(p && p->player);
    for (const auto& e : p->host.errors)
        ADD_FAILURE() << std::string(e.begin(), e.end());
    struct Expect {
        std::u16string command;
        std::u16string value;
    };
    const Expect expected[] = {
        {u"regexp",
         u"345,12,5, now;f00 b00;a|b|c;host at me;H<A>X<E> r<u>l<e>s;a[1@1]b[22@3]c[333@6];1|22|333,5;20263"},
        {u"date", u"2021-07-04 12:00:05;Sun Jul 4 16:00:05 2021 UTC;0;300,240;60;7;1609459201234;2021"},
        {u"numbers", u"1234.57,1234.57,1.235e+3,255.0,1002"},
        {u"throw", u"plain;true;wrapped"},
        {u"timers", u"true1003"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(std::string(e.command.begin(), e.command.end()));
        auto got = p->host.command(e.command);
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, e.value);
    }
    std::vector<double> rates;
    p->player->setFrameRateListener([&rates](double fps) { rates.push_back(fps); });
    // The clock jumps to each due time, as the control's timer does: every
    // timer fires exactly when it is due.
    for (int i = 0; i < 50; ++i) {
        const auto due = p->player->nextTimerDue();
        if (!due)
            break;
        p->host.clock = *due;
        p->player->runTimers();
    }
    EXPECT_FALSE(p->player->nextTimerDue());
    EXPECT_EQ(p->host.command(u"timerlog"), u"argsx2,t1@1334,i1,t2@1434,i2,delay@1484,t3@1534,donefalse,12.5");
    EXPECT_EQ(rates, std::vector<double>{12.5});
    EXPECT_TRUE(p->host.errors.empty());
    if (saved)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace

TEST(HaxePlayer, Collections) {
    REQUIRE_HAXE();
    auto p = play("Collections");
    ASSERT_TRUE(p && p->player);
    for (const std::u16string& e : p->host.errors)
        ADD_FAILURE() << std::string(e.begin(), e.end());
    EXPECT_EQ(p->host.command(u"vector"), u"16,9,7,4,0;36;1;9,7;2.5,1.5;2");
    EXPECT_EQ(p->host.command(u"vectorErrors"), u"1126;1125;ab;true;2");
    EXPECT_EQ(p->host.command(u"proxy"),
              u"set a,set b,set a,get a,get b,|a=3 b=two |truetruefalse|called greet with 2");
    EXPECT_EQ(p->host.command(u"statics"), u"0.5,12,null");
}

// Sound, SoundChannel, SoundTransform and SoundMixer over the host's mixer:
// a linked sound plays with the start, loops and levels asked, each channel
// on an owner of its own; soundComplete reaches only the channel whose voice
// ended, at the next frame, with no script reference keeping it.
TEST(HaxePlayer, MediaSounds) {
    REQUIRE_HAXE();
    auto p = play("Media");
    ASSERT_TRUE(p && p->player);
    auto& host = p->host;
    EXPECT_TRUE(host.errors.empty());
    const std::pair<std::u16string, std::u16string> expected[] = {
        {u"transform", u"0.5,-0.25,1,0,0,0.75|1,0,1,0,0,1"},
        {u"sound", u"1044,true,true"},
        {u"first", u"0.5,1,0,0,0,1"},
        {u"playing", u"250"},
        {u"stopped", u"250"},
        {u"mixer", u"0.8"},
    };
    for (const auto& [command, value] : expected) {
        SCOPED_TRACE(std::string(command.begin(), command.end()));
        EXPECT_EQ(host.command(command), value);
    }
    ASSERT_EQ(host.started.size(), 2u);
    EXPECT_NE(host.started[0].soundId, 0u);
    EXPECT_DOUBLE_EQ(host.started[0].offsetSeconds, 0.1);
    EXPECT_EQ(host.started[0].loops, 2u);
    EXPECT_EQ(host.started[1].loops, 1u);
    EXPECT_NE(host.started[0].owner, host.started[1].owner);
    EXPECT_EQ(host.stoppedOwners, std::vector<uint64_t>{host.started[1].owner}) << "stop touches its own voice";
    EXPECT_DOUBLE_EQ(host.levels[host.started[0].owner].ll, 0.0) << "panned right";
    EXPECT_DOUBLE_EQ(host.levels[host.started[1].owner].volume, 25.0);
    EXPECT_DOUBLE_EQ(host.levels[0].volume, 80.0);

    host.position = 300;
    p->player->tick();
    (void)p->player->collectGarbage();
    host.finished = {2, 1};  // the stopped voice's report is not the script's
    p->player->tick();
    std::vector<std::u16string> completions;
    for (const auto& [command, value] : host.commands) {
        if (command == u"complete")
            completions.push_back(value);
    }
    EXPECT_EQ(completions, std::vector<std::u16string>{u"first,1044"}) << "at its end, once, though collected for";
    EXPECT_TRUE(host.errors.empty());
}

// haxe's own exception runtime over the machine's errors (catch Dynamic,
// haxe.Exception, thrown strings), the frames of getStackTrace, and typed
// and externalizable objects through writeObject/readObject.
TEST(HaxePlayer, ErrorsAndTypedObjects) {
    REQUIRE_HAXE();
    auto p = play("Errors");
    ASSERT_TRUE(p && p->player);
    for (const std::u16string& e : p->host.errors)
        ADD_FAILURE() << std::string(e.begin(), e.end());
    EXPECT_EQ(p->host.command(u"caught"), u"dyn:TypeError:1009;exc:static;str:text");
    EXPECT_EQ(p->host.command(u"more"),
              u"int:5;obj:1;range:2006;listener:1009;str:true;arr:1009;rethrow:1009;typed:1009;own:7");
    const std::u16string stack = p->host.command(u"stack").value_or(u"");
    const std::u16string top =
        u"TypeError: Error #1009: Cannot access a property or method of a null object "
        u"reference.\n\tat Thrower/fail()\n\tat Errors$/main()\n";
    EXPECT_EQ(stack.substr(0, top.size()), top) << std::string(stack.begin(), stack.end());
    EXPECT_EQ(p->host.command(u"typed"), u"true,7,seven,true,true,41,true");
}

// E4X from haxe's dynamic access, and describeType of a haxe class.
TEST(HaxePlayer, XmlAndDescribeType) {
    REQUIRE_HAXE();
    auto p = play("Xml");
    ASSERT_TRUE(p && p->player);
    for (const std::u16string& e : p->host.errors)
        ADD_FAILURE() << std::string(e.begin(), e.end());
    EXPECT_EQ(p->host.command(u"read"), u"2,B,12,2,1,A");
    EXPECT_EQ(p->host.command(u"written"),
              u"<lib><book id=\"1\"><t>Z</t></book><book id=\"2\"><t>B</t></book><shelf>new</shelf>"
              u"<book id=\"3\"/></lib>");
    EXPECT_EQ(p->host.command(u"described"), u"Item,2,total,2,true,Object");
    EXPECT_EQ(p->host.command(u"static"), u"true,made,Item,0,true");
    // Members inherited from Base: each accessor's access and owner, a
    // method's metadata, the constructor's own parameters, a namespace's uri.
    EXPECT_EQ(p->host.command(u"inherited"),
              u"both:readwrite:Base level:writeonly:Base size:readonly:Base,Base,Marked,level=2,1,Base,urn:test");
    EXPECT_EQ(p->host.command(u"constructor"), u"2,true");
    EXPECT_EQ(p->host.command(u"defined"), u"true,true");
    EXPECT_EQ(p->host.command(u"texts"), u"(x=1, y=2),labelled,(x=1, y=2, w=3, h=4)");
}
