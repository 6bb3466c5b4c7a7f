// Which stage point lies on what: the pointer over buttons and clips, the
// shape form of hitTest, and _droptarget.
//
// Shapes are hit inside their fills (with their fill rule) or within half a
// stroke's width of a line (at least a pixel); text, text fields and bitmaps
// by their boxes; containers by any child except masks. A button is hit in
// the shapes of its hit-state records. Points are stage twips; objects placed
// in 3D are hit where their projection shows them.
#pragma once

#include "model/geometry_cache.h"
#include "swf/geometry.h"

#include <vector>

namespace model {
class ButtonObject;
class DisplayObject;
class Stage;
}  // namespace model

namespace script {

class HitTester {
public:
    explicit HitTester(model::Stage& stage) : m_stage(stage) {}

    // The object's content under the point. Invisible objects (and their
    // children) count only when `includeHidden`.
    [[nodiscard]] bool hits(const model::DisplayObject& object, swf::Point stage, bool includeHidden = false) const;
    // The button's hit area under the point.
    [[nodiscard]] bool hitsButton(const model::ButtonObject& button, swf::Point stage) const;
    // The topmost visible leaf or button under the point inside `container`
    // (drawing order reversed), skipping `exclude` and its children.
    [[nodiscard]] model::DisplayObject* topmost(model::DisplayObject& container, swf::Point stage,
                                                const model::DisplayObject* exclude) const;

private:
    // `characters`: the geometry of the movie the id belongs to.
    [[nodiscard]] bool hitsCharacter(model::GeometryCache& characters, uint16_t id, const swf::Matrix& toStage,
                                     swf::Point stage, int depth) const;
    // The *Flat forms take the point already moved past 3D projections
    // (model::flatStagePoint) of everything above the object.
    [[nodiscard]] bool hitsDisplay(const model::DisplayObject& object, swf::Point stage, bool includeHidden,
                                   int depth) const;
    [[nodiscard]] bool hitsButtonFlat(const model::ButtonObject& button, swf::Point stage) const;
    [[nodiscard]] model::DisplayObject* topmostFlat(model::DisplayObject& container, swf::Point stage,
                                                    const model::DisplayObject* exclude, int depth) const;

    model::Stage& m_stage;
};

// Whether a point in a shape's own coordinates is on its geometry.
[[nodiscard]] bool geometryContains(const swf::ShapeGeometry& geometry, const std::vector<uint16_t>& lineWidths,
                                    swf::Point local, double minHalfWidth);

}  // namespace script
