// The process-wide table behind every kernel HANDLE.
//
// A handle is not a pointer: it encodes a slot index and the slot's
// generation, (generation << 32) | ((index + 1) << 2). Closing a handle bumps
// its slot's generation, so an old value no longer matches when the slot is
// reused, and a forged value either names no slot or the wrong generation.
// Lookups hand out shared ownership, so an object stays alive for a call in
// progress on another thread even while its handle is being closed.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::detail {

// Anything a handle can name.
class KernelObject {
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;

    // WAIT_OBJECT_0 once signalled, WAIT_TIMEOUT when `milliseconds` passed
    // first (INFINITE waits for good), WAIT_FAILED with the last error set
    // for objects that cannot be waited on.
    [[nodiscard]] virtual DWORD wait(DWORD milliseconds);
};

class HandleTable {
public:
    // Open handles beyond this are refused, so a leaking caller runs out of
    // handles instead of memory.
    static constexpr std::size_t MaxHandles = std::size_t{1} << 20;

    [[nodiscard]] static HandleTable& instance();

    // A new handle for `object`, or NULL when the table is full.
    [[nodiscard]] HANDLE add(std::shared_ptr<KernelObject> object);

    // The object of a live handle; empty for NULL, stale or forged values.
    [[nodiscard]] std::shared_ptr<KernelObject> find(HANDLE handle) const;

    template <typename Object>
    [[nodiscard]] std::shared_ptr<Object> findAs(HANDLE handle) const {
        return std::dynamic_pointer_cast<Object>(find(handle));
    }

    // Takes the handle out of the table and returns its object (empty when it
    // was not live); the caller lets it go outside the table's lock.
    [[nodiscard]] std::shared_ptr<KernelObject> remove(HANDLE handle);

private:
    HandleTable() = default;

    struct Slot {
        std::uint32_t generation = 1;
        std::shared_ptr<KernelObject> object;
    };

    // Index of the live slot `handle` names, or -1.
    [[nodiscard]] std::ptrdiff_t slotOf(HANDLE handle) const;

    mutable std::mutex m_mutex;
    std::vector<Slot> m_slots;
    std::vector<std::uint32_t> m_free;
};

}  // namespace platform::detail
