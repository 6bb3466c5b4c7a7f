// The fields a timeline gives an object at a depth: what PlaceObject tags
// set, merged tag by tag. Frame-by-frame execution writes them straight into
// objects; jumps compute them for the target frame first and then reconcile.
#pragma once

#include "model/display_object.h"

#include "swf/timeline.h"

#include <memory>
#include <optional>
#include <string>

namespace model {

struct Placement {
    uint16_t characterId = 0;
    swf::Matrix matrix;
    swf::ColorTransform colorTransform;
    uint16_t ratio = 0;
    std::string name;
    uint16_t clipDepth = 0;
    swf::BlendMode blendMode = swf::BlendMode::Normal;
    bool visible = true;
    bool cacheAsBitmap = false;
    std::optional<swf::Rgba> opaqueBackground;
    const std::vector<swf::Filter>* filters = nullptr;
    const std::vector<swf::ClipAction>* clipActions = nullptr;
    // Jumps forward: the instance this entry still describes (nullptr once
    // the depth was placed anew or got another character).
    std::shared_ptr<DisplayObject> existing;
};

// The fields of an object as they are now.
[[nodiscard]] Placement capture(const std::shared_ptr<DisplayObject>& object);
// Overwrites the fields the tag carries; the character id is left to the caller.
void merge(Placement& p, const swf::PlaceObject& tag);
// Writes every field into the object. A script-transformed object keeps its
// matrix and colour transform.
void applyTo(DisplayObject& object, const Placement& p);

}  // namespace model
