#pragma once
// Driving a host process the way a parent does, for the end-to-end tests of
// the real host and of the parent side: temporary folders, a workspace whose
// registry names the control the host loads, a stand-in parent that a test
// can kill, readers of the frame stream that fail the test loudly, and
// running a program to completion.

#include <moviehost/client/host_process.h>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace moviehost::testing {

// The programs and modules of this build.
[[nodiscard]] std::filesystem::path moviehostPath();
[[nodiscard]] std::filesystem::path fakeControlModulePath();
[[nodiscard]] std::filesystem::path stubHostPath();
[[nodiscard]] std::filesystem::path moviecapturePath();
[[nodiscard]] std::filesystem::path examplesFolder();

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Registry text whose control class names `server` as its in-process server.
[[nodiscard]] std::string registryFor(const std::string& server);

// A folder with a registry file that names a control module, and the fake
// control's call log.
class HostWorkspace {
public:
    static constexpr std::int32_t Width = 8;
    static constexpr std::int32_t Height = 6;

    // The registry names the fake control's module.
    HostWorkspace();

    // The registry names `modulePath` as the control's in-process server.
    void writeRegistry(const std::string& modulePath) const;
    // Starts moviehost at Width x Height with the registry and the call log
    // of this folder, plus `environment`.
    [[nodiscard]] client::HostOptions options(std::vector<std::pair<std::string, std::string>> environment = {}) const;
    [[nodiscard]] const std::filesystem::path& folder() const { return m_folder.path(); }
    [[nodiscard]] std::filesystem::path logPath() const { return m_folder / "control.log"; }
    // The control's calls of one method, in order, as logged.
    [[nodiscard]] std::vector<std::string> calls(const std::string& method) const;

private:
    TempDir m_folder;
};

// These throw std::runtime_error with the client's message on failure.
[[nodiscard]] client::HostProcess startHost(const client::HostOptions& options);
[[nodiscard]] client::ExitStatus waitForExit(client::HostProcess& host);
[[nodiscard]] std::vector<std::uint8_t> readToEnd(client::HostProcess& host);
// The next frame; a failure is added to the test with the host's own words,
// and an empty frame of the host's size stands in.
[[nodiscard]] client::Frame nextFrame(client::HostProcess& host);

// Whole frame messages of width x height, back to back, and nothing else.
void expectWholeFrames(const std::vector<std::uint8_t>& bytes, std::int32_t width = HostWorkspace::Width,
                       std::int32_t height = HostWorkspace::Height);
// The stream ends with the end marker; what comes before it is whole frames.
void expectFramesThenEndMarker(const std::vector<std::uint8_t>& bytes);
[[nodiscard]] std::size_t countLines(const std::string& text);
// The last line of `text`, without its newline.
[[nodiscard]] std::string lastLine(const std::string& text);
// Time on a processor of all threads of a running process, in milliseconds.
[[nodiscard]] double processCpuMs(pid_t pid);

// A process to stand in as the host's parent; the test decides when it dies.
class StandInParent {
public:
    StandInParent();
    ~StandInParent() { die(); }
    StandInParent(const StandInParent&) = delete;
    StandInParent& operator=(const StandInParent&) = delete;

    [[nodiscard]] pid_t pid() const { return m_pid; }
    // Kills and reaps it.
    void die();

private:
    pid_t m_pid = -1;
};

using EnvironmentChange = std::pair<std::string, std::optional<std::string>>;  // nullopt removes

struct RunResult {
    pid_t pid{-1};
    bool exited{false};
    int exitCode{-1};
    int signal{0};
    std::string out;
    std::string err;
};

enum class StdoutMode { Collect, ClosedPipe };

// Runs `program` with standard input from /dev/null and both output streams
// collected (or standard output a pipe nobody reads any more); a run longer
// than a minute is killed and reported as signalled.
[[nodiscard]] RunResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                   const std::vector<EnvironmentChange>& environment = {},
                                   StdoutMode stdoutMode = StdoutMode::Collect);

}  // namespace moviehost::testing
