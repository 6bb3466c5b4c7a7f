// GetStdHandle and _get_osfhandle: descriptors as handles.
#include "file_object.h"

#include "platform/kernel.h"

#include <fcntl.h>
#include <array>
#include <map>
#include <mutex>

namespace {

std::mutex s_mutex;
std::array<HANDLE, 3> s_handles{};
std::map<int, HANDLE> s_otherHandles;

}  // namespace

HANDLE WINAPI GetStdHandle(DWORD stdHandle) {
    int fd = -1;
    if (stdHandle == STD_INPUT_HANDLE)
        fd = 0;
    else if (stdHandle == STD_OUTPUT_HANDLE)
        fd = 1;
    else if (stdHandle == STD_ERROR_HANDLE)
        fd = 2;
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }

    auto& table = platform::detail::HandleTable::instance();
    std::lock_guard lock(s_mutex);
    HANDLE& cached = s_handles[static_cast<std::size_t>(fd)];
    // The cached handle stays valid until someone closes it; after that the
    // descriptor (perhaps reopened since) gets a new handle.
    if (cached && table.find(cached))
        return cached;
    cached = nullptr;
    if (::fcntl(fd, F_GETFD) < 0)
        return nullptr;
    cached = table.add(std::make_shared<platform::detail::FileObject>(fd));
    return cached;
}

intptr_t _get_osfhandle(int fd) {
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    auto& table = platform::detail::HandleTable::instance();
    std::lock_guard lock(s_mutex);
    HANDLE& cached = s_otherHandles[fd];
    if (!cached || !table.find(cached))
        cached = table.add(std::make_shared<platform::detail::FileObject>(fd));
    return cached ? reinterpret_cast<intptr_t>(cached) : -1;
}
