// The handle table, CloseHandle and WaitForSingleObject.
#include "handle_table.h"

#include "platform/kernel.h"

#include <utility>

namespace platform::detail {

static_assert(sizeof(HANDLE) == 8, "handle encoding keeps the generation in the upper 32 bits");

DWORD KernelObject::wait(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HandleTable& HandleTable::instance() {
    // Never destroyed: detached threads may still close handles while the
    // process runs its exit handlers.
    static HandleTable* table = new HandleTable;
    return *table;
}

HANDLE HandleTable::add(std::shared_ptr<KernelObject> object) {
    if (!object)
        return nullptr;
    std::lock_guard lock(m_mutex);
    std::uint32_t index = 0;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
    } else {
        if (m_slots.size() >= MaxHandles)
            return nullptr;
        m_slots.emplace_back();
        index = static_cast<std::uint32_t>(m_slots.size() - 1);
    }
    Slot& slot = m_slots[index];
    slot.object = std::move(object);
    const std::uint64_t value = (std::uint64_t{slot.generation} << 32) | ((std::uint64_t{index} + 1) << 2);
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

std::ptrdiff_t HandleTable::slotOf(HANDLE handle) const {
    const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    const std::uint64_t low = value & 0xFFFFFFFFu;
    if ((low & 3) != 0 || low == 0)
        return -1;
    const std::uint64_t index = (low >> 2) - 1;
    if (index >= m_slots.size())
        return -1;
    const Slot& slot = m_slots[index];
    if (!slot.object || slot.generation != (value >> 32))
        return -1;
    return static_cast<std::ptrdiff_t>(index);
}

std::shared_ptr<KernelObject> HandleTable::find(HANDLE handle) const {
    std::lock_guard lock(m_mutex);
    const std::ptrdiff_t index = slotOf(handle);
    if (index < 0)
        return nullptr;
    return m_slots[static_cast<std::size_t>(index)].object;
}

std::shared_ptr<KernelObject> HandleTable::remove(HANDLE handle) {
    std::lock_guard lock(m_mutex);
    const std::ptrdiff_t index = slotOf(handle);
    if (index < 0)
        return nullptr;
    Slot& slot = m_slots[static_cast<std::size_t>(index)];
    std::shared_ptr<KernelObject> object = std::move(slot.object);
    // Generation 0 never appears in a handle, so a wrapped counter skips it.
    if (++slot.generation == 0)
        slot.generation = 1;
    m_free.push_back(static_cast<std::uint32_t>(index));
    return object;
}

}  // namespace platform::detail

using platform::detail::HandleTable;

BOOL WINAPI CloseHandle(HANDLE object) {
    // The object may close a descriptor when released; that happens here,
    // after the table's lock is gone.
    std::shared_ptr<platform::detail::KernelObject> removed = HandleTable::instance().remove(object);
    if (!removed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    std::shared_ptr<platform::detail::KernelObject> found = HandleTable::instance().find(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return found->wait(milliseconds);
}
