// The real moviehost, driven as a parent drives it, hosting the fake control
// module named by a registry file of its own.
#include <moviehost/client/host_process.h>
#include <moviehost/client/input_record.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace moviehost::client;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::int32_t kWidth = 8;
constexpr std::int32_t kHeight = 6;
constexpr std::size_t kFrameBytes = 12 + kWidth * kHeight * 4;
constexpr std::size_t kReadLimit = 64 << 20;

// A folder with the registry file that points at the fake control, and the
// control's call log.
class HostWorkspace {
public:
    HostWorkspace()
    {
        static int counter = 0;
        m_path = fs::temp_directory_path() /
                 ("moviehost-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(m_path);
        WriteRegistry(FAKE_CONTROL_MODULE_PATH);
    }
    ~HostWorkspace()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    HostWorkspace(const HostWorkspace&) = delete;
    HostWorkspace& operator=(const HostWorkspace&) = delete;

    void WriteRegistry(const std::string& modulePath) const
    {
        std::ofstream(m_path / "registry.reg")
            << "Windows Registry Editor Version 5.00\n\n"
            << "[HKEY_CLASSES_ROOT\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32]\n"
            << "@=\"" << modulePath << "\"\n";
    }

    [[nodiscard]] HostOptions Options(std::vector<std::pair<std::string, std::string>> environment = {}) const
    {
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

    [[nodiscard]] fs::path LogPath() const { return m_path / "control.log"; }

    // The control's calls of one method, in order.
    [[nodiscard]] std::vector<std::string> Calls(const std::string& method) const
    {
        std::vector<std::string> calls;
        std::ifstream log(LogPath());
        for (std::string line; std::getline(log, line);)
            if (line.rfind(method + "(", 0) == 0)
                calls.push_back(line);
        return calls;
    }

private:
    fs::path m_path;
};

HostProcess Start(const HostOptions& options)
{
    auto host = HostProcess::start(options);
    if (!host.ok())
        throw std::runtime_error(host.error().message);
    return std::move(host.value());
}

ExitStatus WaitForExit(HostProcess& host)
{
    auto status = host.wait();
    if (!status.ok())
        throw std::runtime_error(status.error().message);
    return *status;
}

std::vector<std::uint8_t> ReadToEnd(HostProcess& host)
{
    auto bytes = host.readToEnd(kReadLimit);
    if (!bytes.ok())
        throw std::runtime_error(bytes.error().message);
    return std::move(bytes.value());
}

std::array<std::uint8_t, 28> Record(std::uint32_t message, std::uint32_t wParam = 0, std::uint32_t lParam = 0)
{
    InputRecord record;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    return record.encode();
}

// Whole frame messages of this test's size, back to back, and nothing else.
void ExpectWholeFrames(const std::vector<std::uint8_t>& bytes)
{
    ASSERT_EQ(bytes.size() % kFrameBytes, 0u) << bytes.size() << " bytes are no whole number of frames";
    for (std::size_t at = 0; at < bytes.size(); at += kFrameBytes) {
        const std::vector<std::uint8_t> header(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                               bytes.begin() + static_cast<std::ptrdiff_t>(at + 12));
        ASSERT_EQ(header, (std::vector<std::uint8_t>{1, 0, 0, 0, kWidth, 0, 0, 0, kHeight, 0, 0, 0}))
            << "frame at byte " << at;
    }
}

std::size_t Lines(const std::string& text)
{
    std::size_t lines = 0;
    for (const char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines;
}

// A process to stand in as the host's parent; the test decides when it dies.
class StandInParent {
public:
    StandInParent()
    {
        char program[] = "/bin/sleep";
        char seconds[] = "60";
        char* argv[] = {program, seconds, nullptr};
        if (posix_spawn(&m_pid, program, nullptr, nullptr, argv, environ) != 0)
            m_pid = -1;
    }
    ~StandInParent() { Die(); }
    StandInParent(const StandInParent&) = delete;
    StandInParent& operator=(const StandInParent&) = delete;

    [[nodiscard]] pid_t Pid() const { return m_pid; }
    void Die()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
};

TEST(HostEndToEnd, WrongArgumentCountEndsAtOnceWithoutOutput)
{
    HostWorkspace workspace;
    const std::string pid = std::to_string(::getpid());
    for (const auto& arguments : {std::vector<std::string>{"movie.swf", "8", "6"},
                                  std::vector<std::string>{"movie.swf", "8", "6", pid, "extra"}}) {
        SCOPED_TRACE(std::to_string(arguments.size()) + " arguments");
        HostOptions options = workspace.Options();
        options.arguments = arguments;
        HostProcess host = Start(options);
        EXPECT_TRUE(ReadToEnd(host).empty());
        const ExitStatus status = WaitForExit(host);
        EXPECT_TRUE(status.success()) << status.describe();
        EXPECT_EQ(host.capturedErrors(), "");
    }
    EXPECT_TRUE(workspace.Calls("Play").empty()) << "no control was made";
}

TEST(HostEndToEnd, EveryTickIsAWholeTopDownRgbaFrame)
{
    HostWorkspace workspace;
    HostProcess host = Start(workspace.Options());
    for (int n = 0; n < 5; ++n) {
        auto frame = host.readFrame();
        ASSERT_TRUE(frame.ok()) << frame.error().message;
        ASSERT_EQ(frame->width(), kWidth);
        ASSERT_EQ(frame->height(), kHeight);
        ASSERT_EQ(frame->byteCount(), std::size_t{kWidth * kHeight * 4});
        // The fake control's first and only drawing: blue = x, green = y
        // counted from the top, red = 1 (its first Draw); alpha always 255.
        for (std::int32_t y = 0; y < kHeight; ++y)
            for (std::int32_t x = 0; x < kWidth; ++x)
                ASSERT_EQ(frame->pixel(x, y), (Rgba{1, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x), 255}))
                    << "frame " << n << " at " << x << "," << y;
    }
    auto passed = host.finish();
    ASSERT_TRUE(passed.ok()) << passed.error().message;
    EXPECT_TRUE(WaitForExit(host).success());
    EXPECT_EQ(workspace.Calls("put_Movie"), (std::vector<std::string>{"put_Movie(\"movie.swf\")"}));
    EXPECT_EQ(workspace.Calls("Draw").size(), 1u) << "an unchanged movie is drawn once and sent on every tick";
    EXPECT_EQ(workspace.Calls("StopPlay").size(), 1u) << "the movie is halted at the end";
}

TEST(HostEndToEnd, FinishWritesTheMarkerQuitAndWmQuitDoNot)
{
    HostWorkspace workspace;
    {
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().ok());
        ASSERT_TRUE(host.sendBytes(Record(2024)).ok());
        const std::vector<std::uint8_t> rest = ReadToEnd(host);
        ASSERT_GE(rest.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(rest.end() - 4, rest.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
        ExpectWholeFrames(std::vector<std::uint8_t>(rest.begin(), rest.end() - 4));
        EXPECT_TRUE(WaitForExit(host).success());
    }
    for (const std::uint32_t message : {2025u, 0x0012u /* WM_QUIT */}) {
        SCOPED_TRACE(message);
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().ok());
        ASSERT_TRUE(host.sendBytes(Record(message)).ok());
        ExpectWholeFrames(ReadToEnd(host));
        const ExitStatus status = WaitForExit(host);
        EXPECT_TRUE(status.success()) << status.describe();
    }
}

TEST(HostEndToEnd, RecordsInPiecesAndTwoInOneWrite)
{
    HostWorkspace workspace;
    {
        // A move split 10, 10 and 8 bytes, then a finish: the move arrives whole.
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().ok());
        const auto move = Record(512, 0, (3u << 16) | 7u);
        const std::span<const std::uint8_t> bytes(move);
        ASSERT_TRUE(host.sendBytes(bytes.subspan(0, 10)).ok());
        std::this_thread::sleep_for(40ms);
        ASSERT_TRUE(host.sendBytes(bytes.subspan(10, 10)).ok());
        std::this_thread::sleep_for(40ms);
        ASSERT_TRUE(host.sendBytes(bytes.subspan(20, 8)).ok());
        ASSERT_TRUE(host.finish().ok());
        EXPECT_TRUE(WaitForExit(host).success());
        EXPECT_EQ(workspace.Calls("OnWindowMessage"), (std::vector<std::string>{"OnWindowMessage(0x200, 0x0, 0x30007)"}));
    }
    fs::remove(workspace.LogPath());
    {
        // A press and the finish in one write of 56 bytes: both, in order.
        HostProcess host = Start(workspace.Options());
        ASSERT_TRUE(host.readFrame().ok());
        std::vector<std::uint8_t> both;
        for (const auto& record : {Record(513, 0, (9u << 16) | 4u), Record(2024)})
            both.insert(both.end(), record.begin(), record.end());
        ASSERT_TRUE(host.sendBytes(both).ok());
        const std::vector<std::uint8_t> rest = ReadToEnd(host);
        ASSERT_GE(rest.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(rest.end() - 4, rest.end()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
        EXPECT_TRUE(WaitForExit(host).success());
        EXPECT_EQ(workspace.Calls("OnWindowMessage"), (std::vector<std::string>{"OnWindowMessage(0x201, 0x1, 0x90004)"}));
    }
}

TEST(HostEndToEnd, MouseRecordsReachTheControlWithUnsignedPositions)
{
    HostWorkspace workspace;
    HostProcess host = Start(workspace.Options());
    ASSERT_TRUE(host.readFrame().ok());
    ASSERT_TRUE(host.pressMouse(50, 100).ok());
    // All high bits set: y is 65535, never -1.
    ASSERT_TRUE(host.sendBytes(Record(512, 0, 0xFFFF0001u)).ok());
    ASSERT_TRUE(host.releaseMouse(65535, 0).ok());
    // wParam is not the host's to pass on: the key state comes from the player.
    ASSERT_TRUE(host.sendBytes(Record(512, 0xFFFFFFFFu, (2u << 16) | 1u)).ok());
    ASSERT_TRUE(host.finish().ok());
    EXPECT_TRUE(WaitForExit(host).success());
    EXPECT_EQ(workspace.Calls("OnWindowMessage"), (std::vector<std::string>{
                                                      "OnWindowMessage(0x201, 0x1, 0x640032)",
                                                      "OnWindowMessage(0x200, 0x1, 0xffff0001)",
                                                      "OnWindowMessage(0x202, 0x0, 0xffff)",
                                                      "OnWindowMessage(0x200, 0x0, 0x20001)",
                                                  }));
}

TEST(HostEndToEnd, ParentDeathEndsTheHostWithoutTheMarker)
{
    HostWorkspace workspace;
    StandInParent parent;
    ASSERT_GT(parent.Pid(), 0);
    HostOptions options = workspace.Options();
    options.parentPid = parent.Pid();
    HostProcess host = Start(options);
    ASSERT_TRUE(host.readFrame().ok());
    ASSERT_TRUE(host.readFrame().ok());
    parent.Die();
    // Our end of its input stays open and silent: only the parent check can end it.
    ExpectWholeFrames(ReadToEnd(host));
    const ExitStatus status = WaitForExit(host);
    EXPECT_TRUE(status.success()) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
}

TEST(HostEndToEnd, AParentIdThatNamesNoProcessEndsTheHostRightAway)
{
    HostWorkspace workspace;
    // An id that was just freed (reaped); and one beyond any process id.
    pid_t freed = -1;
    {
        StandInParent gone;
        freed = gone.Pid();
    }
    for (const pid_t id : {freed, pid_t{0x7FFFFFF0}}) {
        SCOPED_TRACE(id);
        HostOptions options = workspace.Options();
        options.parentPid = id;
        HostProcess host = Start(options);
        ExpectWholeFrames(ReadToEnd(host));
        EXPECT_TRUE(WaitForExit(host).success());
    }
}

TEST(HostEndToEnd, ClosedStandardOutputEndsTheHostInOrder)
{
    HostWorkspace workspace;
    HostProcess host = Start(workspace.Options());
    ASSERT_TRUE(host.readFrame().ok());
    host.closeOutput();
    const ExitStatus status = WaitForExit(host);
    EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 0})) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
    EXPECT_EQ(workspace.Calls("Close").size(), 1u) << "the player was torn down";
}

// Time on a processor of all threads of a running process, in milliseconds.
double ProcessCpuMs(pid_t pid)
{
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

TEST(HostEndToEnd, ClosedInputKeepsFramesComingWithoutSpinning)
{
    HostWorkspace workspace;
    HostProcess host = Start(workspace.Options());
    ASSERT_TRUE(host.readFrame().ok());
    // Every look into the closed pipe fails from now on, while the parent lives.
    host.closeInput();
    const double cpuBefore = ProcessCpuMs(host.pid());
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < 15; ++n)
        ASSERT_TRUE(host.readFrame().ok()) << "frame " << n;
    const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpuMs = ProcessCpuMs(host.pid()) - cpuBefore;
    // A thread that retried without pause would take a whole core; a loaded
    // machine can only make this smaller.
    EXPECT_LT(cpuMs, 0.25 * wallMs) << cpuMs << " ms on a processor in " << wallMs << " ms";
    host.closeOutput();
    EXPECT_TRUE(WaitForExit(host).success());
}

TEST(HostEndToEnd, FloodOfRandomRecordsLeavesFramesComing)
{
    HostWorkspace workspace;
    // Without the call log: the flood is about the host, not the fake's file.
    HostOptions options = workspace.Options();
    options.environment.erase(options.environment.begin() + 1);
    HostProcess host = Start(options);
    std::mt19937 random(2024);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 100; ++i) {
            std::array<std::uint8_t, 28> record{};
            for (auto& byte : record)
                byte = static_cast<std::uint8_t>(random());
            std::uint32_t message = 0;
            switch (i % 4) {
            case 0:
                message = 0x0113;  // WM_TIMER with a forged id and procedure
                break;
            case 1:
                message = 512 + static_cast<std::uint32_t>(random() % 3);
                break;
            default:
                message = static_cast<std::uint32_t>(random());
                break;
            }
            // The three ways to end the host are not noise.
            if (message == 2024 || message == 2025 || message == 0x0012)
                message = 0x0113;
            for (int b = 0; b < 4; ++b)
                record[4 + b] = static_cast<std::uint8_t>(message >> (8 * b));
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        ASSERT_TRUE(host.sendBytes(bytes).ok()) << "round " << round;
        auto frame = host.readFrame();
        ASSERT_TRUE(frame.ok()) << "round " << round << ": " << frame.error().message;
    }
    auto passed = host.finish();
    ASSERT_TRUE(passed.ok()) << passed.error().message;
    const ExitStatus status = WaitForExit(host);
    EXPECT_TRUE(status.success()) << status.describe();
    EXPECT_EQ(host.capturedErrors(), "");
}

TEST(HostEndToEnd, BadSizesEndAtOnceWithOneLineAndNoFrames)
{
    HostWorkspace workspace;
    const std::string pid = std::to_string(::getpid());
    for (const auto& [width, height] : {std::pair<std::string, std::string>{"0", "6"}, {"8", "-6"}, {"wide", "6"},
                                        {"70000", "70000"}, {"2147483647", "2"}}) {
        SCOPED_TRACE(width + "x" + height);
        HostOptions options = workspace.Options();
        options.arguments = std::vector<std::string>{"movie.swf", width, height, pid};
        HostProcess host = Start(options);
        EXPECT_TRUE(ReadToEnd(host).empty());
        const ExitStatus status = WaitForExit(host);
        EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 2})) << status.describe();
        EXPECT_EQ(Lines(host.capturedErrors()), 1u) << host.capturedErrors();
    }
    EXPECT_TRUE(workspace.Calls("Play").empty()) << "no control was made";
}

TEST(HostEndToEnd, ComErrorEndsTheHostWithOneLineNamingTheCode)
{
    HostWorkspace workspace;
    {
        // Raised while starting: nothing on standard output at all.
        HostProcess host = Start(workspace.Options({{"FAKE_CONTROL_FAIL", "Play=0x80004005"}}));
        EXPECT_TRUE(ReadToEnd(host).empty());
        const ExitStatus status = WaitForExit(host);
        EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 1})) << status.describe();
        const std::string errors = host.capturedErrors();
        EXPECT_EQ(Lines(errors), 1u) << errors;
        EXPECT_NE(errors.find("0x80004005"), std::string::npos) << errors;
        EXPECT_EQ(workspace.Calls("Close").size(), 1u) << "the player was still torn down";
    }
    {
        // Raised while ending: the frames and the marker stay whole.
        HostProcess host = Start(workspace.Options({{"FAKE_CONTROL_FAIL", "StopPlay=0x8000FFFF"}}));
        ASSERT_TRUE(host.readFrame().ok());
        auto passed = host.finish();
        ASSERT_TRUE(passed.ok()) << passed.error().message;
        const ExitStatus status = WaitForExit(host);
        EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 1})) << status.describe();
        const std::string errors = host.capturedErrors();
        EXPECT_EQ(Lines(errors), 1u) << errors;
        EXPECT_NE(errors.find("0x8000FFFF"), std::string::npos) << errors;
    }
}

TEST(HostEndToEnd, NoControlEndsWithOneLineAndNoFrames)
{
    HostWorkspace workspace;
    workspace.WriteRegistry("/nonexistent/control-module.so");
    HostProcess host = Start(workspace.Options());
    EXPECT_TRUE(ReadToEnd(host).empty());
    const ExitStatus status = WaitForExit(host);
    EXPECT_EQ(status, (ExitStatus{ExitStatus::Kind::Exited, 5})) << status.describe();
    EXPECT_EQ(Lines(host.capturedErrors()), 1u) << host.capturedErrors();
}

TEST(HostEndToEnd, WithoutConfigurationTheControlIsFoundNextToTheHost)
{
    // A copy of the host in a folder of its own, with the fake control beside
    // it under the fallback name, and a registry that names nothing.
    HostWorkspace workspace;
    const fs::path folder = fs::path(workspace.LogPath()).parent_path() / "bin";
    fs::create_directories(folder);
    fs::copy_file(MOVIEHOST_PATH, folder / "moviehost");
    fs::copy_file(FAKE_CONTROL_MODULE_PATH, folder / "flash10c.ocx");
    HostOptions options = workspace.Options();
    options.program = folder / "moviehost";
    options.environment[0].second = (folder / "no-such-registry.reg").string();
    HostProcess host = Start(options);
    auto frame = host.readFrame();
    ASSERT_TRUE(frame.ok()) << frame.error().message;
    EXPECT_EQ(frame->pixel(3, 2), (Rgba{1, 2, 3, 255}));
    ASSERT_TRUE(host.finish().ok());
    EXPECT_TRUE(WaitForExit(host).success());
    EXPECT_EQ(workspace.Calls("Play").size(), 1u);
}

}  // namespace
