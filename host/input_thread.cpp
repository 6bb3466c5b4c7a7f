#include "input_thread.h"

#include "host_messages.h"
#include "record_reader.h"

#include "platform/user.h"

#include <new>

namespace {

// The input channel as the host sees it: its standard input pipe, polled, and
// the parent process handle.
class PipeInputSource final : public InputSource {
public:
    // How long to wait when the pipe is empty, and after a pass that gave
    // up (failed look, parent gone).
    static constexpr DWORD PauseMs = 10;

    // `parent` may be null: then there is no parent to wait for, which counts
    // as the parent having ended. With an inbox, every look that finds the
    // pipe empty between records answers the host thread's requests, and a
    // pause there ends early when a new request comes.
    PipeInputSource(HANDLE input, HANDLE parent, const std::atomic<bool>& stop, RecordInbox* inbox) noexcept
        : m_input(input), m_parent(parent), m_stop(stop), m_inbox(inbox) {}

    [[nodiscard]] bool StopRequested() noexcept override { return m_stop.load(std::memory_order_acquire); }

    [[nodiscard]] bool ParentEnded() noexcept override {
        // Only a signalled handle means the parent ended; a failed wait counts
        // as the parent being alive.
        return !m_parent || WaitForSingleObject(m_parent, 0) == WAIT_OBJECT_0;
    }

    [[nodiscard]] std::optional<DWORD> Available() noexcept override {
        // Taken before the look, so the answer covers only requests made
        // before anything the look could have missed.
        const std::uint64_t look = m_inbox ? m_inbox->BeginLook() : 0;
        BYTE peeked = 0;
        DWORD available = 0;
        if (!PeekNamedPipe(m_input, &peeked, 1, nullptr, &available, nullptr))
            return std::nullopt;
        if (m_inbox && available == 0 && AtRecordBoundary())
            m_inbox->AnswerLook(look);
        return available;
    }

    [[nodiscard]] DWORD Read(BYTE* into, DWORD count) noexcept override {
        DWORD got = 0;
        if (!ReadFile(m_input, into, count, &got, nullptr))
            return 0;
        m_bytesRead += got;
        return got;
    }

    void Pause() noexcept override {
        // Within a record the rest is awaited as before: no answer can come
        // until it is whole.
        if (m_inbox && AtRecordBoundary())
            m_inbox->WaitForRequest(PauseMs);
        else
            Sleep(PauseMs);
    }

private:
    [[nodiscard]] bool AtRecordBoundary() const noexcept { return m_bytesRead % moviehost::wire::RecordBytes == 0; }

    HANDLE m_input = nullptr;
    HANDLE m_parent = nullptr;
    const std::atomic<bool>& m_stop;
    RecordInbox* m_inbox = nullptr;
    std::uint64_t m_bytesRead = 0;
};

}  // namespace

InputThread::InputThread(DWORD hostThreadId, HANDLE parent, bool useInbox) : m_shared(std::make_shared<Shared>()) {
    m_shared->hostThreadId = hostThreadId;
    m_shared->parent = parent;
    if (useInbox)
        m_shared->inbox = std::make_unique<RecordInbox>();
}

InputThread::~InputThread() { static_cast<void>(Stop()); }

bool InputThread::Start() noexcept {
    if (m_thread)
        return true;
    m_shared->stop.store(false, std::memory_order_release);
    auto* reference = new (std::nothrow) std::shared_ptr<Shared>(m_shared);
    if (!reference)
        return false;
    m_thread.reset(CreateThread(nullptr, 0, &InputThread::Run, reference, 0, nullptr));
    if (!m_thread)
        delete reference;
    return static_cast<bool>(m_thread);
}

bool InputThread::Stop() noexcept {
    if (!m_thread)
        return true;
    m_shared->stop.store(true, std::memory_order_release);
    if (m_shared->inbox)
        m_shared->inbox->Interrupt();
    if (WaitForSingleObject(m_thread.get(), StopTimeoutMs) != WAIT_OBJECT_0)
        return false;
    m_thread.reset();
    return true;
}

DWORD WINAPI InputThread::Run(LPVOID shared) noexcept {
    const std::unique_ptr<std::shared_ptr<Shared>> reference(static_cast<std::shared_ptr<Shared>*>(shared));
    Shared& state = **reference;
    PipeInputSource source(GetStdHandle(STD_INPUT_HANDLE), state.parent, state.stop, state.inbox.get());
    Pump(source, state.hostThreadId, state.inbox.get());
    return 0;
}

bool InputThread::Deliver(InputSource& source, DWORD hostThreadId, const InputRecord& record) noexcept {
    // A full queue is waited out, never dropped: records keep their order,
    // and the pipe fills behind us so the parent slows down. A stop or a gone
    // parent still ends the wait at once.
    while (!PostThreadMessageW(hostThreadId, record.message, record.wParam, record.lParam)) {
        if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA)
            return true;  // the host thread has no queue: nothing can take it
        if (source.StopRequested())
            return false;
        if (source.ParentEnded()) {
            PostThreadMessageW(hostThreadId, QUIT_MESSAGE, 0, 0);
            return true;
        }
        source.Pause();
    }
    return true;
}

bool InputThread::DeliverToInbox(InputSource& source, DWORD hostThreadId, RecordInbox& inbox,
                                 const InputRecord& record) noexcept {
    while (!inbox.TryPush(record)) {
        if (source.StopRequested())
            return false;
        if (source.ParentEnded()) {
            inbox.MarkEnded();
            PostThreadMessageW(hostThreadId, QUIT_MESSAGE, 0, 0);
            return true;
        }
        inbox.WaitForRoom(10);
    }
    return true;
}

void InputThread::Pump(InputSource& source, DWORD hostThreadId, RecordInbox* inbox) noexcept {
    InputRecord::Bytes bytes{};
    for (;;) {
        switch (RecordReader::ReadRecord(source, bytes)) {
        case RecordReader::Outcome::Record: {
            const InputRecord record = InputRecord::Decode(bytes);
            const bool delivered =
                inbox ? DeliverToInbox(source, hostThreadId, *inbox, record) : Deliver(source, hostThreadId, record);
            if (!delivered)
                return;
            break;
        }
        case RecordReader::Outcome::ParentGone:
            if (inbox)
                inbox->MarkEnded();
            PostThreadMessageW(hostThreadId, QUIT_MESSAGE, 0, 0);
            source.Pause();
            break;
        case RecordReader::Outcome::ChannelFailed:
            // The end of the parent's writing: no frame waits for input now.
            if (inbox)
                inbox->MarkEnded();
            source.Pause();
            break;
        case RecordReader::Outcome::Stopped:
            return;
        }
    }
}
