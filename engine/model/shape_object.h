// A placed DefineShape.
#pragma once

#include "model/display_object.h"

#include "swf/geometry.h"
#include "swf/shape.h"

#include <memory>

namespace model {

class ShapeObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::Shape;

    ShapeObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Shape& shape);

    // Styles to paint with.
    [[nodiscard]] const swf::Shape& shape() const { return *m_shape; }
    // Paths in the shape's coordinates, never null.
    [[nodiscard]] const std::shared_ptr<const swf::ShapeGeometry>& geometry() const { return m_geometry; }

private:
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    const swf::Shape* m_shape = nullptr;
    std::shared_ptr<const swf::ShapeGeometry> m_geometry;
};

}  // namespace model
