#pragma once
// Helpers shared by the parent-side tests: temporary folders, the stub
// host's log, PNG reading and running a program to completion.

#include "stub_pattern.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tools_test {

std::filesystem::path stubHostPath();
std::filesystem::path moviecapturePath();

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

struct StubRecord {
    std::uint32_t message{0};
    std::uint32_t wParam{0};
    std::uint32_t lParam{0};
    std::uint32_t after{0};  // frames the stub had written when the record arrived
};

struct StubLog {
    std::vector<std::string> lines;

    [[nodiscard]] std::vector<StubRecord> records() const;
    // The value of `key=` on the start line ("argv0", "argc", ...).
    [[nodiscard]] std::optional<std::string> startValue(const std::string& key) const;
    // The reason on the "end ..." line, empty when the stub did not log one.
    [[nodiscard]] std::string endReason() const;
};

[[nodiscard]] StubLog readStubLog(const std::filesystem::path& path);

struct Png {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::vector<std::uint8_t> rgba;
};

// Read through libpng as 8-bit RGBA; nullopt when the file is no PNG.
[[nodiscard]] std::optional<Png> readPng(const std::filesystem::path& path);

using EnvironmentChange = std::pair<std::string, std::optional<std::string>>;  // nullopt removes

struct RunResult {
    pid_t pid{-1};
    bool exited{false};
    int exitCode{-1};
    int signal{0};
    std::string out;
    std::string err;
};

enum class Stdout { Collect, ClosedPipe };

// Runs `program` with standard input from /dev/null and both output streams
// collected (or standard output a pipe nobody reads any more); a run longer
// than a minute is killed and reported as signalled.
[[nodiscard]] RunResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                   const std::vector<EnvironmentChange>& environment = {},
                                   Stdout stdoutMode = Stdout::Collect);

// The last line of `text`, without its newline.
[[nodiscard]] std::string lastLine(const std::string& text);

}  // namespace tools_test
