// A bitmap character placed directly (one bitmap pixel is 20 twips, the
// image's top left corner at the object's origin).
#pragma once

#include "model/display_object.h"

#include "swf/bitmap.h"

namespace model {

class BitmapObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::Bitmap;

    BitmapObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Bitmap& bitmap);

    [[nodiscard]] const swf::Bitmap& bitmap() const { return *m_bitmap; }

private:
    [[nodiscard]] swf::Bounds leafBounds(const swf::Matrix& m) const override;

    const swf::Bitmap* m_bitmap = nullptr;
};

}  // namespace model
