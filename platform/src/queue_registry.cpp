#include "queue_registry.h"

#include "platform/kernel.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform::detail {

namespace {

class QueueRegistry {
public:
    [[nodiscard]] static QueueRegistry& instance() {
        // Never destroyed: threads end (and unregister) during process exit.
        static QueueRegistry* registry = new QueueRegistry;
        return *registry;
    }

    void add(DWORD threadId, std::shared_ptr<ThreadQueue> queue) {
        std::lock_guard lock(m_mutex);
        m_queues[threadId] = std::move(queue);
    }

    void remove(DWORD threadId, const std::shared_ptr<ThreadQueue>& queue) {
        std::lock_guard lock(m_mutex);
        const auto found = m_queues.find(threadId);
        if (found != m_queues.end() && found->second == queue)
            m_queues.erase(found);
    }

    [[nodiscard]] std::shared_ptr<ThreadQueue> find(DWORD threadId) const {
        std::lock_guard lock(m_mutex);
        const auto found = m_queues.find(threadId);
        return found == m_queues.end() ? nullptr : found->second;
    }

    [[nodiscard]] std::vector<std::shared_ptr<ThreadQueue>> all() const {
        std::lock_guard lock(m_mutex);
        std::vector<std::shared_ptr<ThreadQueue>> queues;
        queues.reserve(m_queues.size());
        for (const auto& entry : m_queues)
            queues.push_back(entry.second);
        return queues;
    }

private:
    QueueRegistry() = default;

    mutable std::mutex m_mutex;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> m_queues;
};

// Lives in thread-local storage; its destruction at thread end is what takes
// the queue away from posters.
class QueueOwner {
public:
    QueueOwner() = default;
    QueueOwner(const QueueOwner&) = delete;
    QueueOwner& operator=(const QueueOwner&) = delete;

    ~QueueOwner() {
        if (!m_queue)
            return;
        QueueRegistry::instance().remove(m_threadId, m_queue);
        m_queue->close();
    }

    [[nodiscard]] const std::shared_ptr<ThreadQueue>& queue() const { return m_queue; }

    const std::shared_ptr<ThreadQueue>& make() {
        if (!m_queue) {
            m_queue = std::make_shared<ThreadQueue>();
            m_threadId = GetCurrentThreadId();
            QueueRegistry::instance().add(m_threadId, m_queue);
        }
        return m_queue;
    }

private:
    std::shared_ptr<ThreadQueue> m_queue;
    DWORD m_threadId = 0;
};

thread_local QueueOwner t_owner;

}  // namespace

std::shared_ptr<ThreadQueue> currentThreadQueue() { return t_owner.make(); }

std::shared_ptr<ThreadQueue> existingCurrentThreadQueue() { return t_owner.queue(); }

std::shared_ptr<ThreadQueue> findThreadQueue(DWORD threadId) { return QueueRegistry::instance().find(threadId); }

void wakeAllThreadQueues() {
    for (const auto& queue : QueueRegistry::instance().all())
        queue->wake();
}

}  // namespace platform::detail
