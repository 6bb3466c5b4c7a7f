// Drawing the dirty region into the caller's bitmap, opaque and with alpha
// from two renders, and resizing. Expected pixels follow from the fake's
// documented picture: blue = x, green = y, red = the number of Draw calls so
// far; in the transparent aspect columns 0-3 of every 12 are covered, 4-7
// uncovered and 8-11 half covered.
#include "alpha_pass.h"

#include "hosting_test_support.h"

#include "platform/com_error.h"

namespace {

using moviehost::testing::PlayerTest;
using moviehost::testing::rectText;
using moviehost::testing::regionIs;

constexpr DWORD KMarker = 0x5A5A5A5A;

class DrawingTest : public PlayerTest {
protected:
    // A player of the given size whose construction-time whole-surface
    // invalidation has already been drawn, so each test sets its own record.
    void start(LONG width, LONG height) {
        m_player = make(width, height);
        ASSERT_NE(nullptr, m_player->Control());
        moviehost::testing::DibSurface scratch(width, height);
        m_player->DrawDirtyRegion(scratch.dc());
        latestFake().clearLog();
    }

    void invalidate(const RECT& r) { ASSERT_EQ(S_OK, latestFake().invalidateRect(&r)); }

    [[nodiscard]] bool dirty() { return m_player->CollectDirtyRects(nullptr, nullptr, nullptr); }

    std::unique_ptr<moviehost::CMoviePlayer> m_player;
};

TEST(AlphaPass, BlueOverBlackMinusBlueOverWhiteMinusOneWraps) {
    // One row of four pixels, the box covering the middle two... and then all.
    struct Pixel {
        BYTE black;
        BYTE white;
        BYTE alpha;
    };
    const Pixel pixels[] = {{255, 255, 255}, {0, 255, 0}, {64, 191, 128}, {10, 5, 4}};
    BYTE black[16] = {};
    BYTE white[16] = {};
    for (int i = 0; i < 4; ++i) {
        black[i * 4] = pixels[i].black;
        black[i * 4 + 1] = 11;
        black[i * 4 + 2] = 22;
        black[i * 4 + 3] = 99;
        white[i * 4] = pixels[i].white;
    }
    moviehost::ComputeAlpha(black, white, 4, RECT{1, 0, 3, 1});
    EXPECT_EQ(99, black[3]) << "left of the box";
    EXPECT_EQ(0, black[7]);
    EXPECT_EQ(128, black[11]);
    EXPECT_EQ(99, black[15]) << "right of the box";

    moviehost::ComputeAlpha(black, white, 4, RECT{0, 0, 4, 1});
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixels[i].alpha, black[i * 4 + 3])
            << "blue " << int(pixels[i].black) << " over black, " << int(pixels[i].white) << " over white";
        EXPECT_EQ(pixels[i].black, black[i * 4]) << "colour bytes stay";
        EXPECT_EQ(11, black[i * 4 + 1]);
        EXPECT_EQ(22, black[i * 4 + 2]);
    }
}

TEST(AlphaPass, RowsStartAtYTimesWidth) {
    // A 3 x 3 surface, box (1,1)-(2,3): only pixels (1,1) and (1,2) change.
    BYTE black[36] = {};
    BYTE white[36] = {};
    moviehost::ComputeAlpha(black, white, 3, RECT{1, 1, 2, 3});
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            const bool inside = x == 1 && y >= 1;
            EXPECT_EQ(inside ? 255 : 0, black[(y * 3 + x) * 4 + 3]) << "pixel " << x << "," << y;
        }
    }
}

TEST_F(DrawingTest, ACleanPlayerDrawsNothing) {
    start(64, 48);
    moviehost::testing::DibSurface bitmap(64, 48);
    bitmap.fill(KMarker);
    m_player->DrawDirtyRegion(bitmap.dc());
    EXPECT_TRUE(latestFake().log().empty()) << "no call reaches the control";
    EXPECT_EQ(KMarker, bitmap.value(0, 0));
    platform::ScopedRegion clip(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(0, GetClipRgn(bitmap.dc(), clip.get())) << "the caller's context is not touched";
}

TEST_F(DrawingTest, OpaquePathFillsTheRegionThenDrawsIntoIt) {
    start(64, 48);
    auto& fake = latestFake();
    fake.state().backgroundColor = 0x00112233;  // red 0x33, green 0x22, blue 0x11
    fake.setResult("Draw", E_FAIL);             // keep the fill visible
    invalidate(RECT{10, 10, 20, 20});
    moviehost::testing::DibSurface bitmap(64, 48);
    bitmap.fill(KMarker);
    m_player->DrawDirtyRegion(bitmap.dc());
    EXPECT_EQ((std::vector<std::string>{"QueryInterface(IViewObject)", "get_BackgroundColor()",
                                        "Draw(16, 1, null, null, null, hdc, {0,0,64,48}, {0,0,64,48}, null, 0)"}),
              fake.log());
    EXPECT_EQ(0x00332211u, bitmap.value(10, 10)) << "blue, green, red of the colour, 0 in the fourth byte";
    EXPECT_EQ(0x00332211u, bitmap.value(19, 19));
    EXPECT_EQ(KMarker, bitmap.value(9, 10));
    EXPECT_EQ(KMarker, bitmap.value(20, 19));
    EXPECT_FALSE(dirty()) << "the record is reset";

    fake.clearResults();
    invalidate(RECT{10, 10, 20, 20});
    m_player->DrawDirtyRegion(bitmap.dc());
    const DWORD n = fake.state().drawCount;
    EXPECT_EQ(n << 16 | 15u << 8 | 12u, bitmap.value(12, 15)) << "the control's picture, at surface coordinates";
    EXPECT_EQ(KMarker, bitmap.value(25, 25));
}

TEST_F(DrawingTest, ModesOtherThanTwoDrawOpaque) {
    start(32, 32);
    auto& fake = latestFake();
    for (const LONG mode : {0, 1, 5, -1}) {
        m_player->ApplyTransparency(mode);
        invalidate(RECT{0, 0, 8, 8});
        fake.clearLog();
        moviehost::testing::DibSurface bitmap(32, 32);
        m_player->DrawDirtyRegion(bitmap.dc());
        EXPECT_EQ((std::vector<std::string>{"QueryInterface(IViewObject)", "get_BackgroundColor()",
                                            "Draw(16, 1, null, null, null, hdc, {0,0,32,32}, {0,0,32,32}, null, 0)"}),
                  fake.log())
            << "mode " << mode;
        EXPECT_FALSE(m_player->BlackSurface().Exists()) << "mode " << mode << " needs no private surfaces";
    }
}

TEST_F(DrawingTest, TheRegionStaysSelectedAsTheCallersClipRegion) {
    start(64, 48);
    invalidate(RECT{0, 0, 10, 10});
    invalidate(RECT{20, 20, 30, 30});
    moviehost::testing::DibSurface bitmap(64, 48);
    m_player->DrawDirtyRegion(bitmap.dc());
    platform::ScopedRegion clip(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(1, GetClipRgn(bitmap.dc(), clip.get()));
    EXPECT_TRUE(regionIs(clip.get(), {RECT{0, 0, 10, 10}, RECT{20, 20, 30, 30}}));
}

TEST_F(DrawingTest, AlphaPathRendersTheSquaresAndCopiesTheirBox) {
    start(64, 48);
    auto& fake = latestFake();
    m_player->ApplyTransparency(2);
    invalidate(RECT{0, 0, 10, 10});
    invalidate(RECT{20, 20, 30, 30});
    fake.clearLog();
    moviehost::testing::DibSurface bitmap(64, 48);
    bitmap.fill(KMarker);
    m_player->DrawDirtyRegion(bitmap.dc());

    EXPECT_EQ((std::vector<std::string>{"QueryInterface(IViewObject)",
                                        "Draw(32, 1, null, null, null, hdc, {0,0,64,48}, {0,0,64,48}, null, 0)",
                                        "Draw(32, 1, null, null, null, hdc, {0,0,64,48}, {0,0,64,48}, null, 0)"}),
              fake.log())
        << "no background colour is asked for in this mode";
    const DWORD overBlack = fake.state().drawCount - 1;  // red of the first render

    // Covered, uncovered and half-covered columns inside the squares.
    EXPECT_EQ(0xFF000000u | overBlack << 16 | 0u << 8 | 0u, bitmap.value(0, 0));
    EXPECT_EQ(0x00000000u, bitmap.value(4, 0)) << "uncovered: 0 over black, 255 over white";
    EXPECT_EQ(0x80000000u | (overBlack * 128 / 255) << 16 | 0u << 8 | (8u * 128 / 255), bitmap.value(8, 0));
    EXPECT_EQ(0xFF000000u | overBlack << 16 | 25u << 8 | 25u, bitmap.value(25, 25));
    // Inside the box (0,0)-(30,30) but outside both squares: new surfaces
    // start zeroed, so 0 over black and 0 over white give alpha 255.
    EXPECT_EQ(0xFF000000u, bitmap.value(15, 15));
    EXPECT_EQ(0xFF000000u, bitmap.value(29, 5));
    // Outside the box the caller's pixels stay.
    EXPECT_EQ(KMarker, bitmap.value(30, 5));
    EXPECT_EQ(KMarker, bitmap.value(5, 30));
    EXPECT_EQ(KMarker, bitmap.value(63, 47));

    // The private surfaces were rendered inside the squares only.
    const auto& white = m_player->WhiteSurface();
    ASSERT_TRUE(white.Exists());
    EXPECT_EQ(255, white.m_bits[(0 * 64 + 4) * 4]) << "white fill inside a square";
    EXPECT_EQ(0, white.m_bits[(15 * 64 + 15) * 4]) << "nothing outside the squares";
    const auto& black = m_player->BlackSurface();
    EXPECT_EQ(0, black.m_bits[(40 * 64 + 40) * 4 + 3]) << "no alpha computed outside the box";
    EXPECT_EQ(255, black.m_bits[(29 * 64 + 0) * 4 + 3]) << "alpha computed over the whole box";
}

TEST_F(DrawingTest, NothingOffTheSurfaceIsDrawn) {
    for (const LONG mode : {0, 2}) {
        start(100, 100);
        auto& fake = latestFake();
        m_player->ApplyTransparency(mode);
        // Wholly right of the surface: kept as the inverted (150,10,100,20).
        invalidate(RECT{150, 10, 160, 20});
        fake.clearLog();
        moviehost::testing::DibSurface wide(200, 100);
        wide.fill(KMarker);
        m_player->DrawDirtyRegion(wide.dc());
        EXPECT_EQ(std::vector<std::string>{"QueryInterface(IViewObject)"}, fake.log()) << "mode " << mode;
        EXPECT_EQ(KMarker, wide.value(120, 15)) << "mode " << mode << ": the caller's pixel right of the surface";
        EXPECT_EQ(KMarker, wide.value(5, 15)) << "mode " << mode;
        EXPECT_FALSE(dirty()) << "mode " << mode << ": the record is reset all the same";

        // Mixed with a rectangle on the surface (drawn without a collect, so
        // nothing was pruned): only the part on the surface is drawn.
        invalidate(RECT{0, 0, 10, 10});
        invalidate(RECT{150, 10, 160, 20});
        ASSERT_EQ(2u, m_player->Dirty().Rects().size());
        m_player->DrawDirtyRegion(wide.dc());
        EXPECT_NE(KMarker, wide.value(5, 5)) << "mode " << mode;
        EXPECT_EQ(KMarker, wide.value(120, 15)) << "mode " << mode;
        EXPECT_EQ(KMarker, wide.value(99, 15)) << "mode " << mode << ": the box was clamped before the copy";
        if (mode == 0) {
            platform::ScopedRegion clip(CreateRectRgn(0, 0, 0, 0));
            ASSERT_EQ(1, GetClipRgn(wide.dc(), clip.get()));
            EXPECT_TRUE(regionIs(clip.get(), {RECT{0, 0, 10, 10}}));
        }
        m_player.reset();
    }
}

TEST_F(DrawingTest, SurfacesOfNoAreaDrawNothing) {
    start(64, 48);
    auto& fake = latestFake();
    moviehost::testing::DibSurface bitmap(64, 48);
    bitmap.fill(KMarker);
    const std::pair<LONG, LONG> sizes[] = {{0, 0}, {-5, 10}, {10, -5}, {-2147483647 - 1, -2147483647 - 1}};
    for (const LONG mode : {0, 2}) {
        m_player->ApplyTransparency(mode);
        for (const auto& [w, h] : sizes) {
            m_player->ResizeSurface(w, h);
            EXPECT_TRUE(dirty()) << w << "x" << h << ": a resize always leaves the surface dirty";
            fake.clearLog();
            m_player->DrawDirtyRegion(bitmap.dc());
            EXPECT_TRUE(fake.log({"Draw", "get_BackgroundColor"}).empty()) << w << "x" << h << " mode " << mode;
            EXPECT_FALSE(dirty());
            EXPECT_FALSE(m_player->BlackSurface().Exists());
        }
    }
    EXPECT_EQ(KMarker, bitmap.value(0, 0));
}

TEST_F(DrawingTest, ASurfaceTooLargeForPrivateBitmapsDrawsNothingInModeTwo) {
    start(64, 48);
    m_player->ApplyTransparency(2);
    m_player->ResizeSurface(100000, 100000);
    moviehost::testing::DibSurface bitmap(64, 48);
    bitmap.fill(KMarker);
    latestFake().clearLog();
    m_player->DrawDirtyRegion(bitmap.dc());
    EXPECT_TRUE(latestFake().log({"Draw"}).empty());
    EXPECT_FALSE(m_player->BlackSurface().Exists());
    EXPECT_EQ(KMarker, bitmap.value(10, 10));
}

TEST_F(DrawingTest, ResizeTellsTheControlAndDropsThePrivateSurfaces) {
    start(640, 480);
    auto& fake = latestFake();
    m_player->ApplyTransparency(2);
    invalidate(RECT{0, 0, 4, 4});
    moviehost::testing::DibSurface small(640, 480);
    m_player->DrawDirtyRegion(small.dc());
    ASSERT_TRUE(m_player->BlackSurface().Exists());

    fake.clearLog();
    m_player->ResizeSurface(800, 600);
    EXPECT_EQ(
        (std::vector<std::string>{"QueryInterface(IOleInPlaceObject)", "SetObjectRects({0,0,800,600}, {0,0,800,600})"}),
        fake.log());
    const RECT* bounds = nullptr;
    const RECT* first = nullptr;
    LONG count = 0;
    ASSERT_TRUE(m_player->CollectDirtyRects(&bounds, &first, &count));
    EXPECT_EQ(std::vector<std::string>{"{0,0,800,600}"}, moviehost::testing::rectTexts(first, count));
    EXPECT_EQ("{0,0,800,600}", rectText(*bounds));
    EXPECT_FALSE(m_player->BlackSurface().Exists());
    EXPECT_FALSE(m_player->WhiteSurface().Exists());

    moviehost::testing::DibSurface large(800, 600);
    m_player->DrawDirtyRegion(large.dc());
    EXPECT_EQ(800, m_player->BlackSurface().m_width);
    EXPECT_EQ(600, m_player->WhiteSurface().m_height);
}

TEST_F(DrawingTest, WithoutAnInPlaceObjectResizeOnlyDropsTheSurfaces) {
    configure([](fake_control::FakeControl& c) { c.lack(fake_control::Interface::InPlaceObject); });
    start(64, 48);
    m_player->ApplyTransparency(2);
    m_player->AddDirtyRect(nullptr);
    moviehost::testing::DibSurface bitmap(64, 48);
    m_player->DrawDirtyRegion(bitmap.dc());
    ASSERT_TRUE(m_player->BlackSurface().Exists());
    m_player->ResizeSurface(10, 10);
    EXPECT_EQ(64, m_player->Width());
    EXPECT_FALSE(dirty());
    EXPECT_FALSE(m_player->BlackSurface().Exists());
}

TEST_F(DrawingTest, WithoutAViewObjectTheRecordIsDropped) {
    configure([](fake_control::FakeControl& c) { c.lack(fake_control::Interface::ViewObject); });
    start(64, 48);
    invalidate(RECT{0, 0, 4, 4});
    moviehost::testing::DibSurface bitmap(64, 48);
    bitmap.fill(KMarker);
    m_player->DrawDirtyRegion(bitmap.dc());
    EXPECT_FALSE(dirty());
    EXPECT_EQ(KMarker, bitmap.value(1, 1));
}

TEST_F(DrawingTest, InvalidationsWhileTheControlDrawsAreLost) {
    start(64, 48);
    auto& fake = latestFake();
    fake.onCall("Draw", [&fake] {
        const RECT r = {1, 1, 2, 2};
        fake.invalidateRect(&r);
    });
    invalidate(RECT{0, 0, 4, 4});
    moviehost::testing::DibSurface bitmap(64, 48);
    m_player->DrawDirtyRegion(bitmap.dc());
    EXPECT_FALSE(dirty());
}

TEST_F(DrawingTest, ARaisingBackgroundColourLeaksNothing) {
    start(64, 48);
    auto& fake = latestFake();
    fake.setResult("get_BackgroundColor", E_FAIL);
    invalidate(RECT{0, 0, 4, 4});
    moviehost::testing::DibSurface bitmap(64, 48);
    const ULONG references = fake.refCount();
    EXPECT_THROW(m_player->DrawDirtyRegion(bitmap.dc()), _com_error);
    EXPECT_EQ(references, fake.refCount()) << "IViewObject is given back";
    EXPECT_TRUE(dirty()) << "the frame is not dropped; the next draw tries again";

    // Take almost every GDI slot: a region kept per raise would use up the
    // rest within a few draws, which would then stop reaching the colour.
    std::vector<platform::ScopedRegion> hoard;
    for (;;) {
        HRGN region = CreateRectRgn(0, 0, 1, 1);
        if (region == nullptr)
            break;
        hoard.emplace_back(region);
    }
    ASSERT_GT(hoard.size(), 16u);
    hoard.resize(hoard.size() - 8);
    int raised = 0;
    for (int i = 0; i < 64; ++i) {
        try {
            m_player->DrawDirtyRegion(bitmap.dc());
        } catch (const _com_error&) {
            ++raised;
        }
        fake.clearLog();
    }
    EXPECT_EQ(64, raised) << "regions were left behind by raising draws";
    hoard.clear();

    EXPECT_TRUE(moviehost::testing::runsWithoutHeapGrowth([&] {
        try {
            m_player->DrawDirtyRegion(bitmap.dc());
        } catch (const _com_error&) {
        }
        fake.clearLog();
    }));
}

}  // namespace
