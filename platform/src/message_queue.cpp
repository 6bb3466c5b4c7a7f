// The thread-message calls: posting, the message loop and dispatch.
#include "queue_registry.h"

#include "platform/kernel.h"
#include "platform/user.h"

using platform::detail::MessageFilter;
using platform::detail::ThreadQueue;

namespace {

// Only thread messages exist here; any window handle names nothing.
bool checkLoopArguments(const MSG* msg, HWND hwnd) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

}  // namespace

BOOL WINAPI PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto queue = platform::detail::findThreadQueue(threadId);
    const auto result = queue ? queue->post(message, wParam, lParam) : ThreadQueue::PostResult::Closed;
    switch (result) {
    case ThreadQueue::PostResult::Posted:
        return TRUE;
    case ThreadQueue::PostResult::Full:
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    case ThreadQueue::PostResult::Closed:
        break;
    }
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
}

BOOL WINAPI GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!checkLoopArguments(msg, hwnd))
        return -1;
    const auto queue = platform::detail::currentThreadQueue();
    [[maybe_unused]] const bool got =
        queue->take(*msg, MessageFilter{filterMin, filterMax}, ThreadQueue::Take::Remove, ThreadQueue::Wait::Block);
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!checkLoopArguments(msg, hwnd))
        return FALSE;
    const auto take = (removeFlags & PM_REMOVE) ? ThreadQueue::Take::Remove : ThreadQueue::Take::Leave;
    const auto queue = platform::detail::currentThreadQueue();
    return queue->take(*msg, MessageFilter{filterMin, filterMax}, take, ThreadQueue::Wait::Poll) ? TRUE : FALSE;
}

void WINAPI PostQuitMessage(int exitCode) { platform::detail::currentThreadQueue()->postQuit(exitCode); }

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageW(const MSG* msg) {
    if (!msg || msg->hwnd || msg->message != WM_TIMER || msg->lParam == 0)
        return 0;
    // The parent may post WM_TIMER with any parameters. Only a pair that names
    // a live timer of this thread together with that timer's own procedure is
    // called, and the call goes to the stored procedure, never to lParam.
    const auto queue = platform::detail::existingCurrentThreadQueue();
    const TIMERPROC proc = queue ? queue->matchingTimerProc(msg->wParam, msg->lParam) : nullptr;
    if (proc)
        proc(nullptr, WM_TIMER, msg->wParam, msg->time);
    return 0;
}
