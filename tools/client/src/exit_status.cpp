#include <moviehost/client/exit_status.h>

#include <sys/wait.h>

#include <cstring>

namespace moviehost::client {

ExitStatus ExitStatus::fromWaitStatus(int status) {
    if (WIFSIGNALED(status))
        return {Kind::Signaled, WTERMSIG(status)};
    return {Kind::Exited, WEXITSTATUS(status)};
}

std::string ExitStatus::describe() const {
    if (kind == Kind::Exited)
        return "exit status " + std::to_string(value);
    std::string text = "killed by signal " + std::to_string(value);
    if (const char* name = strsignal(value))
        text += std::string(" (") + name + ")";
    return text;
}

}  // namespace moviehost::client
