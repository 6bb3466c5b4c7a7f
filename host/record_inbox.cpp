#include "record_inbox.h"

#include <chrono>

bool RecordInbox::TryPush(const InputRecord& record) {
    {
        std::lock_guard lock(m_mutex);
        if (m_records.size() >= Capacity)
            return false;
        m_records.push_back(record);
    }
    m_changed.notify_all();
    return true;
}

void RecordInbox::MarkEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

std::uint64_t RecordInbox::BeginLook() {
    std::lock_guard lock(m_mutex);
    return m_requested;
}

void RecordInbox::AnswerLook(std::uint64_t look) {
    {
        std::lock_guard lock(m_mutex);
        if (look > m_answered)
            m_answered = look;
    }
    m_changed.notify_all();
}

void RecordInbox::WaitForRequest(unsigned milliseconds) {
    std::unique_lock lock(m_mutex);
    // Once the input has ended no answer is awaited any more.
    m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [&] { return (m_requested > m_answered && !m_ended) || m_interrupted; });
}

void RecordInbox::WaitForRoom(unsigned milliseconds) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [&] { return m_records.size() < Capacity || m_interrupted; });
}

bool RecordInbox::MoveDue(std::uint64_t frame, std::vector<InputRecord>& into) {
    bool moved = false;
    while (!m_records.empty() && (m_records.front().time == 0 || m_records.front().time <= frame)) {
        into.push_back(m_records.front());
        m_records.pop_front();
        moved = true;
    }
    if (moved)
        m_changed.notify_all();  // room for a waiting push
    return !m_records.empty();
}

void RecordInbox::TakeFor(std::uint64_t frame, std::vector<InputRecord>& into) {
    std::unique_lock lock(m_mutex);
    std::uint64_t request = 0;
    for (;;) {
        if (MoveDue(frame, into) || m_ended || m_interrupted)
            return;
        if (request == 0) {
            request = ++m_requested;
            m_changed.notify_all();
        } else if (m_answered >= request) {
            return;
        }
        m_changed.wait(lock);
    }
}

void RecordInbox::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_changed.notify_all();
}
