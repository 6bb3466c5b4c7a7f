// A placed DefineMorphShape, drawn at its ratio.
#pragma once

#include "model/display_object.h"
#include "model/geometry_cache.h"

#include "swf/morph_shape.h"

#include <memory>

namespace model {

class MorphObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::MorphShape;

    MorphObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::MorphShape& morph);

    [[nodiscard]] const swf::MorphShape& morph() const { return *m_morph; }
    // The shape blended at the current ratio (styles and paths), never null.
    [[nodiscard]] std::shared_ptr<const MorphedShape> shapeAtRatio() const;

private:
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    const swf::MorphShape* m_morph = nullptr;
    mutable std::shared_ptr<const MorphedShape> m_blended;  // for m_blendedRatio
    mutable uint16_t m_blendedRatio = 0;
};

}  // namespace model
