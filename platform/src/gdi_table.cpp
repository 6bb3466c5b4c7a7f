#include "gdi_table.h"

#include <cassert>
#include <new>

namespace platform::gdi {

namespace {

constexpr std::uint32_t MaxSlots = 0x10000;
constexpr std::uint16_t MaxGeneration = 0x7FFF;

std::uintptr_t encode(std::uint32_t index, std::uint16_t generation) {
    return (std::uintptr_t{generation} << 16) | index;
}

}  // namespace

GdiTable::Access GdiTable::acquire() {
    // Never destroyed: contexts and bitmaps may still be released by other
    // modules' static destructors after ours have run.
    static GdiTable* const Table = new GdiTable();
    return Access(*Table);
}

GdiTable::GdiTable() {
    m_stockBitmap = static_cast<HBITMAP>(insertLocked(Bitmap::stockMonochrome(), true));
    const COLORREF colors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                               RGB(0, 0, 0)};
    for (int i = 0; i < NULL_BRUSH; ++i)
        m_stockBrushes[i] = static_cast<HBRUSH>(insertLocked(Brush::solid(colors[i]), true));
    m_stockBrushes[NULL_BRUSH] = static_cast<HBRUSH>(insertLocked(Brush::hollow(), true));
}

void* GdiTable::insertLocked(GdiObject&& object, bool stock) {
    std::uint32_t index = 0;
    if (m_freeHead) {
        index = *m_freeHead;
        if (index == m_freeTail)
            m_freeHead.reset();
        else
            m_freeHead = m_slots[index].mNextFree;
    } else {
        if (m_slots.size() >= MaxSlots)
            return nullptr;
        try {
            m_slots.emplace_back();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        index = static_cast<std::uint32_t>(m_slots.size() - 1);
    }
    Slot& slot = m_slots[index];
    slot.m_object.emplace(std::move(object));
    slot.m_stock = stock;
    slot.m_selections = 0;
    return reinterpret_cast<void*>(encode(index, slot.m_generation));
}

Slot* GdiTable::slotLocked(const void* handle) {
    const auto raw = reinterpret_cast<std::uintptr_t>(handle);
    const std::uintptr_t index = raw & 0xFFFF;
    const std::uintptr_t generation = raw >> 16;
    if (generation == 0 || generation > MaxGeneration || index >= m_slots.size())
        return nullptr;
    Slot& slot = m_slots[index];
    if (slot.m_generation != generation || !slot.m_object)
        return nullptr;
    return &slot;
}

Slot* GdiTable::Access::slot(const void* handle) { return m_table.slotLocked(handle); }

void* GdiTable::Access::insert(GdiObject&& object) { return m_table.insertLocked(std::move(object), false); }

void GdiTable::Access::erase(const void* handle) {
    Slot* slot = m_table.slotLocked(handle);
    assert(slot && !slot->m_stock && slot->m_selections == 0 && "erase() of a live, free-standing object");
    if (!slot || slot->m_stock)
        return;
    slot->m_object.reset();
    slot->m_generation = slot->m_generation == MaxGeneration ? 1 : slot->m_generation + 1;
    const auto index = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle) & 0xFFFF);
    if (m_table.m_freeHead)
        m_table.m_slots[m_table.m_freeTail].mNextFree = index;
    else
        m_table.m_freeHead = index;
    m_table.m_freeTail = index;
}

}  // namespace platform::gdi
