#include "moviehost/testing/host_driver.h"

#include <moviehost/wire_protocol.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace moviehost::testing {

using namespace client;
namespace fs = std::filesystem;
namespace wire = moviehost::wire;

namespace {

constexpr std::size_t ReadLimit = 64 << 20;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

fs::path moviehostPath() { return MOVIEHOST_PATH; }
fs::path fakeControlModulePath() { return FAKE_CONTROL_MODULE_PATH; }
fs::path stubHostPath() { return STUB_HOST_PATH; }
fs::path moviecapturePath() { return MOVIECAPTURE_PATH; }
fs::path examplesFolder() { return EXAMPLES_DIR; }

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "moviehost-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string registryFor(const std::string& server) {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
           "@=\"" +
           server + "\"\n";
}

HostWorkspace::HostWorkspace() { writeRegistry(fakeControlModulePath().string()); }

void HostWorkspace::writeRegistry(const std::string& modulePath) const {
    std::ofstream(m_folder / "registry.reg") << registryFor(modulePath);
}

HostOptions HostWorkspace::options(std::vector<std::pair<std::string, std::string>> environment) const {
    using namespace std::chrono_literals;
    HostOptions options;
    options.program = moviehostPath();
    options.movie = "movie.swf";
    options.width = Width;
    options.height = Height;
    options.timeout = 20s;
    options.stderrMode = StderrMode::Capture;
    options.environment = {{"MOVIEHOST_REGISTRY", (m_folder / "registry.reg").string()},
                           {"FAKE_CONTROL_LOG", logPath().string()}};
    for (auto& entry : environment)
        options.environment.push_back(std::move(entry));
    return options;
}

std::vector<std::string> HostWorkspace::calls(const std::string& method) const {
    std::vector<std::string> calls;
    std::ifstream log(logPath());
    for (std::string line; std::getline(log, line);)
        if (line.rfind(method + "(", 0) == 0)
            calls.push_back(line);
    return calls;
}

HostProcess startHost(const HostOptions& options) {
    auto host = HostProcess::start(options);
    if (!host)
        throw std::runtime_error(host.error().message);
    return std::move(host).value();
}

ExitStatus waitForExit(HostProcess& host) {
    auto status = host.wait();
    if (!status)
        throw std::runtime_error(status.error().message);
    return *status;
}

std::vector<std::uint8_t> readToEnd(HostProcess& host) {
    auto bytes = host.readToEnd(ReadLimit);
    if (!bytes)
        throw std::runtime_error(bytes.error().message);
    return std::move(bytes).value();
}

Frame nextFrame(HostProcess& host) {
    auto frame = host.readFrame();
    if (!frame) {
        ADD_FAILURE() << "no frame: " << frame.error().message << "; host said: " << host.capturedErrors();
        return Frame(host.width(), host.height());
    }
    return std::move(frame).value();
}

void expectWholeFrames(const std::vector<std::uint8_t>& bytes, std::int32_t width, std::int32_t height) {
    const std::size_t frameBytes = wire::frameMessageBytes(std::size_t(width), std::size_t(height));
    ASSERT_EQ(bytes.size() % frameBytes, 0u) << bytes.size() << " bytes are no whole number of frames";
    const auto header = wire::frameHeader(std::uint32_t(width), std::uint32_t(height));
    for (std::size_t at = 0; at < bytes.size(); at += frameBytes)
        ASSERT_TRUE(std::equal(header.begin(), header.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at)))
            << "frame at byte " << at;
}

void expectFramesThenEndMarker(const std::vector<std::uint8_t>& bytes) {
    const auto marker = wire::integerBytes(wire::EndMarker);
    ASSERT_GE(bytes.size(), marker.size());
    const auto frames = bytes.end() - static_cast<std::ptrdiff_t>(marker.size());
    EXPECT_TRUE(std::equal(marker.begin(), marker.end(), frames)) << "the stream ends with the end marker";
    expectWholeFrames(std::vector<std::uint8_t>(bytes.begin(), frames));
}

std::size_t countLines(const std::string& text) { return std::size_t(std::count(text.begin(), text.end(), '\n')); }

std::string lastLine(const std::string& text) {
    std::string trimmed = text;
    while (!trimmed.empty() && trimmed.back() == '\n')
        trimmed.pop_back();
    const auto newline = trimmed.find_last_of("\n\r");
    return newline == std::string::npos ? trimmed : trimmed.substr(newline + 1);
}

double processCpuMs(pid_t pid) {
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

void StandInParent::die() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

RunResult runProgram(const fs::path& program, const std::vector<std::string>& arguments,
                     const std::vector<EnvironmentChange>& environment, StdoutMode stdoutMode) {
    TempDir streams;
    const auto outPath = streams / "stdout";
    const auto errPath = streams / "stderr";

    std::vector<std::string> args{program.string()};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const auto name = text.substr(0, text.find('='));
        bool changed = false;
        for (const auto& change : environment)
            changed = changed || change.first == name;
        if (!changed)
            env.push_back(text);
    }
    for (const auto& [name, value] : environment)
        if (value)
            env.push_back(name + "=" + *value);

    std::vector<char*> argv, envp;
    for (auto& text : args)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    for (auto& text : env)
        envp.push_back(text.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    int closedPipe[2] = {-1, -1};
    if (stdoutMode == StdoutMode::ClosedPipe) {
        if (::pipe2(closedPipe, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        ::close(closedPipe[0]);
        posix_spawn_file_actions_adddup2(&actions, closedPipe[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    RunResult result;
    const int error = posix_spawn(&result.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (closedPipe[1] >= 0)
        ::close(closedPipe[1]);
    if (error != 0)
        throw std::runtime_error("cannot start " + program.string());

    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(result.pid, &status, WNOHANG);
        if (done == result.pid)
            break;
        if (std::chrono::steady_clock::now() > giveUp) {
            ::kill(result.pid, SIGKILL);
            ::waitpid(result.pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
}

}  // namespace moviehost::testing
