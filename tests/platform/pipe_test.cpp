// Pipes and standard handles: PeekNamedPipe, ReadFile, WriteFile.
#include "platform/kernel.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;

    Pipe() { EXPECT_TRUE(CreatePipe(&read, &write, nullptr, 0)); }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read)
            CloseHandle(read);
        read = nullptr;
    }
    void closeWrite() {
        if (write)
            CloseHandle(write);
        write = nullptr;
    }
};

void writeAll(HANDLE h, const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

struct Peek {
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD available = 0;
    DWORD copied = 0;
    DWORD left = 0;
    std::string bytes;
};

Peek peek(HANDLE h, DWORD bufferSize) {
    Peek result;
    std::vector<char> buffer(bufferSize + 1, '\0');
    result.available = result.copied = result.left = 0xDEAD;
    SetLastError(0);
    result.ok = PeekNamedPipe(h, buffer.data(), bufferSize, &result.copied, &result.available, &result.left);
    result.error = GetLastError();
    if (result.ok)
        result.bytes.assign(buffer.data(), result.copied);
    return result;
}

// Points one of descriptors 0..2 somewhere else for the life of the object.
class RedirectedDescriptor {
public:
    RedirectedDescriptor(int target, int replacement) : m_target(target), m_saved(::dup(target)) {
        EXPECT_GE(::dup2(replacement, target), 0);
    }
    ~RedirectedDescriptor() {
        ::dup2(m_saved, m_target);
        ::close(m_saved);
    }
    RedirectedDescriptor(const RedirectedDescriptor&) = delete;
    RedirectedDescriptor& operator=(const RedirectedDescriptor&) = delete;

private:
    int m_target = -1;
    int m_saved = -1;
};

}  // namespace

TEST(PeekNamedPipe, EmptyPipeHasNothingAvailable) {
    Pipe pipe;
    const Peek result = peek(pipe.read, 1);
    ASSERT_TRUE(result.ok) << "error " << result.error;
    EXPECT_EQ(result.available, DWORD{0});
    EXPECT_EQ(result.copied, DWORD{0});
    EXPECT_EQ(result.left, DWORD{0});
}

TEST(PeekNamedPipe, ReportsPartialDataWithoutConsumingIt) {
    Pipe pipe;
    writeAll(pipe.write, "0123456789");
    const Peek result = peek(pipe.read, 1);
    ASSERT_TRUE(result.ok) << "error " << result.error;
    EXPECT_EQ(result.available, DWORD{10});
    EXPECT_EQ(result.copied, DWORD{1}) << "a 1-byte buffer gets one byte";
    EXPECT_EQ(result.bytes, "0");

    const Peek wide = peek(pipe.read, 64);
    EXPECT_EQ(wide.copied, DWORD{10});
    EXPECT_EQ(wide.bytes, "0123456789");

    char buffer[16] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(pipe.read, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "0123456789") << "peeking must not consume";
}

TEST(PeekNamedPipe, OutPointersMayBeNull) {
    Pipe pipe;
    writeAll(pipe.write, "abc");
    EXPECT_TRUE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, nullptr, nullptr));
    DWORD available = 0;
    EXPECT_TRUE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(available, DWORD{3});
}

TEST(PeekNamedPipe, DataLeftAfterWriterClosedIsStillReported) {
    Pipe pipe;
    writeAll(pipe.write, "12345");
    pipe.closeWrite();
    const Peek before = peek(pipe.read, 1);
    ASSERT_TRUE(before.ok) << "expected the remaining bytes, got error " << before.error;
    EXPECT_EQ(before.available, DWORD{5});

    char buffer[8] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(pipe.read, buffer, 5, &got, nullptr));
    EXPECT_EQ(got, DWORD{5});

    const Peek after = peek(pipe.read, 1);
    EXPECT_FALSE(after.ok) << "a closed, drained pipe must fail";
    EXPECT_EQ(after.error, static_cast<DWORD>(ERROR_BROKEN_PIPE));
}

TEST(PeekNamedPipe, ClosedDrainedPipeFails) {
    Pipe pipe;
    pipe.closeWrite();
    const Peek result = peek(pipe.read, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_BROKEN_PIPE))
        << "expected ERROR_BROKEN_PIPE (109), got " << result.error;
}

TEST(PeekNamedPipe, WriteEndIsRefused) {
    Pipe pipe;
    const Peek result = peek(pipe.write, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(PeekNamedPipe, RegularFileOnStandardInputIsNoPipe) {
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("not a pipe", file);
    std::fflush(file);
    std::rewind(file);
    RedirectedDescriptor stdinIsFile(0, ::fileno(file));
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    ASSERT_NE(input, nullptr);
    const Peek result = peek(input, 1);
    EXPECT_FALSE(result.ok) << "a regular file cannot be peeked as a pipe";
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_INVALID_FUNCTION));

    // A file at its end reads as success with no bytes, unlike a pipe.
    char buffer[32] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(input, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, DWORD{10});
    EXPECT_TRUE(ReadFile(input, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, DWORD{0});
    std::fclose(file);
}

TEST(StandardInput, RecordArrivingInPiecesIsSeenPieceByPiece) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    RedirectedDescriptor stdinIsPipe(0, ends[0]);
    ::close(ends[0]);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(GetStdHandle(STD_INPUT_HANDLE), input) << "the same handle on every call";

    EXPECT_EQ(peek(input, 1).available, DWORD{0});
    ASSERT_EQ(::write(ends[1], "0123456789", 10), 10);
    EXPECT_EQ(peek(input, 1).available, DWORD{10});
    ASSERT_EQ(::write(ends[1], "abcdefghij", 10), 10);
    EXPECT_EQ(peek(input, 1).available, DWORD{20});

    char record[28] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(input, record, 20, &got, nullptr));
    EXPECT_EQ(got, DWORD{20});
    ::close(ends[1]);
    const Peek closed = peek(input, 1);
    EXPECT_FALSE(closed.ok);
    EXPECT_EQ(closed.error, static_cast<DWORD>(ERROR_BROKEN_PIPE));
    EXPECT_FALSE(ReadFile(input, record, 8, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
}

TEST(StandardInput, SocketCountsAsPipe) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    RedirectedDescriptor stdinIsSocket(0, ends[0]);
    ::close(ends[0]);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    EXPECT_EQ(peek(input, 1).available, DWORD{0});
    ASSERT_EQ(::write(ends[1], "xyz", 3), 3);
    const Peek data = peek(input, 2);
    ASSERT_TRUE(data.ok) << "error " << data.error;
    EXPECT_EQ(data.available, DWORD{3});
    EXPECT_EQ(data.bytes, "xy");
    ::shutdown(ends[1], SHUT_WR);
    EXPECT_EQ(peek(input, 1).available, DWORD{3}) << "bytes sent before the shutdown are still there";
    char buffer[4] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(input, buffer, 3, &got, nullptr));
    EXPECT_EQ(peek(input, 1).error, static_cast<DWORD>(ERROR_BROKEN_PIPE));
    ::close(ends[1]);
}

TEST(StandardHandles, UnknownSelectorGivesInvalidHandleValue) {
    EXPECT_EQ(GetStdHandle(0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetStdHandle(static_cast<DWORD>(-13)), INVALID_HANDLE_VALUE);
}

TEST(WriteFile, PipeWithoutReaderFailsAndTheProcessSurvives) {
    Pipe pipe;
    pipe.closeRead();
    DWORD written = 99;
    SetLastError(0);
    // With SIGPIPE at its default action a raised signal would end this test
    // process right here.
    EXPECT_FALSE(WriteFile(pipe.write, "lost", 4, &written, nullptr));
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE)
        << "expected ERROR_NO_DATA or ERROR_BROKEN_PIPE, got " << error;
    EXPECT_EQ(written, DWORD{0});

    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0) << "no SIGPIPE may be left pending";
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 0) << "the thread's signal mask must be as before";
}

TEST(WriteFile, ShortWritesAreRetriedUntilEverythingIsWritten) {
    // A non-blocking pipe takes at most its capacity per write, so a large
    // buffer needs many partial writes while the reader catches up.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
    std::vector<unsigned char> sent(1 << 20);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<unsigned char>(i * 7 + (i >> 12));
    std::vector<unsigned char> received;
    std::thread reader([&] {
        unsigned char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(ends[0], chunk, sizeof chunk);
            if (n > 0)
                received.insert(received.end(), chunk, chunk + n);
            else if (n == 0)
                break;
            else if (errno == EAGAIN)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            else
                break;
        }
    });
    {
        RedirectedDescriptor stderrIsPipe(2, ends[1]);
        ::close(ends[1]);
        DWORD written = 0;
        const BOOL ok =
            WriteFile(GetStdHandle(STD_ERROR_HANDLE), sent.data(), static_cast<DWORD>(sent.size()), &written, nullptr);
        EXPECT_TRUE(ok) << "error " << GetLastError();
        EXPECT_EQ(written, sent.size());
    }  // the last write end closes here and the reader sees the end
    reader.join();
    ::close(ends[0]);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent) << "the bytes must arrive whole and in order";
}
