// What the host's native classes share with the player of one movie: the
// machine, the stage's model, the container's side, and the objects the
// player keeps for them. Natives find it through Machine::hostData().
#pragma once

#include "as3/timer_schedule.h"

#include "avm2/core_library.h"
#include "avm2/machine.h"
#include "avm2/object.h"

#include "model/movie_clip.h"
#include "model/stage.h"

#include "script/display_painter.h"
#include "script/engine.h"
#include "script/host.h"

#include <bitset>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace net {
struct MovieOrigin;
}  // namespace net

namespace as3 {

// The values the player holds across entries, traced as the native state of
// one object the player keeps pinned.
struct HeldValues final : avm2::NativeState {
    std::map<std::u16string, avm2::Value> callbacks;  // ExternalInterface.addCallback
    // Objects that hear the frame events (enterFrame, frameConstructed,
    // exitFrame) wherever they are, in the order they first listened.
    std::vector<avm2::Value> broadcast;
    avm2::Value stage;
    avm2::Value loaderInfo;
    avm2::Value parameters;
    // The ApplicationDomain object of each domain, made on first use.
    std::map<const avm2::Domain*, avm2::Value> domains;
    avm2::Value domainMemory;  // ApplicationDomain.domainMemory's byte array
    bool marshallExceptions = false;
    TimerSchedule timers;                              // running Timers, setTimeout and setInterval
    avm2::Value hover;                                 // the object the pointer is over
    avm2::Value pressed;                               // where the button went down
    avm2::Value focus;                                 // stage.focus
    avm2::Value button;                                // the SimpleButton showing a state other than up
    avm2::Value dragged;                               // the sprite startDrag moves with the pointer
    avm2::Value media;                                 // flash.media's playing channels (media_classes.cpp)
    std::map<uint64_t, avm2::Value> loads;             // the owners of running loads, by request
    std::map<std::string, avm2::Value> sharedObjects;  // SharedObject.getLocal's, by file
    std::vector<avm2::Value> netStreams;               // NetStreams playing or with events due
    // AVM1Movie.addCallback's functions, by the old movie's root and name.
    std::map<std::weak_ptr<model::DisplayObject>, std::map<std::u16string, avm2::Value>, std::owner_less<>>
        avm1Callbacks;
    // TextField.getImageReference's objects, by the model object of the
    // field's image clip they show (dropped once that clip is gone).
    std::map<uint64_t, std::pair<std::weak_ptr<model::DisplayObject>, avm2::Value>> fieldImages;

    void trace(avm2::Tracer& tracer) const override;
};

class NetLoads;

struct HostContext {
    avm2::Machine& machine;
    model::Stage& stage;
    script::Host& host;
    HeldValues& held;
    std::u16string url;
    // loadBytes contents so far: their URLs end "/[[DYNAMIC]]/n".
    uint32_t dynamicLoads = 0;
    std::vector<std::pair<std::u16string, std::u16string>> parameters;
    // The model clip the next MovieClip made binds to: the root, while the
    // document class is constructed.
    std::shared_ptr<model::MovieClip> pendingRoot;
    avm2::Object* root = nullptr;
    // The timeline-placed model object the next display object made binds to.
    std::shared_ptr<model::DisplayObject> pendingObject = nullptr;
    // The LoaderInfo of the movie a Loader is building (its document answers
    // loaderInfo with it from its constructor on); pinned by the builder.
    avm2::Value pendingInfo = {};
    // SymbolClass: the class name linked to each character (0, the document, too).
    std::map<uint16_t, std::u16string> symbolClasses = {};
    // The same for each ActionScript 3 movie a Loader loaded, by its movie,
    // with the domain its classes are defined in.
    struct LoadedLibrary {
        std::map<uint16_t, std::u16string> classes;
        avm2::Domain* domain = nullptr;
        // The loaded root, whose library `new Symbol()` makes objects from.
        std::weak_ptr<model::DisplayObject> root;
    };
    std::map<const swf::Movie*, LoadedLibrary> loadedSymbolClasses = {};
    // The classes of those found so far (by their instances' traits).
    // The movie is null for the main one.
    struct LinkedSymbol {
        uint16_t id = 0;
        const swf::Movie* movie = nullptr;
    };
    std::map<const avm2::Traits*, LinkedSymbol> linkedTraits = {};
    uint64_t instances = 0;  // names of display objects made: instance1, instance2...
    // Set by timeline calls of scripts: frame scripts of the frame reached run
    // before the entry ends.
    bool frameChanged = false;
    // Told of a new Stage.frameRate, so that the playback clock follows it.
    std::function<void(double)> frameRateChanged = nullptr;
    // Told of a new Stage.quality, so that the container draws at it.
    std::function<void(std::u16string_view)> qualityChanged = nullptr;
    // The player's one quality, which Stage.quality and the old movies'
    // _quality share with the control's Quality.
    std::u16string quality = u"HIGH";
    // stage.invalidate() was called: render goes out once the frame is done.
    bool renderDue = false;
    // The stage size scripts were last told of (pixels): a noScale stage
    // shown at another size hears resize.
    std::pair<int32_t, int32_t> reportedSize = {-1, -1};
    // Tab moved the focus last (not a press or a script): the focus
    // rectangle shows.
    bool focusByTab = false;
    // Where the container's pointer is, stage twips (mouseX, mouseY).
    swf::Point pointer = {};
    // The container's keys held down, by key code (modifiers of key events).
    std::bitset<256> keysDown = {};
    // The display object the Graphics being made belongs to (scripts cannot make one).
    avm2::Value graphicsOwner = {};
    // Timeline-placed objects whose linked constructor threw: reported once,
    // not built again each frame.
    std::set<std::weak_ptr<model::DisplayObject>, std::owner_less<>> failedPlacements = {};
    // Sprite.startDrag: where the dragged sprite's origin stays from the
    // pointer (its parent's twips), and the box it keeps to. A sprite placed
    // in 3D keeps instead its grabbed point (its own pixels) under the pointer.
    struct Drag {
        swf::Point offset;
        std::optional<swf::Point> grabbed;
        std::optional<swf::Bounds> bounds;
    } drag = {};
    // The renderer's drawing of an object into a bitmap and its filters (BitmapData).
    script::DisplayPainter painter = {};
    // URLLoader, Loader and sendToURL loads (net_loads.h), made on first use.
    std::shared_ptr<NetLoads> loads = nullptr;
    // Where each movie came from and whom it let in (Security.allowDomain):
    // the main movie's, made on first use, and each loaded movie's by the
    // code files it brought (movie_security.h).
    std::shared_ptr<net::MovieOrigin> mainOrigin = nullptr;
    std::map<const avm2::LoadedAbc*, std::shared_ptr<net::MovieOrigin>> fileOrigins = {};
    // ActionScript 1/2 movies Loaders brought (AVM1Movie), each with its own
    // engine over its clip (avm1_movies.h).
    struct Avm1Movie {
        std::weak_ptr<model::DisplayObject> root;
        std::unique_ptr<script::Engine> engine;
    };
    std::vector<Avm1Movie> avm1Movies = {};
    // The old movie a press went into last: it has the keys while
    // stage.focus stays null.
    std::weak_ptr<model::DisplayObject> avm1Focus = {};
    // Calls crossing between the machines (AVM1Movie.call, and the old
    // movie's ExternalInterface.call back) now nested.
    uint32_t avm1Crossings = 0;
    // Engines stopped meanwhile: one may be inside a host callback that led
    // here, so they are freed at the next frame.
    std::vector<std::unique_ptr<script::Engine>> stoppedAvm1Engines = {};
};

[[nodiscard]] inline HostContext& hostContext(avm2::Machine& m) { return *static_cast<HostContext*>(m.hostData()); }

// stageWidth and stageHeight: a noScale stage has the shown size, others the
// movie's own.
[[nodiscard]] std::pair<int32_t, int32_t> shownStageSize(const model::Stage& stage);

// ApplicationDomain.currentDomain: the domain of the running code.
[[nodiscard]] avm2::Value currentDomain(avm2::Machine& m);
// The ApplicationDomain object of a domain (one per domain).
[[nodiscard]] avm2::Value domainObject(avm2::Machine& m, avm2::Domain* domain);
// The domain of an ApplicationDomain object; TypeError #1034 for anything else.
[[nodiscard]] avm2::Domain* domainOf(avm2::Machine& m, avm2::Value v);

// The host's class tables, in declaration order (bases first).
[[nodiscard]] std::span<const avm2::CoreClassSpec> eventClasses();
[[nodiscard]] std::span<const avm2::CoreClassSpec> displayClasses();
[[nodiscard]] std::span<const avm2::CoreClassSpec> systemClasses();
[[nodiscard]] std::span<const avm2::PackageFunction> systemFunctions();
[[nodiscard]] std::span<const avm2::CoreClassSpec> timerClasses();
[[nodiscard]] std::span<const avm2::PackageFunction> timerFunctions();
[[nodiscard]] std::span<const avm2::CoreClassSpec> mediaClasses();
// soundComplete to the channels whose sounds played out (each frame).
void deliverSoundCompletions(avm2::Machine& m);
// A SoundTransform's levels (TypeError for anything else), and a new one.
[[nodiscard]] script::SoundLevels soundTransformLevels(avm2::Machine& m, avm2::Value transform);
[[nodiscard]] avm2::Value makeSoundTransform(avm2::Machine& m, const script::SoundLevels& levels);
// Sprite.soundTransform: the levels of the sounds the sprite's own timeline
// starts (a Loader's content: the loaded movie's root timeline).
[[nodiscard]] std::span<const avm2::NativeAccessor> spriteSoundAccessors();
[[nodiscard]] std::span<const avm2::CoreClassSpec> videoClasses();
// Moves the playing NetStreams to the clock's time and hands their status
// events and metadata to scripts (each frame).
void updateNetStreams(avm2::Machine& m);
// Fires one due timer of the schedule: a Timer's events or a function's call.
void fireTimer(avm2::Machine& m, uint32_t id);

}  // namespace as3
