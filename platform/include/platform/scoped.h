// One owning wrapper for every kind of platform resource: interface pointers,
// BSTRs, regions, brushes, device contexts, bitmaps, kernel handles.
//
// Shaped like std::unique_ptr: reset() takes ownership, release() gives it up,
// receive() hands out the address for APIs that fill in a handle (and insists
// the wrapper is empty first), swap(); copying is deleted. The wrapper holds
// only the raw value, so it is exactly as large as the handle it owns.
//
// A Traits type names the handle, its empty value and how to free it:
//   struct RegionTraits {
//       using Handle = HRGN;
//       static Handle empty() noexcept { return nullptr; }
//       static void free(Handle h) noexcept { DeleteObject(h); }
//   };
#pragma once

#include <cassert>
#include <utility>

namespace platform {

template <typename Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;

    Scoped() noexcept = default;
    explicit Scoped(Handle handle) noexcept : m_handle(handle) {}
    ~Scoped() { reset(); }

    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    Scoped(Scoped&& other) noexcept : m_handle(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    [[nodiscard]] Handle get() const noexcept { return m_handle; }
    Handle operator->() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::empty(); }

    // Frees what is held (if anything) and takes ownership of `handle`.
    void reset(Handle handle = Traits::empty()) noexcept {
        Handle old = m_handle;
        m_handle = handle;
        if (old != Traits::empty())
            Traits::free(old);
    }

    // Gives up ownership without freeing.
    [[nodiscard]] Handle release() noexcept {
        Handle handle = m_handle;
        m_handle = Traits::empty();
        return handle;
    }

    // For out-parameters: `Create(..., wrapper.receive())`. Filling a wrapper
    // that still owns something would leak it, so that is a programming error.
    Handle* receive() noexcept {
        assert(m_handle == Traits::empty() && "receive() on a wrapper that still owns a handle");
        return &m_handle;
    }

    void swap(Scoped& other) noexcept { std::swap(m_handle, other.m_handle); }

private:
    Handle m_handle = Traits::empty();
};

}  // namespace platform
