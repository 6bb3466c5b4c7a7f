#include "input_thread.h"

#include "host_messages.h"
#include "pipe_input_source.h"
#include "record_reader.h"

#include "platform/user.h"

#include <new>

InputThread::InputThread(DWORD hostThreadId, HANDLE parent) : m_shared(std::make_shared<Shared>()) {
    m_shared->hostThreadId = hostThreadId;
    m_shared->parent = parent;
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
    if (WaitForSingleObject(m_thread.get(), kStopTimeoutMs) != WAIT_OBJECT_0)
        return false;
    m_thread.reset();
    return true;
}

DWORD WINAPI InputThread::Run(LPVOID shared) noexcept {
    const std::unique_ptr<std::shared_ptr<Shared>> reference(static_cast<std::shared_ptr<Shared>*>(shared));
    Shared& state = **reference;
    PipeInputSource source(GetStdHandle(STD_INPUT_HANDLE), state.parent, state.stop);
    Pump(source, state.hostThreadId);
    return 0;
}

void InputThread::Pump(InputSource& source, DWORD hostThreadId) noexcept {
    InputRecord::Bytes bytes{};
    for (;;) {
        switch (RecordReader::ReadRecord(source, bytes)) {
        case RecordReader::Outcome::Record: {
            const InputRecord record = InputRecord::Decode(bytes);
            PostThreadMessageW(hostThreadId, record.message, record.wParam, record.lParam);
            break;
        }
        case RecordReader::Outcome::ParentGone:
            PostThreadMessageW(hostThreadId, QUIT_MESSAGE, 0, 0);
            source.Pause();
            break;
        case RecordReader::Outcome::ChannelFailed:
            source.Pause();
            break;
        case RecordReader::Outcome::Stopped:
            return;
        }
    }
}
