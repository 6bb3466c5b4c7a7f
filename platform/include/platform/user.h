// Thread messages, thread timers and the key state of the Win32 subset.
//
// There are no windows off Windows: every message is a thread message
// (hwnd NULL), every timer a thread timer. A thread gets its message queue
// the first time it calls GetMessageW, PeekMessageW, PostQuitMessage,
// SetTimer or KillTimer; the queue and its timers go away when the thread
// ends.
#pragma once

#include "platform/scoped.h"
#include "platform/types.h"

#ifdef _WIN32

#include <windows.h>

#else

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
#define PM_NOYIELD 0x0002u

#define USER_TIMER_MINIMUM 0x0000000Au
#define USER_TIMER_MAXIMUM 0x7FFFFFFFu

// Guarded, since other headers of the subset may name them too.
#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_INVALID_THREAD_ID
#define ERROR_INVALID_THREAD_ID 1444L
#endif
#ifndef ERROR_NOT_ENOUGH_QUOTA
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#endif

using TIMERPROC = void(CALLBACK*)(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);

// Appends (message, wParam, lParam) to the queue of thread `threadId`. Posting
// keeps order per sender. FALSE with ERROR_INVALID_THREAD_ID when that thread
// has no queue (never made one, or has ended), and with ERROR_NOT_ENOUGH_QUOTA
// when 10000 messages are already waiting there.
BOOL WINAPI PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the next message of the calling thread's queue, waiting for one:
// posted messages first, in order; then the quit request of PostQuitMessage;
// then WM_TIMER of a timer whose period has elapsed. Returns 0 for WM_QUIT,
// -1 (ERROR_INVALID_PARAMETER / ERROR_INVALID_WINDOW_HANDLE) for a NULL `msg`
// or any window, non-zero otherwise. With `filterMin`/`filterMax` not both 0
// (and min <= max) only messages in that range are taken, plus the quit request.
BOOL WINAPI GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);

// As GetMessageW without waiting: TRUE when a message was there. PM_REMOVE
// takes it off the queue (and restarts a timer's period); PM_NOREMOVE leaves it.
BOOL WINAPI PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);

// Asks the calling thread's loop to end: GetMessageW returns 0 with a WM_QUIT
// whose wParam is `exitCode` once no posted message is waiting.
void WINAPI PostQuitMessage(int exitCode);

// No keyboard, no character messages: does nothing and returns FALSE.
BOOL WINAPI TranslateMessage(const MSG* msg);

// A WM_TIMER for a live timer of the calling thread, whose lParam is the very
// procedure that timer was set with, calls that procedure and returns 0.
// Anything else (another thread message, a forged or stale WM_TIMER, any
// window) is ignored and returns 0: the parameters of a posted message are
// never taken for a function.
LRESULT WINAPI DispatchMessageW(const MSG* msg);

// With `hwnd` NULL: a thread timer on the calling thread that yields WM_TIMER
// (wParam = id, lParam = `proc`) every `elapse` milliseconds, clamped to
// USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM. Returns a new non-zero id, or
// `timerId` itself when that names a live timer of this thread, which is then
// restarted with the new period and procedure. A timer never piles up ticks:
// one that fell behind yields one WM_TIMER and starts its period over.
// Any window: 0 with ERROR_INVALID_WINDOW_HANDLE.
UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR timerId, UINT elapse, TIMERPROC proc);

// Removes a timer of the calling thread; no WM_TIMER comes from it afterwards.
// FALSE when `timerId` is not a live timer of this thread.
BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR timerId);

// Bit 15 set (0x8000) while the key is held. There is no local keyboard off
// Windows, so every key reads as up (0) unless a test simulates it
// (platform/testing.h). Keys outside 0..255 read as up.
SHORT WINAPI GetAsyncKeyState(int virtualKey);

#endif  // _WIN32

namespace platform {

struct ThreadTimerTraits {
    using Handle = UINT_PTR;
    static Handle empty() noexcept { return 0; }
    static void free(Handle timerId) noexcept { KillTimer(nullptr, timerId); }
};

// Owns a thread timer of the current thread and kills it on scope exit. It
// must be destroyed on the thread that set the timer.
using ScopedThreadTimer = Scoped<ThreadTimerTraits>;

static_assert(sizeof(ScopedThreadTimer) == sizeof(UINT_PTR));

}  // namespace platform
