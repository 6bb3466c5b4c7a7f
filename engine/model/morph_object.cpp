// A placed morph shape: the shape blended at its ratio.
#include "model/morph_object.h"

#include "model/stage_context.h"
#include "model/transform.h"

namespace model {

MorphObject::MorphObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::MorphShape& morph)
    : DisplayObject(kKind, std::move(context), characterId), m_morph(&morph) {}

std::shared_ptr<const MorphedShape> MorphObject::shapeAtRatio() const {
    if (!m_blended || m_blendedRatio != ratio()) {
        m_blended = context().cache.morph(characterId(), ratio());
        if (!m_blended) {
            auto blended = std::make_shared<MorphedShape>();
            blended->shape = swf::morphShapeAt(*m_morph, ratio());
            blended->geometry = swf::buildGeometry(blended->shape);
            m_blended = std::move(blended);
        }
        m_blendedRatio = ratio();
    }
    return m_blended;
}

swf::Bounds MorphObject::leafBounds(const swf::Matrix& m) const {
    return transformBounds(m, shapeAtRatio()->geometry.bounds);
}

}  // namespace model
