#include <moviehost/client/unique_handle.h>

#include <windows.h>

namespace moviehost::client {

void UniqueHandle::reset(void* handle) {
    void* old = std::exchange(m_handle, handle);
    if (old != nullptr && old != INVALID_HANDLE_VALUE)
        CloseHandle(old);
}

}  // namespace moviehost::client
