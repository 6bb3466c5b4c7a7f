// The process-wide table of GDI objects behind every handle.
//
// A handle encodes a slot index (low 16 bits) and the slot's generation
// (next 15 bits, never 0, so no handle is NULL). Freeing an object bumps its
// slot's generation, and freed slots are reused oldest first, so a stale
// handle stays invalid for a long time; anything that does not decode to a
// live slot of the expected kind is refused. One mutex guards the table;
// every call holds it for its whole duration through an Access.
#pragma once

#include "bitmap.h"
#include "brush.h"
#include "device_context.h"
#include "region.h"

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <variant>

namespace platform::gdi {

using GdiObject = std::variant<DeviceContext, Bitmap, Region, Brush>;

struct Slot {
    std::uint16_t m_generation = 1;
    bool m_stock = false;
    // Contexts this object is selected into; stock objects are not counted.
    int m_selections = 0;
    std::optional<GdiObject> m_object;
    // Next slot in the free list, while this one is free.
    std::uint32_t mNextFree = 0;
};

inline constexpr int StockBrushCount = NULL_BRUSH + 1;

class GdiTable {
public:
    class Access {
    public:
        // The live slot behind `handle`, or nullptr.
        [[nodiscard]] Slot* slot(const void* handle);
        // The object behind `handle` when it is live and of kind T.
        template <typename T>
        [[nodiscard]] T* find(const void* handle) {
            Slot* s = slot(handle);
            return s ? std::get_if<T>(&*s->m_object) : nullptr;
        }
        // A handle for `object`, or nullptr when the table is full or memory
        // runs out (the object is then dropped).
        [[nodiscard]] void* insert(GdiObject&& object);
        // Frees a live, non-stock object.
        void erase(const void* handle);

        [[nodiscard]] HBITMAP stockBitmap() const { return m_table.m_stockBitmap; }
        [[nodiscard]] HBRUSH stockBrush(int index) const { return m_table.m_stockBrushes.at(index); }

    private:
        friend class GdiTable;
        explicit Access(GdiTable& table) : m_lock(table.m_mutex), m_table(table) {}

        std::unique_lock<std::mutex> m_lock;
        GdiTable& m_table;
    };

    [[nodiscard]] static Access acquire();

private:
    GdiTable();
    [[nodiscard]] void* insertLocked(GdiObject&& object, bool stock);
    [[nodiscard]] Slot* slotLocked(const void* handle);

    std::mutex m_mutex;
    std::deque<Slot> m_slots;
    // Free slots form a queue threaded through Slot::m_next_free, so freeing
    // never allocates.
    std::optional<std::uint32_t> m_freeHead;
    std::uint32_t m_freeTail = 0;
    HBITMAP m_stockBitmap = nullptr;
    std::array<HBRUSH, StockBrushCount> m_stockBrushes{};
};

}  // namespace platform::gdi
