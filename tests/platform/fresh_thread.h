// Runs a test body on a thread of its own, so that it starts with a message
// queue nobody has touched and its queue and timers go away when it ends.
#pragma once

#include <functional>
#include <thread>

namespace moviehost::testing {

inline void runOnFreshThread(const std::function<void()>& body) {
    std::thread thread(body);
    thread.join();
}

}  // namespace moviehost::testing
