// The slot order of the player and loader tables is the binary interface that
// embedding applications compile against: these calls go through the raw
// tables by position, as such an application's compiled code does.
#include "movie_loader.h"

#include "hosting_test_support.h"
#include "test_support.h"

#include <cstring>

namespace {

using moviehost::testing::PlayerTest;

// The entry at `slot` of the table of `object`, typed as the caller knows it.
template <typename Function, typename Object>
Function slot(Object* object, std::size_t slot) {
    void* const* table = nullptr;
    std::memcpy(&table, object, sizeof table);
    Function function = nullptr;
    std::memcpy(&function, &table[slot], sizeof function);
    return function;
}

class PlayerSlotTest : public PlayerTest {};

TEST_F(PlayerSlotTest, OperationsAnswerAtTheirSlots) {
    auto owned = make(640, 480);
    ASSERT_NE(nullptr, owned->Control());
    IMoviePlayer* player = owned.get();
    auto& fake = latestFake();

    slot<void (*)(IMoviePlayer*, LONG)>(player, 0)(player, 1234);
    EXPECT_EQ(1234, (slot<LONG (*)(IMoviePlayer*)>(player, 1)(player))) << "slot 1 GetUserValue";

    fake.clearLog();
    const platform::WideString movie = moviehost::testing::wide("clip.swf");
    EXPECT_TRUE((slot<bool (*)(IMoviePlayer*, LPCWSTR)>(player, 7)(player, movie.c_str()))) << "slot 7 OpenMovie";
    EXPECT_EQ(std::vector<std::string>{"put_Movie(\"clip.swf\")"}, fake.log());

    fake.clearLog();
    slot<void (*)(IMoviePlayer*, LONG, LONG)>(player, 31)(player, 800, 600);
    EXPECT_EQ(std::vector<std::string>{"SetObjectRects({0,0,800,600}, {0,0,800,600})"}, fake.log({"SetObjectRects"}))
        << "slot 31 ResizeSurface";

    const RECT* bounds = nullptr;
    const RECT* first = nullptr;
    LONG count = 0;
    EXPECT_TRUE(
        (slot<bool (*)(IMoviePlayer*, const RECT**, const RECT**, LONG*)>(player, 32)(player, &bounds, &first, &count)))
        << "slot 32 CollectDirtyRects";
    EXPECT_EQ(std::vector<std::string>{"{0,0,800,600}"}, moviehost::testing::rectTexts(first, count));

    moviehost::testing::DibSurface bitmap(800, 600);
    fake.clearLog();
    slot<void (*)(IMoviePlayer*, HDC)>(player, 33)(player, bitmap.dc());
    EXPECT_EQ(1u, fake.log({"Draw"}).size()) << "slot 33 DrawDirtyRegion";

    fake.clearLog();
    EXPECT_EQ(S_OK, (slot<HRESULT (*)(IMoviePlayer*, LONG, LONG)>(player, 34)(player, 15, 25)));
    EXPECT_EQ(S_OK, (slot<HRESULT (*)(IMoviePlayer*, LONG, LONG, LONG, bool)>(player, 35)(player, 10, 20, 0, true)));
    EXPECT_EQ(
        (std::vector<std::string>{"OnWindowMessage(0x200, 0x0, 0x19000f)", "OnWindowMessage(0x201, 0x1, 0x14000a)"}),
        fake.log())
        << "slot 34 MoveMouse, slot 35 ChangeMouseButton";

    EXPECT_EQ(0, (slot<LONG (*)(IMoviePlayer*)>(player, 45)(player))) << "slot 45 ListenerCount";
}

#if !defined(_MSC_VER)
// Itanium tables hold two destructor entries after the operations: the
// complete-object one, then the deleting one that frees the player.
TEST_F(PlayerSlotTest, TheDeletingDestructorComesAfterTheLastOperation) {
    IMoviePlayer* player = make(64, 48).release();
    ASSERT_NE(nullptr, player);
    auto& fake = latestFake();
    slot<void (*)(IMoviePlayer*)>(player, 47)(player);
    EXPECT_EQ(std::vector<std::string>{"Close(1)"}, fake.log({"Close"}));
    EXPECT_EQ(1u, fake.refCount()) << "only this test's handle is left";
}
#endif

TEST(LoaderSlots, OperationsAnswerAtTheirSlots) {
    moviehost::testing::TempFile registry(".reg");
    registry.write("Windows Registry Editor Version 5.00\n");
    moviehost::testing::ScopedEnv env("MOVIEHOST_REGISTRY", registry.path());
    moviehost::CMovieLoader loader;
    IMovieLoader* table = &loader;

    EXPECT_FALSE((slot<bool (*)(IMovieLoader*, DWORD, DWORD, DWORD)>(table, 3)(table, 1, 2, 3))) << "slot 3 ReservedA";
    EXPECT_FALSE((slot<bool (*)(IMovieLoader*, DWORD, DWORD)>(table, 4)(table, 0xFFFFFFFF, 0))) << "slot 4 ReservedB";
    slot<void (*)(IMovieLoader*, IMoviePlayer*)>(table, 2)(table, nullptr);  // slot 2 DeletePlayer(null): nothing
    EXPECT_EQ(nullptr, (slot<IMoviePlayer* (*)(IMovieLoader*, LONG, LONG)>(table, 1)(table, 0, 10)))
        << "slot 1 NewPlayer with no area";
    EXPECT_EQ(0.0, (slot<double (*)(IMovieLoader*)>(table, 0)(table))) << "slot 0: no control registered";
}

}  // namespace
