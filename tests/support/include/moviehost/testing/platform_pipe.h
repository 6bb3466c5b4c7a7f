// A platform pipe for unit tests of the host's pieces: they write into one
// end, the test reads the other; and the thread messages they post.
#pragma once

#include "platform/kernel.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace moviehost::testing {

struct Pipe {
    platform::ScopedHandle read;
    platform::ScopedHandle write;

    Pipe() {
        HANDLE r = nullptr;
        HANDLE w = nullptr;
        EXPECT_TRUE(CreatePipe(&r, &w, nullptr, 0));
        read.reset(r);
        write.reset(w);
    }

    // Everything the pipe holds right now.
    std::vector<std::uint8_t> drain() {
        std::vector<std::uint8_t> bytes;
        DWORD available = 0;
        while (PeekNamedPipe(read.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            const std::size_t old = bytes.size();
            bytes.resize(old + available);
            DWORD got = 0;
            if (!ReadFile(read.get(), bytes.data() + old, available, &got, nullptr))
                break;
            bytes.resize(old + got);
        }
        return bytes;
    }
};

// The thread messages waiting for the calling thread, taken off its queue.
inline std::vector<UINT> takePostedMessages() {
    std::vector<UINT> messages;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        messages.push_back(msg.message);
    return messages;
}

}  // namespace moviehost::testing
