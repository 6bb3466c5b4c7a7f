// flash.display.BitmapData for ActionScript 3 over the shared bitmap
// (engine/bitmap), held as ActionScript 2 holds it so that fills and shown
// bitmaps keep its pixels. A bitmap that could not be made or was disposed
// throws ArgumentError #2015 from every member, as the player's do.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"
#include "bitmap/bitmap_data.h"

#include "model/drawing.h"
#include "swf/bitmap.h"

#include <memory>
#include <span>

namespace as3 {

// The pixels of a live BitmapData value for a fill; null for anything else.
[[nodiscard]] std::shared_ptr<const model::FillBitmap> fillBitmapOf(avm2::Value v);
[[nodiscard]] bool isBitmapData(avm2::Value v);
// A BitmapData over pixels another one holds (a filter's map read back);
// null when they are no script bitmap's.
[[nodiscard]] avm2::Value sharedBitmapData(avm2::Machine& m, const std::shared_ptr<const model::FillBitmap>& pixels);
[[nodiscard]] std::span<const avm2::CoreClassSpec> bitmapClasses();
// A BitmapData holding the pixels.
[[nodiscard]] avm2::Value makeBitmapData(avm2::Machine& m, bitmap::BitmapData data);
// A new BitmapData holding a copy of a bitmap character's pixels (a placed
// bitmap symbol no class is linked to); an ArgumentError when it cannot be made.
[[nodiscard]] avm2::Value characterBitmapData(avm2::Machine& m, const swf::Bitmap& character);

}  // namespace as3
