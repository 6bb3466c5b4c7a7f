// Which thread owns which message queue.
//
// A queue is registered under its thread's id when the thread first needs it
// and unregistered (and closed to posters) when the thread ends.
#pragma once

#include "thread_queue.h"

#include <memory>

namespace platform::detail {

// The calling thread's queue, made on first use.
[[nodiscard]] std::shared_ptr<ThreadQueue> currentThreadQueue();

// The calling thread's queue if it has one; never makes one.
[[nodiscard]] std::shared_ptr<ThreadQueue> existingCurrentThreadQueue();

// The queue of thread `threadId`, or empty when it has none.
[[nodiscard]] std::shared_ptr<ThreadQueue> findThreadQueue(DWORD threadId);

// Wakes every waiting GetMessageW, for a change of the manual test clock.
void wakeAllThreadQueues();

}  // namespace platform::detail
