// Merging PlaceObject fields and writing them into objects.
#include "model/placement.h"

namespace model {

Placement capture(const std::shared_ptr<DisplayObject>& object) {
    Placement p;
    p.characterId = object->characterId();
    p.matrix = object->matrix();
    p.colorTransform = object->colorTransform();
    p.ratio = object->ratio();
    p.name = object->name();
    p.clipDepth = object->clipDepth();
    p.blendMode = object->blendMode();
    p.visible = object->isVisible();
    p.cacheAsBitmap = object->cacheAsBitmap();
    p.opaqueBackground = object->opaqueBackground();
    p.filters = object->filters();
    p.clipActions = object->clipActions().empty() ? nullptr : &object->clipActions();
    p.existing = object;
    return p;
}

void merge(Placement& p, const swf::PlaceObject& tag) {
    if (tag.matrix)
        p.matrix = *tag.matrix;
    if (tag.colorTransform)
        p.colorTransform = *tag.colorTransform;
    if (tag.ratio)
        p.ratio = *tag.ratio;
    if (tag.name)
        p.name = *tag.name;
    if (tag.clipDepth)
        p.clipDepth = *tag.clipDepth;
    if (tag.blendMode)
        p.blendMode = *tag.blendMode;
    if (tag.visible)
        p.visible = *tag.visible;
    if (tag.cacheAsBitmap)
        p.cacheAsBitmap = *tag.cacheAsBitmap;
    if (tag.backgroundColor)
        p.opaqueBackground = *tag.backgroundColor;
    if (tag.filters)
        p.filters = &*tag.filters;
    if (!tag.clipActions.empty())
        p.clipActions = &tag.clipActions;
}

void applyTo(DisplayObject& object, const Placement& p) {
    if (!object.isScriptTransformed()) {
        if (object.matrix() != p.matrix)
            object.setMatrix(p.matrix);
        object.setColorTransform(p.colorTransform);
    }
    object.setRatio(p.ratio);
    // Tags cannot clear a name, and an unnamed clip keeps its "instanceN".
    if (!p.name.empty() && object.name() != p.name)
        object.setName(p.name);
    object.setClipDepth(p.clipDepth);
    object.setBlendMode(p.blendMode);
    object.setVisible(p.visible);
    object.setCacheAsBitmap(p.cacheAsBitmap);
    object.setOpaqueBackground(p.opaqueBackground);
    object.setFilters(p.filters);
    object.setClipActions(p.clipActions);
}

}  // namespace model
