// Threads, thread handles, the per-thread last error and handle validation.
#include "platform/kernel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace {

struct Rendezvous {
    std::atomic<DWORD> seenId{0};
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
};

DWORD WINAPI recordIdAndWait(LPVOID raw) {
    auto* meeting = static_cast<Rendezvous*>(raw);
    meeting->seenId = GetCurrentThreadId();
    while (!meeting->release)
        std::this_thread::yield();
    meeting->finished = true;
    return 0;
}

}  // namespace

TEST(Thread, CreateThreadReportsTheIdTheThreadSees) {
    Rendezvous meeting;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, recordIdAndWait, &meeting, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, DWORD{0}) << "the id must be known when CreateThread returns";
    EXPECT_NE(id, GetCurrentThreadId());
    meeting.release = true;
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(meeting.seenId.load(), id) << "expected the thread to see id " << id << ", got " << meeting.seenId;
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Thread, HandleIsSignalledOnlyOnceTheThreadHasEnded) {
    Rendezvous meeting;
    HANDLE thread = CreateThread(nullptr, 0, recordIdAndWait, &meeting, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
    meeting.release = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(meeting.finished);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
    CloseHandle(thread);
}

TEST(Thread, ClosingTheHandleLeavesTheThreadRunning) {
    Rendezvous meeting;
    HANDLE thread = CreateThread(nullptr, 0, recordIdAndWait, &meeting, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    meeting.release = true;
    while (!meeting.finished)
        std::this_thread::yield();
    EXPECT_NE(meeting.seenId.load(), DWORD{0});
}

TEST(Thread, CreateThreadRejectsWhatItCannotDo) {
    constexpr DWORD KCreateSuspended = 0x4;
    Rendezvous meeting;
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateThread(nullptr, 0, recordIdAndWait, &meeting, KCreateSuspended, nullptr), nullptr)
        << "a suspended start is not offered";
    EXPECT_EQ(meeting.seenId.load(), DWORD{0}) << "nothing may have run";
}

TEST(Thread, LastErrorIsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenAtStart = 1;
    std::thread other([&] {
        seenAtStart = GetLastError();
        SetLastError(ERROR_BROKEN_PIPE);
    });
    other.join();
    EXPECT_EQ(seenAtStart, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Handle, NullInvalidAndForgedHandlesFailHarmlessly) {
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);

    std::mt19937_64 random(7);
    for (int i = 0; i < 1000; ++i) {
        // Small multiples of four look most like real handles.
        const std::uintptr_t value = (i % 2) ? random() : (random() % 4096) * 4;
        HANDLE forged = reinterpret_cast<HANDLE>(value);
        DWORD count = 0;
        char byte = 0;
        EXPECT_EQ(WaitForSingleObject(forged, 0), WAIT_FAILED) << "value " << value;
        EXPECT_FALSE(ReadFile(forged, &byte, 1, &count, nullptr)) << "value " << value;
        EXPECT_FALSE(CloseHandle(forged)) << "value " << value;
    }
}

TEST(Handle, StaleHandleDoesNotReachTheObjectThatReusedItsSlot) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    EXPECT_TRUE(CloseHandle(write));
    EXPECT_FALSE(CloseHandle(write)) << "a second close must fail";

    HANDLE read2 = nullptr;
    HANDLE write2 = nullptr;
    ASSERT_TRUE(CreatePipe(&read2, &write2, nullptr, 0));
    EXPECT_NE(read2, write) << "a reused slot must get a new handle value";
    EXPECT_NE(write2, write) << "a reused slot must get a new handle value";
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(write, "x", 1, &written, nullptr)) << "the stale handle must not write";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD available = 99;
    EXPECT_TRUE(PeekNamedPipe(read2, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(available, DWORD{0}) << "nothing may have reached the new pipe";
    for (HANDLE h : {read, read2, write2})
        CloseHandle(h);
}

TEST(Handle, WrongKindOfHandleFails) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    EXPECT_EQ(WaitForSingleObject(read, 0), WAIT_FAILED) << "a pipe cannot be waited on";

    Rendezvous meeting;
    meeting.release = true;
    HANDLE thread = CreateThread(nullptr, 0, recordIdAndWait, &meeting, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    DWORD count = 0;
    EXPECT_FALSE(WriteFile(thread, "x", 1, &count, nullptr)) << "a thread cannot be written to";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    WaitForSingleObject(thread, INFINITE);
    for (HANDLE h : {read, write, thread})
        CloseHandle(h);
}

TEST(ScopedHandle, ClosesOnScopeExitAndHandsOverOnMoveAndRelease) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    {
        platform::ScopedHandle owner(read);
        platform::ScopedHandle moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(moved.get(), read);
    }
    EXPECT_FALSE(CloseHandle(read)) << "the wrapper should have closed the handle";

    HANDLE kept = nullptr;
    {
        platform::ScopedHandle owner(write);
        kept = owner.release();
    }
    EXPECT_TRUE(CloseHandle(kept)) << "a released handle stays open";

    platform::ScopedHandle filled;
    HANDLE ignored = nullptr;
    ASSERT_TRUE(CreatePipe(filled.receive(), &ignored, nullptr, 0));
    EXPECT_TRUE(filled);
    CloseHandle(ignored);
}
