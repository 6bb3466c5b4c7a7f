#include "test_support.h"

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tools_test {

std::filesystem::path stubHostPath() { return STUB_HOST_PATH; }
std::filesystem::path moviecapturePath() { return MOVIECAPTURE_PATH; }

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "moviehost-tools-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

StubLog readStubLog(const std::filesystem::path& path) {
    StubLog log;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        log.lines.push_back(line);
    return log;
}

std::vector<StubRecord> StubLog::records() const {
    std::vector<StubRecord> records;
    for (const auto& line : lines) {
        StubRecord record;
        if (std::sscanf(line.c_str(), "record message=%u wparam=%u lparam=%u after=%u", &record.message, &record.wParam,
                        &record.lParam, &record.after) == 4)
            records.push_back(record);
    }
    return records;
}

std::optional<std::string> StubLog::startValue(const std::string& key) const {
    for (const auto& line : lines) {
        if (line.rfind("start ", 0) != 0)
            continue;
        // Values may hold spaces only in argv0, which the tests keep plain.
        std::istringstream words(line.substr(6));
        for (std::string word; words >> word;)
            if (word.rfind(key + "=", 0) == 0)
                return word.substr(key.size() + 1);
    }
    return std::nullopt;
}

std::string StubLog::endReason() const {
    for (const auto& line : lines)
        if (line.rfind("end ", 0) == 0)
            return line.substr(4);
    return {};
}

std::optional<Png> readPng(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    Png png;
    png.width = image.width;
    png.height = image.height;
    png.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return png;
}

namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

RunResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     const std::vector<EnvironmentChange>& environment, Stdout stdoutMode) {
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
    if (stdoutMode == Stdout::ClosedPipe) {
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

std::string lastLine(const std::string& text) {
    std::string trimmed = text;
    while (!trimmed.empty() && trimmed.back() == '\n')
        trimmed.pop_back();
    const auto newline = trimmed.find_last_of("\n\r");
    return newline == std::string::npos ? trimmed : trimmed.substr(newline + 1);
}

}  // namespace tools_test
