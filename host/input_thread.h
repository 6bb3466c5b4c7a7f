// The thread that reads the parent's input records and posts each one to the
// host thread (with the virtual clock: puts it in the record inbox). It never
// touches the player; handing records over is its only effect. It also ends
// the host when the parent has gone.
#pragma once

#include "record_inbox.h"
#include "record_reader.h"

#include "platform/kernel.h"

#include <atomic>
#include <memory>

class InputThread {
public:
    // How long Stop waits for the thread to notice.
    static constexpr DWORD StopTimeoutMs = 5000;

    // `parent` is borrowed and must stay open while the thread runs; null
    // means there is no parent, which ends the host at once. With
    // `useInbox`, records go to Inbox() instead of the host thread's queue.
    InputThread(DWORD hostThreadId, HANDLE parent, bool useInbox = false);
    // Stops the thread; one that does not stop keeps only what it shares
    // with this object alive, never this object.
    ~InputThread();

    InputThread(const InputThread&) = delete;
    InputThread& operator=(const InputThread&) = delete;

    // Starts reading standard input. False when the thread cannot be made.
    [[nodiscard]] bool Start() noexcept;

    // Asks the thread to end and waits for it; false when it did not end in
    // time (it is then stuck in a read of standard input).
    [[nodiscard]] bool Stop() noexcept;

    // The inbox, when the thread was made with one.
    [[nodiscard]] RecordInbox* Inbox() const noexcept { return m_shared->inbox.get(); }

    // The thread's work, until the source says stop: each whole record is
    // posted to `hostThreadId` as (message, wParam, lParam), in order, waiting
    // while its queue is full (none is ever dropped); a gone parent
    // posts QUIT_MESSAGE, again on every pass until the host has ended. After
    // a pass without a record the source pauses, so that a failing channel or
    // a gone parent never spins a core. With an inbox, records go there in
    // order instead (waiting while it is full), a Finish or Quit record
    // among them, and the inbox hears when input ends.
    static void Pump(InputSource& source, DWORD hostThreadId, RecordInbox* inbox = nullptr) noexcept;

private:
    // What the thread uses; it holds a reference of its own.
    struct Shared {
        DWORD hostThreadId = 0;
        HANDLE parent = nullptr;
        std::atomic<bool> stop = false;
        std::unique_ptr<RecordInbox> inbox;
    };

    static DWORD WINAPI Run(LPVOID shared) noexcept;
    // Posts one record, waiting while the host thread's queue is full. False
    // when the thread was asked to stop meanwhile.
    static bool Deliver(InputSource& source, DWORD hostThreadId, const InputRecord& record) noexcept;
    static bool DeliverToInbox(InputSource& source, DWORD hostThreadId, RecordInbox& inbox,
                               const InputRecord& record) noexcept;

    std::shared_ptr<Shared> m_shared;
    platform::ScopedHandle m_thread;
};
