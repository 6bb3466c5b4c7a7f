#pragma once
// Owns one Windows handle (a pipe end, a process), in the shape of
// std::unique_ptr. Null and INVALID_HANDLE_VALUE both count as none.

#include <utility>

namespace moviehost::client {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(void* handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] void* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr && m_handle != invalid(); }
    // Closes the handle held so far and takes `handle`.
    void reset(void* handle = nullptr);
    [[nodiscard]] void* release() { return std::exchange(m_handle, nullptr); }

private:
    static void* invalid() { return reinterpret_cast<void*>(static_cast<long long>(-1)); }

    void* m_handle{nullptr};
};

}  // namespace moviehost::client
