#include "host_workspace.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

extern char** environ;

namespace client_e2e {

using namespace moviehost::client;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadLimit = 64 << 20;

}  // namespace

HostWorkspace::HostWorkspace() {
    static int counter = 0;
    m_path =
        fs::temp_directory_path() / ("moviehost-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::create_directories(m_path);
    WriteRegistry(FAKE_CONTROL_MODULE_PATH);
}

HostWorkspace::~HostWorkspace() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void HostWorkspace::WriteRegistry(const std::string& modulePath) const {
    std::ofstream(m_path / "registry.reg")
        << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
        << "@=\"" << modulePath << "\"\n";
}

HostOptions HostWorkspace::Options(std::vector<std::pair<std::string, std::string>> environment) const {
    HostOptions options;
    options.program = MOVIEHOST_PATH;
    options.movie = "movie.swf";
    options.width = kWidth;
    options.height = kHeight;
    options.timeout = 20s;
    options.stderrMode = StderrMode::Capture;
    options.environment = {{"MOVIEHOST_REGISTRY", (m_path / "registry.reg").string()},
                           {"FAKE_CONTROL_LOG", LogPath().string()}};
    for (auto& entry : environment)
        options.environment.push_back(std::move(entry));
    return options;
}

std::vector<std::string> HostWorkspace::Calls(const std::string& method) const {
    std::vector<std::string> calls;
    std::ifstream log(LogPath());
    for (std::string line; std::getline(log, line);)
        if (line.rfind(method + "(", 0) == 0)
            calls.push_back(line);
    return calls;
}

HostProcess Start(const HostOptions& options) {
    auto host = HostProcess::start(options);
    if (!host.has_value())
        throw std::runtime_error(host.error().message);
    return std::move(host.value());
}

ExitStatus WaitForExit(HostProcess& host) {
    auto status = host.wait();
    if (!status.has_value())
        throw std::runtime_error(status.error().message);
    return *status;
}

std::vector<std::uint8_t> ReadToEnd(HostProcess& host) {
    auto bytes = host.readToEnd(kReadLimit);
    if (!bytes.has_value())
        throw std::runtime_error(bytes.error().message);
    return std::move(bytes.value());
}

std::array<std::uint8_t, 28> Record(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
    InputRecord record;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    return record.encode();
}

void ExpectWholeFrames(const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(bytes.size() % kFrameBytes, 0u) << bytes.size() << " bytes are no whole number of frames";
    for (std::size_t at = 0; at < bytes.size(); at += kFrameBytes) {
        const std::vector<std::uint8_t> header(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                               bytes.begin() + static_cast<std::ptrdiff_t>(at + 12));
        ASSERT_EQ(header, (std::vector<std::uint8_t>{1, 0, 0, 0, kWidth, 0, 0, 0, kHeight, 0, 0, 0}))
            << "frame at byte " << at;
    }
}

std::size_t Lines(const std::string& text) {
    std::size_t lines = 0;
    for (const char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines;
}

double ProcessCpuMs(pid_t pid) {
    double total = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        unsigned long long runNs = 0;
        if (schedstat >> runNs)
            total += static_cast<double>(runNs) / 1e6;
    }
    return total;
}

StandInParent::StandInParent() {
    char program[] = "/bin/sleep";
    char seconds[] = "60";
    char* argv[] = {program, seconds, nullptr};
    if (posix_spawn(&m_pid, program, nullptr, nullptr, argv, environ) != 0)
        m_pid = -1;
}

void StandInParent::Die() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

}  // namespace client_e2e
