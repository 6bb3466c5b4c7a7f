// A kernel object over a file descriptor: a pipe end, a standard stream.
#pragma once

#include "handle_table.h"

namespace platform::detail {

class FileObject final : public KernelObject {
public:
    // Takes ownership of `fd`: it is closed when the last reference goes.
    explicit FileObject(int fd) : m_fd(fd) {}
    ~FileObject() override;

    [[nodiscard]] int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// The descriptor behind a file handle, or -1 with ERROR_INVALID_HANDLE set.
// `keepAlive` holds the object for the duration of the caller's call.
[[nodiscard]] int fileDescriptorOf(HANDLE handle, std::shared_ptr<FileObject>& keepAlive);

}  // namespace platform::detail
