#include "file_object.h"

#include "platform/kernel.h"

#include <unistd.h>

namespace platform::detail {

FileObject::~FileObject() {
    // A close interrupted by a signal has still released the descriptor on
    // Linux, so it is never retried.
    if (m_fd >= 0)
        ::close(m_fd);
}

int fileDescriptorOf(HANDLE handle, std::shared_ptr<FileObject>& keepAlive) {
    keepAlive = HandleTable::instance().findAs<FileObject>(handle);
    if (!keepAlive) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return keepAlive->fd();
}

}  // namespace platform::detail
