// Creates display objects for characters, within the stage's limits.
#pragma once

#include "model/display_object.h"
#include "model/movie_clip.h"
#include "model/stage_context.h"

#include <cstdint>
#include <memory>

namespace model {

class ObjectFactory {
public:
    // Whether the id names a character that can be shown; failures are
    // counted (undefined id, wrong kind).
    [[nodiscard]] static bool isDisplayable(StageContext& context, uint16_t characterId);

    // A new object for the character, to live at `nesting` levels below the
    // root. A sprite enters its frame 0 (its actions go into `batch`); a
    // button builds its up state. nullptr, counted, when the character cannot
    // be shown or a limit (object count, nesting, work budget) refuses it.
    [[nodiscard]] static std::shared_ptr<DisplayObject> create(const std::shared_ptr<StageContext>& context,
                                                               uint16_t characterId, Origin origin, uint32_t nesting,
                                                               ActionBatch& batch);
    // An empty clip (one empty frame) for scripts; nullptr at a limit.
    [[nodiscard]] static std::shared_ptr<MovieClip> createEmptyClip(const std::shared_ptr<StageContext>& context,
                                                                    uint32_t nesting);
    // An empty text field for scripts, `width` x `height` twips at its
    // origin, in the format a new field starts with; nullptr at a limit.
    [[nodiscard]] static std::shared_ptr<DisplayObject> createTextField(const std::shared_ptr<StageContext>& context,
                                                                        uint32_t nesting, int32_t width,
                                                                        int32_t height);
    // An empty video for scripts, `width` x `height` pixels; nullptr at a limit.
    [[nodiscard]] static std::shared_ptr<DisplayObject> createVideo(const std::shared_ptr<StageContext>& context,
                                                                    uint32_t nesting, uint16_t width, uint16_t height);
    // The root clip on the movie's root timeline, in its frame 0.
    [[nodiscard]] static std::shared_ptr<MovieClip> createRoot(const std::shared_ptr<StageContext>& context,
                                                               ActionBatch& batch);

    // The object limit (and for containers the nesting limit) allows one more.
    [[nodiscard]] static bool roomFor(StageContext& context, bool container, uint32_t nesting);
};

}  // namespace model
