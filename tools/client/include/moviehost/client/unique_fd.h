#pragma once
// Owns one file descriptor, in the shape of std::unique_ptr.

#include <utility>

namespace moviehost::client {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    [[nodiscard]] int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Closes the descriptor held so far and takes `fd`.
    void reset(int fd = -1);
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }
    void swap(UniqueFd& other) noexcept { std::swap(m_fd, other.m_fd); }

private:
    int m_fd{-1};
};

static_assert(sizeof(UniqueFd) == sizeof(int));

}  // namespace moviehost::client
