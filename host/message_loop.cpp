#include "message_loop.h"

#include "host_messages.h"
#include "mouse_router.h"
#include "player_call.h"

#include "platform/user.h"

namespace {

void Dispatch(const MSG& msg) noexcept {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace

bool HandleMessage(HostState& host, const MSG& msg) noexcept {
    if (msg.hwnd) {
        Dispatch(msg);
        return !host.failure.Failed();
    }
    switch (msg.message) {
    case FINISH_MESSAGE:
        // Ends the loop whether or not the marker went out.
        static_cast<void>(host.output.WriteEndMarker());
        return false;
    case QUIT_MESSAGE:
        return false;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        static_cast<void>(CallPlayer(host.failure, msg.message == WM_MOUSEMOVE ? "MoveMouse" : "ChangeMouseButton",
                                     [&] { RouteMouse(host.player, msg.message, msg.wParam, msg.lParam); }));
        Dispatch(msg);
        break;
    default:
        Dispatch(msg);
        break;
    }
    return !host.failure.Failed();
}

void RunMessageLoop(HostState& host) noexcept {
    MSG msg{};
    // GetMessageW gives -1 only for arguments this call never passes; it
    // would end the loop rather than spin.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!HandleMessage(host, msg))
            return;
    }
}
