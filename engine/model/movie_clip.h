// A movie clip: the root timeline or a sprite instance, with its own display
// list, playhead and playing flag.
//
// Frames count from 0. A timeline with no frames behaves as one empty frame.
//
// Entering a frame executes its control tags in file order:
//   PlaceObject 1, and 2/3 without Move: a new object at the depth, replacing
//     the timeline object there. A script-created object at that depth wins:
//     the placement is ignored.
//   PlaceObject 2/3 with Move and no character: changes the fields the tag
//     gives on the object at the depth (nothing there: ignored). Matrix and
//     colour transform are left alone on a script-transformed object.
//   Move with a character: the same character just moves; another one
//     replaces the object by a new instance that keeps every field the tag
//     does not give. Move with a character at an empty depth places.
//   A placement naming an undefined or undisplayable character (a font) is
//     ignored entirely; a Move with one still applies its other fields.
//   RemoveObject 1 and 2: remove the timeline object at the depth, whatever
//     its character (RemoveObject 1's id is not checked).
//   DoAction: queued as a frame action of this clip. DoInitAction (root
//     only): queued as an init action, once per sprite id for the stage.
//   FrameLabel: nothing to do (labels are looked up in the timeline).
//   SetBackgroundColor: the stage keeps the root's first one; later ones are
//     ignored.
// A new sprite instance enters its frame 0 at once (so its children exist)
// and advances from the next tick on. New unnamed clips are called
// "instanceN" (N counting up per stage), as the player names them.
//
// Jumps (gotoFrame and the loop back from the last frame):
//   backwards: the display list is rebuilt from frame 0 up to the target;
//     an object that ends at the same depth with the same character as one
//     shown now keeps its instance (and its own state, such as a playing
//     clip's frame) and takes the rebuilt fields; the rest are replaced.
//   forwards: the frames in between are applied; objects that stayed all the
//     way keep their instance, ones removed or replaced in between are new.
//   Script-created objects are never touched. Only the target frame's frame
//   actions run; init actions of every frame passed through are queued (once
//   per sprite id). Going to the current frame does nothing.
//
// Action order within one operation (advance or a navigation call): every
// init action before every frame action. Frame actions: a clip's own, then
// those of the clips its frame created (in depth order, each followed by what
// it created), then (during advance) the children that already existed in
// depth order, each the same way. Entries of kind ClipLoad follow a new
// clip's first-frame actions; ClipUnload is queued when the timeline removes
// a clip.
#pragma once

#include "model/display_list.h"
#include "model/display_object.h"
#include "model/drawing.h"

#include "swf/timeline.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace model {

class MovieClip final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::MovieClip;

    MovieClip(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Timeline& timeline);

    [[nodiscard]] bool isRoot() const { return m_isRoot; }
    // A movie that plays as a root of its own inside another's tree (an
    // ActionScript 1/2 movie an ActionScript 3 one loaded): its scripts see
    // it as _level0.
    void markAsRoot() { m_isRoot = true; }
    [[nodiscard]] const swf::Timeline& timeline() const { return *m_timeline; }
    [[nodiscard]] const DisplayList& displayList() const { return m_children; }
    [[nodiscard]] const DisplayList* children() const override { return &m_children; }

    [[nodiscard]] uint32_t currentFrame() const { return m_currentFrame; }
    // The frames the timeline holds (at least 1). The header or DefineSprite
    // may declare another count (declaredFrameCount); playback goes by the
    // frames that exist.
    [[nodiscard]] uint32_t totalFrames() const;
    [[nodiscard]] uint32_t declaredFrameCount() const { return m_timeline->declaredFrameCount; }

    [[nodiscard]] bool isPlaying() const { return m_playing; }
    void play() { m_playing = true; }
    void stop() { m_playing = false; }
    // Moves the playhead; the playing flag stays as it is. Out-of-range frames
    // are clamped to 0 .. totalFrames() - 1. False only when the work budget
    // refused the jump (the clip stays where it was).
    bool gotoFrame(int64_t frame);
    // Next/previous frame, then stop (at the last/first frame it only stops).
    void nextFrame();
    void prevFrame();
    // The frame of the first label with this name (case rule of namesEqual()
    // for the movie's version).
    [[nodiscard]] std::optional<uint32_t> findLabel(std::string_view name) const;
    // The same by a given case rule: a script matches labels by its own
    // movie's rule, whichever movie the clip came from.
    [[nodiscard]] std::optional<uint32_t> findLabel(std::string_view name, bool caseSensitive) const;
    // False (and nothing moves) when no label has that name.
    bool gotoLabel(std::string_view name);
    bool gotoLabel(std::string_view name, bool caseSensitive);
    // The last label at or before the current frame, "" when there is none.
    [[nodiscard]] std::string currentLabel() const;
    // The label placed on exactly this frame (the last one if several), or none.
    [[nodiscard]] std::optional<std::string> labelOfFrame(uint32_t frame) const;

    // Objects a script creates (Origin::Script), at a model depth (see
    // DisplayObject::depth()). They replace whatever is at that depth. A
    // character that cannot be displayed, or a limit, gives nullptr.
    std::shared_ptr<DisplayObject> createChild(uint16_t characterId, int32_t depth, std::string name);
    std::shared_ptr<MovieClip> createEmptyClip(int32_t depth, std::string name);
    // An empty text field over `bounds` (twips, in this clip's coordinates):
    // device font, 12 points, black, as the player makes them.
    std::shared_ptr<DisplayObject> createTextField(int32_t depth, std::string name, const swf::Rect& bounds);
    // Removes the child at the depth, whoever created it; false when empty.
    bool removeChild(int32_t depth);
    // Content loaded into the clip: every child goes (unloaded), the drawing
    // too, and the clip stands at frame 0 of `timeline` without entering it
    // (a loaded image's timeline is empty). It must outlive the clip.
    void replaceTimeline(const swf::Timeline& timeline);
    // When a movie was loaded into this clip, every sound it started stops
    // (it is being unloaded).
    void silenceLoadedMovie();
    // A movie loaded into the clip: its content goes as above, and the clip
    // shows the movie's root timeline with the movie's characters, entering
    // its frame 0 now. False (nothing changed) when the stage holds
    // Limits::maxLoadedMovies loaded movies already.
    bool loadMovie(std::shared_ptr<const swf::Movie> movie);
    // A character of this clip's library on no list yet, as a script made
    // it; null when it cannot be shown or at a limit.
    [[nodiscard]] std::shared_ptr<DisplayObject> createLibraryObject(uint16_t characterId);
    // Exchanges the children at two depths (either may be empty). The
    // timeline addresses depths, so later tags act on what is there now.
    void swapChildren(int32_t depthA, int32_t depthB);
    // ActionScript 3 moves whole objects between containers: `object` (with
    // no parent) goes to `depth`, replacing nothing; no actions are queued.
    // It becomes the script's (Origin::Script), even if a timeline placed it.
    // False, and nothing changes, when the depth is taken or the object's
    // tree would pass the nesting limit.
    [[nodiscard]] bool adoptChild(int32_t depth, std::shared_ptr<DisplayObject> object);
    // Takes the child at `depth` off the list without unload actions; null when empty.
    std::shared_ptr<DisplayObject> releaseChild(int32_t depth);

    // What scripts drew into the clip, painted below its children; null
    // until a script draws. drawing() makes it on first use.
    [[nodiscard]] const Drawing* drawingIfAny() const { return m_drawing.get(); }
    [[nodiscard]] Drawing& drawing();

private:
    friend class ObjectFactory;
    friend class Stage;
    friend class TimelineExecutor;

    static void renest(DisplayObject& object, uint32_t nesting);

    const swf::Timeline* m_timeline = nullptr;
    uint32_t m_currentFrame = 0;
    bool m_playing = true;
    bool m_isRoot = false;
    uint64_t m_bornTick = 0;  // the tick in which it entered frame 0: it advances from the next one
    DisplayList m_children{*this};
    std::unique_ptr<Drawing> m_drawing;
};

}  // namespace model
