// A bitmap placed directly.
#include "model/bitmap_object.h"

#include "model/transform.h"

namespace model {

BitmapObject::BitmapObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Bitmap& bitmap)
    : DisplayObject(kKind, std::move(context), characterId), m_bitmap(&bitmap) {}

swf::Bounds BitmapObject::leafBounds(const swf::Matrix& m) const {
    swf::Bounds b;
    if (m_bitmap->width == 0 || m_bitmap->height == 0)
        return b;
    b.add(swf::Point{0.0, 0.0});
    b.add(swf::Point{m_bitmap->width * 20.0, m_bitmap->height * 20.0});
    return transformBounds(m, b);
}

}  // namespace model
