// The process's one loader, built during static initialisation before main.
// CTest runs this program once per scenario, each time with the registry file
// the scenario needs in MOVIEHOST_REGISTRY.
#include "control_library_path.h"
#include "movie_loader.h"

#include "fake_control/fake_control.h"
#include "platform/library.h"

#include <gtest/gtest.h>

namespace {

moviehost::CMovieLoader& theLoader() {
    IMovieLoader* loader = GetMovieLoader();
    EXPECT_EQ(loader, GetMovieLoader()) << "always the same loader";
    return *static_cast<moviehost::CMovieLoader*>(loader);
}

// Registry: the control's server is the fake control module.
TEST(RegisteredControl, TheLibraryWasLoadedAndServesPlayers) {
    auto& loader = theLoader();
    ASSERT_NE(nullptr, loader.Library());
    EXPECT_NE(nullptr, GetProcAddress(loader.Library(), "DllGetClassObject"));

    int created = 0;
    fake_control::FakeControl::setCreationHook([&](fake_control::FakeControl&) { ++created; });
    IMoviePlayer* player = loader.NewPlayer(320, 240);
    ASSERT_NE(nullptr, player);
    EXPECT_EQ(1, created);
    EXPECT_TRUE(player->OpenMovie(u"movie.swf"));
    loader.DeletePlayer(player);
    EXPECT_EQ(10.0, loader.QueryControlVersion());
    EXPECT_EQ(2, created);
    fake_control::FakeControl::setCreationHook({});
}

TEST(RegisteredControl, ComWasInitialisedOnThisThread) {
    static_cast<void>(theLoader());
    // A second initialisation of an initialised thread answers S_FALSE.
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
    CoUninitialize();
}

// Registry: missing, or not a registry file at all.
TEST(NoRegistry, TheFixedNameWasTried) {
    auto& loader = theLoader();
    platform::ScopedLibrary fallback(LoadLibraryW(moviehost::kFallbackControlLibrary));
    EXPECT_EQ(fallback.get(), loader.Library());
    if (loader.Library() == nullptr) {
        EXPECT_EQ(nullptr, loader.NewPlayer(320, 240)) << "no library and no registered server";
        EXPECT_EQ(0.0, loader.QueryControlVersion());
    }
    loader.DeletePlayer(nullptr);
}

// Registry: the server is a file that is not a library.
TEST(BrokenLibrary, NothingWasLoadedAndNoPlayerIsMade) {
    auto& loader = theLoader();
    EXPECT_EQ(nullptr, loader.Library());
    EXPECT_EQ(nullptr, loader.NewPlayer(320, 240));
    EXPECT_EQ(0.0, loader.QueryControlVersion());
}

}  // namespace
