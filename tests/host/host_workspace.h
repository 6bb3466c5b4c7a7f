// What the end-to-end tests of the real host share: a folder with a registry
// file that names the fake control module, the control's call log, a stand-in
// parent process and small readers of the host's output.
#pragma once

#include <moviehost/client/host_process.h>

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace client_e2e {

inline constexpr std::int32_t kWidth = 8;
inline constexpr std::int32_t kHeight = 6;
inline constexpr std::size_t kFrameBytes = 12 + kWidth * kHeight * 4;

class HostWorkspace {
public:
    HostWorkspace();
    ~HostWorkspace();
    HostWorkspace(const HostWorkspace&) = delete;
    HostWorkspace& operator=(const HostWorkspace&) = delete;

    // The registry names `modulePath` as the control's in-process server.
    void WriteRegistry(const std::string& modulePath) const;
    // Starts moviehost at kWidth x kHeight with the registry and the call
    // log of this folder, plus `environment`.
    [[nodiscard]] moviehost::client::HostOptions Options(
        std::vector<std::pair<std::string, std::string>> environment = {}) const;
    [[nodiscard]] std::filesystem::path Folder() const { return m_path; }
    [[nodiscard]] std::filesystem::path LogPath() const { return m_path / "control.log"; }
    // The control's calls of one method, in order, as logged.
    [[nodiscard]] std::vector<std::string> Calls(const std::string& method) const;

private:
    std::filesystem::path m_path;
};

// These throw std::runtime_error with the client's message on failure.
[[nodiscard]] moviehost::client::HostProcess Start(const moviehost::client::HostOptions& options);
[[nodiscard]] moviehost::client::ExitStatus WaitForExit(moviehost::client::HostProcess& host);
[[nodiscard]] std::vector<std::uint8_t> ReadToEnd(moviehost::client::HostProcess& host);

[[nodiscard]] std::array<std::uint8_t, 28> Record(std::uint32_t message, std::uint32_t wParam = 0,
                                                  std::uint32_t lParam = 0);
// Whole frame messages of kWidth x kHeight, back to back, and nothing else.
void ExpectWholeFrames(const std::vector<std::uint8_t>& bytes);
[[nodiscard]] std::size_t Lines(const std::string& text);
// Time on a processor of all threads of a running process, in milliseconds.
[[nodiscard]] double ProcessCpuMs(pid_t pid);

// A process to stand in as the host's parent; the test decides when it dies.
class StandInParent {
public:
    StandInParent();
    ~StandInParent() { Die(); }
    StandInParent(const StandInParent&) = delete;
    StandInParent& operator=(const StandInParent&) = delete;

    [[nodiscard]] pid_t Pid() const { return m_pid; }
    // Kills and reaps it.
    void Die();

private:
    pid_t m_pid = -1;
};

}  // namespace client_e2e
