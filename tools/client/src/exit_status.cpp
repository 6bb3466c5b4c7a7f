#include <moviehost/client/exit_status.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstring>

namespace moviehost::client {

#ifdef _WIN32
// Windows has no wait status: the value is the exit code itself.
ExitStatus ExitStatus::fromWaitStatus(int status) { return {Kind::Exited, status}; }
#else
ExitStatus ExitStatus::fromWaitStatus(int status) {
    if (WIFSIGNALED(status))
        return {Kind::Signaled, WTERMSIG(status)};
    return {Kind::Exited, WEXITSTATUS(status)};
}
#endif

std::string ExitStatus::describe() const {
    if (kind == Kind::Exited)
        return "exit status " + std::to_string(value);
    std::string text = "killed by signal " + std::to_string(value);
#ifndef _WIN32
    if (const char* name = strsignal(value))
        text += std::string(" (") + name + ")";
#endif
    return text;
}

}  // namespace moviehost::client
