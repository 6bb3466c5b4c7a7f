// flash.net in a haxe movie: the files it loads are written next to its
// location in a folder of the test's own, and its shared objects go to a
// store there too.
#include "as3/player.h"

#include "../engine_net/local_http_server.h"
#include "child_movie.h"
#include "recording_host.h"

#include "image_encoder.h"
#include "movie_writer.h"

#include "render/renderer.h"
#include "swf/button.h"
#include "swf/movie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using as3test::RecordingHost;

#ifdef AS3_HAXE_MOVIES
#define REQUIRE_HAXE()
#else
#define REQUIRE_HAXE() GTEST_SKIP() << "haxe was not found at configuration time"
#endif

struct Folder {
    fs::path path;
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "as3net-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
        fs::create_directories(path / "root" / "data");
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    void write(const fs::path& relative, std::string_view bytes) const {
        std::ofstream(path / relative, std::ios::binary) << bytes;
    }
    void write(const fs::path& relative, const std::vector<uint8_t>& bytes) const {
        write(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
};

struct Played {
    std::unique_ptr<model::Stage> stage;
    RecordingHost host;
    std::unique_ptr<as3::Player> player;
};

std::unique_ptr<Played> play(const std::string& name, const fs::path& at, std::u16string phase) {
    auto played = std::make_unique<Played>();
#ifdef AS3_HAXE_MOVIES
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/" + name + ".swf");
    if (!movie)
        return nullptr;
    played->stage = model::Stage::create(*movie);
    const std::string url = "file://" + (at / (name + ".swf")).string();
    played->player = as3::Player::create(*played->stage, played->host, std::u16string(url.begin(), url.end()),
                                         {{u"phase", std::move(phase)}});
    played->player->start();
#endif
    return played;
}

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }
std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Plays `movie` as served at `url` until it says `command` (at most five
// seconds of frames); what it said, if it did.
std::optional<std::u16string> playServedUntil(Played& p, std::shared_ptr<const swf::Movie> movie,
                                              const std::string& url,
                                              std::vector<std::pair<std::u16string, std::u16string>> parameters,
                                              std::u16string_view command) {
    p.stage = model::Stage::create(std::move(movie));
    p.player = as3::Player::create(*p.stage, p.host, wide(url), std::move(parameters));
    p.player->start();
    for (int i = 0; i < 500 && !p.host.command(command); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        p.player->tick();
    }
    return p.host.command(command);
}

// The stage's pixel, 0xRRGGBB.
uint32_t pixel(const model::Stage& stage, int32_t x, int32_t y) {
    const int32_t width = int32_t(stage.widthTwips() / 20);
    const int32_t height = int32_t(stage.heightTwips() / 20);
    std::vector<uint32_t> pixels(size_t(width * height));
    render::Target target{reinterpret_cast<uint8_t*>(pixels.data()),
                          width,
                          height,
                          width * 4,
                          render::RowOrder::TopDown,
                          {{0, 0, width, height}},
                          {0, 0, width, height}};
    render::Renderer renderer;
    if (renderer.draw(stage, target, render::Aspect::Opaque, render::Quality::High) != render::DrawError{})
        return 0xDEAD;
    return pixels[size_t(y * width + x)] & 0xFFFFFF;
}

TEST(HaxeNet, LoadsVariablesAndSharedObjects) {
    REQUIRE_HAXE();
    Folder folder;
    folder.write("root/data/hello.txt", "Hello, net");
    folder.write("root/data/vars.txt", "name=Ann&n=5");
    folder.write("outside.txt", "not for the movie");
    ::setenv("XDG_DATA_HOME", (folder.path / "store").c_str(), 1);
    ::unsetenv("MOVIEHOST_FILE_ROOT");

    auto p = play("Net", folder.path / "root", u"write");
    ASSERT_TRUE(p && p->player);
    // Loads land between frames, never during the frame that asked.
    EXPECT_FALSE(p->host.command(u"loads"));
    for (int i = 0; i < 3; ++i)
        p->player->tick();
    struct Expect {
        std::u16string command;
        std::string value;
    };
    const Expect expected[] = {
        {u"variables", "2,2,x y z,true,name=A%20%26%20B&list=1&list=2,2101"},
        // method check, forbidden and injected headers, null request,
        // close without a load, an unknown data format
        {u"requests", "GET,2008,2096,2096,2007,2029,2008"},
        {u"loads",
         "binary:open,progress10/10,status0,complete=10@72,10/10|missing:io2032|network:security2048|"
         "outside:security2048|scheme:security2048|stream:2030,10,Hello,44,4,false|text:open,progress10/"
         "10,status0,complete=Hello, net,10/10|"
         "vars:open,progress12/12,status0,complete=Ann+5,12/12"},
        // the same object twice, AMF3, nothing stored yet, flushed, a size,
        // a flush past the 100 KiB limit, a name that climbs
        {u"shared", "true,3,null,flushed,true,2130,2134"},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(narrow(e.command));
        auto got = p->host.command(e.command);
        ASSERT_TRUE(got);
        EXPECT_EQ(narrow(*got), e.value);
    }
    EXPECT_FALSE(p->host.command(u"replaced"));
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty() ? "" : narrow(p->host.errors[0]));
    ASSERT_EQ(p->host.urls.size(), 1u);
    EXPECT_EQ(narrow(p->host.urls[0].url), "http://example.org/page?x=1&q=a%20b");
    EXPECT_EQ(narrow(p->host.urls[0].target), "_self");
    EXPECT_EQ(p->host.urls[0].method, script::UrlRequest::Method::Get);

    // A second run reads what the first flushed, then clears it.
    auto again = play("Net", folder.path / "root", u"read");
    ASSERT_TRUE(again && again->player);
    EXPECT_EQ(again->host.command(u"shared"), u"true,3,42,y3,0,null,2134");
    auto third = play("Net", folder.path / "root", u"read");
    ASSERT_TRUE(third && third->player);
    EXPECT_EQ(third->host.command(u"shared"), u"true,3,null,none,0,null,2134");
}

// An ActionScript 3 movie whose library has a sprite of a 20x10 pixel red
// rectangle linked to the class Dot; its document is LibDoc.
std::vector<uint8_t> libraryMovie() {
    swfwriter::MovieWriter w({.width = 50, .height = 50, .frameRate = 30});
    w.fileAttributes(true);
    const uint16_t red = w.rectangle(0, 0, 400, 200, {255, 0, 0});
    swfwriter::SpriteWriter sprite;
    sprite.place(red, 1);
    sprite.showFrame();
    const uint16_t dot = w.defineSprite(sprite);
    std::vector<uint8_t> doAbc{0, 0, 0, 0, 'l', 0};
    const std::vector<uint8_t> abc = as3test::libraryBlock();
    doAbc.insert(doAbc.end(), abc.begin(), abc.end());
    w.tag(82, doAbc);
    const std::string table =
        std::string("\x02\x00\x00\x00LibDoc\x00", 11) + char(dot & 0xFF) + char(dot >> 8) + std::string("Dot", 4);
    w.tag(76, std::vector<uint8_t>(table.begin(), table.end()));
    w.showFrame();
    return w.finish();
}

TEST(HaxeNet, LoaderContent) {
    REQUIRE_HAXE();
    Folder folder;
    fs::create_directories(folder.path / "root" / "images");
    folder.write("root/images/a.png", swfwriter::encodePng(swfwriter::Image::filled(3, 2, 255, 0, 0)));
    folder.write("root/images/a.jpg", swfwriter::encodeJpeg(swfwriter::Image::filled(4, 3, 0, 255, 0)));
    swfwriter::GifPicture gif{5, 4, {{0, 0, 255}}, std::vector<uint8_t>(20, 0)};
    folder.write("root/images/a.gif", swfwriter::encodeGif(gif));
    folder.write("root/images/junk.bin", "neither a movie nor an image");
    folder.write("outside.png", swfwriter::encodePng(swfwriter::Image::filled(1, 1, 0, 0, 0)));
    swfwriter::MovieWriter old({.version = 8, .width = 120, .height = 80, .frameRate = 12});
    old.showFrame();
    folder.write("root/old.swf", old.finish());
    folder.write("root/new.swf", as3test::scriptChildMovie());
    folder.write("root/library.swf", libraryMovie());

    auto p = play("Loading", folder.path / "root", u"load");
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"before"), u"true,true,load,true,true,2099,2007,FWS,true,true");
    EXPECT_EQ(p->host.command(u"refused"), u"2069,2069,2069,2069,2069");
    for (int i = 0; i < 3; ++i)
        p->player->tick();
    const auto image = [](const std::string& name, const std::string& type, const std::string& size) {
        return name + ":open,progress,status,inittrue,complete," + type + "," + size +
               ",flash.display::Bitmap:" + size + ",truetruetruetrue,true,2098,true";
    };
    const std::string expected = "as3:open,progress,status,inittrue,complete,ChildDoc,10,3,30,0x0|" +
                                 std::string(
                                     "avm1:open,progress,status,inittrue,complete,flash.display::AVM1Movie,"
                                     "8,2,12,120x80,x|") +
                                 image("bytes", "image/png", "3x2") + ",1truetrue|" +
                                 image("closed", "image/gif", "5x4") + "|" + image("gif", "image/gif", "5x4") + "|" +
                                 image("jpeg", "image/jpeg", "4x3") + "|junk:open,progress,status,io2124|" +
                                 "library:open,progress,status,inittrue,complete,Dot,20x10|" +
                                 "missing:io2035|outside:security2048|" + image("png", "image/png", "3x2");
    auto got = p->host.command(u"loads");
    ASSERT_TRUE(got);
    EXPECT_EQ(narrow(*got), expected);
    for (int i = 0; i < 10 && !p->host.command(u"fieldImage"); ++i)
        p->player->tick();
    EXPECT_EQ(p->host.command(u"fieldImage"), u"true,3,true") << "a field's <img> of a file";
    // The images draw where their loaders stand; the unloaded one is gone.
    struct Spot {
        int32_t x;
        uint32_t rgb;
    };
    for (const Spot& s : {Spot{1, 0xFF0000}, Spot{41, 0x0000FF}, Spot{81, 0xFFFFFF}, Spot{10, 0xFFFFFF}}) {
        SCOPED_TRACE(s.x);
        EXPECT_EQ(pixel(*p->stage, s.x, 1), s.rgb);
    }
    EXPECT_EQ(pixel(*p->stage, 21, 1) & 0x00FF00, 0x00FF00u);
    // The loaded movie's document class was built, with its loaderInfo.
    const std::string child = "file://" + (folder.path / "root" / "new.swf").string();
    EXPECT_EQ(p->host.command(u"child"), std::u16string(child.begin(), child.end()));
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty() ? "" : narrow(p->host.errors[0]));
}

// Two haxe movies with the same class names (flash.Boot, Greeter) loaded
// side by side into domains of their own each keep theirs; one loaded into
// this movie's domain adds to it, and a child domain sees its parent's first.
TEST(HaxeNet, ApplicationDomains) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    Folder folder;
    for (const char* child : {"a", "b"})
        fs::copy_file(std::string(AS3_HAXE_MOVIES) + "/domain_" + child + ".swf",
                      folder.path / "root" / (std::string(child) + ".swf"));
    auto p = play("Domains", folder.path / "root", u"");
    ASSERT_TRUE(p && p->player);
    EXPECT_EQ(p->host.command(u"here"), u"true,true,true,true,false,true,false,1065,true");
    for (int i = 0; i < 4 && !p->host.command(u"domains"); ++i)
        p->player->tick();
    // said by the child's main, said by getDefinition's Greeter, domain is
    // ours, parent is ours, parent is the system's, sees our class, our flash.Boot
    EXPECT_EQ(p->host.command(u"domains"),
              u"a:a,a,false,false,true,false,false|b:b1,b1,false,false,true,false,false|"
              u"shared:a,a,true,false,true,true,true|"
              u"child:a,a,false,true,false,true,true|boots:true");
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty() ? "" : narrow(p->host.errors[0]));
#endif
}

// A movie served over HTTP reads its own origin: GET carries variables in
// the query, POST in the body; an HTTP error gives its status, then ioError.
TEST(HaxeNet, RemoteMovie) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    // Declared before the server, whose threads may still answer while it stops.
    std::mutex pingLock;
    std::string pinged;
    nettest::LocalHttpServer server;
    server.route("/echo", [](const nettest::HttpRequest& request, const nettest::LocalHttpServer::Send& send) {
        send(nettest::httpAnswer(
            200, request.method + " " + request.path + " " + request.body + " " + request.header("X-Token")));
    });
    server.route("/ping", [&](const nettest::HttpRequest& request, const nettest::LocalHttpServer::Send& send) {
        const std::lock_guard<std::mutex> hold(pingLock);
        pinged = request.method + " " + request.path;
        send(nettest::httpAnswer(200, "unheard"));
    });
    server.route("/nothing", [](const nettest::HttpRequest&, const nettest::LocalHttpServer::Send& send) {
        send(nettest::httpAnswer(404, "gone"));
    });
    nettest::LocalHttpServer allowing;
    allowing.serve("/data.txt", "other");
    allowing.serve("/crossdomain.xml",
                   "<cross-domain-policy><allow-access-from domain=\"127.0.0.1\"/></cross-domain-policy>");
    nettest::LocalHttpServer denying;
    denying.serve("/data.txt", "other");
    denying.serve("/crossdomain.xml",
                  "<cross-domain-policy><allow-access-from domain=\"example.com\"/></cross-domain-policy>");
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Http.swf");
    ASSERT_TRUE(movie);
    Played p;
    p.stage = model::Stage::create(*movie);
    const std::string url = server.url("/Http.swf");
    const std::string allowingUrl = allowing.url(""), denyingUrl = denying.url("");
    p.player = as3::Player::create(*p.stage, p.host, std::u16string(url.begin(), url.end()),
                                   {{u"allowing", std::u16string(allowingUrl.begin(), allowingUrl.end())},
                                    {u"denying", std::u16string(denyingUrl.begin(), denyingUrl.end())}});
    p.player->start();
    EXPECT_EQ(p.host.command(u"sandbox"), u"remote");
    // Network loads land when they have arrived.
    for (int i = 0; i < 200 && !p.host.command(u"loads"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        p.player->tick();
    }
    auto got = p.host.command(u"loads");
    ASSERT_TRUE(got);
    EXPECT_EQ(narrow(*got),
              "allowed:status200,other|denied:security2048|get:status200,GET /echo?x=1&b=2  |local:security2048|"
              "missing:status404,io2032|post:status200,POST /echo a=1%202 t1|raw:status200,POST /echo raw ");
    // sendToURL went out; its answer reaches nobody.
    for (int i = 0; i < 200; ++i) {
        {
            const std::lock_guard<std::mutex> hold(pingLock);
            if (!pinged.empty())
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    {
        const std::lock_guard<std::mutex> hold(pingLock);
        EXPECT_EQ(pinged, "GET /ping?x=1");
    }
    EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
#endif
}

// Movies of another origin: LoaderInfo tells which side lets the other in,
// and their content is out of this movie's reach until they allowDomain it.
TEST(HaxeNet, OtherOrigins) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    nettest::LocalHttpServer home;
    nettest::LocalHttpServer other;  // another port: another origin
    other.serve("/crossdomain.xml", "<cross-domain-policy><allow-access-from domain=\"*\"/></cross-domain-policy>");
    const auto text = [](const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
    home.serve("/child.swf", text(as3test::scriptChildMovie()));
    other.serve("/child.swf", text(as3test::scriptChildMovie()));
    other.serve("/granted.swf", text(as3test::scriptChildMovie("127.0.0.1")));
    swfwriter::MovieWriter old({.version = 8});
    old.showFrame();
    other.serve("/old.swf", text(old.finish()));
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Origins.swf");
    ASSERT_TRUE(movie);
    Played p;
    const std::string children = "same=" + home.url("/child.swf") + ",other=" + other.url("/child.swf") +
                                 ",granted=" + other.url("/granted.swf") + ",avm1=" + other.url("/old.swf");
    auto got = playServedUntil(p, *movie, home.url("/Origins.swf"), {{u"children", wide(children)}}, u"origins");
    ASSERT_TRUE(got);
    EXPECT_EQ(narrow(*got),
              "avm1:samefalse,childfalse,parentfalse,2121,2121|"
              "granted:samefalse,childtrue,parentfalse,ok,ok|"
              "other:samefalse,childfalse,parentfalse,2121,2121|"
              "same:sametrue,childtrue,parenttrue,ok,ok");
    EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
#endif
}

// scriptChildMovie's movie showing a 50 pixel square at its origin.
std::string squareChildMovie(const std::string& grant = {}) {
    swfwriter::MovieWriter w({.version = 10, .width = 50, .height = 50, .frameRate = 30});
    w.fileAttributes(true);
    std::vector<uint8_t> doAbc{0, 0, 0, 0, 'c', 0};
    const std::vector<uint8_t> abc = as3test::childBlock(grant);
    doAbc.insert(doAbc.end(), abc.begin(), abc.end());
    w.tag(82, doAbc);
    // One symbol, id 0 (the document class), named; built as text for the
    // compiler's sake.
    const std::string symbols = std::string("\x01\0\0\0", 4) + (grant.empty() ? "ChildDoc" : "GrantingDoc");
    w.tag(76, std::vector<uint8_t>(symbols.c_str(), symbols.c_str() + symbols.size() + 1));
    w.place(w.rectangle(0, 0, 1000, 1000, {0, 0, 255, 255}), 1);
    w.showFrame();
    const std::vector<uint8_t> bytes = w.finish();
    return {bytes.begin(), bytes.end()};
}

// Objects under a point inside a loaded movie of another origin that did
// not allow this one are left out and reported as inaccessible; granted
// and same-origin movies are listed.
TEST(HaxeNet, ObjectsOfUnreachableMoviesAreLeftOutUnderPoints) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    nettest::LocalHttpServer home;
    nettest::LocalHttpServer other;  // another port: another origin
    other.serve("/crossdomain.xml", "<cross-domain-policy><allow-access-from domain=\"*\"/></cross-domain-policy>");
    home.serve("/child.swf", squareChildMovie());
    other.serve("/child.swf", squareChildMovie());
    other.serve("/granted.swf", squareChildMovie("127.0.0.1"));
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Hidden.swf");
    ASSERT_TRUE(movie);
    Played p;
    const std::string children = "same=" + home.url("/child.swf") + ",other=" + other.url("/child.swf") +
                                 ",granted=" + other.url("/granted.swf");
    auto got = playServedUntil(p, *movie, home.url("/Hidden.swf"), {{u"children", wide(children)}}, u"reach");
    ASSERT_TRUE(got);
    EXPECT_EQ(narrow(*got), "granted:1,false,false|other:0,true,true|same:1,false,false");
    EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
#endif
}

// A child of another origin reaching its loader's objects, and the loader
// reaching the child's: refused both ways until the reached side grants
// the other; the stage itself stays in reach.
TEST(HaxeNet, ChildReachesItsLoader) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    std::ifstream in(std::string(AS3_HAXE_MOVIES) + "/reacher.swf", std::ios::binary);
    const std::string reacher((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(reacher.empty());
    nettest::LocalHttpServer home;
    nettest::LocalHttpServer other;  // another port: another origin
    home.serve("/reacher.swf", reacher);
    other.serve("/reacher.swf", reacher);
    other.serve("/crossdomain.xml", "<cross-domain-policy><allow-access-from domain=\"*\"/></cross-domain-policy>");
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Reach.swf");
    ASSERT_TRUE(movie);
    const std::string children = "granting=" + other.url("/reacher.swf?grant=127.0.0.1") +
                                 ",other=" + other.url("/reacher.swf") + ",same=" + home.url("/reacher.swf");
    // child's parent, loaderInfo.loader, stage.getChildAt, own root, stage |
    // the parent sees the event's target and current target, the related
    // objects of a mouse, focus and menu event, takes the content
    const std::string seen = "seen,seen,seen,seen,seen,ok";
    const std::string hidden = "hidden,hidden,hidden!,hidden!,hidden!,2121";
    struct Case {
        const char* name;
        std::u16string grant;
        std::string expected;
    };
    const Case cases[] = {
        {"parent grants nothing", u"",
         "granting:2047,2121,2070,own,stage|" + seen + ";other:2047,2121,2070,own,stage|" + hidden +
             ";same:ok,ok,ok,own,stage|" + seen},
        {"parent grants the child's host", u"127.0.0.1",
         "granting:ok,ok,ok,own,stage|" + seen + ";other:ok,ok,ok,own,stage|" + hidden + ";same:ok,ok,ok,own,stage|" +
             seen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Played p;
        std::vector<std::pair<std::u16string, std::u16string>> parameters{{u"children", wide(children)}};
        if (!c.grant.empty())
            parameters.emplace_back(u"grant", c.grant);
        auto got = playServedUntil(p, *movie, home.url("/Reach.swf"), parameters, u"reach");
        ASSERT_TRUE(got);
        EXPECT_EQ(narrow(*got), c.expected);
        EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
    }
#endif
}

// loadBytes content is of the loading movie's origin, named after it; a
// context refusing code refuses movies; bytes of another origin without a
// policy never reach the movie to be loaded.
TEST(HaxeNet, LoadBytes) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    nettest::LocalHttpServer home;
    nettest::LocalHttpServer other;  // another port: another origin, no policy
    const std::vector<uint8_t> child = as3test::scriptChildMovie();
    home.serve("/child.swf", std::string(child.begin(), child.end()));
    other.serve("/child.swf", std::string(child.begin(), child.end()));
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Bytes.swf");
    ASSERT_TRUE(movie);
    Played p;
    const std::string url = home.url("/Bytes.swf");
    auto got = playServedUntil(p, *movie, url,
                               {{u"child", wide(home.url("/child.swf"))}, {u"foreign", wide(other.url("/child.swf"))}},
                               u"bytes");
    ASSERT_TRUE(got) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
    const std::string dynamic = url + "/[[DYNAMIC]]/1";
    // The two fetches land in either order.
    const std::string reported = narrow(*got);
    EXPECT_TRUE(reported == "fetch2048|loaded:3226,3226," + dynamic + ",true,true,true,ok" ||
                reported == "loaded:3226,3226," + dynamic + ",true,true,true,ok|fetch2048")
        << reported;
    // The content's code ran as this origin's: it may call fscommand.
    EXPECT_EQ(p.host.command(u"child"), std::u16string(dynamic.begin(), dynamic.end()));
    EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
#endif
}

// The fetch limits, narrowed through the environment, and a peer no system
// CA vouches for reach the movie's ioError: a load cut off as #2036, one
// that never began as #2035.
TEST(HaxeNet, LimitsAndTlsFailuresReachIoError) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    const nettest::NarrowedFetchLimits narrowed;
    nettest::LocalHttpServer home;
    home.route("/big.swf", [](const nettest::HttpRequest&, const nettest::LocalHttpServer::Send& send) {
        if (send("HTTP/1.0 200 OK\r\n\r\nFWS" + std::string(200, 'x')))
            (void)send(std::string(5000, 'x'));
    });
    home.route("/slow.swf", [](const nettest::HttpRequest&, const nettest::LocalHttpServer::Send& send) {
        if (send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nFWS"))
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    });
    const std::string folder = nettest::tlsFolder();
    std::unique_ptr<nettest::LocalHttpServer> secure;
    if (!folder.empty())
        secure = std::make_unique<nettest::LocalHttpServer>(
            nettest::TlsIdentity{folder + "/server.pem", folder + "/server.key"});
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Origins.swf");
    ASSERT_TRUE(movie);
    struct Case {
        std::string movie;
        std::string children;
        std::string expected;
    };
    std::vector<Case> cases = {
        {home.url("/Origins.swf"), "big=" + home.url("/big.swf") + ",slow=" + home.url("/slow.swf"),
         "big:io2036|slow:io2036"},
    };
    // Of the same origin, so that only the handshake can fail.
    if (secure)
        cases.push_back({secure->url("/Origins.swf"), "tls=" + secure->url("/child.swf"), "tls:io2035"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.children);
        Played p;
        EXPECT_EQ(playServedUntil(p, *movie, c.movie, {{u"children", wide(c.children)}}, u"origins"), wide(c.expected));
    }
#endif
}

// A movie that loads itself, each copy one deeper: the copies stop where the
// display list cannot hold another (a Loader and its content a copy, in 64
// levels), with ioError #2036 in the deepest, before its copy's code runs.
TEST(HaxeNet, AMovieLoadingItselfStopsNesting) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    std::ifstream in(std::string(AS3_HAXE_MOVIES) + "/Nesting.swf", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    nettest::LocalHttpServer home;
    home.serve("/Nesting.swf", bytes);
    auto movie = swf::parseMovie({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(movie);
    Played p;
    EXPECT_EQ(playServedUntil(p, *movie, home.url("/Nesting.swf"), {}, u"nesting"), u"31:2036");
    EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
#endif
}

// Answers only the limits stop reach a URLLoader's ioError: too many bytes,
// said or sent, too slow, redirects in a loop or a circle. No frame waits
// for them, and the endless answer is no longer read past the limit.
TEST(HaxeNet, UrlLoaderLimits) {
    REQUIRE_HAXE();
#ifdef AS3_HAXE_MOVIES
    const nettest::NarrowedFetchLimits narrowed;
    std::atomic<uint64_t> endlessSent{0};
    nettest::LocalHttpServer home;
    nettest::routeHostile(home, endlessSent);
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Http.swf");
    ASSERT_TRUE(movie);
    std::string only;
    std::string expected;
    for (const std::string path : {"/circle-a", "/declared", "/endless", "/loop", "/slow"}) {
        only += (only.empty() ? "" : ",") + path.substr(1) + "=" + home.url(path);
        expected += (expected.empty() ? "" : "|") + path.substr(1) + ":io2032";
    }
    Played p;
    p.stage = model::Stage::create(*movie);
    p.player = as3::Player::create(*p.stage, p.host, wide(home.url("/Http.swf")), {{u"only", wide(only)}});
    p.player->start();
    auto slowest = std::chrono::steady_clock::duration::zero();
    for (int i = 0; i < 500 && !p.host.command(u"loads"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto before = std::chrono::steady_clock::now();
        p.player->tick();
        slowest = std::max(slowest, std::chrono::steady_clock::now() - before);
    }
    EXPECT_EQ(p.host.command(u"loads"), wide(expected));
    EXPECT_LT(slowest, std::chrono::milliseconds(200)) << "a frame waited for the network";
    // The socket buffers hold a few MiB at most; a reader that went on would take all 256.
    EXPECT_LT(endlessSent.load(), uint64_t(32) << 20);
    EXPECT_TRUE(p.host.errors.empty()) << (p.host.errors.empty() ? "" : narrow(p.host.errors[0]));
#endif
}

}  // namespace

// --- ActionScript 1/2 movies inside an ActionScript 3 one -----------------------

namespace avm1 {

using swfwriter::Actions;

// c.method(args...) as a statement.
Actions& callOnC(Actions& a, const char* method, std::vector<swfwriter::PushValue> args) {
    const int count = int(args.size());
    std::vector<swfwriter::PushValue> reversed(args.rbegin(), args.rend());
    reversed.emplace_back(count);
    reversed.emplace_back("c");
    return a.push(reversed).getVariable().push({method}).callMethod().pop();
}

// ExternalInterface.addCallback(name, null, function(params) { body }).
void addCallback(Actions& a, const char* name, const std::vector<std::string>& params, const Actions& body) {
    a.defineFunction("", params, body);
    a.push({swfwriter::Null{}, name, 3, "ExternalInterface"}).getVariable().push({"addCallback"}).callMethod().pop();
}

// A version 8 movie of 100x50 pixels. Frame 1 draws a green 20x10 pixel
// box at (0, 0) into a new clip c, says fscommand("parent", typeof _parent)
// and fscommand("url", _url), loads vars.txt into _root, and registers the
// callbacks sum(a, b), echo(o) and boom() (which throws); it holds a blue
// button b at (30, 0) whose press says fscommand("pressed") and whose key k
// says fscommand("key"). A Selection listener says fscommand("focus",
// Selection.getFocus()) and the root's menu fscommand("menu"). Frame 2
// counts the frames it was reached in `ticks`, says it, says
// fscommand("twice", ExternalInterface.call("twice", ticks)),
// fscommand("v", v) and fscommand("quality", _quality). With `hostile`,
// frame 1 runs that instead, and the rest is never reached.
std::vector<uint8_t> oldMovie(const Actions* hostile = nullptr) {
    swfwriter::MovieWriter w({.version = 8, .width = 100, .height = 50, .frameRate = 30});
    const uint16_t blue = w.rectangle(0, 0, 400, 200, {0, 0, 255});
    swfwriter::ButtonRecordSpec record;
    record.characterId = blue;
    const uint16_t button = w.defineButton2(
        {record}, {{swf::ButtonCondition::OverUpToOverDown, 0, Actions().fscommand("pressed", "yes").bytes()},
                   {0, 'k', Actions().fscommand("key", "k").bytes()}});
    w.place(button, 2, {.matrix = swfwriter::Matrix::translate(600, 0), .name = "b"});
    Actions first;
    if (hostile) {
        first = *hostile;
    } else {
        first.push({1, "c", 2, "_root"}).getVariable().push({"createEmptyMovieClip"}).callMethod().pop();
        callOnC(first, "beginFill", {0x00FF00});
        callOnC(first, "moveTo", {0, 0});
        callOnC(first, "lineTo", {20, 0});
        callOnC(first, "lineTo", {20, 10});
        callOnC(first, "lineTo", {0, 10});
        callOnC(first, "endFill", {});
        first.push({"FSCommand:parent", "_parent"}).getVariable().typeOf().getUrl2(0);
        first.push({"FSCommand:root", "_root"}).getVariable().push({"_level0"}).getVariable().equals2().getUrl2(0);
        first.push({"ticks", "ticks"}).getVariable().push({0}).bitOr().setVariable();
        first.push({"FSCommand:url", "_url"}).getVariable().getUrl2(0);
        // Once: a load started again cancels the one before.
        first.push({"loading"}).getVariable().ifTrue("loaded");
        first.push({"loading", true}).setVariable().push({"vars.txt", "_root"}).getUrl2(0x03).label("loaded");
        addCallback(first, "sum", {"a", "b"},
                    Actions().push({"a"}).getVariable().push({"b"}).getVariable().add2().returnValue());
        addCallback(first, "echo", {"o"}, Actions().push({"o"}).getVariable().returnValue());
        addCallback(first, "boom", {}, Actions().push({"no"}).throwValue());
        first.push({"l", 0, "Object"}).newObject().setVariable().push({"l"}).getVariable().push({"onSetFocus"});
        first.defineFunction("", {"o", "n"},
                             Actions()
                                 .push({"FSCommand:focus", 0, "Selection"})
                                 .getVariable()
                                 .push({"getFocus"})
                                 .callMethod()
                                 .getUrl2(0));
        first.setMember().push({"l"}).getVariable().push({1, "Selection"}).getVariable();
        first.push({"addListener"}).callMethod().pop();
        first.push({"_root"}).getVariable().push({"menu"});
        first.defineFunction("", {}, Actions().fscommand("menu", "old"));
        first.push({1, "ContextMenu"}).newObject().setMember();
    }
    w.doAction(first);
    w.showFrame();
    w.doAction(Actions()
                   .push({"ticks", "ticks"})
                   .getVariable()
                   .increment()
                   .setVariable()
                   .push({"FSCommand:ticks", "ticks"})
                   .getVariable()
                   .getUrl2(0)
                   .push({"FSCommand:twice", "ticks"})
                   .getVariable()
                   .push({"twice", 2, "ExternalInterface"})
                   .getVariable()
                   .push({"call"})
                   .callMethod()
                   .getUrl2(0)
                   .push({"FSCommand:v", "v"})
                   .getVariable()
                   .getUrl2(0)
                   .push({"FSCommand:quality", "_quality"})
                   .getVariable()
                   .getUrl2(0));
    w.showFrame();
    return w.finish();
}

size_t countOf(const RecordingHost& host, const std::u16string& name) {
    return size_t(
        std::count_if(host.commands.begin(), host.commands.end(), [&](const auto& c) { return c.first == name; }));
}

// The arguments of the last command of that name ("" for none).
std::u16string lastOf(const RecordingHost& host, const std::u16string& name) {
    std::u16string last;
    for (const auto& [command, args] : host.commands) {
        if (command == name)
            last = args;
    }
    return last;
}

}  // namespace avm1

// The old movie's frame scripts draw inside the Loader's place, scale and
// alpha; its button hears a press there; its frames follow the AS3 clock;
// unloadAndStop ends it.
TEST(HaxeNet, Avm1MovieRunsItsScripts) {
    REQUIRE_HAXE();
    struct Case {
        std::u16string phase;
        uint32_t green;  // what the drawn box shows
    };
    for (const Case& c : {Case{u"plain", 0x00FF00}, Case{u"faded", 0x80FF80}}) {
        SCOPED_TRACE(narrow(c.phase));
        Folder folder;
        folder.write("root/old.swf", avm1::oldMovie());
        auto p = play("Avm1", folder.path / "root", c.phase);
        ASSERT_TRUE(p && p->player);
        for (int i = 0; i < 3; ++i)
            p->player->tick();
        EXPECT_EQ(p->host.command(u"loaded"), u"2,8,false,1069");
        EXPECT_EQ(p->host.command(u"parent"), u"undefined");
        EXPECT_EQ(p->host.command(u"root"), u"true");
        // The box covers stage pixels (100, 20) to (140, 40), the button
        // (160, 20) to (200, 40).
        struct Spot {
            int32_t x, y;
            uint32_t rgb;
        };
        const uint32_t blue = c.green == 0x00FF00 ? 0x0000FF : 0x8080FF;
        for (const Spot& s : {Spot{102, 22, c.green}, Spot{138, 38, c.green}, Spot{98, 22, 0xFFFFFF},
                              Spot{142, 30, 0xFFFFFF}, Spot{120, 42, 0xFFFFFF}, Spot{170, 30, blue}}) {
            SCOPED_TRACE(std::to_string(s.x) + "," + std::to_string(s.y));
            const uint32_t got = pixel(*p->stage, s.x, s.y);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(double((got >> shift) & 0xFF), double((s.rgb >> shift) & 0xFF), 2.0);
        }
        // Frame 2 comes every other frame of the AS3 movie.
        const size_t before = avm1::countOf(p->host, u"ticks");
        for (int i = 0; i < 4; ++i)
            p->player->tick();
        EXPECT_EQ(avm1::countOf(p->host, u"ticks"), before + 2);
        // The control's quality is the old movie's _quality too.
        EXPECT_EQ(avm1::lastOf(p->host, u"quality"), u"HIGH");
        p->player->setQuality(u"LOW");
        for (int i = 0; i < 2; ++i)
            p->player->tick();
        EXPECT_EQ(avm1::lastOf(p->host, u"quality"), u"LOW");
        // A press on the box is no press of the button; one on the button is.
        for (const swf::Point at : {swf::Point{2400, 600}, swf::Point{3400, 600}}) {
            p->player->mouseMove(at);
            p->player->mouseDown(at);
            p->player->mouseUp(at);
        }
        EXPECT_EQ(avm1::countOf(p->host, u"pressed"), 1u);
        auto unloaded =
            p->player->callFunction(u"<invoke name=\"unload\" returntype=\"xml\"><arguments></arguments></invoke>");
        ASSERT_TRUE(unloaded);
        const size_t ticks = avm1::countOf(p->host, u"ticks");
        for (int i = 0; i < 4; ++i)
            p->player->tick();
        EXPECT_EQ(avm1::countOf(p->host, u"ticks"), ticks);
        EXPECT_EQ(pixel(*p->stage, 102, 22), 0xFFFFFFu);
        // Only the old movie's boom() throws, and it is reported as its own.
        EXPECT_EQ(p->host.errors, std::vector<std::u16string>{u"uncaught exception: no"});
    }
}

// The old movie in data/ is a movie of its own: _url and relative loads are
// its own; its button takes the pointer only where no AS3 object lies
// above it, and keys reach it only after a press went into it and while no
// AS3 object holds the focus. AVM1Movie.call and addCallback cross both
// ways with plain values; failures answer undefined.
TEST(HaxeNet, Avm1MovieIsAMovieOfItsOwn) {
    REQUIRE_HAXE();
    Folder folder;
    folder.write("root/data/old.swf", avm1::oldMovie());
    folder.write("root/data/vars.txt", "v=data");
    folder.write("root/vars.txt", "v=root");
    auto p = play("Avm1", folder.path / "root", u"sub");
    ASSERT_TRUE(p && p->player);
    for (int i = 0; i < 6; ++i)
        p->player->tick();
    const std::u16string url = p->host.command(u"url").value_or(u"");
    EXPECT_TRUE(url.ends_with(u"/root/data/old.swf")) << narrow(url);
    const std::pair<std::u16string, std::u16string> answers[] = {
        {u"sum", u"5"}, {u"missing", u"null"}, {u"boom", u"null"}, {u"echo", u"x,2,true"}};
    for (const auto& [name, expected] : answers)
        EXPECT_EQ(p->host.command(name), expected) << narrow(name);
    // Each frame 2 asked the AS3 side for twice its count.
    std::vector<std::string> doubled, twice;
    std::u16string v;  // vars.txt arrives after the first frame 2
    for (const auto& [name, args] : p->host.commands) {
        if (name == u"v")
            v = args;
        if (name == u"ticks")
            doubled.push_back(std::to_string(2 * std::stoi(narrow(args))));
        if (name == u"twice")
            twice.push_back(narrow(args));
    }
    ASSERT_FALSE(doubled.empty());
    EXPECT_EQ(twice, doubled);
    EXPECT_EQ(v, u"data");

    // Stage (170, 30) is the old button's; (190, 30) is on it too, under the
    // cover. The old movie's focus rectangle, shown, rims the button at
    // (170, 20) in yellow. Its Selection listener reports each focus change.
    enum class Do { Key, Press, FocusCover, Tab, RightPress };
    struct Step {
        const char* what;
        Do action;
        double x;
        size_t keys, presses, covers, menus;
        std::u16string focus;  // the last focus the old movie reported
        uint32_t rim;
    };
    constexpr uint32_t Blue = 0x0000FF, Yellow = 0xFFFF00;
    const std::u16string button = u"_level0.b";
    const Step steps[] = {
        {"a key before any press", Do::Key, 0, 0, 0, 0, 0, u"", Blue},
        {"a press on the cover", Do::Press, 3800, 0, 0, 1, 0, u"", Blue},
        {"a key while the cover has the focus", Do::Key, 0, 0, 0, 1, 0, u"", Blue},
        {"a press on the button", Do::Press, 3400, 0, 1, 1, 0, button, Blue},
        {"a key after it", Do::Key, 0, 1, 1, 1, 0, button, Blue},
        {"Tab in the old movie", Do::Tab, 0, 1, 1, 1, 0, button, Yellow},
        {"a right press on the old button", Do::RightPress, 3400, 1, 1, 1, 1, button, Yellow},
        {"a right press on the cover", Do::RightPress, 3800, 1, 1, 1, 1, button, Yellow},
        {"a press on the AS3 stage", Do::Press, 1000, 1, 1, 1, 1, u"null", Blue},
        {"a key then", Do::Key, 0, 1, 1, 1, 1, u"null", Blue},
        {"the button pressed again", Do::Press, 3400, 1, 2, 1, 1, button, Blue},
        {"Tab again", Do::Tab, 0, 1, 2, 1, 1, button, Yellow},
        {"stage.focus set by AS3", Do::FocusCover, 0, 1, 2, 1, 1, u"null", Blue},
        {"a key after it", Do::Key, 0, 1, 2, 1, 1, u"null", Blue},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.action == Do::Key || s.action == Do::Tab) {
            const uint32_t code = s.action == Do::Key ? 75 : 9;
            const uint32_t ascii = s.action == Do::Key ? 'k' : 0;
            p->player->keyDown(code, ascii);
            p->player->keyUp(code, ascii);
        } else if (s.action == Do::Press) {
            p->player->mouseMove({s.x, 600});
            p->player->mouseDown({s.x, 600});
            p->player->mouseUp({s.x, 600});
        } else if (s.action == Do::RightPress) {
            p->player->mouseMove({s.x, 600});
            p->player->contextMenu({s.x, 600});
        } else {
            ASSERT_TRUE(p->player->callFunction(
                u"<invoke name=\"focusCover\" returntype=\"xml\"><arguments></arguments></invoke>"));
        }
        EXPECT_EQ(avm1::countOf(p->host, u"key"), s.keys);
        EXPECT_EQ(avm1::countOf(p->host, u"pressed"), s.presses);
        EXPECT_EQ(avm1::countOf(p->host, u"cover"), s.covers);
        EXPECT_EQ(avm1::countOf(p->host, u"menu"), s.menus);
        EXPECT_EQ(avm1::lastOf(p->host, u"focus"), s.focus);
        EXPECT_EQ(pixel(*p->stage, 170, 20), s.rim);
    }
    // Tab is the AS3 movie's again; its rectangle outlives the old movie's
    // frames and pointer events.
    p->player->keyDown(9, 0);
    p->player->keyUp(9, 0);
    p->player->tick();
    p->player->mouseMove({2400, 600});
    EXPECT_EQ(p->stage->focusHighlight(), (swf::Rect{3700, 4000, 400, 800}));
}

// Scripts of an old movie that run away or recurse forever are stopped and
// reported as an ActionScript 2 root's are; one that tries to move, copy or
// remove its root leaves the Loader's child alone. The AS3 movie plays on.
TEST(HaxeNet, Avm1MovieLimits) {
    REQUIRE_HAXE();
    using swfwriter::Actions;
    struct Case {
        const char* name;
        Actions actions;
        bool fails;
    };
    Actions loop;
    loop.label("again").jump("again");
    Actions recursion;
    recursion.defineFunction("f", {}, Actions().push({0, "f"}).callFunction().returnValue())
        .push({0, "f"})
        .callFunction()
        .pop();
    Actions escape;
    for (const char* method : {"swapDepths", "removeMovieClip"})
        escape.push({5, 1, "_root"}).getVariable().push({method}).callMethod().pop();
    escape.push({3, "copy", 2, "_root"}).getVariable().push({"duplicateMovieClip"}).callMethod().pop();
    const Case cases[] = {{"loop", loop, true}, {"recursion", recursion, true}, {"escape", escape, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        folder.write("root/old.swf", avm1::oldMovie(&c.actions));
        auto p = play("Avm1", folder.path / "root", u"plain");
        ASSERT_TRUE(p && p->player);
        for (int i = 0; i < 4; ++i)
            p->player->tick();
        EXPECT_EQ(p->host.command(u"loaded"), u"2,8,false,1069");
        EXPECT_EQ(p->host.errors.empty(), !c.fails);
        // Still the Loader's child where it was: the button takes a press.
        p->player->mouseMove({3400, 600});
        p->player->mouseDown({3400, 600});
        EXPECT_EQ(avm1::countOf(p->host, u"pressed"), 1u);
        EXPECT_EQ(pixel(*p->stage, 170, 30), 0x0000FFu);
    }
}
