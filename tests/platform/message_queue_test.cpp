// Thread message queues: posting across threads, GetMessageW, PeekMessageW,
// WM_QUIT and the queue's life.
#include "fresh_thread.h"

#include "platform/kernel.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

using moviehost::testing::runOnFreshThread;

namespace {

// Makes the calling thread's queue the way a message loop would.
void makeQueue() {
    MSG msg{};
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace

TEST(MessageQueue, PostsFromOtherThreadsArriveInOrderPerSender) {
    constexpr int KPerSender = 3000;
    std::promise<DWORD> receiverId;
    std::thread receiver([&] {
        makeQueue();
        receiverId.set_value(GetCurrentThreadId());
        int next[2] = {0, 0};
        for (int received = 0; received < 2 * KPerSender; ++received) {
            MSG msg{};
            ASSERT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
            const int sender = static_cast<int>(msg.message - WM_USER);
            ASSERT_TRUE(sender == 0 || sender == 1) << "expected message WM_USER or WM_USER+1, got " << msg.message;
            ASSERT_EQ(msg.wParam, static_cast<WPARAM>(next[sender]))
                << "sender " << sender << ": expected sequence number " << next[sender] << ", got " << msg.wParam;
            ASSERT_EQ(msg.lParam, -static_cast<LPARAM>(next[sender]));
            ++next[sender];
        }
    });
    const DWORD target = receiverId.get_future().get();
    auto send = [target](UINT message) {
        for (int i = 0; i < KPerSender; ++i)
            EXPECT_TRUE(PostThreadMessageW(target, message, static_cast<WPARAM>(i), -static_cast<LPARAM>(i)))
                << "post " << i << " failed with error " << GetLastError();
    };
    std::thread first(send, WM_USER);
    std::thread second(send, WM_USER + 1);
    first.join();
    second.join();
    receiver.join();
}

TEST(MessageQueue, PostedFieldsArriveUnchanged) {
    runOnFreshThread([] {
        makeQueue();
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), 0xFFFFFFFFu, ~WPARAM{0}, LPARAM{-1}));
        MSG msg{};
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.hwnd, nullptr);
        EXPECT_EQ(msg.message, 0xFFFFFFFFu);
        EXPECT_EQ(msg.wParam, ~WPARAM{0});
        EXPECT_EQ(msg.lParam, LPARAM{-1});
    });
}

TEST(MessageQueue, GetMessageWaitsForAPostFromAnotherThread) {
    std::promise<DWORD> receiverId;
    std::promise<MSG> received;
    std::thread receiver([&] {
        makeQueue();
        receiverId.set_value(GetCurrentThreadId());
        MSG msg{};
        EXPECT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
        received.set_value(msg);
    });
    const DWORD target = receiverId.get_future().get();
    auto result = received.get_future();
    // Nothing posted yet: the receiver is still waiting.
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    ASSERT_TRUE(PostThreadMessageW(target, WM_USER + 7, 1, 2));
    const MSG msg = result.get();
    receiver.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));
}

TEST(MessageQueue, GetMessageReturnsZeroForPostedQuit) {
    runOnFreshThread([] {
        makeQueue();
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0));
        MSG msg{};
        const BOOL result = GetMessageW(&msg, nullptr, 0, 0);
        EXPECT_EQ(result, 0) << "expected 0 for WM_QUIT, got " << result;
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
        EXPECT_EQ(msg.wParam, WPARAM{7});
    });
}

TEST(MessageQueue, PostQuitMessageComesAfterPostedMessages) {
    runOnFreshThread([] {
        PostQuitMessage(3);
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0));
        MSG msg{};
        EXPECT_NE(GetMessageW(&msg, nullptr, 0, 0), 0);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER)) << "expected the posted message before WM_QUIT";
        EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
        EXPECT_EQ(msg.wParam, WPARAM{3});
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit request is delivered once";
    });
}

TEST(MessageQueue, GetMessageRejectsBadArguments) {
    runOnFreshThread([] {
        EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        MSG msg{};
        HWND someWindow = reinterpret_cast<HWND>(0x1234);
        EXPECT_EQ(GetMessageW(&msg, someWindow, 0, 0), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    });
}

TEST(MessageQueue, PostFailsForThreadWithoutQueue) {
    std::promise<DWORD> id;
    std::promise<void> release;
    std::thread idle([&] {
        id.set_value(GetCurrentThreadId());
        release.get_future().wait();
    });
    const DWORD target = id.get_future().get();
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageW(target, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    release.set_value();
    idle.join();
}

TEST(MessageQueue, QueueGoesAwayWithItsThread) {
    std::atomic<DWORD> target{0};
    runOnFreshThread([&] {
        makeQueue();
        target = GetCurrentThreadId();
        EXPECT_TRUE(PostThreadMessageW(target, WM_USER, 0, 0));
    });
    EXPECT_FALSE(PostThreadMessageW(target, WM_USER, 0, 0)) << "posting to an ended thread must fail";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
}

TEST(MessageQueue, QueueIsGoneOnceCreateThreadHandleIsSignalled) {
    DWORD id = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            makeQueue();
            return 0;
        },
        nullptr, 0, &id);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_FALSE(PostThreadMessageW(id, WM_USER, 0, 0));
    CloseHandle(thread);
}

TEST(MessageQueue, PostingStopsAtTenThousandWaitingMessages) {
    runOnFreshThread([] {
        makeQueue();
        const DWORD self = GetCurrentThreadId();
        for (int i = 0; i < 10000; ++i)
            ASSERT_TRUE(PostThreadMessageW(self, WM_USER, static_cast<WPARAM>(i), 0)) << "post " << i << " failed";
        EXPECT_FALSE(PostThreadMessageW(self, WM_USER, 10000, 0)) << "expected the 10001st post to fail";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
        MSG msg{};
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.wParam, WPARAM{0});
        EXPECT_TRUE(PostThreadMessageW(self, WM_USER, 10000, 0)) << "a taken message frees room for one more";
    });
}

TEST(MessageQueue, PeekMessageRemovesOnlyWithPmRemove) {
    runOnFreshThread([] {
        makeQueue();
        MSG msg{};
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "expected an empty queue";
        ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER, 1, 0));
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg.wParam, WPARAM{1});
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "PM_NOREMOVE must leave the message";
        EXPECT_EQ(msg.wParam, WPARAM{1});
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    });
}

TEST(MessageQueue, FilterTakesMatchingMessageFirst) {
    runOnFreshThread([] {
        makeQueue();
        const DWORD self = GetCurrentThreadId();
        ASSERT_TRUE(PostThreadMessageW(self, WM_USER + 5, 0, 0));
        ASSERT_TRUE(PostThreadMessageW(self, WM_USER + 1, 0, 0));
        MSG msg{};
        EXPECT_NE(GetMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 1), 0);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 2, PM_REMOVE));
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    });
}
