// Thread timers: SetTimer and KillTimer.
#include "queue_registry.h"

#include "platform/kernel.h"
#include "platform/user.h"

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR timerId, UINT elapse, TIMERPROC proc) {
    if (hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const UINT_PTR id = platform::detail::currentThreadQueue()->setTimer(timerId, elapse, proc);
    if (id == 0)
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return id;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR timerId) {
    if (hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!platform::detail::currentThreadQueue()->killTimer(timerId)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
