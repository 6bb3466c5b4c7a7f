// Starting the host on Windows: anonymous pipes whose child ends alone are
// inherited, a command line quoted as the C runtime splits it again, and the
// environment handed down with our additions.

#include "host_arguments.h"
#include "win32_text.h"

#include <moviehost/client/host_process.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace moviehost::client {

namespace {

// Frames are large; a roomy pipe lets the host write a frame in few steps.
constexpr DWORD OutputPipeBytes = 1 << 20;
constexpr DWORD InputPipeBytes = 1 << 16;
// Input written before the host starts: no more than any pipe holds, since
// a write that waited for room would wait for a reader not yet there.
constexpr std::size_t InitialInputBytes = 4096;

Error startError(ErrorCode code, std::string message) { return Error{code, std::move(message), std::nullopt}; }

// One argument as CommandLineToArgvW and the C runtime read it back:
// backslashes are literal unless they stand before a quote.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

std::wstring commandLineFor(const std::vector<std::string>& arguments) {
    std::wstring line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line.push_back(L' ');
        line += quoted(detail::widen(argument));
    }
    return line;
}

// Our environment with the options' variables set on top, as the block
// CreateProcessW takes: NAME=value entries, each ended by a zero, and one
// more zero at the end. Names compare without case, as Windows has them.
std::wstring environmentFor(const HostOptions& options) {
    std::map<std::wstring, std::wstring, bool (*)(const std::wstring&, const std::wstring&)> entries(
        [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            const std::wstring text(entry);
            // Entries like "=C:=C:\\" keep their leading '='.
            const std::size_t equals = text.find(L'=', 1);
            if (equals != std::wstring::npos)
                entries[text.substr(0, equals)] = text.substr(equals + 1);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const std::string& name : options.removedEnvironment)
        entries.erase(detail::widen(name));
    for (const auto& [name, value] : options.environment)
        entries[detail::widen(name)] = detail::widen(value);
    std::wstring block;
    for (const auto& [name, value] : entries) {
        block += name + L"=" + value;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

struct Pipe {
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
};

// A pipe whose `childEnd` (true: the read end) the host inherits; our end
// stays ours alone.
bool makePipe(Pipe& pipe, bool childReads, DWORD size) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, size))
        return false;
    pipe.readEnd.reset(readEnd);
    pipe.writeEnd.reset(writeEnd);
    return SetHandleInformation(childReads ? writeEnd : readEnd, HANDLE_FLAG_INHERIT, 0) != 0;
}

}  // namespace

Expected<HostProcess> HostProcess::start(HostOptions options) {
    if (auto refused = detail::refuseOptions(options))
        return *refused;

    const std::wstring program = options.program.wstring();
    const std::string programText = detail::narrow(program);
    const DWORD attributes = program.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(program.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return startError(ErrorCode::HostMissing, "host program not found: " + programText);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return startError(ErrorCode::HostMissing, "host program is not executable: " + programText);

    Pipe input;
    Pipe output;
    Pipe errors;
    if (!makePipe(input, true, InputPipeBytes) || !makePipe(output, false, OutputPipeBytes) ||
        (options.stderrMode == StderrMode::Capture && !makePipe(errors, false, 0)))
        return startError(ErrorCode::StartFailed,
                          "cannot create pipes for the host: " + detail::systemMessage(GetLastError()));
    // Without capture the host writes to our standard error, through a copy
    // it can inherit.
    UniqueHandle inheritedErrors;
    if (options.stderrMode == StderrMode::Inherit) {
        HANDLE copy = nullptr;
        const HANDLE own = GetStdHandle(STD_ERROR_HANDLE);
        if (own != nullptr && own != INVALID_HANDLE_VALUE &&
            DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
            inheritedErrors.reset(copy);
    }

    // Input for the host's first read, written before it starts; the rest
    // is queued.
    std::size_t initialSent = 0;
    const std::size_t initialNow = std::min(options.initialInput.size(), InitialInputBytes);
    while (initialSent < initialNow) {
        DWORD n = 0;
        if (!WriteFile(input.writeEnd.get(), options.initialInput.data() + initialSent,
                       static_cast<DWORD>(initialNow - initialSent), &n, nullptr))
            return startError(ErrorCode::StartFailed,
                              "cannot write the host's first input: " + detail::systemMessage(GetLastError()));
        initialSent += n;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.readEnd.get();
    startup.hStdOutput = output.writeEnd.get();
    startup.hStdError = options.stderrMode == StderrMode::Capture ? errors.writeEnd.get() : inheritedErrors.get();

    std::wstring commandLine = commandLineFor(detail::argumentsFor(options, GetCurrentProcessId()));
    std::wstring environment = environmentFor(options);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(), nullptr, &startup,
                        &started)) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                             error == ERROR_ACCESS_DENIED || error == ERROR_BAD_EXE_FORMAT;
        return startError(missing ? ErrorCode::HostMissing : ErrorCode::StartFailed,
                          "cannot start the host " + programText + ": " + detail::systemMessage(error));
    }
    CloseHandle(started.hThread);

    HostProcess host;
    host.m_pid = started.dwProcessId;
    host.m_process.reset(started.hProcess);
    host.m_width = options.width;
    host.m_height = options.height;
    host.m_timeout = options.timeout;
    host.m_input = std::move(input.writeEnd);
    host.m_output = std::move(output.readEnd);
    host.m_errors = std::move(errors.readEnd);
    host.m_inputBytesSent = initialSent;
    if (initialSent < options.initialInput.size()) {
        host.m_queuedInput = std::move(options.initialInput);
        host.m_queuedFrom = initialSent;
    }
    // The child's ends close here, so the host's exit ends our reads.
    return host;
}

}  // namespace moviehost::client
