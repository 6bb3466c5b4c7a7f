// A placed shape: bounds from its built geometry.
#include "model/shape_object.h"

#include "model/stage_context.h"
#include "model/transform.h"

namespace model {

ShapeObject::ShapeObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Shape& shape)
    : DisplayObject(kKind, std::move(context), characterId), m_shape(&shape) {
    m_geometry = this->context().cache.shape(characterId);
    if (!m_geometry)  // a shape handed in that is not the movie's: build it here
        m_geometry = std::make_shared<const swf::ShapeGeometry>(swf::buildGeometry(shape));
}

swf::Bounds ShapeObject::leafBounds(const swf::Matrix& m) const { return transformBounds(m, m_geometry->bounds); }

}  // namespace model
