// flash.display.BitmapData for ActionScript 2: a script object over a
// bitmap::BitmapData. The pixels live in a holder that drawings painting
// them (beginBitmapFill, attachBitmap) share, so a clip keeps showing a
// bitmap whose script object was collected. Pixel memory is charged to the
// script's memory meter while the object lives.
//
// A bitmap that could not be made (bad size) or was disposed answers -1 for
// width and height and does nothing in every method, as the player's do.
#pragma once

#include "script/object.h"

#include "bitmap/bitmap_data.h"
#include "model/drawing.h"

#include <memory>

namespace script {

class BitmapHolder final : public model::FillBitmap {
public:
    explicit BitmapHolder(bitmap::BitmapData data) : m_data(std::move(data)) {}

    [[nodiscard]] bitmap::BitmapData& data() { return m_data; }
    [[nodiscard]] const bitmap::BitmapData& data() const { return m_data; }
    void dispose() {
        m_data.dispose();
        ++m_disposals;
    }

    [[nodiscard]] const uint32_t* pixels() const override { return m_data.disposed() ? nullptr : m_data.pixels(); }
    [[nodiscard]] int32_t width() const override { return m_data.width(); }
    [[nodiscard]] int32_t height() const override { return m_data.height(); }
    [[nodiscard]] uint64_t version() const override { return m_data.version() + m_disposals; }

private:
    bitmap::BitmapData m_data;
    uint64_t m_disposals = 0;
};

class BitmapObject final : public Object {
public:
    explicit BitmapObject(const ObjectInit& init) : Object(init) {}
    ~BitmapObject() override { release(); }

    // Takes the bitmap, charging its pixels (ScriptAbort at the memory limit).
    void adopt(bitmap::BitmapData data);
    // Shows pixels another bitmap holds (and is charged for).
    void share(std::shared_ptr<BitmapHolder> holder) {
        release();
        m_holder = std::move(holder);
    }
    // Null when invalid or disposed.
    [[nodiscard]] BitmapHolder* holder() const {
        return m_holder && !m_holder->data().disposed() ? m_holder.get() : nullptr;
    }
    [[nodiscard]] const std::shared_ptr<BitmapHolder>& shared() const { return m_holder; }
    void dispose();

private:
    void release();

    std::shared_ptr<BitmapHolder> m_holder;
    size_t m_chargedPixels = 0;
};

// The pixels of a BitmapData value for a fill; null for anything else.
[[nodiscard]] std::shared_ptr<const model::FillBitmap> fillBitmapOf(const Value& v);
// A BitmapData over pixels a script bitmap holds (a filter's map read back);
// null for none or others.
[[nodiscard]] Value sharedBitmap(Runtime& rt, const std::shared_ptr<const model::FillBitmap>& pixels);

}  // namespace script
