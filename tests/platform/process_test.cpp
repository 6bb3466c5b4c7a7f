// Watching another process end: OpenProcess and WaitForSingleObject.
#include "platform/kernel.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child that lives until its pipe is closed, then exits. Not reaped on its
// own: the test decides when, so it can look at the zombie.
class Child {
public:
    Child() {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ends[1]);
            char byte;
            while (::read(ends[0], &byte, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ends[0]);
        m_lifeline = ends[1];
    }
    ~Child() {
        end();
        reap();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] pid_t pid() const { return m_pid; }

    // Lets the child exit and waits until it is a zombie, without reaping it.
    void end() {
        if (m_lifeline < 0)
            return;
        ::close(m_lifeline);
        m_lifeline = -1;
        siginfo_t info{};
        ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOWAIT);
    }

    void reap() {
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_lifeline = -1;
};

}  // namespace

TEST(OpenProcess, HandleIsSignalledOnlyAfterTheProcessEnded) {
    Child child;
    ASSERT_GT(child.pid(), 0);
    platform::ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(child.pid())));
    ASSERT_TRUE(process) << "error " << GetLastError();
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_TIMEOUT) << "the child is still alive";
    EXPECT_EQ(WaitForSingleObject(process.get(), 10), WAIT_TIMEOUT);

    child.end();
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0) << "a zombie has ended";
    child.reap();
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0) << "a reaped process has ended";
}

TEST(OpenProcess, ZombieCanBeOpenedAndIsSignalled) {
    Child child;
    child.end();
    platform::ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(child.pid())));
    ASSERT_TRUE(process) << "error " << GetLastError();
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0);
}

TEST(OpenProcess, InfiniteWaitReturnsWhenTheProcessEnds) {
    Child child;
    platform::ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(child.pid())));
    ASSERT_TRUE(process);
    child.end();
    EXPECT_EQ(WaitForSingleObject(process.get(), INFINITE), WAIT_OBJECT_0);
}

TEST(OpenProcess, OwnProcessIsAlive) {
    platform::ScopedHandle self(OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId()));
    ASSERT_TRUE(self);
    EXPECT_EQ(WaitForSingleObject(self.get(), 0), WAIT_TIMEOUT);
}

TEST(OpenProcess, MissingProcessGivesNull) {
    pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(gone)), nullptr)
        << "a reaped process must not be found";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(OpenProcess, IdsThatNameNoProcessGiveNull) {
    for (DWORD id : {DWORD{0}, DWORD{0x80000000u}, DWORD{0xFFFFFFFFu}}) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        EXPECT_EQ(process, nullptr) << "id " << id;
        if (process)
            CloseHandle(process);
    }
}
