// The control's sound against its frames: event sounds started, shaped and
// stopped by the timeline, button sounds, and stream sound following the
// playhead, read through IMovieSoundOutput under the manual clock.
//
// Movies run at 10 frames per second, so frame k's sound fills output frames
// [4410 k, 4410 (k + 1)). Sounds are uncompressed 44.1 kHz stereo at a
// constant level, so where they play shows in the samples.
#include "control_harness.h"
#include "event_sink.h"
#include "flv_reader.h"
#include "sound_class_block.h"

#include "control/movie_sound.h"
#include "platform/testing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace controltest;
using swfwriter::SoundInfoSpec;

namespace {

constexpr size_t FrameSamples = 4410;  // output frames per movie frame at 10 fps

std::vector<uint8_t> constantPcm(uint32_t frames, int16_t left, int16_t right) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < frames; ++i) {
        for (int16_t v : {left, right}) {
            out.push_back(uint8_t(uint16_t(v)));
            out.push_back(uint8_t(uint16_t(v) >> 8));
        }
    }
    return out;
}

struct Span {
    size_t begin = 0;
    size_t end = 0;  // one past the last frame with sound; 0 when silent
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Span& s) { return os << "[" << s.begin << ", " << s.end << ")"; }

class Sound : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::UseManualClock(1'000'000); }
    void TearDown() override { platform::testing::UseRealClock(); }
};

// Every frame of sound a control has for the frames shown so far.
std::vector<int16_t> readAll(IMovieSoundOutput* output) {
    std::vector<int16_t> all;
    std::vector<SHORT> chunk(2 * 1000);
    for (;;) {
        ULONG got = 0;
        EXPECT_EQ(output->ReadSound(chunk.data(), 1000, &got), S_OK);
        all.insert(all.end(), chunk.begin(), chunk.begin() + 2 * got);
        if (got == 0)
            return all;
    }
}

// Loads the movie into a new control that keeps its sound, shows `ticks`
// more frames (after each, `afterTick` may act on the control), and reads
// everything.
std::vector<int16_t> playMovie(swfwriter::MovieWriter& movie, int ticks,
                               const std::function<void(Control&, int)>& afterTick = {}) {
    Control control;
    control.activate(100, 100);
    const auto output = control.flash.As<IMovieSoundOutput>();
    if (!output) {
        ADD_FAILURE() << "the control offers no IMovieSoundOutput";
        return {};
    }
    EXPECT_EQ(output->StartSoundOutput(), S_OK);
    EXPECT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "sound.swf")), S_OK);
    for (int i = 0; i < ticks; ++i) {
        EXPECT_EQ(runClock(100), 1);
        if (afterTick)
            afterTick(control, i + 1);
    }
    auto samples = readAll(output.get());
    // Clocks change only while no timer is set.
    control.close();
    return samples;
}

Span soundSpan(const std::vector<int16_t>& samples) {
    Span s;
    bool found = false;
    for (size_t f = 0; f < samples.size() / 2; ++f) {
        if (samples[2 * f] == 0 && samples[2 * f + 1] == 0)
            continue;
        if (!found)
            s.begin = f;
        found = true;
        s.end = f + 1;
    }
    return s;
}

TEST_F(Sound, EventSoundsFollowTheirFramesAndSoundInfo) {
    struct Case {
        const char* name;
        std::map<int, SoundInfoSpec> starts;  // frame -> StartSound
        std::optional<int> stopSoundsAt;      // frame with a stopAllSounds action
        Span expected;
        size_t probe = 0;  // an output frame, and its left level
        int16_t probeLeft = 0;
    };
    SoundInfoSpec loop10{.loops = 10};
    const Case cases[] = {
        {"starts with its frame", {{2, {}}}, {}, {2 * FrameSamples, 2 * FrameSamples + 2000}, 9000, 1000},
        {"in and out points", {{1, {.inPoint = 500, .outPoint = 1500}}}, {}, {FrameSamples, FrameSamples + 1000}},
        {"loops", {{1, {.loops = 3}}}, {}, {FrameSamples, FrameSamples + 6000}},
        {"sync stop ends every instance", {{1, loop10}, {3, {.syncStop = true}}}, {}, {FrameSamples, 3 * FrameSamples}},
        {"no multiple starts no second", {{1, loop10}, {2, {.syncNoMultiple = true}}}, {}, {}, 9000, 1000},
        {"a second start mixes in", {{1, loop10}, {2, {}}}, {}, {}, 9000, 2000},
        {"envelope silences the left", {{1, {.envelope = {{0, 0, 32768}}}}}, {}, {}, 5000, 0},
        {"stopAllSounds", {{1, loop10}}, 3, {FrameSamples, 3 * FrameSamples}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
        const uint16_t sound = movie.defineSound({}, 2000, constantPcm(2000, 1000, 2000));
        for (int frame = 0; frame < 8; ++frame) {
            if (auto it = c.starts.find(frame); it != c.starts.end())
                movie.startSound(sound, it->second);
            if (c.stopSoundsAt == frame)
                movie.doAction(swfwriter::Actions().op(swfwriter::Code::StopSounds));
            movie.showFrame();
        }
        const std::vector<int16_t> samples = playMovie(movie, 6);
        ASSERT_EQ(samples.size(), 2 * 7 * FrameSamples) << "the shown frames' intervals, exactly";
        if (c.expected.end != 0) {
            EXPECT_EQ(soundSpan(samples), c.expected);
        }
        if (c.probe != 0) {
            EXPECT_EQ(samples[2 * c.probe], c.probeLeft);
        }
    }
}

// Each frame's block holds the level 100 (k + 1) for its frame k, so every
// interval shows which block played in it.
TEST_F(Sound, StreamSoundFollowsThePlayhead) {
    struct Case {
        const char* name;
        std::map<int, swfwriter::Actions> actions;  // frame -> its script
        bool inSprite = false;                      // the stream belongs to a sprite removed at frame 3
        std::vector<int16_t> levels;                // per interval 0..5
    };
    const Case cases[] = {
        {"each block with its frame", {}, false, {100, 200, 300, 400, 500, 600}},
        // Frame 3 jumps to 1 each time it is entered.
        {"a jump back plays the target's block",
         {{3, swfwriter::Actions().gotoFrame(1).play()}},
         false,
         {100, 200, 300, 200, 300, 200}},
        {"stopping the clip stops the stream", {{3, swfwriter::Actions().stop()}}, false, {100, 200, 300, 0, 0, 0}},
        {"a sprite's stream ends with the sprite", {}, true, {100, 200, 300, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
        swfwriter::SpriteWriter sprite;
        swfwriter::TimelineWriter& streamed = c.inSprite ? static_cast<swfwriter::TimelineWriter&>(sprite) : movie;
        streamed.soundStreamHead({}, uint16_t(FrameSamples));
        auto block = [&](int frame) {
            const auto level = int16_t(100 * (frame + 1));
            streamed.soundStreamBlock(constantPcm(uint32_t(FrameSamples), level, level));
        };
        if (c.inSprite) {
            for (int frame = 0; frame < 8; ++frame) {
                block(frame);
                sprite.showFrame();
            }
            movie.place(movie.defineSprite(sprite), 1);
        }
        for (int frame = 0; frame < 8; ++frame) {
            if (!c.inSprite)
                block(frame);
            if (auto it = c.actions.find(frame); it != c.actions.end())
                movie.doAction(it->second);
            if (c.inSprite && frame == 3)
                movie.remove(1);
            movie.showFrame();
        }
        const std::vector<int16_t> samples = playMovie(movie, 5);
        ASSERT_EQ(samples.size(), 2 * 6 * FrameSamples);
        for (size_t k = 0; k < c.levels.size(); ++k)
            EXPECT_EQ(samples[2 * (k * FrameSamples + FrameSamples / 2)], c.levels[k]) << "interval " << k;
    }
}

// A button over the whole stage with a sound on roll over and another on
// press: the pointer enters after frame 1 is shown and presses after frame 3,
// so each sound starts with the interval of the frame shown then.
TEST_F(Sound, ButtonSoundsPlayOnTheirTransitions) {
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
    const uint16_t over = movie.defineSound({}, 1000, constantPcm(1000, 1000, 1000));
    const uint16_t press = movie.defineSound({}, 1000, constantPcm(1000, 3000, 3000));
    const uint16_t square = movie.rectangle(0, 0, 2000, 2000, {255, 0, 0});
    const uint16_t button = movie.defineButton2({{.characterId = square}}, {});
    movie.defineButtonSound(button, {{{0, {}}, {over, {}}, {press, {}}, {0, {}}}});
    movie.place(button, 1);
    for (int frame = 0; frame < 6; ++frame)
        movie.showFrame();
    const auto samples = playMovie(movie, 5, [](Control& control, int shown) {
        const auto windowless = control.ole.As<IOleInPlaceObjectWindowless>();
        LRESULT result = 0;
        if (shown == 1)
            windowless->OnWindowMessage(WM_MOUSEMOVE, 0, MAKELPARAM(50, 50), &result);
        if (shown == 3)
            windowless->OnWindowMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50), &result);
    });
    ASSERT_EQ(samples.size(), 2 * 6 * FrameSamples);
    EXPECT_EQ(samples[2 * (FrameSamples - 1)], 0);
    EXPECT_EQ(samples[2 * FrameSamples], 1000) << "roll over, with frame 1";
    EXPECT_EQ(samples[2 * (FrameSamples + 1000)], 0);
    EXPECT_EQ(samples[2 * (3 * FrameSamples - 1)], 0);
    EXPECT_EQ(samples[2 * 3 * FrameSamples], 3000) << "press, with frame 3";
}

// A movie loaded into a clip is heard from its own characters on the same
// mixer, by its timeline or by attachSound: the root's sound 1 and its sound
// 1 are different sounds, a sync stop of one leaves the other, and every way
// of taking the movie away on frame 3 (unloading it, loading over it,
// removing its clip or a clip above) stops its sounds.
TEST_F(Sound, LoadedMoviesPlayTheirOwnSounds) {
    enum class Holder { Script, Timeline, Nested };  // made by createEmptyMovieClip, placed, inside "outer"
    using Removal = std::function<void(swfwriter::MovieWriter&)>;
    auto script = [](std::function<void(swfwriter::Actions&)> body) -> Removal {
        return [body](swfwriter::MovieWriter& movie) {
            swfwriter::Actions a;
            body(a);
            movie.doAction(a);
        };
    };
    const Removal unloadMovie = script([](auto& a) { a.push({"", "holder"}).getUrl2(0x02); });
    const Removal removeMovieClip = script([](auto& a) { a.callMethodOn("holder", "removeMovieClip", {}).pop(); });
    const struct {
        const char* name;
        bool byScript;
        int rootSyncStopAt;  // -1: none
        Holder holder;
        Removal removal;  // on frame 3, or `actAt`
        Span expected;
        int16_t level = 1000;
        int actAt = 3;
    } cases[] = {
        {"its timeline's sound", false, -1, Holder::Script, {}, {FrameSamples, FrameSamples + 20000}},
        {"attachSound of its export", true, -1, Holder::Script, {}, {FrameSamples, FrameSamples + 20000}},
        {"the root's sync stop of its id leaves it",
         false,
         2,
         Holder::Script,
         {},
         {FrameSamples, FrameSamples + 20000}},
        {"unloadMovie stops its timeline's sound",
         false,
         -1,
         Holder::Script,
         unloadMovie,
         {FrameSamples, 3 * FrameSamples}},
        {"unloadMovie stops its script's sound",
         true,
         -1,
         Holder::Script,
         unloadMovie,
         {FrameSamples, 3 * FrameSamples}},
        {"removeMovieClip stops its timeline's sound",
         false,
         -1,
         Holder::Script,
         removeMovieClip,
         {FrameSamples, 3 * FrameSamples}},
        {"removeMovieClip stops its script's sound",
         true,
         -1,
         Holder::Script,
         removeMovieClip,
         {FrameSamples, 3 * FrameSamples}},
        {"swapDepths then removeMovieClip of a placed holder",
         true,
         -1,
         Holder::Timeline,
         script([](auto& a) {
             a.callMethodOn("holder", "swapDepths", {10}).pop();
             a.callMethodOn("holder", "removeMovieClip", {}).pop();
         }),
         {FrameSamples, 3 * FrameSamples}},
        {"the timeline removes the holder",
         true,
         -1,
         Holder::Timeline,
         [](swfwriter::MovieWriter& movie) { movie.remove(1); },
         {FrameSamples, 3 * FrameSamples}},
        {"removing a clip above the holder",
         false,
         -1,
         Holder::Nested,
         script([](auto& a) { a.callMethodOn("outer", "removeMovieClip", {}).pop(); }),
         {FrameSamples, 3 * FrameSamples}},
        {"unloading a clip above the holder",
         true,
         -1,
         Holder::Nested,
         script([](auto& a) {
             a.push({"", "outer"}).getUrl2(0x02);
         }),
         {FrameSamples, 3 * FrameSamples}},
        {"loading over it stops its script's sound",
         true,
         -1,
         Holder::Script,
         script([](auto& a) {
             a.push({"loaded_silent.swf", "holder"}).getUrl2(0x02);
         }),
         {FrameSamples, 3 * FrameSamples}},
        {"a Sound of a clip above levels its timeline's sound",
         false,
         -1,
         Holder::Nested,
         script([](auto& a) {
             a.push({"s"}).push({"outer"}).getVariable().push({1, "Sound"}).newObject().setVariable();
             a.push({50, 1, "s"}).getVariable().push({"setVolume"}).callMethod().pop();
         }),
         {FrameSamples, FrameSamples + 20000},
         500,
         1},
    };
    swfwriter::MovieWriter silent({.width = 100, .height = 100, .frameRate = 10});
    silent.showFrame();
    (void)saveMovie(silent, "loaded_silent.swf");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        swfwriter::MovieWriter child({.width = 100, .height = 100, .frameRate = 10});
        const uint16_t childSound = child.defineSound({}, 2000, constantPcm(2000, 1000, 1000));
        child.exportAssets({{childSound, "beep"}});
        if (c.byScript) {
            swfwriter::Actions start;
            start.push({"s"}).push({"this"}).getVariable().push({1, "Sound"}).newObject().setVariable();
            start.push({"beep", 1, "s"}).getVariable().push({"attachSound"}).callMethod().pop();
            start.push({10, 0, 2, "s"}).getVariable().push({"start"}).callMethod().pop();
            child.doAction(start);
        } else {
            child.startSound(childSound, {.loops = 10});
        }
        child.showFrame();
        (void)saveMovie(child, "loaded_child.swf");

        swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
        const uint16_t rootSound = movie.defineSound({}, 2000, constantPcm(2000, 500, 500));
        movie.exportAssets({{rootSound, "beep"}});
        ASSERT_EQ(rootSound, childSound) << "the case needs one id in both movies";
        swfwriter::Actions load;
        std::string target = "holder";
        switch (c.holder) {
        case Holder::Script:
            load.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
            break;
        case Holder::Timeline: {
            swfwriter::SpriteWriter empty;
            empty.showFrame();
            movie.place(movie.defineSprite(empty), 1, {.name = "holder"});
            break;
        }
        case Holder::Nested:
            load.callMethodOn("_root", "createEmptyMovieClip", {"outer", 1}).pop();
            load.callMethodOn("outer", "createEmptyMovieClip", {"holder", 1}).pop();
            target = "outer.holder";
            break;
        }
        load.push({"loaded_child.swf", target}).getUrl2(0x02);
        movie.doAction(load);
        for (int frame = 0; frame < 8; ++frame) {
            if (frame == c.rootSyncStopAt)
                movie.startSound(rootSound, {.syncStop = true});
            if (frame == c.actAt && c.removal)
                c.removal(movie);
            movie.showFrame();
        }
        const std::vector<int16_t> samples = playMovie(movie, 7);
        ASSERT_EQ(samples.size(), 2 * 8 * FrameSamples);
        EXPECT_EQ(soundSpan(samples), c.expected);
        EXPECT_EQ(samples[2 * (FrameSamples + 100)], c.level) << "the loaded movie's sound, not the root's";
    }
}

// An ActionScript 3 movie whose one sound (level 1000, 0.1 s) is linked to
// the class Snd; its first frame starts it (50 loops), or each of its 40
// frames holds a block of it as stream sound.
std::vector<uint8_t> as3SoundChild(bool frameSound, bool stream) {
    swfwriter::MovieWriter child({.version = 10, .width = 100, .height = 100, .frameRate = 10});
    child.fileAttributes(true);
    const uint16_t sound =
        child.defineSound({}, uint32_t(FrameSamples), constantPcm(uint32_t(FrameSamples), 1000, 1000));
    child.tag(82, soundClassBlock());
    std::vector<uint8_t> symbols{2, 0};  // the count, then each id and name
    for (const auto& [id, name] : {std::pair<uint16_t, std::string>{0, "ChildDoc"}, {sound, "Snd"}}) {
        symbols.insert(symbols.end(), {uint8_t(id), uint8_t(id >> 8)});
        symbols.insert(symbols.end(), name.begin(), name.end());
        symbols.push_back(0);
    }
    child.tag(76, symbols);
    if (stream)
        child.soundStreamHead({}, uint16_t(FrameSamples));
    if (frameSound)
        child.startSound(sound, {.loops = 50});
    for (int frame = 0; frame < 40; ++frame) {
        if (stream)
            child.soundStreamBlock(constantPcm(uint32_t(FrameSamples), 1000, 1000));
        child.showFrame();
    }
    return child.finish();
}

// Notes the first FSCommand of each name: its argument and the tick it came in.
class CommandTicks final : public EventSink {
public:
    std::map<std::u16string, std::pair<int, std::u16string>> commands;
    int tick = 0;

protected:
    void handle(DISPID member, const DISPPARAMS& params) override {
        auto text = [](const VARIANT& v) {
            return v.vt == VT_BSTR ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : u"";
        };
        if (member == 150 && params.cArgs == 2)  // stored last first
            commands.try_emplace(text(params.rgvarg[1]), tick, text(params.rgvarg[0]));
    }
};

// A movie an ActionScript 3 Loader brought plays on the same mixer: its
// Sound symbol made through its domain, its frame's event sound and its
// stream. On a later frame unloadAndStop and SoundMixer.stopAll silence
// each of them; unload ends the stream, which leaves the stage, and leaves
// event sounds playing, as the format's player does. The content's
// soundTransform levels its timeline's sounds, and so does the soundTransform
// of a sprite around it; neither touches a channel played here.
TEST_F(Sound, As3LoadedMoviesPlayAndStopTheirSounds) {
#ifndef AS3_HAXE_MOVIES
    GTEST_SKIP() << "haxe was not found at configuration time";
#else
    enum class Source { Symbol, Frame, Stream };
    const struct {
        const char* name;
        Source source;
        const char* stop;
        const char* levels;  // more of the query: a soundTransform volume for the content or the root
        int16_t before = 1000;
        int16_t after = 1000;
    } cases[] = {
        {"its symbol plays", Source::Symbol, "none", nullptr},
        {"its frame's sound plays", Source::Frame, "none", nullptr},
        {"its stream plays", Source::Stream, "none", nullptr},
        {"unloadAndStop silences its symbol", Source::Symbol, "unloadAndStop", nullptr, 1000, 0},
        {"unloadAndStop silences its frame's sound", Source::Frame, "unloadAndStop", nullptr, 1000, 0},
        {"unloadAndStop silences its stream", Source::Stream, "unloadAndStop", nullptr, 1000, 0},
        {"unload ends its stream", Source::Stream, "unload", nullptr, 1000, 0},
        {"unload leaves its frame's sound", Source::Frame, "unload", nullptr},
        {"stopAll reaches its symbol", Source::Symbol, "stopAll", nullptr, 1000, 0},
        {"stopAll reaches its frame's sound", Source::Frame, "stopAll", nullptr, 1000, 0},
        {"its content's soundTransform levels its frame's sound", Source::Frame, "none", "&volume=0.5", 500, 500},
        {"its content's soundTransform levels its stream", Source::Stream, "none", "&volume=0.25", 250, 250},
        {"its content's soundTransform leaves its symbol", Source::Symbol, "none", "&volume=0.5"},
        {"the root's soundTransform levels its frame's sound", Source::Frame, "none", "&rootVolume=0.5", 500, 500},
        {"both soundTransforms multiply", Source::Stream, "none", "&volume=0.5&rootVolume=0.5", 250, 250},
    };
    const std::filesystem::path parent = testFolder() / "LoadedSounds.swf";
    std::filesystem::copy_file(std::filesystem::path(AS3_HAXE_MOVIES) / "LoadedSounds.swf", parent,
                               std::filesystem::copy_options::overwrite_existing);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        (void)saveBytes(as3SoundChild(c.source == Source::Frame, c.source == Source::Stream), "as3_sound_child.swf");
        CommandTicks sink;
        Control control;
        control.activate(100, 100);
        advise(control, sink);
        const auto output = control.flash.As<IMovieSoundOutput>();
        ASSERT_TRUE(output);
        ASSERT_EQ(output->StartSoundOutput(), S_OK);
        const std::string query = std::string("?child=as3_sound_child.swf&play=") +
                                  (c.source == Source::Symbol ? "1" : "0") + "&stop=" + c.stop +
                                  (c.levels ? c.levels : "");
        ASSERT_EQ(loadMovie(control.flash.get(), "file://" + parent.string() + query), S_OK);
        for (sink.tick = 1; sink.tick <= 12; ++sink.tick)
            EXPECT_EQ(runClock(100), 1);
        const std::vector<int16_t> samples = readAll(output.get());
        control.close();
        ASSERT_TRUE(sink.commands.contains(u"stopped"));
        const size_t stoppedAt = size_t(sink.commands[u"stopped"].first);
        ASSERT_GT(stoppedAt, 1u);
        ASSERT_LT(stoppedAt, 10u);
        ASSERT_GE(samples.size(), 2 * 12 * FrameSamples);
        auto level = [&](size_t interval) { return samples[2 * (interval * FrameSamples + FrameSamples / 2)]; };
        EXPECT_EQ(level(stoppedAt - 1), c.before) << "on the frame before";
        for (size_t interval = stoppedAt + 1; interval < 12; ++interval)
            EXPECT_EQ(level(interval), c.after) << "interval " << interval;
        if (c.source == Source::Symbol) {
            EXPECT_EQ(narrow(sink.commands[u"symbol"].second), "100,17640,true") << "length, bytes, a channel";
        }
    }
#endif
}

// --- the Sound class --------------------------------------------------------

using swfwriter::Actions;

// s = new Sound([_root])
Actions& newSound(Actions& a, bool onRoot) {
    a.push({"s"});
    if (onRoot)
        a.push({"_root"}).getVariable().push({1});
    else
        a.push({0});
    return a.push({"Sound"}).newObject().setVariable();
}

// s.method(args...), result dropped.
Actions& callSound(Actions& a, const std::string& method, std::vector<swfwriter::PushValue> args = {}) {
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        a.push({*it});
    return a.push({int(args.size())}).push({"s"}).getVariable().push({method}).callMethod().pop();
}

// A movie exporting a constant sound (left 1000, right 2000) as "tone", with
// `script` on frame 0 and `later` (when given) on frame 2.
swfwriter::MovieWriter soundClassMovie(uint32_t frames, const Actions& script, const Actions* later = nullptr,
                                       bool timelineSound = false) {
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 10});
    const uint16_t sound = movie.defineSound({}, frames, constantPcm(frames, 1000, 2000));
    movie.exportAssets({{sound, "tone"}});
    if (timelineSound)
        movie.startSound(sound);
    movie.doAction(script);
    for (int frame = 0; frame < 8; ++frame) {
        if (frame == 2 && later)
            movie.doAction(*later);
        movie.showFrame();
    }
    return movie;
}

// Frame 0's scripts run at the first tick, before the first frame's sound is
// mixed: a sound they start begins at output frame 0.
TEST_F(Sound, TheSoundClassStartsStopsAndLevelsItsSounds) {
    struct Case {
        const char* name;
        std::function<void(Actions&)> script;
        std::function<void(Actions&)> later;  // frame 2
        bool timelineSound = false;
        Span expected;
        size_t probe = 0;
        int16_t left = 0, right = 0;
    };
    auto attached = [](bool onRoot) {
        return [onRoot](Actions& a) {
            newSound(a, onRoot);
            callSound(a, "attachSound", {"tone"});
        };
    };
    const Case cases[] = {
        {"start with loops",
         [&](Actions& a) {
             attached(false)(a);
             callSound(a, "start", {0, 2});
         },
         {},
         false,
         {0, 2000},
         100,
         1000,
         2000},
        {"start at an offset",
         [&](Actions& a) {
             attached(false)(a);
             callSound(a, "start", {0.01});
         },
         {},
         false,
         {0, 559}},
        {"volume of the clip's sounds",
         [&](Actions& a) {
             attached(true)(a);
             callSound(a, "setVolume", {50});
             callSound(a, "start");
         },
         {},
         false,
         {},
         100,
         500,
         1000},
        {"the levels of the clips around a clip's Sound multiply",
         [&](Actions& a) {
             a.callMethodOn("_root", "createEmptyMovieClip", {"outer", 1}).pop();
             a.callMethodOn("outer", "createEmptyMovieClip", {"inner", 1}).pop();
             for (const char* clip : {"_root", "outer", "outer.inner"}) {
                 a.push({"s", clip, 1, "Sound"}).newObject().setVariable();
                 callSound(a, "setVolume", {50});
             }
             callSound(a, "attachSound", {"tone"});
             callSound(a, "start");
         },
         {},
         false,
         {},
         100,
         125,
         250},
        {"pan to the left",
         [&](Actions& a) {
             attached(true)(a);
             callSound(a, "setPan", {-100});
             callSound(a, "start");
         },
         {},
         false,
         {},
         100,
         1000,
         0},
        {"stop on frame 2",
         [&](Actions& a) {
             attached(false)(a);
             callSound(a, "start", {0, 20});
         },
         [&](Actions& a) { callSound(a, "stop"); },
         false,
         {0, 2 * FrameSamples}},
        {"a global volume reaches the timeline's sounds",
         [&](Actions& a) {
             newSound(a, false);
             callSound(a, "setVolume", {0});
         },
         {},
         true,
         {},
         100,
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Actions script, later;
        c.script(script);
        if (c.later)
            c.later(later);
        auto movie = soundClassMovie(1000, script, c.later ? &later : nullptr, c.timelineSound);
        const auto samples = playMovie(movie, 6);
        ASSERT_EQ(samples.size(), 2 * 7 * FrameSamples);
        if (c.expected.end != 0) {
            EXPECT_EQ(soundSpan(samples), c.expected);
        }
        if (c.probe != 0) {
            EXPECT_EQ(samples[2 * c.probe], c.left);
            EXPECT_EQ(samples[2 * c.probe + 1], c.right);
        }
    }
}

// A sound of 10,000 output frames started at the first tick ends inside
// frame 2's interval; onSoundComplete runs at the tick after that interval,
// while frame 2 (_currentframe 3) is still shown.
TEST_F(Sound, OnSoundCompleteFollowsTheClock) {
    Actions script;
    newSound(script, false);
    callSound(script, "attachSound", {"tone"});
    Actions body;
    body.push({"doneAt"}).push({""}).push({4}).getProperty().setVariable();
    body.push({"position"}).push({"s"}).getVariable().push({"position"}).getMember().setVariable();
    script.push({"s"}).getVariable().push({"onSoundComplete"});
    script.defineFunction("", {}, body).setMember();
    script.push({"length"}).push({"s"}).getVariable().push({"duration"}).getMember().setVariable();
    callSound(script, "start");
    auto movie = soundClassMovie(10000, script);
    Control control;
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "complete.swf")), S_OK);
    auto variable = [&](const char16_t* name) {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
        return take(value);
    };
    runClock(100);
    EXPECT_EQ(variable(u"length"), u"226") << "10,000 frames at 44.1 kHz, in whole milliseconds";
    runClock(100);
    EXPECT_EQ(variable(u"doneAt"), u"");
    runClock(100);
    EXPECT_EQ(variable(u"doneAt"), u"3");
    EXPECT_EQ(variable(u"position"), u"226") << "a sound that played out is at its end";
    control.close();
}

// loadSound of a local MP3 (the media tests' 440/660 Hz tone, 1 s after
// 100 ms of silence, encoded by lame at build time), streaming: it plays as
// soon as it has loaded, and onLoad hears of it with its duration known.
TEST_F(Sound, LoadSoundPlaysALocalMp3) {
    std::filesystem::copy_file(mediatest::fixture("t44_stereo16.mp3"), testFolder() / "tone.mp3",
                               std::filesystem::copy_options::overwrite_existing);
    Actions script;
    newSound(script, false);
    Actions onLoad;
    onLoad.push({"loaded"}).push({"ok"}).getVariable().setVariable();
    onLoad.push({"length"}).push({"s"}).getVariable().push({"duration"}).getMember().setVariable();
    script.push({"s"}).getVariable().push({"onLoad"});
    script.defineFunction("", {"ok"}, onLoad).setMember();
    callSound(script, "loadSound", {"tone.mp3", true});
    auto movie = soundClassMovie(100, script);
    Control control;
    const auto output = control.flash.As<IMovieSoundOutput>();
    ASSERT_TRUE(output);
    ASSERT_EQ(output->StartSoundOutput(), S_OK);
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "load_sound.swf")), S_OK);
    auto variable = [&](const char16_t* name) {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
        return take(value);
    };
    // The file loads on a background thread in real time.
    int ticks = 0;
    for (; ticks < 300 && variable(u"loaded") != u"true"; ++ticks) {
        runClock(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(variable(u"loaded"), u"true");
    const double length = std::stod(narrow(variable(u"length")));
    EXPECT_NEAR(length, 1100, 60) << "the tone and its lead, give or take the encoder's padding";
    (void)readAll(output.get());  // what played before it loaded
    for (int i = 0; i < 5; ++i)
        runClock(100);
    const auto samples = readAll(output.get());
    ASSERT_EQ(samples.size(), 2 * 5 * FrameSamples);
    EXPECT_GT(soundSpan(samples).end, 0u) << "the loaded sound plays";
    control.close();
}

// A loaded MP3's ID3 tags reach id3 and onID3 before onLoad, whether it
// loads whole or streams in as it arrives (the tag then is not sound).
TEST_F(Sound, LoadSoundReadsId3Tags) {
    std::filesystem::copy_file(mediatest::fixture("tagged_v2.mp3"), testFolder() / "tagged.mp3",
                               std::filesystem::copy_options::overwrite_existing);
    std::vector<double> lengths;
    for (const bool streaming : {false, true}) {
        SCOPED_TRACE(streaming ? "streaming" : "whole");
        Actions script;
        newSound(script, false);
        Actions onId3;
        onId3.push({"song"}).push({"s"}).getVariable().push({"id3"}).getMember().push({"songname"}).getMember();
        onId3.setVariable();
        script.push({"s"}).getVariable().push({"onID3"});
        script.defineFunction("", {}, onId3).setMember();
        Actions onLoad;
        onLoad.push({"songAtLoad"}).push({"song"}).getVariable().setVariable();
        onLoad.push({"length"}).push({"s"}).getVariable().push({"duration"}).getMember().setVariable();
        script.push({"s"}).getVariable().push({"onLoad"});
        script.defineFunction("", {"ok"}, onLoad).setMember();
        callSound(script, "loadSound", {"tagged.mp3", streaming});
        auto movie = soundClassMovie(100, script);
        Control control;
        ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "load_id3.swf")), S_OK);
        auto variable = [&](const char16_t* name) {
            BSTR value = nullptr;
            EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
            return take(value);
        };
        for (int ticks = 0; ticks < 300 && variable(u"songAtLoad") != u"Song"; ++ticks) {
            runClock(100);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(variable(u"songAtLoad"), u"Song");
        lengths.push_back(std::stod(narrow(variable(u"length"))));
        control.close();
    }
    ASSERT_EQ(lengths.size(), 2u);
    EXPECT_GT(lengths[0], 100.0);
    EXPECT_NEAR(lengths[1], lengths[0], 30.0) << "the streamed sound is the same sound";
}

}  // namespace

// A frame-rate change (ActionScript 3's Stage.frameRate) re-times the sound:
// intervals already mixed keep their length, later ones last as long as the
// new rate says, counted from the change so no sample drifts.
TEST(MovieSoundClock, FramesAfterARateChangeTakeTheNewRatesShare) {
    struct Case {
        const char* name;
        uint32_t numerator, denominator;
        size_t ticksAfter;
        size_t samplesAfter;  // output frames mixed after the change
    };
    const Case cases[] = {
        {"twice as fast", 20, 1, 4, 4 * 2205},
        {"29.97 over a second", 29970, 1000, 30, 44144},  // floor(30 * 44100 / 29.97)
        {"a slow one", 1, 2, 1, 88200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto movie = std::make_shared<swf::Movie>();
        movie->header.frameRate88 = 10 * 256;
        control::MovieSound sound(movie);
        sound.startOutput();
        std::vector<int16_t> out(2 * 200'000);
        sound.beforeTick();
        sound.afterTick();
        // The frame shown on loading and the one the tick showed, at 10 fps.
        EXPECT_EQ(sound.readOutput(out), 2 * FrameSamples);
        sound.setFrameRate(c.numerator, c.denominator);
        size_t after = 0;
        for (size_t i = 0; i < c.ticksAfter; ++i) {
            sound.beforeTick();
            sound.afterTick();
            after += sound.readOutput(out);
        }
        EXPECT_EQ(after, c.samplesAfter);
    }
}
