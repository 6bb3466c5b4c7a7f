// The loader: where it looks for the control library, and how it makes,
// refuses and gives back players. Registry files are written by the tests.
#include "control_library_path.h"
#include "movie_loader.h"

#include "hosting_test_support.h"
#include "test_support.h"

#include "platform/com_error.h"

namespace {

using moviehost::CMovieLoader;
using moviehost::testing::PlayerTest;
using moviehost::testing::registryFor;
using moviehost::testing::wide;

const std::string KHeader = "Windows Registry Editor Version 5.00\n\n";
const std::string KServerKey = "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n";

// UTF-16LE bytes of `text` with its terminator, as regedit writes hex values.
std::string hexOf(const std::string& text, bool terminated = true) {
    std::string hex;
    char byte[8];
    for (const char c : text) {
        std::snprintf(byte, sizeof byte, "%02x,00,", static_cast<unsigned char>(c));
        hex += byte;
    }
    if (terminated)
        hex += "00,00";
    else
        hex.pop_back();
    return hex;
}

std::string libraryFoundWith(const std::string& registryText) {
    moviehost::testing::TempFile registry(".reg");
    registry.write(registryText);
    moviehost::testing::ScopedEnv env("MOVIEHOST_REGISTRY", registry.path());
    WCHAR path[MAX_PATH];
    std::fill(std::begin(path), std::end(path), WCHAR{'#'});
    const bool registered = moviehost::FindControlLibrary(path);
    EXPECT_EQ(0, path[MAX_PATH - 1]) << "the buffer always ends in a zero";
    const std::string found = platform::utf16_to_utf8(path);
    EXPECT_EQ(found != "flash10c.ocx", registered) << "only the registry's own value counts as registered";
    return found;
}

TEST(FindControlLibrary, RegistryCases) {
    const std::string longest(MAX_PATH - 1, 'a');  // with its terminator it fills the buffer
    struct Case {
        const char* name;
        std::string registry;
        std::string expected;
    };
    const Case cases[] = {
        {"no registry file", "", "flash10c.ocx"},
        {"no entry for the control",
         KHeader + "[HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-0000-000000000001}]\n@=\"x\"\n", "flash10c.ocx"},
        {"a plain path", KHeader + KServerKey + "@=\"/opt/flash/control.so\"\n", "/opt/flash/control.so"},
        {"key case does not matter",
         KHeader + "[hkey_classes_root\\clsid\\{d27cdb6e-ae6d-11cf-96b8-444553540000}\\inprocserver32]\n@=\"/x.so\"\n",
         "/x.so"},
        {"REG_EXPAND_SZ is not used", KHeader + KServerKey + "@=hex(2):" + hexOf("/opt/%HOME%/control.so") + "\n",
         "flash10c.ocx"},
        {"REG_DWORD is not used", KHeader + KServerKey + "@=dword:00000001\n", "flash10c.ocx"},
        {"only a named value", KHeader + KServerKey + "\"ThreadingModel\"=\"Apartment\"\n", "flash10c.ocx"},
        {"a value that just fits", KHeader + KServerKey + "@=\"" + longest + "\"\n", longest},
        {"a value one character too long", KHeader + KServerKey + "@=\"" + longest + "b\"\n", "flash10c.ocx"},
        {"a value far too long", KHeader + KServerKey + "@=\"" + std::string(1000, 'c') + "\"\n", "flash10c.ocx"},
        {"a REG_SZ that fills the buffer without a terminator",
         KHeader + KServerKey + "@=hex(1):" + hexOf(std::string(MAX_PATH, 'd'), false) + "\n", "flash10c.ocx"},
        {"an empty value", KHeader + KServerKey + "@=\"\"\n", ""},
        {"not a registry file at all", "\x01\x02 garbage [[[ \n@=\"/nope\"\n", "flash10c.ocx"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, libraryFoundWith(c.registry)) << c.name;
}

// Without a registry entry: the fixed name (found beside the executable),
// then the package's folder from the executable's folder, then its installed
// folder.
TEST(FallbackControlLibraries, SearchOrder) {
    struct Case {
        const char* name;
        std::u16string executable, fromExecutable, installed;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"an installed program",
         u"/opt/mh/bin/moviehost",
         u"../lib/moviehost",
         u"/opt/mh/lib/moviehost",
         {"flash10c.ocx", "/opt/mh/bin/../lib/moviehost/flash10c.ocx", "/opt/mh/lib/moviehost/flash10c.ocx"}},
        {"folders that end in a slash",
         u"/a/app",
         u"../lib/moviehost/",
         u"/usr/lib/moviehost/",
         {"flash10c.ocx", "/a/../lib/moviehost/flash10c.ocx", "/usr/lib/moviehost/flash10c.ocx"}},
        {"an executable at the root",
         u"/app",
         u"../lib/moviehost",
         u"",
         {"flash10c.ocx", "/../lib/moviehost/flash10c.ocx"}},
        {"the executable unknown", u"", u"../lib/moviehost", u"/i", {"flash10c.ocx", "/i/flash10c.ocx"}},
        {"an executable without a folder", u"app", u"../lib/moviehost", u"/i", {"flash10c.ocx", "/i/flash10c.ocx"}},
        {"no package folders", u"/a/app", u"", u"", {"flash10c.ocx"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> found;
        for (const std::u16string& file :
             moviehost::FallbackControlLibraries(c.executable, c.fromExecutable, c.installed))
            found.push_back(platform::utf16_to_utf8(file));
        EXPECT_EQ(c.expected, found) << c.name;
    }
}

class LoaderTest : public PlayerTest {
protected:
    void useRegistry(const std::string& text) {
        m_registry.write(text);
        m_env.emplace("MOVIEHOST_REGISTRY", m_registry.path());
    }

    moviehost::testing::TempFile m_registry{".reg"};
    std::optional<moviehost::testing::ScopedEnv> m_env;
};

TEST_F(LoaderTest, PlayersComeFromTheRegisteredLibrary) {
    useRegistry(registryFor(FAKE_CONTROL_MODULE_PATH));
    CMovieLoader loader;
    ASSERT_NE(nullptr, loader.Library());
    EXPECT_NE(nullptr, GetProcAddress(loader.Library(), "DllGetClassObject"));

    IMoviePlayer* player = loader.NewPlayer(320, 240);
    ASSERT_NE(nullptr, player);
    ASSERT_EQ(1u, controlsCreated());
    auto& fake = latestFake();
    loader.DeletePlayer(player);
    EXPECT_EQ(std::vector<std::string>{"Close(1)"}, fake.log({"Close"}));
    EXPECT_EQ(1u, fake.refCount());
    loader.DeletePlayer(nullptr);
    EXPECT_FALSE(loader.ReservedA(1, 2, 3));
    EXPECT_FALSE(loader.ReservedB(0xFFFFFFFF, 0));
}

TEST_F(LoaderTest, SizesThatCannotBeDrawnGiveNoPlayer) {
    useRegistry(registryFor(FAKE_CONTROL_MODULE_PATH));
    CMovieLoader loader;
    const std::pair<LONG, LONG> refused[] = {
        {0, 10},
        {10, 0},
        {-1, 10},
        {10, -1},
        {0, 0},
        {-2147483647 - 1, -2147483647 - 1},
        {65536, 65536},
        {46341, 46341},
        {536870912, 1},
        {1, 536870912},
        {2147483647, 2147483647},
    };
    for (const auto& [width, height] : refused) {
        const std::optional<std::size_t> before = moviehost::testing::heapInUse();
        IMoviePlayer* player = loader.NewPlayer(width, height);
        const std::optional<std::size_t> after = moviehost::testing::heapInUse();
        EXPECT_EQ(nullptr, player) << width << "x" << height;
        EXPECT_EQ(before, after) << width << "x" << height << ": nothing is left allocated";
        loader.DeletePlayer(player);
    }
    EXPECT_EQ(0u, controlsCreated()) << "no control was even created";

    // The largest surface whose bytes still fit a signed 32-bit count.
    IMoviePlayer* largest = loader.NewPlayer(536870911, 1);
    EXPECT_NE(nullptr, largest);
    loader.DeletePlayer(largest);
}

TEST_F(LoaderTest, AControlThatCannotBeCreatedLeavesNoPlayer) {
    useRegistry(registryFor(NO_FACTORY_MODULE_PATH));
    CMovieLoader loader;
    ASSERT_NE(nullptr, loader.Library());
    EXPECT_EQ(nullptr, loader.NewPlayer(320, 240));
    EXPECT_TRUE(
        moviehost::testing::runsWithoutHeapGrowth([&] { loader.DeletePlayer(loader.NewPlayer(320, 240)); }, 100));
}

TEST_F(LoaderTest, ARaisingControlPassesItsErrorThroughNewPlayer) {
    useRegistry(registryFor(FAKE_CONTROL_MODULE_PATH));
    CMovieLoader loader;
    configure([](fake_control::FakeControl& c) { c.setResult("put_Quality2", E_ACCESSDENIED); });
    try {
        static_cast<void>(loader.NewPlayer(320, 240));
        FAIL() << "expected _com_error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_ACCESSDENIED, error.Error());
    }
    EXPECT_EQ(1u, latestFake().refCount()) << "the partly built player gave everything back";
}

TEST_F(LoaderTest, TheVersionComesFromTheRegisteredControl) {
    useRegistry(registryFor(FAKE_CONTROL_MODULE_PATH));
    CMovieLoader loader;
    EXPECT_EQ(10.0, loader.QueryControlVersion());
    configure([](fake_control::FakeControl& c) { c.state().flashVersion = 10 * 65536 + 1; });
    EXPECT_EQ(10.0 + 1.0 / 65536.0, loader.QueryControlVersion());
    configure([](fake_control::FakeControl& c) { c.state().flashVersion = 9 * 65536 + 0x8000; });
    EXPECT_EQ(9.5, loader.QueryControlVersion());
    EXPECT_EQ(3u, controlsCreated());

    configure([](fake_control::FakeControl& c) { c.setResult("FlashVersion", E_FAIL, u"no version"); });
    try {
        static_cast<void>(loader.QueryControlVersion());
        FAIL() << "expected _com_error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_FAIL, error.Error());
        EXPECT_EQ(u"no version", error.Description());
    }
    EXPECT_EQ(1u, latestFake().refCount()) << "both references went back before the error left";
    for (auto& fake : m_fakes)
        EXPECT_EQ(fake.addRefCalls(), fake.releaseCalls());
}

TEST_F(LoaderTest, AnUnregisteredControlHasNoVersionButItsLibraryStillServes) {
    useRegistry(registryFor(FAKE_CONTROL_MODULE_PATH));
    CMovieLoader loader;
    ASSERT_NE(nullptr, loader.Library());
    useRegistry(KHeader);  // the registry is read afresh by every lookup
    EXPECT_EQ(0.0, loader.QueryControlVersion());
    EXPECT_EQ(0u, controlsCreated());
    IMoviePlayer* player = loader.NewPlayer(64, 48);
    EXPECT_NE(nullptr, player) << "built through the loaded library";
    loader.DeletePlayer(player);
}

TEST_F(LoaderTest, WithoutALibraryPlayersComeFromTheRegisteredServer) {
    // The registered path is a file but no library, so the loader holds none;
    // players then come through CoCreateInstance, which reads the registry anew.
    useRegistry(registryFor(SOURCE_FILE_PATH));
    CMovieLoader loader;
    ASSERT_EQ(nullptr, loader.Library());
    EXPECT_EQ(nullptr, loader.NewPlayer(64, 48)) << "the registered server does not load either";

    useRegistry(registryFor(FAKE_CONTROL_MODULE_PATH));
    IMoviePlayer* player = loader.NewPlayer(64, 48);
    ASSERT_NE(nullptr, player);
    EXPECT_EQ(1u, controlsCreated());
    loader.DeletePlayer(player);
}

TEST_F(LoaderTest, ALibraryThatDoesNotLoadLeavesTheHandleEmpty) {
    useRegistry(registryFor(SOURCE_FILE_PATH));  // a file, but no library
    CMovieLoader loader;
    EXPECT_EQ(nullptr, loader.Library());
    EXPECT_EQ(nullptr, loader.NewPlayer(64, 48));
    EXPECT_EQ(0.0, loader.QueryControlVersion());
}

}  // namespace
