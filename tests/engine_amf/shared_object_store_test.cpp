#include "amf/shared_object_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moviehost-store-XXXXXX";
        m_folder = fs::path(::mkdtemp(pattern));
    }
    void TearDown() override { fs::remove_all(m_folder); }
    fs::path m_folder;
};

TEST_F(StoreTest, NamesAndLocalPathsFollowTheFormatsRules) {
    const amf::SharedObjectStore store(m_folder);
    struct Case {
        const char* name;
        std::optional<std::string_view> localPath;
        const char* expected;  // relative to the store, or nullptr when refused
    } cases[] = {
        {"scores", std::nullopt, "example.com/games/pong.swf/scores.sol"},
        {"scores", "/", "example.com/scores.sol"},
        {"scores", "/games", "example.com/games/scores.sol"},
        {"scores", "/games/", "example.com/games/scores.sol"},
        {"a/b", "/", "example.com/a/b.sol"},
        {"scores", "/gam", nullptr},  // not a folder of the movie's path
        {"scores", "/other", nullptr},
        {"a b", std::nullopt, nullptr},
        {"a~b", std::nullopt, nullptr},
        {"a#b", std::nullopt, nullptr},
        {"../x", std::nullopt, nullptr},
        {"", std::nullopt, nullptr},
        {"/", std::nullopt, nullptr},
    };
    for (const auto& c : cases) {
        auto path = store.pathFor("example.com", "/games/pong.swf", c.name, c.localPath);
        if (c.expected == nullptr) {
            EXPECT_FALSE(path) << c.name;
        } else {
            ASSERT_TRUE(path) << c.name << ": " << path.error();
            EXPECT_EQ(*path, m_folder / c.expected);
        }
    }
    auto local = store.pathFor("", "/home/u/m.swf", "s");
    ASSERT_TRUE(local);
    EXPECT_EQ(*local, m_folder / "localhost/home/u/m.swf/s.sol");
    EXPECT_FALSE(store.pathFor("", "/home/../m.swf", "s"));
}

TEST_F(StoreTest, WritesAtomicallyWithinTheLimit) {
    const amf::SharedObjectStore store(m_folder, 1000);
    const fs::path file = store.pathFor("localhost", "/m.swf", "s").value();
    EXPECT_EQ(store.read(file).value(), "");  // nothing stored yet
    ASSERT_TRUE(store.write(file, "first"));
    EXPECT_EQ(store.read(file).value(), "first");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);  // private to the user

    auto tooLarge = store.write(file, std::string(1001, 'x'));
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(store.read(file).value(), "first");  // the old data stays whole
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(file.parent_path()))
        ++entries;
    EXPECT_EQ(entries, 1u);  // no temporary file left behind

    ASSERT_TRUE(store.remove(file));
    EXPECT_EQ(store.read(file).value(), "");
}

TEST(Store, FollowsXdgDataHome) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    setenv("XDG_DATA_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(amf::SharedObjectStore::fromEnvironment().folder(), fs::path("/tmp/xdg-test/moviehost"));
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(amf::SharedObjectStore::fromEnvironment().folder(), fs::path("/home/someone/.local/share/moviehost"));
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
