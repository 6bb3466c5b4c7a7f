// One loaded movie playing: the root clip and its tree, the queue of actions
// for the script layer, change tracking, and the header's facts.
//
//   auto stage = model::Stage::create(movie);     // root enters frame 0
//   every frame-rate tick:  stage->advance();
//   after every call:       ChangeSet c = stage->collectChanges();
//                           auto actions = stage->takePendingActions();
//
// advance() moves every playing clip one frame, in tree pre-order: the root
// first, then its children by ascending depth, each before its own children
// (buttons' state children included). A playing clip at its last frame
// jumps back to frame 0 (see movie_clip.h); a one-frame clip stays and does
// not re-enter its frame. A stopped clip stays but its children still
// advance. Clips created during this tick do not advance in it.
//
// Every entry point starts a new work budget (Limits::maxTagsPerOperation).
// Single-threaded: everything runs on the thread that owns the stage.
#pragma once

#include "model/change_set.h"
#include "model/filter_margin.h"
#include "model/geometry_cache.h"
#include "model/limits.h"
#include "model/movie_clip.h"
#include "model/pending_action.h"
#include "model/sound_sink.h"
#include "model/stage_layout.h"

#include "swf/movie.h"
#include "text/text_renderer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace model {

class ChangeTracker;

enum class TargetStatus : uint8_t { Ok, TargetNotFound, LabelNotFound };

class Stage {
public:
    // nullptr only for a null movie. The root enters frame 0 and plays.
    // `sound` (may be null) hears the timelines' and buttons' sound events
    // until the stage is destroyed; it must outlive the stage.
    [[nodiscard]] static std::unique_ptr<Stage> create(std::shared_ptr<const swf::Movie> movie,
                                                       const Limits& limits = {}, SoundSink* sound = nullptr);
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;
    ~Stage();

    // The header.
    [[nodiscard]] const swf::Movie& movie() const { return *m_movie; }
    [[nodiscard]] const std::shared_ptr<const swf::Movie>& moviePtr() const { return m_movie; }
    [[nodiscard]] swf::Rect stageRect() const { return m_movie->header.stage; }
    [[nodiscard]] int64_t widthTwips() const { return m_movie->header.stage.width(); }
    [[nodiscard]] int64_t heightTwips() const { return m_movie->header.stage.height(); }
    [[nodiscard]] double frameRate() const { return m_movie->header.frameRate(); }  // may be 0: the caller picks a rate
    [[nodiscard]] uint16_t frameRate88() const { return m_movie->header.frameRate88; }  // as stored, 8.8 fixed point
    [[nodiscard]] uint8_t version() const { return m_movie->header.version; }
    // FileAttributes says so, or DoABC tags were present: show, run no script.
    [[nodiscard]] bool usesActionScript3() const;
    // Instance names and labels compare exactly from version 7 on.
    [[nodiscard]] bool namesCaseSensitive() const { return version() >= 7; }
    // The root's first SetBackgroundColor, white when none, unless the owner set another.
    [[nodiscard]] swf::Rgba backgroundColor() const { return m_background; }
    // A different colour invalidates everything at the next collection.
    void setBackgroundColor(swf::Rgba color);
    // Where the stage is shown; another mode or alignment invalidates everything.
    [[nodiscard]] const StageLayout& layout() const { return m_layout; }
    void setLayout(const StageLayout& layout);

    [[nodiscard]] MovieClip& root() { return *m_root; }
    [[nodiscard]] const MovieClip& root() const { return *m_root; }
    [[nodiscard]] const std::shared_ptr<MovieClip>& rootPtr() const { return m_root; }
    // An empty clip on no list yet (ActionScript 3 makes its objects before
    // it places them); null at the object limit.
    [[nodiscard]] std::shared_ptr<MovieClip> createDetachedClip();
    // The character's object on no list yet, as a script made it (a sprite
    // in its frame 0); null when the character cannot be shown or at a limit.
    [[nodiscard]] std::shared_ptr<DisplayObject> createDetachedObject(uint16_t characterId);
    // An empty text field (twips), or nullptr at the object limit.
    [[nodiscard]] std::shared_ptr<DisplayObject> createDetachedTextField(int32_t width, int32_t height);
    // An empty video (pixels), or nullptr at the object limit.
    [[nodiscard]] std::shared_ptr<DisplayObject> createDetachedVideo(uint16_t width, uint16_t height);
    // The geometry of the movie's characters; filling it does not change the stage.
    [[nodiscard]] GeometryCache& characterCache() const;
    [[nodiscard]] const Limits& limits() const;
    [[nodiscard]] const Diagnostics& diagnostics() const;
    // Display objects alive (on the stage or referenced from outside).
    [[nodiscard]] size_t liveObjects() const;

    // One tick (see above).
    void advance();

    // The root's playback, as the control's calls need it.
    void play() { m_root->play(); }
    void stop() { m_root->stop(); }
    [[nodiscard]] bool isPlaying() const { return m_root->isPlaying(); }
    void rewind();                  // frame 0, stopped
    void forward();                 // next frame, stopped
    void back();                    // previous frame, stopped
    void gotoFrame(int64_t frame);  // clamped; the playing flag stays
    [[nodiscard]] uint32_t currentFrame() const { return m_root->currentFrame(); }
    [[nodiscard]] uint32_t totalFrames() const { return m_root->totalFrames(); }
    [[nodiscard]] uint32_t declaredFrameCount() const { return m_root->declaredFrameCount(); }
    bool gotoLabel(std::string_view label);
    [[nodiscard]] std::string currentLabel() const { return m_root->currentLabel(); }

    // Targets (see target_path.h), relative ones from the root.
    [[nodiscard]] MovieClip* resolveTarget(std::string_view target);
    TargetStatus playTarget(std::string_view target);
    TargetStatus stopTarget(std::string_view target);
    TargetStatus gotoFrameTarget(std::string_view target, int64_t frame);
    TargetStatus gotoLabelTarget(std::string_view target, std::string_view label);
    [[nodiscard]] std::optional<uint32_t> currentFrameOf(std::string_view target);
    [[nodiscard]] std::optional<std::string> currentLabelOf(std::string_view target);

    // The actions collected so far, oldest first; the queue is empty afterwards.
    [[nodiscard]] std::vector<PendingAction> takePendingActions();
    // Only the actions `wanted` picks; the others stay queued, in order.
    [[nodiscard]] std::vector<PendingAction> takePendingActionsIf(
        const std::function<bool(const PendingAction&)>& wanted);
    [[nodiscard]] size_t pendingActionCount() const;

    // What changed since the previous call (the first call: everything).
    [[nodiscard]] ChangeSet collectChanges();
    // How far filters draw past their objects, for collectChanges().
    void setFilterMargin(FilterMarginFn margin);

    // Clips of text fields' <img> tags waiting for their files, with the
    // URLs as written; the list is empty afterwards.
    // Those of fields of ActionScript 3 movies, or of the other movies:
    // each machine loads its own fields' images.
    [[nodiscard]] std::vector<std::pair<std::weak_ptr<MovieClip>, std::string>> takeImageLoads(bool actionScript3);
    // flash.text.TextRenderer's settings, shared by every movie of the stage.
    [[nodiscard]] text::TextRendererSettings& textRenderer();

    // A fresh work allowance, for the script layer between its own runs.
    void resetWorkBudget();

    // The focus rectangle drawn over everything (stage twips) around what
    // the keyboard focused; none hides it. Changes reach collectChanges().
    void setFocusHighlight(std::optional<swf::Rect> area);
    [[nodiscard]] const std::optional<swf::Rect>& focusHighlight() const { return m_focusHighlight; }

private:
    Stage() = default;

    std::shared_ptr<const swf::Movie> m_movie;
    std::shared_ptr<StageContext> m_context;
    std::shared_ptr<MovieClip> m_root;
    swf::Rgba m_background{255, 255, 255, 255};
    StageLayout m_layout;
    bool m_everythingChanged = false;
    bool m_firstCollection = true;
    uint64_t m_textRendererSeen = 0;  // the TextRenderer version last drawn
    std::unique_ptr<ChangeTracker> m_tracker;
    std::optional<swf::Rect> m_focusHighlight;
    std::vector<swf::Rect> m_highlightChanges;  // areas the rectangle left or took
};

}  // namespace model
