// Navigation of the movie and of named clips inside it, with slash and dot
// targets. Frames count from 0.
//
// The movie: five root frames, "start" on frame 0 and "middle" on frame 2; on
// frame 0 a clip named "clip" of four frames ("spin" on its frame 1), which
// holds a two-frame clip named "inner".
#include "control_harness.h"

#include <gtest/gtest.h>

using namespace controltest;

namespace {

std::string navigationMovie() {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = 10});
    const uint16_t dot = movie.rectangle(0, 0, 200, 200, {0, 0, 255});
    swfwriter::SpriteWriter inner;
    inner.place(dot, 1);
    inner.showFrame();
    inner.showFrame();
    const uint16_t innerId = movie.defineSprite(inner);
    swfwriter::SpriteWriter clip;
    clip.place(innerId, 1, {.name = "inner"});
    clip.showFrame();
    clip.label("spin");
    for (int i = 0; i < 3; ++i)
        clip.showFrame();
    const uint16_t clipId = movie.defineSprite(clip);

    movie.label("start");
    movie.place(clipId, 1, {.name = "clip"});
    movie.showFrame();
    movie.showFrame();
    movie.label("middle");
    movie.showFrame();
    movie.showFrame();
    movie.showFrame();
    return saveMovie(movie, "navigation.swf");
}

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        control.activate(200, 100);
        ASSERT_EQ(loadMovie(control.flash.get(), navigationMovie()), S_OK);
        ASSERT_EQ(control.flash->StopPlay(), S_OK);
    }

    LONG frame() {
        LONG value = -2;
        EXPECT_EQ(control.flash->CurrentFrame(&value), S_OK);
        return value;
    }
    bool playing() {
        VARIANT_BOOL value = VARIANT_FALSE;
        EXPECT_EQ(control.flash->IsPlaying(&value), S_OK);
        return value != VARIANT_FALSE;
    }
    HRESULT frameOf(std::u16string_view target, LONG& value) {
        value = -2;
        return control.flash->TCurrentFrame(bstr(target).get(), &value);
    }
    LONG frameOf(std::u16string_view target) {
        LONG value = -2;
        EXPECT_EQ(frameOf(target, value), S_OK) << narrow(target);
        return value;
    }
    std::u16string labelOf(std::u16string_view target) {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->TCurrentLabel(bstr(target).get(), &value), S_OK) << narrow(target);
        return take(value);
    }

    Control control;
};

TEST_F(Navigation, TheRootMovesFrameByFrame) {
    LONG total = 0;
    EXPECT_EQ(control.flash->get_TotalFrames(&total), S_OK);
    EXPECT_EQ(total, 5);
    EXPECT_EQ(frame(), 0);

    EXPECT_EQ(control.flash->GotoFrame(3), S_OK);
    EXPECT_EQ(frame(), 3);
    EXPECT_EQ(control.flash->Forward(), S_OK);
    EXPECT_EQ(frame(), 4);
    EXPECT_EQ(control.flash->Forward(), S_OK);
    EXPECT_EQ(frame(), 4) << "no frame after the last";
    EXPECT_EQ(control.flash->Back(), S_OK);
    EXPECT_EQ(frame(), 3);

    EXPECT_EQ(control.flash->Play(), S_OK);
    EXPECT_EQ(control.flash->Rewind(), S_OK);
    EXPECT_EQ(frame(), 0);
    EXPECT_FALSE(playing()) << "rewinding stops";

    EXPECT_EQ(control.flash->Play(), S_OK);
    EXPECT_EQ(control.flash->Forward(), S_OK);
    EXPECT_EQ(frame(), 1);
    EXPECT_FALSE(playing()) << "stepping stops";

    EXPECT_EQ(control.flash->put_FrameNum(2), S_OK);
    LONG value = 0;
    EXPECT_EQ(control.flash->get_FrameNum(&value), S_OK);
    EXPECT_EQ(value, 2);
}

TEST_F(Navigation, FrameNumbersOutsideTheMovie) {
    EXPECT_EQ(control.flash->GotoFrame(99), S_OK);
    EXPECT_EQ(frame(), 4) << "past the end goes to the last frame";
    EXPECT_EQ(control.flash->GotoFrame(-1), E_INVALIDARG);
    EXPECT_TRUE(takeErrorInfo().present);
    EXPECT_EQ(frame(), 4);
    EXPECT_EQ(control.flash->TGotoFrame(bstr(u"/clip").get(), -3), E_INVALIDARG);

    VARIANT_BOOL loaded = VARIANT_FALSE;
    EXPECT_EQ(control.flash->FrameLoaded(4, &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_TRUE);
    EXPECT_EQ(control.flash->FrameLoaded(5, &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_FALSE);
    EXPECT_EQ(control.flash->FrameLoaded(-1, &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_FALSE);
}

TEST_F(Navigation, SlashAndDotTargetsNameTheSameClips) {
    EXPECT_EQ(control.flash->TGotoFrame(bstr(u"/clip").get(), 2), S_OK);
    EXPECT_EQ(frameOf(u"/clip"), 2);
    EXPECT_EQ(frameOf(u"_root.clip"), 2);
    EXPECT_EQ(frameOf(u"_level0.clip"), 2);
    EXPECT_EQ(frameOf(u"clip"), 2) << "relative to the root";
    EXPECT_EQ(frameOf(u"/"), 0);
    EXPECT_EQ(frameOf(u"_root"), 0);
    EXPECT_EQ(frameOf(u""), 0);
    EXPECT_EQ(frameOf(u"/clip/inner"), 0);
    EXPECT_EQ(frameOf(u"_root.clip.inner"), 0);

    EXPECT_EQ(control.flash->TGotoFrame(bstr(u"_level0.clip.inner").get(), 1), S_OK);
    EXPECT_EQ(frameOf(u"/clip/inner"), 1);
    EXPECT_EQ(frame(), 0) << "the root did not move";
}

TEST_F(Navigation, LabelsByTarget) {
    EXPECT_EQ(labelOf(u"/"), u"start");
    EXPECT_EQ(control.flash->TGotoLabel(bstr(u"/").get(), bstr(u"middle").get()), S_OK);
    EXPECT_EQ(frame(), 2);
    EXPECT_EQ(labelOf(u"_level0"), u"middle");
    EXPECT_EQ(control.flash->GotoFrame(4), S_OK);
    EXPECT_EQ(labelOf(u"/"), u"middle") << "the last label at or before the frame";

    EXPECT_EQ(labelOf(u"/clip"), u"") << "no label at or before frame 0";
    EXPECT_EQ(control.flash->TGotoLabel(bstr(u"_root.clip").get(), bstr(u"spin").get()), S_OK);
    EXPECT_EQ(frameOf(u"/clip"), 1);
    EXPECT_EQ(labelOf(u"/clip"), u"spin");

    EXPECT_EQ(control.flash->TGotoLabel(bstr(u"/clip").get(), bstr(u"nowhere").get()), E_INVALIDARG);
    const ErrorText error = takeErrorInfo();
    ASSERT_TRUE(error.present);
    EXPECT_NE(error.description.find(u"nowhere"), std::u16string::npos) << narrow(error.description);
    EXPECT_EQ(frameOf(u"/clip"), 1);
}

TEST_F(Navigation, TargetsThatDoNotResolveFail) {
    const std::u16string_view missing[] = {
        u"/nothere", u"_root.clip.nothere", u"/clip/inner/deeper", u"_level1", u"/../up", u"/Clip"};
    for (const std::u16string_view target : missing) {
        SCOPED_TRACE(narrow(target));
        LONG value = 0;
        EXPECT_EQ(frameOf(target, value), E_INVALIDARG);
        const ErrorText error = takeErrorInfo();
        ASSERT_TRUE(error.present);
        EXPECT_EQ(error.source, u"ShockwaveFlash.ShockwaveFlash");
        EXPECT_TRUE(IsEqualGUID(error.guid, IID_IShockwaveFlash));
        EXPECT_NE(error.description.find(u"names no movie clip"), std::u16string::npos) << narrow(error.description);
        EXPECT_EQ(control.flash->TPlay(bstr(target).get()), E_INVALIDARG);
        EXPECT_EQ(control.flash->TStopPlay(bstr(target).get()), E_INVALIDARG);
        EXPECT_EQ(control.flash->TGotoFrame(bstr(target).get(), 1), E_INVALIDARG);
        EXPECT_EQ(control.flash->TGotoLabel(bstr(target).get(), bstr(u"spin").get()), E_INVALIDARG);
        BSTR label = nullptr;
        EXPECT_EQ(control.flash->TCurrentLabel(bstr(target).get(), &label), E_INVALIDARG);
        EXPECT_EQ(label, nullptr);
    }
}

TEST_F(Navigation, TargetedPlayAndStop) {
    EXPECT_EQ(control.flash->TStopPlay(bstr(u"/clip").get()), S_OK);
    EXPECT_EQ(control.flash->TPlay(bstr(u"/").get()), S_OK);
    EXPECT_TRUE(playing()) << "TPlay on the root plays the movie";
    EXPECT_EQ(control.flash->TStopPlay(bstr(u"_root").get()), S_OK);
    EXPECT_FALSE(playing());
    EXPECT_EQ(control.flash->TPlay(bstr(u"_root.clip").get()), S_OK);
}

TEST(NavigationWithoutMovie, CommandsDoNothingAndTargetsFail) {
    Control control;
    EXPECT_EQ(control.flash->Play(), S_OK);
    EXPECT_EQ(control.flash->StopPlay(), S_OK);
    EXPECT_EQ(control.flash->Rewind(), S_OK);
    EXPECT_EQ(control.flash->Forward(), S_OK);
    EXPECT_EQ(control.flash->Back(), S_OK);
    EXPECT_EQ(control.flash->GotoFrame(3), S_OK);
    LONG value = 5;
    EXPECT_EQ(control.flash->CurrentFrame(&value), S_OK);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(control.flash->get_TotalFrames(&value), S_OK);
    EXPECT_EQ(value, 0);
    VARIANT_BOOL playing = VARIANT_TRUE;
    EXPECT_EQ(control.flash->IsPlaying(&playing), S_OK);
    EXPECT_EQ(playing, VARIANT_FALSE);
    EXPECT_EQ(control.flash->TCurrentFrame(bstr(u"/").get(), &value), E_INVALIDARG);
    EXPECT_NE(takeErrorInfo().description.find(u"no movie"), std::u16string::npos);
    EXPECT_EQ(control.flash->CurrentFrame(nullptr), E_POINTER);
}

}  // namespace
