// Window messages a windowless container forwards. The control takes the
// mouse and keyboard messages (and focus changes) as its own and answers them
// as handled; what they do to the movie comes with buttons and scripts.
// Anything else is left to the container's default handling (S_FALSE).
#include "control/flash_control.h"

namespace control {

namespace {

constexpr UINT kSetFocus = 0x0007;
constexpr UINT kKillFocus = 0x0008;
constexpr UINT kSetCursor = 0x0020;
constexpr UINT kFirstKeyMessage = 0x0100;   // WM_KEYDOWN
constexpr UINT kLastKeyMessage = 0x0109;    // WM_UNICHAR
constexpr UINT kFirstMouseMessage = 0x0200; // WM_MOUSEMOVE
constexpr UINT kLastMouseMessage = 0x020E;  // WM_MOUSEHWHEEL

}  // namespace

bool FlashControl::handleWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result)
{
    result = 0;
    if (msg >= kFirstMouseMessage && msg <= kLastMouseMessage)
        return true;
    if (msg >= kFirstKeyMessage && msg <= kLastKeyMessage)
        return true;
    return msg == kSetFocus || msg == kKillFocus || msg == kSetCursor;
}

}  // namespace control
