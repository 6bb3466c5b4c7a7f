#include <moviehost/client/unique_fd.h>

#include <unistd.h>

namespace moviehost::client {

void UniqueFd::reset(int fd) {
    // A failed close still releases the descriptor on Linux; retrying could
    // close a descriptor another thread has just been given.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

}  // namespace moviehost::client
