// flash.net in a haxe movie: the files it loads are written next to its
// location in a folder of the test's own, and its shared objects go to a
// store there too.
#include "as3/player.h"

#include "recording_host.h"

#include "swf/movie.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

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
         "outside:security2048|scheme:security2048|text:open,progress10/10,status0,complete=Hello, net,10/10|"
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

}  // namespace
