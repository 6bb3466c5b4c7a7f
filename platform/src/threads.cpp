// Threads: CreateThread, thread handles, GetCurrentThreadId and Sleep.
#include "handle_table.h"
#include "last_error.h"

#include "platform/kernel.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// What a thread handle names. The running thread shares it with every
// handle, so closing handles never affects the thread.
class ThreadObject final : public platform::detail::KernelObject {
public:
    [[nodiscard]] DWORD wait(DWORD milliseconds) override {
        std::unique_lock lock(m_mutex);
        const auto finished = [this] { return m_finished; };
        if (milliseconds == INFINITE)
            m_changed.wait(lock, finished);
        else
            m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), finished);
        return m_finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }

    void publishId(DWORD id) {
        std::lock_guard lock(m_mutex);
        m_id = id;
        m_changed.notify_all();
    }

    [[nodiscard]] DWORD waitForId() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_id != 0; });
        return m_id;
    }

    void finish() {
        std::lock_guard lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    DWORD m_id = 0;
    bool m_finished = false;
};

struct ThreadStart {
    std::shared_ptr<ThreadObject> thread;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
};

// Made first thing on a new thread, so it is the last thread-local object to
// be destroyed there: the thread counts as finished only after its message
// queue (made later) is gone and posts to it fail.
class ThreadExitNotice {
public:
    ThreadExitNotice() = default;
    ThreadExitNotice(const ThreadExitNotice&) = delete;
    ThreadExitNotice& operator=(const ThreadExitNotice&) = delete;
    ~ThreadExitNotice() {
        if (m_thread)
            m_thread->finish();
    }

    void watch(std::shared_ptr<ThreadObject> thread) { m_thread = std::move(thread); }

private:
    std::shared_ptr<ThreadObject> m_thread;
};

thread_local ThreadExitNotice t_exitNotice;

void* threadEntry(void* raw) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(raw));
    t_exitNotice.watch(start->thread);
    start->thread->publishId(GetCurrentThreadId());
    const LPTHREAD_START_ROUTINE routine = start->start;
    const LPVOID parameter = start->parameter;
    start.reset();
    routine(parameter);
    return nullptr;
}

}  // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                           DWORD flags, LPDWORD threadId) {
    if (!start || (flags & ~STACK_SIZE_PARAM_IS_A_RESERVATION) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    auto& table = platform::detail::HandleTable::instance();
    HANDLE handle = table.add(thread);
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize > 0)
        pthread_attr_setstacksize(&attributes, std::max(stackSize, static_cast<SIZE_T>(PTHREAD_STACK_MIN)));
    auto startInfo = std::make_unique<ThreadStart>(ThreadStart{thread, start, parameter});
    pthread_t id{};
    const int error = pthread_create(&id, &attributes, threadEntry, startInfo.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        static_cast<void>(table.remove(handle));
        platform::detail::setLastErrorFromErrno(error);
        return nullptr;
    }
    static_cast<void>(startInfo.release());  // the new thread owns it now

    // The id is the new thread's own view of itself, which only it can read.
    const DWORD newId = thread->waitForId();
    if (threadId)
        *threadId = newId;
    return handle;
}

DWORD WINAPI GetCurrentThreadId() {
    // Not cached: a forked child's thread has a new id.
    return static_cast<DWORD>(::gettid());
}

void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
