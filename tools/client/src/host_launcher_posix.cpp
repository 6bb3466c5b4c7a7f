// Starting the host on POSIX: the pipes, and a child with a clean signal
// state.

#include "host_arguments.h"
#include "pipe_io.h"

#include <moviehost/client/host_process.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace moviehost::client {

namespace {

// The host's descriptor for its sound, the first after the standard three.
constexpr int SoundDescriptor = 3;

Error startError(ErrorCode code, std::string message) { return Error{code, std::move(message), std::nullopt}; }

std::string systemMessage(int error) { return std::strerror(error); }

Error pipeError(int error) {
    return startError(ErrorCode::StartFailed, "cannot create pipes for the host: " + systemMessage(error));
}

std::vector<std::string> environmentFor(const HostOptions& options) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const auto name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const auto& [key, value] : options.environment)
            overridden = overridden || key == name;
        for (const auto& key : options.removedEnvironment)
            overridden = overridden || key == name;
        if (!overridden)
            entries.emplace_back(text);
    }
    for (const auto& [key, value] : options.environment)
        entries.push_back(key + "=" + value);
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Owns the spawn attribute objects for the length of one start.
class SpawnSetup {
public:
    SpawnSetup() {
        m_actionsError = posix_spawn_file_actions_init(&m_actions);
        m_attributesError = posix_spawnattr_init(&m_attributes);
    }
    ~SpawnSetup() {
        if (m_actionsError == 0)
            posix_spawn_file_actions_destroy(&m_actions);
        if (m_attributesError == 0)
            posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Returns 0 or an errno value. `sound` (when not -1) becomes the host's
    // descriptor SoundDescriptor.
    [[nodiscard]] int prepare(int input, int output, int errors, int sound) {
        if (m_actionsError != 0)
            return m_actionsError;
        if (m_attributesError != 0)
            return m_attributesError;
        int error = posix_spawn_file_actions_adddup2(&m_actions, input, STDIN_FILENO);
        if (error == 0)
            error = posix_spawn_file_actions_adddup2(&m_actions, output, STDOUT_FILENO);
        if (error == 0 && errors >= 0)
            error = posix_spawn_file_actions_adddup2(&m_actions, errors, STDERR_FILENO);
        if (error == 0 && sound >= 0)
            error = posix_spawn_file_actions_adddup2(&m_actions, sound, SoundDescriptor);
        // The host must see default signal handling and no blocked signals,
        // whatever this process has done with SIGPIPE or its masks.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        if (error == 0)
            error = posix_spawnattr_setsigmask(&m_attributes, &none);
        if (error == 0)
            error = posix_spawnattr_setsigdefault(&m_attributes, &all);
        if (error == 0)
            error = posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        return error;
    }

    [[nodiscard]] const posix_spawn_file_actions_t* actions() const { return &m_actions; }
    [[nodiscard]] const posix_spawnattr_t* attributes() const { return &m_attributes; }

private:
    posix_spawn_file_actions_t m_actions{};
    posix_spawnattr_t m_attributes{};
    int m_actionsError{-1};
    int m_attributesError{-1};
};

}  // namespace

Expected<HostProcess> HostProcess::start(HostOptions options) {
    if (auto refused = detail::refuseOptions(options))
        return *refused;

    const std::string program = options.program.string();
    struct stat info {};
    if (program.empty() || ::stat(program.c_str(), &info) != 0)
        return startError(ErrorCode::HostMissing, "host program not found: " + program);
    if (S_ISDIR(info.st_mode) || ::access(program.c_str(), X_OK) != 0)
        return startError(ErrorCode::HostMissing, "host program is not executable: " + program);

    auto input = detail::makePipe();
    if (!input)
        return pipeError(input.error());
    auto output = detail::makePipe();
    if (!output)
        return pipeError(output.error());
    detail::enlargePipe(output->readEnd.get());
    detail::Pipe errors;
    if (options.stderrMode == StderrMode::Capture) {
        auto made = detail::makePipe();
        if (!made)
            return pipeError(made.error());
        errors = std::move(*made);
    }

    detail::Pipe sound;
    if (options.sound) {
        auto made = detail::makePipe();
        if (!made)
            return pipeError(made.error());
        sound = std::move(*made);
        // Duplicating a descriptor onto itself would keep its close-on-exec.
        if (sound.writeEnd.get() == SoundDescriptor) {
            UniqueFd moved(::fcntl(SoundDescriptor, F_DUPFD_CLOEXEC, SoundDescriptor + 1));
            if (!moved)
                return pipeError(errno);
            sound.writeEnd = std::move(moved);
        }
        detail::enlargePipe(sound.readEnd.get());
        options.environment.emplace_back("MOVIEHOST_AUDIO_FD", std::to_string(SoundDescriptor));
    }
    // Input for the host's first read: written before it starts, as much as
    // the pipe holds; the rest is queued.
    std::size_t initialSent = 0;
    if (!options.initialInput.empty()) {
        detail::enlargePipe(input->writeEnd.get());
        if (const int failed = detail::setNonBlocking(input->writeEnd.get()); failed != 0)
            return startError(ErrorCode::StartFailed, "cannot set up the host's pipes: " + systemMessage(failed));
        while (initialSent < options.initialInput.size()) {
            const ssize_t n = ::write(input->writeEnd.get(), options.initialInput.data() + initialSent,
                                      options.initialInput.size() - initialSent);
            if (n > 0)
                initialSent += static_cast<std::size_t>(n);
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break;  // full: the rest waits in the queue
        }
    }

    SpawnSetup setup;
    int error = setup.prepare(input->readEnd.get(), output->writeEnd.get(), errors.writeEnd.get(),
                              options.sound ? sound.writeEnd.get() : -1);
    if (error != 0)
        return startError(ErrorCode::StartFailed, "cannot prepare the host's start: " + systemMessage(error));

    auto arguments = detail::argumentsFor(options, ::getpid());
    auto environment = environmentFor(options);
    auto argv = pointersTo(arguments);
    auto envp = pointersTo(environment);

    pid_t pid = -1;
    error = posix_spawn(&pid, program.c_str(), setup.actions(), setup.attributes(), argv.data(), envp.data());
    if (error == ENOENT || error == EACCES || error == ENOEXEC || error == EISDIR)
        return startError(ErrorCode::HostMissing, "cannot execute the host " + program + ": " + systemMessage(error));
    if (error != 0)
        return startError(ErrorCode::StartFailed, "cannot start the host " + program + ": " + systemMessage(error));

    HostProcess host;
    host.m_pid = pid;
    host.m_width = options.width;
    host.m_height = options.height;
    host.m_timeout = options.timeout;
    host.m_input = std::move(input->writeEnd);
    host.m_output = std::move(output->readEnd);
    host.m_errors = std::move(errors.readEnd);
    host.m_sound = std::move(sound.readEnd);
    host.m_inputBytesSent = initialSent;
    if (initialSent < options.initialInput.size()) {
        host.m_queuedInput = std::move(options.initialInput);
        host.m_queuedFrom = initialSent;
    }
    // The child's ends close here, so the host's exit ends our reads.
    for (const int fd : {host.m_input.get(), host.m_output.get(), host.m_errors.get(), host.m_sound.get()}) {
        if (fd >= 0 && (error = detail::setNonBlocking(fd)) != 0)
            return startError(ErrorCode::StartFailed, "cannot set up the host's pipes: " + systemMessage(error));
    }
    return host;
}

}  // namespace moviehost::client
