#include "virtual_frame_loop.h"

#include "message_loop.h"

#include "platform/user.h"
#include "platform/virtual_clock.h"

#include <new>
#include <vector>

namespace {

// Whatever reached the queue meanwhile: an end asked for by the input thread
// (parent gone) or the output writer, and any window message.
bool DrainQueue(HostState& host) noexcept {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT || !HandleMessage(host, msg))
            return false;
    }
    return true;
}

// Steps the clock to each due timer in turn, so each fires at its own time
// and in order, then to `until`.
bool FireTimersUntil(HostState& host, ULONGLONG until) noexcept {
    for (auto due = platform::NextThreadTimerDue(); due && *due <= until; due = platform::NextThreadTimerDue()) {
        platform::AdvanceVirtualClockTo(*due);
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            if (!HandleMessage(host, msg))
                return false;
        }
    }
    platform::AdvanceVirtualClockTo(until);
    return true;
}

bool ApplyRecords(HostState& host, const std::vector<InputRecord>& records) noexcept {
    for (const InputRecord& record : records) {
        // A posted WM_QUIT ends the wall clock's loop; a record of it ends
        // this one the same way.
        if (record.message == WM_QUIT)
            return false;
        MSG msg{};
        msg.message = record.message;
        msg.wParam = record.wParam;
        msg.lParam = record.lParam;
        msg.time = GetTickCount();
        if (!HandleMessage(host, msg))
            return false;
    }
    return true;
}

}  // namespace

void RunVirtualFrameLoop(HostState& host) noexcept {
    RecordInbox* inbox = host.inputThread.Inbox();
    std::vector<InputRecord> records;
    try {
        records.reserve(64);
    } catch (const std::bad_alloc&) {
        host.failure.Record(ExitCode::OutOfMemory, "out of memory for the input records");
        return;
    }
    for (std::uint64_t k = 0;; ++k) {
        if (!DrainQueue(host) || !FireTimersUntil(host, host.clock.rate.millisecondsAt(k)))
            return;
        if (inbox) {
            records.clear();
            try {
                inbox->TakeFor(k + 1, records);
            } catch (...) {
                host.failure.Record(ExitCode::OutOfMemory, "out of memory for the input records");
                return;
            }
            if (!ApplyRecords(host, records))
                return;
        }
        // A timer or a record may have ended the host meanwhile.
        if (!DrainQueue(host))
            return;
        host.frameTimer.Tick(host.player);
        if (host.failure.Failed())
            return;
    }
}
